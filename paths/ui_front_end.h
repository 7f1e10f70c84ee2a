// How the path-settings form is shown. The form's logic lives in `UI`; a
// front end displays it modally, lets the user edit the two texts and press
// Run or Exit, and returns only when the display has ended (accepted, or
// closed with `isCorrupted` still True). Exit ends the program from inside.
#pragma once

namespace vaxo {

class UI;

class UIFrontEnd {
 public:
  virtual ~UIFrontEnd() = default;
  /// Shows `form` modally; returns when its display ended.
  virtual void ShowModal(UI& form) = 0;
};

/// The terminal dialogue (ui_console.cc).
UIFrontEnd* ConsoleUIFrontEnd();

/// The front end of this process: the terminal one unless another was set.
UIFrontEnd* CurrentUIFrontEnd();
/// Makes `front_end` current (nullptr: back to the default) and returns the
/// one set before (nullptr when it was the default).
UIFrontEnd* SetUIFrontEnd(UIFrontEnd* front_end);

}  // namespace vaxo
