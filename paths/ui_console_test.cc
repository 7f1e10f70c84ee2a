#include <gtest/gtest.h>

#include "paths/paths_test_env.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"

namespace vaxo {
namespace {

class UIConsoleTest : public PathsTest {
 protected:
  /// Shows the form on the terminal; the exit code when the dialogue ended
  /// the program, -1 when it returned.
  int Show() {
    try {
      ConsoleUIFrontEnd()->ShowModal(form_);
    } catch (const ProcessExit& e) {
      return e.code;
    }
    return -1;
  }

  UI form_;
};

TEST_F(UIConsoleTest, EmptyAnswersKeepTheDefaults) {
  mem_.AddDirectory("C:\\ZEL_OLDINST");
  mem_.AddDirectory("C:\\ZEL\\ROBOTER");
  mem_.set_stdin_lines({"", "   "});
  EXPECT_EQ(Show(), -1);
  EXPECT_FALSE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "C:\\ZEL_OLDINST");
  EXPECT_EQ(form_.DestinationPath(), "C:\\ZEL\\ROBOTER");
  EXPECT_EQ(mem_.std_err(),
            "Path Settings  (Enter keeps the text in brackets, \"exit\" leaves)\nSource : "
            "[C:\\ZEL_OLDINST] Destination : [C:\\ZEL\\ROBOTER] ");
  EXPECT_EQ(mem_.std_out(), "");
}

TEST_F(UIConsoleTest, HostAndWindowsPathsAreTakenInTheSystemsForm) {
  mem_.AddDirectory("C:\\OLD");
  mem_.AddDirectory("D:\\NEW");
  mem_.set_stdin_lines({"  /old  ", "d:\\new"});
  EXPECT_EQ(Show(), -1);
  EXPECT_FALSE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "C:\\old");
  EXPECT_EQ(form_.DestinationPath(), "d:\\new");
}

TEST_F(UIConsoleTest, APathNotFoundIsShownAndAskedAgain) {
  mem_.AddDirectory("C:\\OLD");
  mem_.AddDirectory("C:\\NEW");
  mem_.set_stdin_lines({"C:\\OLDD", "C:\\NEW", "C:\\OLD", "C:\\NEWW", "", "C:\\NEW"});
  EXPECT_EQ(Show(), -1);
  EXPECT_EQ(mem_.std_err(),
            "Path Settings  (Enter keeps the text in brackets, \"exit\" leaves)\n"
            "Source : [C:\\ZEL_OLDINST] Destination : [C:\\ZEL\\ROBOTER] "
            "Source Path not found\n"
            "Source : [C:\\OLDD] Destination : [C:\\NEW] "
            "Destination Path not found\n"
            "Source : [C:\\OLD] Destination : [C:\\NEWW] ");
  EXPECT_EQ(form_.SourcePath(), "C:\\OLD");
  EXPECT_EQ(form_.DestinationPath(), "C:\\NEW");
}

TEST_F(UIConsoleTest, ExitAtEitherQuestionEndsTheProgram) {
  mem_.set_stdin_lines({" exit "});
  EXPECT_EQ(Show(), 0);
  EXPECT_TRUE(form_.isCorrupted());

  mem_.set_stdin_lines({"C:\\", "Exit", "never read"});
  EXPECT_EQ(Show(), 0);
  EXPECT_TRUE(form_.isCorrupted());
}

TEST_F(UIConsoleTest, EndOfInputEndsTheProgram) {
  mem_.AddDirectory("C:\\ZEL_OLDINST");
  mem_.set_stdin_lines({""});
  EXPECT_EQ(Show(), 0);
  EXPECT_TRUE(form_.isCorrupted());
  EXPECT_EQ(mem_.std_err(),
            "Path Settings  (Enter keeps the text in brackets, \"exit\" leaves)\nSource : "
            "[C:\\ZEL_OLDINST] Destination : "
            "[C:\\ZEL\\ROBOTER] \n");
}

TEST_F(UIConsoleTest, WithoutATerminalTheFormClosesUnaccepted) {
  mem_.AddDirectory("C:\\ZEL_OLDINST");
  mem_.AddDirectory("C:\\ZEL\\ROBOTER");
  EXPECT_EQ(Show(), -1);
  EXPECT_TRUE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "");
  EXPECT_EQ(mem_.std_err(), "");
}

}  // namespace
}  // namespace vaxo
