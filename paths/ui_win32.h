// The path-settings form as a native window (ui_win32.cc).
#pragma once

namespace vaxo {

class UIFrontEnd;

/// Shows `UI` as a window of its own, modal over the program's visible
/// window (the progress form), with the system's folder picker.
UIFrontEnd* Win32UIFrontEnd();

}  // namespace vaxo
