#include "paths/ui_front_end.h"

namespace vaxo {

namespace {
UIFrontEnd* g_front_end = nullptr;
}  // namespace

UIFrontEnd* CurrentUIFrontEnd() { return g_front_end ? g_front_end : ConsoleUIFrontEnd(); }

UIFrontEnd* SetUIFrontEnd(UIFrontEnd* front_end) {
  UIFrontEnd* previous = g_front_end;
  g_front_end = front_end;
  return previous;
}

}  // namespace vaxo
