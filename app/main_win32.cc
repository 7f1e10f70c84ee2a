// The entry point of the Windows program: the native forms take the place
// of the terminal ones before the run begins.
#include "app/progress_view.h"
#include "app/progress_win32.h"
#include "app/tav_c1.h"
#include "paths/ui_front_end.h"
#include "paths/ui_win32.h"

int main() {
  vaxo::InitWin32Program();
  vaxo::SetProgressView(vaxo::Win32ProgressView());
  vaxo::SetUIFrontEnd(vaxo::Win32UIFrontEnd());
  vaxo::Main();
}
