// The run frame, the progress cycle, the pass texts and the shift, on the
// in-memory file system.
#include "app/tav_c1.h"

#include <gtest/gtest.h>

#include "base/exit_code.h"
#include "log/log_buch.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

using TavTest = VaxoTest;

TEST_F(TavTest, ProgressCyclesFromOneToFiveAndBack) {
  TAV_C1 form;
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

TEST_F(TavTest, ShiftRunsTheToolTwiceBetweenCopyAndDelete) {
  mem_.AddFile("C:\\TOOLS\\Vaxo_Value.dat", "$ROB_CAL\r\n");
  bool value_file_present = true;
  mem_.set_child_hook([&](const std::string&, const std::string&) {
    value_file_present = value_file_present && mem_.FileExists("C:\\TOOLS\\Vaxo_Value.tmp");
    return 5;  // not looked at
  });
  TAV_C1 form;
  form.ShiftR1ToSteu("D:\\OLD\\R1\\VAXO\\$MACHINE.DAT", "E:\\NEW\\R1\\VAXO\\$MACHINE.DAT");
  ASSERT_EQ(mem_.children().size(), 2u);
  EXPECT_EQ(mem_.children()[0].first, "C:\\TOOLS\\ValXfer.exe");
  EXPECT_EQ(mem_.children()[0].second,
            "C:\\TOOLS\\ValXfer.exe C:\\TOOLS\\Vaxo_Value.tmp | C:\\TOOLS\\Vaxo_Value.tmp | "
            "D:\\OLD\\R1\\VAXO\\$machine.dat /DAT");
  EXPECT_EQ(mem_.children()[1].first, "C:\\TOOLS\\ValXfer.exe");
  EXPECT_EQ(mem_.children()[1].second,
            "C:\\TOOLS\\ValXfer.exe E:\\NEW\\STEU\\Vaxo\\$machine.dat | "
            "C:\\TOOLS\\Vaxo_Value.tmp /DAT");
  EXPECT_TRUE(value_file_present);
  EXPECT_FALSE(mem_.FileExists("C:\\TOOLS\\Vaxo_Value.tmp"));
  EXPECT_EQ(log_, "");  // the shift logs nothing itself
}

TEST_F(TavTest, ShiftInAnotherLayoutUsesRelativeNames) {
  mem_.AddFile("C:\\TOOLS\\Vaxo_Value.dat", "");
  TAV_C1 form;
  form.ShiftR1ToSteu("D:\\OLD\\MACHINE.DAT", "E:\\NEW\\ROBOT\\$MACHINE.DAT");
  ASSERT_EQ(mem_.children().size(), 2u);
  EXPECT_EQ(mem_.children()[0].second,
            "C:\\TOOLS\\ValXfer.exe C:\\TOOLS\\Vaxo_Value.tmp | C:\\TOOLS\\Vaxo_Value.tmp | "
            "$machine.dat /DAT");
  EXPECT_EQ(mem_.children()[1].second,
            "C:\\TOOLS\\ValXfer.exe STEU\\Vaxo\\$machine.dat | C:\\TOOLS\\Vaxo_Value.tmp /DAT");
}

TEST_F(TavTest, ShiftWithoutTemplateStopsTheRun) {
  TAV_C1 form;
  EXPECT_THROW(form.ShiftR1ToSteu("D:\\R1\\VAXO\\$MACHINE.DAT", "E:\\R1\\VAXO\\$MACHINE.DAT"),
               RunError);
  EXPECT_TRUE(mem_.children().empty());
}

TEST_F(TavTest, AnEmptySourceDirectoryWritesNothing) {
  mem_.AddDirectory("C:\\OLD");
  TAV_C1 form;
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
  TAV_C1 form;
  form.file_box().SetPath("C:\\OLD");
  form.file_box().SetPattern("$*.dat");
  form.RunPass(TAV_C1::PassKind::kSteu, "C:\\OLD", "C:\\NEW");
  EXPECT_EQ(ExitCode, 1);
  EXPECT_EQ(mem_.FileContent("C:\\NEW\\$a.dat"), "   \r\n");
  const std::string tail = "    <-- Upgrade error\r\n!!! error --> (file not writed) !!!\r\n";
  ASSERT_GE(log_.size(), tail.size());
  EXPECT_EQ(log_.substr(log_.size() - tail.size()), tail);
}

TEST_F(TavTest, FileSystemErrorEndsTheRunWithThreeAndNamesIt) {
  mem_.set_command_line_tail("C:\\OLD|C:\\NEW");
  mem_.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
  mem_.AddFile("C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat", "$A=1\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=0\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\machine.upg", "$A=\r\n");
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$machine.dat", "$A=0\r\n");
  faults_.set_hook([](const std::string& op, const std::string& path) {
    if (op == "replace") return Status::IOError(op, path, "No space left on device");
    return Status::OK();
  });
  LogBuch().SetSink(nullptr);
  TAV_C1 form;
  try {
    form.StartUpgrade();
    FAIL() << "StartUpgrade returned";
  } catch (const ProcessExit& e) {
    EXPECT_EQ(e.code, 3);
  }
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

}  // namespace
}  // namespace vaxo
