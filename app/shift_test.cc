// The shift of the four robot variables, on the in-memory file system.
#include <gtest/gtest.h>

#include "app/progress_view.h"
#include "app/tav_c1.h"
#include "base/exit_code.h"
#include "log/log_buch.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"
#include "tests/support/vaxo_test.h"
#include "tools/valxfer/valxfer.h"

namespace vaxo {
namespace {

using TavTest = VaxoTest;

// The shift over an installation pair read by the command reader, with the
// value-transfer tool run in-process (or a stand-in for a broken one).
struct ShiftCase {
  const char* name;
  const char* new_r1;    // the new installation's R1 folder below C:\NEW
  const char* new_steu;  // and its STEU folder
  bool tool_writes;      // false: a tool that ends with 5 and writes nothing
  uint32_t template_attributes;
  const char* second_command;  // after the tool's path
  const char* log;             // what the shift logs
};

class ShiftTest : public VaxoTest, public ::testing::WithParamInterface<ShiftCase> {};

TEST_P(ShiftTest, RunsTheToolTwiceAndChecksTheControllerFile) {
  const ShiftCase& c = GetParam();
  const std::string old_r1 = "C:\\OLD\\ZEL\\R1\\VAXO\\",
                    new_steu = std::string("C:\\NEW\\") + c.new_steu;
  mem_.AddFile(old_r1 + "$machine.dat",
               "$ROB_STOPPED=1\r\n$ROB_CAL=TRUE\r\n$PRO_ACT=2\r\n$PRO_MOVE=3\r\n");
  mem_.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
  mem_.AddFile(std::string("C:\\NEW\\") + c.new_r1 + "\\$machine.dat", "$R=0\r\n");
  mem_.AddFile(new_steu + "\\$machine.dat", "$A=1\r\n");
  mem_.AddFile(new_steu + "\\machine.upg", "$A=\r\n");
  mem_.AddFile("C:\\TOOLS\\Vaxo_Value.dat", "$ROB_STOPPED\r\n$ROB_CAL\r\n$PRO_ACT\r\n$PRO_MOVE\r\n",
               c.template_attributes);
  mem_.AddFile("C:\\TOOLS\\Vaxo_Value.tmp", "stale\r\n", kAttrReadOnly | kAttrHidden);
  mem_.AddFile("C:\\STEU\\Vaxo\\$machine.dat", "decoy\r\n");  // where a relative name would lead
  bool value_file_writable = true;
  mem_.set_child_hook([&](const std::string& application, const std::string& cmdline) {
    value_file_writable =
        value_file_writable && mem_.Attributes("C:\\TOOLS\\Vaxo_Value.tmp") == kAttrArchive;
    if (!c.tool_writes) return 5;
    return RunValXfer(cmdline.substr(application.size())).exit_code;
  });
  TAV_C1 form(&faults_);
  ASSERT_TRUE(form.read_command().ReadCommand("C:\\OLD|C:\\NEW"));
  log_.clear();
  form.ShiftR1ToSteu(old_r1 + "$MACHINE.DAT",
                     std::string("C:\\NEW\\") + c.new_r1 + "\\$MACHINE.DAT");

  ASSERT_EQ(mem_.children().size(), 2u);
  EXPECT_EQ(mem_.children()[0].second,
            "C:\\TOOLS\\ValXfer.exe C:\\TOOLS\\Vaxo_Value.tmp | C:\\TOOLS\\Vaxo_Value.tmp | "
            "C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat /DAT");
  EXPECT_EQ(mem_.children()[1].second, std::string("C:\\TOOLS\\ValXfer.exe ") + c.second_command);
  EXPECT_TRUE(value_file_writable);
  EXPECT_FALSE(mem_.FileExists("C:\\TOOLS\\Vaxo_Value.tmp"));
  EXPECT_EQ(log_, c.log);
  EXPECT_EQ(ExitCode, std::string(c.log).empty() ? 0 : 1);
  EXPECT_EQ(mem_.FileContent("C:\\STEU\\Vaxo\\$machine.dat"), "decoy\r\n");
  if (c.tool_writes) {
    EXPECT_EQ(mem_.FileContent(new_steu + "\\$machine.dat"),
              "$A=1\r\n$ROB_STOPPED=1\r\n$ROB_CAL=TRUE\r\n$PRO_ACT=2\r\n$PRO_MOVE=3\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ShiftTest,
    ::testing::Values(
        ShiftCase{
            "Standard", "ROBOTER\\ZEL\\R1\\VAXO", "ROBOTER\\ZEL\\STEU\\VAXO", true, kAttrArchive,
            "C:\\NEW\\ROBOTER\\ZEL\\STEU\\Vaxo\\$machine.dat | C:\\TOOLS\\Vaxo_Value.tmp /DAT", ""},
        ShiftCase{"Flat", "VAXO\\R1", "VAXO\\STEU", true, kAttrArchive,
                  "C:\\NEW\\VAXO\\STEU\\$machine.dat | C:\\TOOLS\\Vaxo_Value.tmp /DAT", ""},
        ShiftCase{
            "ReadOnlyTemplate", "ROBOTER\\ZEL\\R1\\VAXO", "ROBOTER\\ZEL\\STEU\\VAXO", true,
            kAttrReadOnly,
            "C:\\NEW\\ROBOTER\\ZEL\\STEU\\Vaxo\\$machine.dat | C:\\TOOLS\\Vaxo_Value.tmp /DAT", ""},
        ShiftCase{"ToolWritesNothing", "VAXO\\R1", "VAXO\\STEU", false, kAttrArchive,
                  "C:\\NEW\\VAXO\\STEU\\$machine.dat | C:\\TOOLS\\Vaxo_Value.tmp /DAT",
                  "!!! shift R1 to STEU failed: $ROB_STOPPED $ROB_CAL $PRO_ACT $PRO_MOVE not in "
                  "C:\\NEW\\VAXO\\STEU\\$MACHINE.DAT !!!\r\n"}),
    [](const ::testing::TestParamInfo<ShiftCase>& i) { return i.param.name; });

TEST_F(TavTest, ShiftStopsWhenAnotherRunHoldsTheValueFile) {
  mem_.AddFile("C:\\TOOLS\\Vaxo_Value.dat", "$ROB_CAL\r\n");
  std::unique_ptr<EnvLock> other;
  ASSERT_TRUE(mem_.Lock("C:\\TOOLS\\Vaxo_Value.tmp", 0, &other).ok());
  TAV_C1 form(&faults_);
  try {
    form.ShiftR1ToSteu("D:\\R1\\VAXO\\$MACHINE.DAT", "E:\\R1\\VAXO\\$MACHINE.DAT");
    FAIL() << "no stop";
  } catch (const RunError& e) {
    EXPECT_TRUE(e.status().IsBusy()) << e.what();
  }
  EXPECT_TRUE(mem_.children().empty());
  EXPECT_FALSE(mem_.FileExists("C:\\TOOLS\\Vaxo_Value.tmp"));
}

TEST_F(TavTest, ShiftWithoutTemplateStopsTheRun) {
  TAV_C1 form(&faults_);
  EXPECT_THROW(form.ShiftR1ToSteu("D:\\R1\\VAXO\\$MACHINE.DAT", "E:\\R1\\VAXO\\$MACHINE.DAT"),
               RunError);
  EXPECT_TRUE(mem_.children().empty());
}

}  // namespace
}  // namespace vaxo
