// The run frame, the progress cycle and the pass texts, on the in-memory
// file system.
#include "app/tav_c1.h"

#include <gtest/gtest.h>

#include "app/progress_view.h"
#include "base/exit_code.h"
#include "log/log_buch.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"
#include "tests/support/vaxo_test.h"
#include "tools/valxfer/valxfer.h"

namespace vaxo {
namespace {

using TavTest = VaxoTest;

TEST_F(TavTest, ProgressCyclesFromOneToFiveAndBack) {
  TAV_C1 form(&faults_);
  form.Load();
  EXPECT_EQ(form.ProgressValue(), 1);
  form.StepProgress();
  EXPECT_EQ(form.ProgressValue(), 2);  // as after start-up
  for (int i = 0; i < 3; ++i) form.StepProgress();
  EXPECT_EQ(form.ProgressValue(), 5);
  form.StepProgress();
  EXPECT_EQ(form.ProgressValue(), 1);
  EXPECT_EQ(mem_.events_processed(), 5);
}

TEST_F(TavTest, LogFileIsChosenByTheLogFolder) {
  EXPECT_EQ(ChooseLogFile(), "c:\\Upgrade_vaxo.log");
  mem_.AddDirectory("C:\\ZEL\\ROBOTER\\LOG");
  EXPECT_EQ(ChooseLogFile(), "c:\\zel\\roboter\\log\\Upgrade_vaxo.log");
}

TEST_F(TavTest, AnEmptySourceDirectoryWritesNothing) {
  mem_.AddDirectory("C:\\OLD");
  TAV_C1 form(&faults_);
  form.file_box().SetPath("C:\\OLD");
  form.file_box().SetPattern("$*.dat");
  form.RunPass(TAV_C1::PassKind::kSteu, "C:\\OLD", "C:\\NEW");
  EXPECT_EQ(log_, "");
  EXPECT_EQ(ExitCode, 0);
}

TEST_F(TavTest, UpgradeThatGivesNoTextLeavesTheNewFile) {
  mem_.AddFile("C:\\OLD\\$a.dat", "$A=1\r\n");
  mem_.AddFile("C:\\NEW\\$a.dat", "   \r\n");
  mem_.AddFile("C:\\NEW\\a.upg", "$A=\r\n");
  TAV_C1 form(&faults_);
  form.file_box().SetPath("C:\\OLD");
  form.file_box().SetPattern("$*.dat");
  form.RunPass(TAV_C1::PassKind::kSteu, "C:\\OLD", "C:\\NEW");
  EXPECT_EQ(ExitCode, 1);
  EXPECT_EQ(mem_.FileContent("C:\\NEW\\$a.dat"), "   \r\n");
  const std::string tail = "    <-- Upgrade error\r\n!!! error --> (file not writed) !!!\r\n";
  ASSERT_GE(log_.size(), tail.size());
  EXPECT_EQ(log_.substr(log_.size() - tail.size()), tail);
}

// A pair whose first data-file replacement fails.
void FailingPair(MemEnv& mem, FaultEnv& faults) {
  mem.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
  mem.AddFile("C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat", "$A=1\r\n");
  mem.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=0\r\n");
  mem.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\machine.upg", "$A=\r\n");
  mem.AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$machine.dat", "$A=0\r\n");
  faults.set_hook([](const std::string& op, const std::string& path) {
    if (op == "replace" && path.find("$MACHINE") != std::string::npos)
      return Status::IOError(op, path, "No space left on device");
    return Status::OK();
  });
}

/// Runs the whole frame; the exit code it ended with.
int Start() {
  TAV_C1 form(Env::Default());  // the test's, installed as the default
  try {
    form.StartUpgrade();
  } catch (const ProcessExit& e) {
    return e.code;
  }
  return -1;
}

// Records what a person would be shown when the run stops.
class StoppedView : public ProgressView {
 public:
  void Show(float, float, float) override {}
  void SetCaption(const std::string&) override {}
  void SetValue(float) override {}
  void ShowStopped(const std::string& message) override { shown.push_back(message); }
  std::vector<std::string> shown;
};

// Accepts the two roots as a person would.
class AcceptingForm : public UIFrontEnd {
 public:
  void ShowModal(UI& form) override {
    form.SrcPath = "C:\\OLD";
    form.DestPath = "C:\\NEW";
    form.Run();
  }
};

// The system's log always learns why a run stopped; a message box only
// when the form was shown, for a run from a command line waits for nobody.
TEST_F(TavTest, AStoppedRunIsReportedToTheSystemAndToAPersonWhoIsThere) {
  FailingPair(mem_, faults_);
  StoppedView view;
  AcceptingForm accepting;
  SetProgressView(&view);
  SetUIFrontEnd(&accepting);
  const std::string why =
      "Run stopped: replace C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT: No space left on "
      "device";
  mem_.set_command_line_tail("C:\\OLD|C:\\NEW");
  EXPECT_EQ(Start(), 3);
  EXPECT_EQ(mem_.reported(),
            std::vector<std::string>{why + " (exit code 3, log c:\\Upgrade_vaxo.log)"});
  EXPECT_TRUE(view.shown.empty());

  mem_.set_command_line_tail("");
  EXPECT_EQ(Start(), 3);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_EQ(view.shown[0],
            why +
                "\r\n\r\nExit code 3. Every data file is as it was or completely "
                "upgraded: the run can be started again.\r\nLog: c:\\Upgrade_vaxo.log");
  EXPECT_EQ(mem_.reported().size(), 2u);
  SetUIFrontEnd(nullptr);
  SetProgressView(nullptr);
}

TEST_F(TavTest, FileSystemErrorEndsTheRunWithThreeAndNamesIt) {
  mem_.set_command_line_tail("C:\\OLD|C:\\NEW");
  FailingPair(mem_, faults_);
  LogBuch().SetSink(nullptr);
  EXPECT_EQ(Start(), 3);
  const std::string log = mem_.FileContent("C:\\Upgrade_vaxo.log");
  const std::string last =
      "!!! Run stopped: replace C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT: No space left on "
      "device !!!\r\n";
  ASSERT_GE(log.size(), last.size());
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
  EXPECT_EQ(log.find("ENDE"), std::string::npos);
  EXPECT_EQ(mem_.std_err(),
            "upgrade_vaxo: Run stopped: replace C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT: "
            "No space left on device\n");
  EXPECT_EQ(mem_.FileContent("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$machine.dat"), "$A=0\r\n");
}

// A variable whose name holds the bytes that retitle a terminal and clear
// it: the run's closing lines on a terminal show them escaped.
TEST_F(TavTest, TheClosingLinesOnATerminalShowControlBytesEscaped) {
  const std::string key = "$T\x1b]0;PWNED\x07\x1b[2J=";
  mem_.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
  mem_.AddFile("C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat", "$A=1\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=0\r\n" + key + "1\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\machine.upg", "$A=\r\n" + key + "\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$machine.dat", "$A=0\r\n");
  mem_.set_command_line_tail("C:\\OLD|C:\\NEW");
  mem_.set_terminal(2, true);
  LogBuch().SetSink(nullptr);
  EXPECT_EQ(Start(), 2);
  // (The progress line before them clears itself with the bytes it means.)
  const std::string closing = mem_.std_err().substr(mem_.std_err().rfind("\x1b[K") + 3);
  EXPECT_EQ(closing.find("upgrade_vaxo: exit code 2: $T\\x1b]0;PWNED\\x07\\x1b[2J= in STEU"), 0u)
      << closing;
  EXPECT_EQ(closing.find('\x1b'), std::string::npos);
  EXPECT_NE(mem_.FileContent("C:\\Upgrade_vaxo.log").find(key), std::string::npos);
}

// A progress form that a person closes while a given file is written.
class ClosedDuringView : public StoppedView {
 public:
  bool CloseRequested() const override { return closed; }
  bool closed = false;
};

// Closing the form while the last file of a pass is written stops the run
// once that file is whole, with exit code 3: after the R1 pass no file
// check would come again, and the run would end as if nobody had closed it.
TEST_F(TavTest, ClosingTheFormDuringAPassLastFileStopsTheRun) {
  for (const char* pass : {"\\STEU\\", "\\R1\\"}) {
    SCOPED_TRACE(pass);
    mem_.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
    mem_.AddFile("C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat", "$A=1\r\n");
    mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=0\r\n");
    mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\machine.upg", "$A=\r\n");
    mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$machine.dat", "$A=0\r\n");
    mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\machine.upg", "$A=\r\n");
    mem_.DeleteFile("C:\\Upgrade_vaxo.log");
    ClosedDuringView view;
    SetProgressView(&view);
    faults_.set_hook([&](const std::string& op, const std::string& path) {
      if (op == "replace" && path.find(pass) != std::string::npos) view.closed = true;
      return Status::OK();
    });
    mem_.set_command_line_tail("C:\\OLD|C:\\NEW");
    LogBuch().SetSink(nullptr);
    EXPECT_EQ(Start(), 3);
    const std::string log = mem_.FileContent("C:\\Upgrade_vaxo.log");
    const std::string last = "!!! Run stopped: the progress form was closed by the user !!!\r\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
    EXPECT_EQ(log.find("ENDE"), std::string::npos);
    EXPECT_EQ(mem_.FileContent(std::string("C:\\NEW\\ROBOTER\\ZEL") + pass + "VAXO\\$machine.dat"),
              "$A=1\r\n");
    SetProgressView(nullptr);
  }
}

}  // namespace
}  // namespace vaxo
