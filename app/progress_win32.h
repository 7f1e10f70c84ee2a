// The native front ends of the Windows program (progress_win32.cc).
#pragma once

namespace vaxo {

class ProgressView;

/// Process-wide set-up of the windowed program, before any window: common
/// controls, the display's real DPI, and no system error dialogue (a run
/// from a command line must never wait for a person).
void InitWin32Program();

/// The progress form `TAV_C1` as a window of its own.
ProgressView* Win32ProgressView();

}  // namespace vaxo
