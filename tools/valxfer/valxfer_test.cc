// The value transfer's two calls on the in-memory file system.
#include "tools/valxfer/valxfer.h"

#include <gtest/gtest.h>

#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

using ValXferTest = VaxoTest;

TEST_F(ValXferTest, CollectThenApplyCarriesTheLines) {
  mem_.AddFile("C:\\T\\V.tmp", "; names\r\n$ROB_CAL\r\n$PRO_ACT\r\n");
  mem_.AddFile("D:\\OLD DIR\\$machine.dat", "$X=1\r\n$rob_cal = TRUE ; c\r\n$PRO_ACT=FALSE\r\n");
  mem_.AddFile("E:\\NEW\\$machine.dat", "$PRO_ACT=TRUE\r\n$Y=2\r\n");

  ValXferResult r = RunValXfer("C:\\T\\V.tmp | C:\\T\\V.tmp | D:\\OLD DIR\\$machine.dat /DAT");
  EXPECT_EQ(r.exit_code, 0) << r.message;
  EXPECT_EQ(mem_.FileContent("C:\\T\\V.tmp"), "$rob_cal = TRUE ; c\r\n$PRO_ACT=FALSE\r\n");

  r = RunValXfer("E:\\NEW\\$machine.dat | C:\\T\\V.tmp /DAT");
  EXPECT_EQ(r.exit_code, 0) << r.message;
  EXPECT_EQ(mem_.FileContent("E:\\NEW\\$machine.dat"),
            "$PRO_ACT=FALSE\r\n$Y=2\r\n$rob_cal = TRUE ; c\r\n");
}

TEST_F(ValXferTest, MissingVariableIsReportedButTheOthersAreCollected) {
  mem_.AddFile("C:\\T\\V.tmp", "$A\r\n$B\r\n");
  mem_.AddFile("C:\\D.dat", "$B=2\r\n; $A=1\r\n");
  ValXferResult r = RunValXfer("C:\\T\\V.tmp | C:\\T\\V.tmp | C:\\D.dat /DAT");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.message, "ValXfer: not found in C:\\D.dat: $A");
  EXPECT_EQ(mem_.FileContent("C:\\T\\V.tmp"), "$B=2\r\n");
}

TEST_F(ValXferTest, MissingFilesAndBadCommandLinesFailWithAMessage) {
  ValXferResult r = RunValXfer("C:\\NONE.dat | C:\\V.tmp /DAT");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.message.find("C:\\NONE.dat"), std::string::npos);
  EXPECT_EQ(RunValXfer("").exit_code, 3);
  EXPECT_EQ(RunValXfer("a | b | c | d /DAT").exit_code, 3);
  EXPECT_EQ(RunValXfer(" | C:\\V.tmp /DAT").exit_code, 3);
}

TEST_F(ValXferTest, ValueKeyIgnoresBlanksCaseAndComments) {
  EXPECT_EQ(ValueKey(" $a b = 1"), "$AB");
  EXPECT_EQ(ValueKey("; $A=1"), "");
  EXPECT_EQ(ValueKey("$A"), "");
  EXPECT_EQ(ValueKey("=1"), "");
}

}  // namespace
}  // namespace vaxo
