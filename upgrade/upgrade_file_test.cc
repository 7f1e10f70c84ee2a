// The merge command against the in-memory environment: arguments, files,
// standard output and error, exit codes.
#include "upgrade/upgrade_file.h"

#include <gtest/gtest.h>

#include "base/exit_code.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

const char kOld[] = "C:\\W\\OLD.DAT";
const char kNew[] = "C:\\W\\NEW.DAT";
const char kUpg[] = "C:\\W\\NEW.UPG";
const char kOut[] = "C:\\W\\OUT.DAT";

class UpgradeFileTest : public VaxoTest {
 protected:
  void Files(const std::string& old_text, const std::string& new_text,
             const std::string& upg_text) {
    mem_.AddFile(kOld, old_text);
    mem_.AddFile(kNew, new_text);
    mem_.AddFile(kUpg, upg_text);
  }
  int Run(std::vector<std::string> args) { return RunUpgradeFile(args); }
  /// What the runs since the last call wrote to standard error (MemEnv
  /// keeps everything written).
  std::string NewErr() {
    std::string err = mem_.std_err().substr(err_seen_);
    err_seen_ = mem_.std_err().size();
    return err;
  }
  size_t err_seen_ = 0;
};

TEST_F(UpgradeFileTest, MergesToStandardOutputAndLogsToStandardError) {
  Files("$A=1\r\n$B=1\r\n", "$A=0\r\n\r\n$B=0\r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 0);
  EXPECT_EQ(mem_.std_out(), "$A=1\r\n$B=0\r\n");
  EXPECT_EQ(mem_.std_err(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(mem_.FileContent(kNew), "$A=0\r\n\r\n$B=0\r\n");  // inputs untouched
  EXPECT_EQ(mem_.events_processed(), 2);
}

TEST_F(UpgradeFileTest, ExitsWithTheRunsExitCode) {
  Files("$B=1\r\n", "$A=0\r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 2);
  mem_.AddFile(kUpg, "$A=\r\n$B=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 1);
  mem_.AddFile(kUpg, "");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 0);  // every run starts at 0
}

TEST_F(UpgradeFileTest, CheckSwitchesOnCheckMode) {
  Files("$A=1\r\n$A=2\r\n", "$A=0\r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 0);
  EXPECT_EQ(mem_.std_out(), "$A=1\r\n");
  NewErr();
  EXPECT_EQ(Run({kOld, "--check", kNew, kUpg}), 2);
  EXPECT_EQ(mem_.std_out(), "$A=1\r\n$A=0\r\n");  // after the first run's output
  EXPECT_EQ(NewErr(),
            "!!! String is double exist (VAXO_alt) !!!\r\n"
            "!!! - <$A=> not found in old file !!!\r\n");
}

TEST_F(UpgradeFileTest, OutputFileIsWrittenAsOnDiskAndNothingGoesToStandardOutput) {
  Files("$A=1\r\n", "$A=0\r\n$B=0", "$A=\r\n");
  mem_.AddFile(kOut, "old content", kAttrArchive | kAttrHidden);
  EXPECT_EQ(Run({"-o", kOut, kOld, kNew, kUpg}), 0);
  EXPECT_EQ(mem_.FileContent(kOut), "$A=1\r\n$B=0\r\n");
  EXPECT_EQ(mem_.Attributes(kOut), uint32_t(kAttrArchive | kAttrHidden));
  EXPECT_EQ(mem_.std_out(), "");
  EXPECT_EQ(mem_.std_err(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
}

TEST_F(UpgradeFileTest, ReadOnlyOutputIsRefusedAndKept) {
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  mem_.AddFile(kOut, "old content", kAttrReadOnly);
  EXPECT_EQ(Run({"-o", kOut, kOld, kNew, kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err(),
            std::string("upgrade_file: cannot write ") + kOut + ": the file is read-only\n");
  EXPECT_EQ(mem_.FileContent(kOut), "old content");
  EXPECT_EQ(mem_.Attributes(kOut), uint32_t(kAttrReadOnly));
  EXPECT_EQ(mem_.events_processed(), 0);  // refused before the merge
}

TEST_F(UpgradeFileTest, OutputMayReplaceTheNewFile) {
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg, "-o", kNew}), 0);
  EXPECT_EQ(mem_.FileContent(kNew), "$A=1\r\n");
}

TEST_F(UpgradeFileTest, MissingFileIsNamedAndGivesExitCode3) {
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, "C:\\W\\none.dat", kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err(), "upgrade_file: cannot read NEW file C:\\W\\none.dat: file not found\n");
  EXPECT_EQ(mem_.std_out(), "");
  EXPECT_EQ(mem_.events_processed(), 0);  // no merge started
}

// The inputs are read as they are: hidden, system and read-only ones too,
// and each keeps its attributes.
TEST_F(UpgradeFileTest, InputsAreReadAsTheyAreAndKeepTheirAttributes) {
  mem_.AddFile(kOld, "$A=1\r\n", kAttrArchive | kAttrReadOnly);
  mem_.AddFile(kNew, "$A=0\r\n", kAttrArchive | kAttrSystem);
  mem_.AddFile(kUpg, "$A=\r\n", kAttrArchive | kAttrHidden);
  EXPECT_EQ(Run({kOld, kNew, kUpg, "-o", kOut}), 0);
  EXPECT_EQ(mem_.FileContent(kOut), "$A=1\r\n");
  EXPECT_EQ(mem_.Attributes(kOld), uint32_t(kAttrArchive | kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes(kNew), uint32_t(kAttrArchive | kAttrSystem));
  EXPECT_EQ(mem_.Attributes(kUpg), uint32_t(kAttrArchive | kAttrHidden));
}

TEST_F(UpgradeFileTest, FirstMissingFileInArgumentOrderIsReported) {
  EXPECT_EQ(Run({kOld, kNew, kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err(),
            std::string("upgrade_file: cannot read OLD file ") + kOld + ": file not found\n");
}

TEST_F(UpgradeFileTest, EmptyMergedTextIsStillOutputWithANote) {
  Files("$A=1\r\n", "\r\n   \r\n", "$A=\r\n");
  EXPECT_EQ(Run({kOld, kNew, kUpg}), 1);
  EXPECT_EQ(mem_.std_out(), "");
  EXPECT_EQ(mem_.std_err(),
            "!!! Line not found (VAXO_neu) !!!\r\n"
            "### - <$A=> not found in new file ###\r\n"
            "upgrade_file: note: the merged text is empty, NEW holds no non-blank line\n");
  mem_.AddFile(kOut, "x\r\n");
  EXPECT_EQ(Run({"-o", kOut, kOld, kNew, kUpg}), 1);
  EXPECT_EQ(mem_.FileContent(kOut), "");
}

TEST_F(UpgradeFileTest, FailedWriteIsReportedWithExitCode3) {
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "replace" ? Status::IOError(op, path, "disk full") : Status::OK();
  });
  EXPECT_EQ(Run({"-o", kOut, kOld, kNew, kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err(),
            "    - <$A=> 1 , _(line: 1)_ , 0\r\n"
            "upgrade_file: replace C:\\W\\OUT.DAT: disk full\n");
  EXPECT_EQ(mem_.std_out(), "");
}

TEST_F(UpgradeFileTest, FailedReadIsReportedWithExitCode3) {
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "read" ? Status::IOError(op, path, "bad sector") : Status::OK();
  });
  EXPECT_EQ(Run({kOld, kNew, kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err(), "upgrade_file: read C:\\W\\OLD.DAT: bad sector\n");
  EXPECT_EQ(mem_.std_out(), "");
}

TEST_F(UpgradeFileTest, BadUsageShowsUsageAndGivesExitCode3) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {kOld, kNew},
      {kOld, kNew, kUpg, kUpg},
      {"-x", kOld, kNew, kUpg},
      {"--check=1", kOld, kNew, kUpg},
      {kOld, kNew, kUpg, "-o"},
      {"-o", kOut, "-o", kOut, kOld, kNew, kUpg},
  };
  Files("$A=1\r\n", "$A=0\r\n", "$A=\r\n");
  for (const auto& args : bad) {
    mem_.AddFile(kOut, "keep");
    EXPECT_EQ(Run(args), kUpgradeFileFailed) << ::testing::PrintToString(args);
    const std::string err = NewErr();
    EXPECT_EQ(err.rfind("upgrade_file: ", 0), 0u) << err;
    EXPECT_NE(err.find("\nusage: upgrade_file [--check] [-o FILE] OLD NEW UPG\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(mem_.std_out(), "");
    EXPECT_EQ(mem_.FileContent(kOut), "keep");
  }
  EXPECT_EQ(mem_.events_processed(), 0);
}

TEST_F(UpgradeFileTest, UsageErrorSaysWhatIsWrong) {
  EXPECT_EQ(Run({"-x"}), kUpgradeFileFailed);
  EXPECT_EQ(mem_.std_err().substr(0, mem_.std_err().find('\n')), "upgrade_file: unknown option -x");
}

TEST_F(UpgradeFileTest, HelpGoesToStandardOutput) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(mem_.std_out().rfind("usage: upgrade_file", 0), 0u);
  EXPECT_EQ(mem_.std_err(), "");
}

TEST_F(UpgradeFileTest, DoubleDashEndsTheOptions) {
  mem_.AddFile("C:\\-o", "$A=1\r\n");
  mem_.AddFile(kNew, "$A=0\r\n");
  mem_.AddFile(kUpg, "$A=\r\n");
  EXPECT_EQ(Run({"--", "C:\\-o", kNew, kUpg}), 0);
  EXPECT_EQ(mem_.std_out(), "$A=1\r\n");
  // A lone "-" is a file name too.
  NewErr();
  EXPECT_EQ(Run({"-", kNew, kUpg}), kUpgradeFileFailed);
  EXPECT_EQ(NewErr(), "upgrade_file: cannot read OLD file -: file not found\n");
}

}  // namespace
}  // namespace vaxo
