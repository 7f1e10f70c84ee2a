// The path-settings form as a terminal dialogue, on standard error so that
// standard output stays free. Each round asks for both paths, the form's
// current texts offered as defaults, and presses Run:
//
//   Source : [C:\ZEL_OLDINST] _
//   Destination : [C:\ZEL\ROBOTER] _
//
// An empty answer keeps the text; blanks around an answer are dropped; a
// host path is taken in the system's form. "exit" (any case) or the end of
// the input is the Exit button and ends the program at once. Without a
// terminal on standard input nobody can answer: the form counts as closed
// without accepting, and the caller ends the program.
#include "base/text.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"
#include "platform/env.h"

namespace vaxo {

namespace {

const char kHint[] = "  (Enter keeps the text in brackets, \"exit\" leaves)\n";

class ConsoleFrontEnd : public UIFrontEnd {
 public:
  void ShowModal(UI& form) override {
    Env* env = Env::Default();
    if (!env->IsTerminal(0)) return;
    // The progress line stands on standard error when it is a terminal.
    if (env->IsTerminal(2)) env->WriteStd(2, "\n");
    env->WriteStd(2, std::string(UI::kFrameCaption) + kHint);
    while (true) {
      Ask(form, UI::kSourceLabel, form.SrcPath);
      Ask(form, UI::kDestinationLabel, form.DestPath);
      const std::string message = form.Run();
      if (message.empty()) return;
      env->WriteStd(2, message + "\n");
    }
  }

 private:
  // One text box: shows its text, takes the answer into it.
  static void Ask(UI& form, const char* label, std::string& text) {
    Env* env = Env::Default();
    env->WriteStd(2, std::string(label) + " [" + text + "] ");
    std::string answer;
    if (!env->ReadStdinLine(&answer)) {
      env->WriteStd(2, "\n");
      form.Leave();
    }
    answer = TrimSpaces(answer);
    if (UCase(answer) == "EXIT") form.Leave();
    if (!answer.empty()) text = env->SystemPath(answer);
  }
};

}  // namespace

UIFrontEnd* ConsoleUIFrontEnd() {
  static ConsoleFrontEnd* instance = new ConsoleFrontEnd();  // lives until the process ends
  return instance;
}

}  // namespace vaxo
