// The built upgrade_file program on real files in a temporary directory:
// the merge examples of the engine byte for byte (standard output, standard
// error, exit code), and the command's own behaviour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>

namespace vaxo {
namespace {

namespace fs = std::filesystem;

/// Lines ended by CR LF, as the data files are written.
std::string Text(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

/// A shell word holding `text` unchanged.
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct ToolResult {
  int code = -1;
  std::string out, err;
};

class UpgradeFileE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("upgrade_file_e2e_" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  /// Runs the program with `args` (shell words) in the temporary directory.
  ToolResult RunTool(const std::string& args) {
    const std::string command =
        "cd " + Quote(dir_.string()) + " && VAXO_DRIVE_C=" + Quote(dir_.string()) + " " +
        Quote(UPGRADE_FILE_BIN) + " " + args + " >" + Quote(PathOf("stdout")) + " 2>" +
        Quote(PathOf("stderr")) + "; echo $? >" + Quote(PathOf("code"));
    EXPECT_NE(std::system(command.c_str()), -1) << command;
    ToolResult result;
    result.code = std::atoi(Read("code").c_str());
    result.out = Read("stdout");
    result.err = Read("stderr");
    return result;
  }

  /// Writes the three files and merges them, paths given absolute.
  ToolResult Merge(const std::string& old_text, const std::string& new_text,
                   const std::string& upg_text, const std::string& options = "") {
    Write("old.dat", old_text);
    Write("new.dat", new_text);
    Write("new.upg", upg_text);
    return RunTool(options + " " + Quote(PathOf("old.dat")) + " " + Quote(PathOf("new.dat")) + " " +
                   Quote(PathOf("new.upg")));
  }

  fs::path dir_;
};

const char kAltNotFound[] = "!!! String not found (VAXO_alt) !!!\r\n";
const char kLineNotFound[] = "!!! Line not found (VAXO_neu) !!!\r\n";

// --- the engine's examples ------------------------------------------------------------

TEST_F(UpgradeFileE2eTest, CarryOver) {
  const ToolResult r = Merge(Text({"$A=1"}), Text({"$A=0"}), Text({"$A="}));
  EXPECT_EQ(r.out, Text({"$A=1"}));
  EXPECT_EQ(r.err, "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, CarryOverWithComments) {
  const ToolResult r = Merge(Text({"$A=1 ;old"}), Text({"$A=0 ;new"}), Text({"$A="}));
  EXPECT_EQ(r.out, Text({"$A=1 ;old"}));
  EXPECT_EQ(r.err, "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, Default) {
  const ToolResult r = Merge(Text({"$B=1"}), Text({"$A=0"}), Text({"$a=5"}));
  EXPECT_EQ(r.out, Text({"$A=5"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) +
                       "!!! - <$A=>  not found in old file and in upg-file <$A=5>, default value "
                       "insert in new file _(line: 1)_ !!!\r\n");
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, KeepNew) {
  const ToolResult r = Merge(Text({"$B=1"}), Text({"  $A=0  "}), Text({"$A="}));
  EXPECT_EQ(r.out, Text({"$A=0"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) + "!!! - <$A=> not found in old file !!!\r\n");
  EXPECT_EQ(r.code, 2);
}

TEST_F(UpgradeFileE2eTest, Lost) {
  const ToolResult r = Merge(Text({"$A=1"}), Text({"$B=0"}), Text({"$A="}));
  EXPECT_EQ(r.out, Text({"$B=0"}));
  EXPECT_EQ(r.err, std::string(kLineNotFound) + "### - <$A=> not found in new file ###\r\n");
  EXPECT_EQ(r.code, 1);
}

TEST_F(UpgradeFileE2eTest, InNeitherFile) {
  const ToolResult r = Merge(Text({"$B=1"}), Text({"$B=0"}), Text({"$Q="}));
  EXPECT_EQ(r.out, Text({"$B=0"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) + kLineNotFound);
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, BlankLinesWithEmptyUpgFile) {
  const ToolResult r = Merge(Text({"$A=1"}), Text({"x", "", "  y  "}), "");
  EXPECT_EQ(r.out, "x\r\n  y  \r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, RuleWithoutEqualsFindsLongerName) {
  ToolResult r = Merge(Text({"$AB=1"}), Text({"$AB=0"}), Text({"$A"}));
  EXPECT_EQ(r.out, Text({"$AB=1"}));
  EXPECT_EQ(r.err, "    - <$A> AB=1 , _(line: 1)_ , AB=0\r\n");
  r = Merge(Text({"$AB=1"}), Text({"$AB=0"}), Text({"$A="}));
  EXPECT_EQ(r.out, Text({"$AB=0"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) + kLineNotFound);
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, CommentRule) {
  const ToolResult r =
      Merge(Text({";comment", "$A=1"}), Text({";comment", "$A=0"}), Text({";comment"}));
  EXPECT_EQ(r.out, Text({";comment", "$A=0"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) + kLineNotFound);
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, CheckModeDouble) {
  const ToolResult r = Merge(Text({"$A=1", "$A=2"}), Text({"$A=0"}), Text({"$A="}), "--check");
  EXPECT_EQ(r.out, Text({"$A=0"}));
  EXPECT_EQ(r.err,
            "!!! String is double exist (VAXO_alt) !!!\r\n"
            "!!! - <$A=> not found in old file !!!\r\n");
  EXPECT_EQ(r.code, 2);
  // Without --check the first line wins.
  const ToolResult plain = Merge(Text({"$A=1", "$A=2"}), Text({"$A=0"}), Text({"$A="}));
  EXPECT_EQ(plain.out, Text({"$A=1"}));
  EXPECT_EQ(plain.code, 0);
}

TEST_F(UpgradeFileE2eTest, TwoRulesOnOneLine) {
  const ToolResult r = Merge(Text({"$X=1"}), Text({"$AB=0"}), Text({"$AB=", "B=5"}));
  EXPECT_EQ(r.out, Text({"B=5"}));
  EXPECT_EQ(r.err, std::string(kAltNotFound) + "!!! - <$AB=> not found in old file !!!\r\n" +
                       kAltNotFound +
                       "!!! - <B=>  not found in old file and in upg-file <B=5>, default value "
                       "insert in new file _(line: 1)_ !!!\r\n");
  EXPECT_EQ(r.code, 2);
}

TEST_F(UpgradeFileE2eTest, BlankNewFileGivesEmptyOutput) {
  const ToolResult r = Merge(Text({"$A=1"}), Text({"", "  "}), Text({"$A="}));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            std::string(kLineNotFound) +
                "### - <$A=> not found in new file ###\r\n"
                "upgrade_file: note: the merged text is empty, NEW holds no non-blank line\n");
  EXPECT_EQ(r.code, 1);
}

TEST_F(UpgradeFileE2eTest, OldLineWithoutEquals) {
  const ToolResult r = Merge(Text({"$A"}), Text({"$A"}), Text({"$A"}));
  EXPECT_EQ(r.out, Text({"$A"}));
  EXPECT_EQ(r.err, "    - <$A>  , _(line: 1)_ ,\r\n");
  EXPECT_EQ(r.code, 0);
}

// --- the command ----------------------------------------------------------------------

TEST_F(UpgradeFileE2eTest, FilesAreReadWithTheirLineEnds) {
  // On disk only CR ends a line; the engine then also splits at the lone LF.
  const ToolResult r = Merge("$A=1\n$B=2\r$C=3", "$A=0\r$B=0\n$C=0", "$C=\r\n$B=\n$A=");
  EXPECT_EQ(r.out, Text({"$A=1", "$B=2", "$C=3"}));
  EXPECT_EQ(r.err,
            "    - <$C=> 3 , _(line: 3)_ , 0\r\n"
            "    - <$B=> 2 , _(line: 2)_ , 0\r\n"
            "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, OutputFileInsteadOfStandardOutput) {
  Write("out.dat", "previous");
  const ToolResult r =
      Merge(Text({"$A=1"}), Text({"$A=0", "", "$B=0"}), Text({"$A="}), "-o out.dat");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Read("out.dat"), Text({"$A=1", "$B=0"}));
  for (const auto& entry : fs::directory_iterator(dir_)) {  // no temporary left
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "old.dat" || name == "new.dat" || name == "new.upg" || name == "out.dat" ||
                name == "stdout" || name == "stderr" || name == "code")
        << name;
  }
}

TEST_F(UpgradeFileE2eTest, OutputOverTheNewFileInPlace) {
  const ToolResult r = Merge(Text({"$A=1"}), Text({"$A=0"}), Text({"$A="}), "-o new.dat");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Read("new.dat"), Text({"$A=1"}));
}

TEST_F(UpgradeFileE2eTest, RelativePathsAndBlanksInNames) {
  Write("old file.dat", Text({"$A=1"}));
  Write("new.dat", Text({"$A=0"}));
  Write("new.upg", Text({"$A="}));
  const ToolResult r = RunTool("'old file.dat' new.dat ./new.upg");
  EXPECT_EQ(r.out, Text({"$A=1"}));
  EXPECT_EQ(r.code, 0);
}

TEST_F(UpgradeFileE2eTest, MissingFileGivesExitCode3) {
  Write("old.dat", Text({"$A=1"}));
  Write("new.upg", Text({"$A="}));
  const ToolResult r = RunTool("old.dat missing.dat new.upg -o out.dat");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "upgrade_file: cannot read NEW file missing.dat: file not found\n");
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(dir_ / "out.dat"));
}

TEST_F(UpgradeFileE2eTest, BadUsageGivesExitCode3) {
  for (const char* args : {"", "old.dat new.dat", "--frobnicate a b c", "a b c -o"}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.code, 3) << args;
    EXPECT_NE(r.err.find("usage: upgrade_file [--check] [-o FILE] OLD NEW UPG"), std::string::npos)
        << args;
    EXPECT_EQ(r.out, "") << args;
  }
}

TEST_F(UpgradeFileE2eTest, WriteFailureGivesExitCode3) {
  const ToolResult r =
      Merge(Text({"$A=1"}), Text({"$A=0"}), Text({"$A="}), "-o no_such_dir/out.dat");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err.rfind("    - <$A=> 1 , _(line: 1)_ , 0\r\nupgrade_file: ", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace vaxo
