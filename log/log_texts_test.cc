#include "log/log_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace vaxo {
namespace log_text {
namespace {

// As the log holds a message: the logbook trims its ends.
std::string Logged(const std::string& message) { return TrimSpaces(message); }

// Every layout with one field: the message as the log holds it, and the
// field read back from it.
TEST(LogTextsTest, FramedTextsGiveTheirFieldBack) {
  struct Row {
    const Framed& layout;
    std::string field, logged;
  };
  const Row rows[] = {
      {kTimePoint, "08.12.2026 14:41:34", "Upgrade time point:     < 08.12.2026 14:41:34 >"},
      {kRunStopped, "replace C:\\N\\$A.DAT: disk full",
       "Run stopped: replace C:\\N\\$A.DAT: disk full"},
      {kSorcePathR1, "C:\\OLD\\ZEL\\R1\\VAXO", "Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO"},
      {kSorcePathR1, "", "Sorce path R1:"},
      {kSorcePathSteu, "C:\\O\\ZEL\\STEU\\VAXO", "Sorce path STEU: C:\\O\\ZEL\\STEU\\VAXO"},
      {kDestinationPathR1, "D:\\N", "Destination path R1:   D:\\N"},
      {kDestinationPathSteu, "D:\\N", "Destination path STEU: D:\\N"},
      {kDestinationPathSteuAlt, "D:\\N\\VAXO\\STEU", "destination path  STEU: D:\\N\\VAXO\\STEU"},
      {kFileTitle, "C:\\O\\$MACHINE.DAT", "Upgrade: file = C:\\O\\$MACHINE.DAT"},
      {kOldRead, "C:\\O\\$A.DAT", "old File < C:\\O\\$A.DAT > successfull readed"},
      {kNewRead, "C:\\N\\$A.DAT", "new File < C:\\N\\$A.DAT > successfull readed"},
      {kKeptNew, "$A=", "- <$A=> not found in old file"},
      {kLost, "$A=", "- <$A=> not found in new file"},
      {kShiftFailed, "$ROB_CAL not in C:\\N\\$machine.dat",
       "shift R1 to STEU failed: $ROB_CAL not in C:\\N\\$machine.dat"},
      {kSteuPass.old_not_read, "C:\\O\\$A.DAT", "error read file C:\\O\\$A.DAT"},
      {kSteuPass.new_not_read, "C:\\N\\$A.DAT", "error in read file C:\\N\\$A.DAT"},
      {kSteuPass.upg_to_read, "C:\\N\\A.upg", "upg-file read ( C:\\N\\A.upg )"},
      {kSteuPass.upg_not_read, "C:\\N\\A.upg", "error in read file C:\\N\\A.upg"},
      {kSteuPass.upg_read, "C:\\N\\A.upg", "upg-file < C:\\N\\A.upg > successfull readed"},
      {kSteuPass.written, "C:\\N\\$A.DAT", "new file writed ( C:\\N\\$A.DAT )"},
      {kR1Pass.old_not_read, "C:\\O\\$A.DAT", "error in read old file C:\\O\\$A.DAT"},
      {kR1Pass.new_not_read, "C:\\N\\$A.DAT", "error read new file C:\\N\\$A.DAT"},
      {kR1Pass.upg_to_read, "C:\\N\\A.upg", "Upg-file read ( C:\\N\\A.upg )"},
      {kR1Pass.upg_not_read, "C:\\N\\A.upg", "error in read upg-file C:\\N\\A.upg"},
      {kR1Pass.upg_read, "C:\\N\\A.upg", "UPG-File < C:\\N\\A.upg > successfull readed"},
      {kR1Pass.written, "C:\\N\\A.servo", "new file be writed ( C:\\N\\A.servo )"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Logged(row.layout.Format(row.field)), row.logged);
    std::string_view field = "unset";
    EXPECT_TRUE(row.layout.Parse(row.logged, &field)) << row.logged;
    EXPECT_EQ(field, row.field) << row.logged;
  }
  // The pass entries are told apart by their texts alone.
  std::string_view field;
  EXPECT_FALSE(kR1Pass.old_not_read.Parse("error read file C:\\O\\$A.DAT", &field));
  EXPECT_FALSE(kOldRead.Parse("new File < C:\\N\\$A.DAT > successfull readed", &field));
  EXPECT_FALSE(kSteuPass.upg_read.Parse("UPG-File < C:\\N\\A.upg > successfull readed", &field));
}

TEST(LogTextsTest, FixedTextsAreReadAsTheLogHoldsThem) {
  const std::pair<const Fixed*, const char*> rows[] = {
      {&kCommandFailed, "ReadCommand schlug fehl -> Upgrade end"},
      {&kUpgradeEnd, "Upgrade end"},
      {&kFormAsked, "user define input pfade (Quelle, Destination)"},
      {&kShiftStart, "shift differend variable from R1 to STEU"},
      {&kUpgradeError, "<-- Upgrade error"},
      {&kNotWritten, "error --> (file not writed)"},
      {&kSteuPass.start, "--> start Upgrade"},
      {&kSteuPass.success, "<-- Upgrade successfull end"},
      {&kR1Pass.start, "--> Start Upgrade"},
      {&kR1Pass.success, "<-- Upgrade successfull ende"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Logged(row.first->Format()), row.second);
    EXPECT_TRUE(row.first->Parse(row.second)) << row.second;
  }
  EXPECT_FALSE(kR1Pass.start.Parse("--> start Upgrade"));
  EXPECT_FALSE(kUpgradeEnd.Parse("ReadCommand schlug fehl -> Upgrade end"));
}

TEST(LogTextsTest, ClosingAndShiftGiveTheirFieldsBack) {
  for (int code : {0, 1, 2, 3, 255}) {
    int read = -1;
    EXPECT_TRUE(ParseClosing(Logged(FormatClosing(code)), &read));
    EXPECT_EQ(read, code);
  }
  EXPECT_EQ(FormatClosing(2), "ENDE  (ExitCode=2)");
  int read = -1;
  EXPECT_FALSE(ParseClosing("ENDE  (ExitCode=x)", &read));
  EXPECT_FALSE(ParseClosing("ENDE  (ExitCode=)", &read));

  const std::string failed = FormatShiftFailed("$ROB_CAL $PRO_ACT", "C:\\N\\$machine.dat");
  std::string_view field, names, path;
  ASSERT_TRUE(kShiftFailed.Parse(failed, &field));
  SplitShiftFailed(field, &names, &path);
  EXPECT_EQ(names, "$ROB_CAL $PRO_ACT");
  EXPECT_EQ(path, "C:\\N\\$machine.dat");
  SplitShiftFailed("$ROB_CAL", &names, &path);  // a cut-off entry names no file
  EXPECT_EQ(names, "$ROB_CAL");
  EXPECT_EQ(path, "");
}

// The engine's two entries with fields: every field comes back, an empty
// new value included (the logbook trims the blank before it).
TEST(LogTextsTest, RuleEntriesGiveTheirFieldsBack) {
  struct Carried {
    std::string key, old_value, new_value;
    int64_t line;
    std::string logged;
  };
  const Carried carried[] = {
      {"$A=", "1", "0", 1, "- <$A=> 1 , _(line: 1)_ , 0"},
      {"$A", "AB=1", "AB=0", 12, "- <$A> AB=1 , _(line: 12)_ , AB=0"},
      {"$A", "", "", 1, "- <$A>  , _(line: 1)_ ,"},
      {"$ABC[2] =", "5", "{X 1, Y 2}", 7, "- <$ABC[2] => 5 , _(line: 7)_ , {X 1, Y 2}"},
  };
  for (const Carried& c : carried) {
    EXPECT_EQ(Logged(FormatCarried(c.key, c.old_value, c.line, c.new_value)), c.logged);
    RuleEntry r;
    ASSERT_TRUE(ParseCarried(c.logged, &r)) << c.logged;
    EXPECT_EQ(r.key, c.key);
    EXPECT_EQ(r.old_value, c.old_value);
    EXPECT_EQ(r.new_value, c.new_value);
    EXPECT_EQ(r.line, c.line);
  }
  const std::string def = FormatDefault("$A =", "$A = 5 ;STD", 2);
  EXPECT_EQ(def,
            "- <$A =>  not found in old file and in upg-file <$A = 5 ;STD>, default value insert "
            "in new file _(line: 2)_");
  RuleEntry r;
  ASSERT_TRUE(ParseDefault(def, &r));
  EXPECT_EQ(r.key, "$A =");
  EXPECT_EQ(r.rule, "$A = 5 ;STD");
  EXPECT_EQ(r.line, 2);
  EXPECT_FALSE(ParseCarried(def, &r));
  EXPECT_FALSE(ParseDefault("- <$A=> 1 , _(line: 1)_ , 0", &r));
  EXPECT_FALSE(ParseCarried("- <$A=> 1 , _(line: x)_ , 0", &r));
}

}  // namespace
}  // namespace log_text
}  // namespace vaxo
