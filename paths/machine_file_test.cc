#include "paths/machine_file.h"

#include <gtest/gtest.h>

#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

using MachineFileTest = VaxoTest;

// The tool gets the files of the layout the paths name; a layout without
// the prefix (the flat VAXO\R1, VAXO\STEU) gets the run's own folders.
TEST_F(MachineFileTest, TheToolsFilesFollowTheLayout) {
  Env* env = Env::Default();
  EXPECT_EQ(RobotFileForTool(env, "C:\\O\\ZEL\\R1\\VAXO\\$Machine.Dat", "X"),
            "C:\\O\\ZEL\\R1\\VAXO\\$machine.dat");
  EXPECT_EQ(RobotFileForTool(env, "C:\\O\\R1\\A.DAT", "C:\\O\\R1"), "C:\\O\\R1\\$machine.dat");
  EXPECT_EQ(ControllerFileForTool(env, "C:\\N\\ROBOTER\\ZEL\\R1\\VAXO\\$MACHINE.DAT", "X"),
            "C:\\N\\ROBOTER\\ZEL\\STEU\\Vaxo\\$machine.dat");
  EXPECT_EQ(ControllerFileForTool(env, "C:\\N\\VAXO\\R1\\$MACHINE.DAT", "C:\\N\\VAXO\\STEU"),
            "C:\\N\\VAXO\\STEU\\$machine.dat");
  // What the check reads and the log names.
  EXPECT_EQ(ControllerMachineFile("c:\\n\\vaxo\\steu\\"), "C:\\N\\VAXO\\STEU\\$MACHINE.DAT");
  EXPECT_TRUE(NamesMachineFile(env, "C:\\N\\$machine.dat"));
  EXPECT_FALSE(NamesMachineFile(env, "C:\\N\\$machine.da"));
}

}  // namespace
}  // namespace vaxo
