#include "report/run_report.h"

namespace vaxo {
namespace report {

// Each in the order of its enum.
const char* PassName(Pass pass) {
  static const char* const kNames[] = {"STEU", "R1"};
  return kNames[static_cast<size_t>(pass)];
}

const char* ResultName(FileResult result) {
  static const char* const kNames[] = {"written", "old-missing", "new-missing", "upg-missing",
                                       "no-text"};
  return kNames[static_cast<size_t>(result)];
}

const char* CaseName(RuleCase rule_case) {
  static const char* const kNames[] = {"carried", "default", "kept-new", "lost", "absent"};
  return kNames[static_cast<size_t>(rule_case)];
}

const char* EndingName(Ending ending) {
  static const char* const kNames[] = {"closing entry", "stopped", "early"};
  return kNames[static_cast<size_t>(ending)];
}

}  // namespace report
}  // namespace vaxo
