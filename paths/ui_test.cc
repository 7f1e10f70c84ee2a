#include "paths/ui.h"

#include <gtest/gtest.h>

#include <vector>

#include "paths/paths_test_env.h"
#include "paths/ui_front_end.h"

namespace vaxo {
namespace {

class UITest : public PathsTest {
 protected:
  /// Records the directory of every listing; TestForDir asks for each
  /// prefix by listing its parent.
  void RecordListings() {
    faults_.set_hook([this](const std::string& op, const std::string& path) {
      if (op == "list") listed_.push_back(path);
      return Status::OK();
    });
  }

  UI form_;
  std::vector<std::string> listed_;
};

TEST_F(UITest, LoadedFormHoldsDefaultsAndIsCorrupted) {
  EXPECT_EQ(form_.SrcPath, "C:\\ZEL_OLDINST");
  EXPECT_EQ(form_.DestPath, "C:\\ZEL\\ROBOTER");
  EXPECT_TRUE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "");
  EXPECT_EQ(form_.DestinationPath(), "");
}

// --- TestForDir ---------------------------------------------------------

TEST_F(UITest, TestForDirQueriesEachPrefixAndStopsAtTheFirstMissing) {
  mem_.AddDirectory("C:\\A\\B");
  RecordListings();
  EXPECT_TRUE(form_.TestForDir("C:\\A\\B"));
  EXPECT_EQ(listed_, (std::vector<std::string>{"C:\\", "C:\\A"}));

  listed_.clear();
  EXPECT_FALSE(form_.TestForDir("C:\\X\\B"));
  EXPECT_EQ(listed_, (std::vector<std::string>{"C:\\"}));

  listed_.clear();
  EXPECT_FALSE(form_.TestForDir("C:\\A\\C\\D"));
  EXPECT_EQ(listed_, (std::vector<std::string>{"C:\\", "C:\\A"}));
}

TEST_F(UITest, TestForDirAcceptsEveryKindOfEntry) {
  mem_.AddFile("C:\\A\\PLAIN.TXT", "x");
  mem_.AddFile("C:\\A\\SECRET.TXT", "x", kAttrHidden | kAttrSystem | kAttrReadOnly);
  mem_.AddDirectory("C:\\A\\SUB");
  EXPECT_TRUE(form_.TestForDir("C:\\A\\PLAIN.TXT"));
  EXPECT_TRUE(form_.TestForDir("C:\\A\\SECRET.TXT"));
  EXPECT_TRUE(form_.TestForDir("c:\\a\\sub"));  // names are matched without regard to case
  EXPECT_FALSE(form_.TestForDir("C:\\A\\MISSING.TXT"));
}

TEST_F(UITest, TestForDirTrailingBackslashIsHarmless) {
  EXPECT_FALSE(form_.TestForDir("C:\\ZEL\\ROBOTER\\"));
  mem_.AddDirectory("C:\\ZEL\\ROBOTER");
  RecordListings();
  EXPECT_TRUE(form_.TestForDir("C:\\ZEL\\ROBOTER\\"));
  EXPECT_EQ(listed_, (std::vector<std::string>{"C:\\", "C:\\ZEL"}));
}

TEST_F(UITest, TestForDirPassesOverDotComponents) {
  mem_.AddDirectory("C:\\A\\B");
  EXPECT_TRUE(form_.TestForDir("C:\\A\\.\\B"));
  EXPECT_TRUE(form_.TestForDir("C:\\A\\."));
  EXPECT_FALSE(form_.TestForDir("C:\\A\\.\\X"));
  EXPECT_FALSE(form_.TestForDir("C:\\X\\."));
  // Only a component that is exactly "." is passed over.
  EXPECT_FALSE(form_.TestForDir("C:\\A\\.B"));
}

TEST_F(UITest, TestForDirEmptyTextAndDriveOnlyPassWithoutAnyQuery) {
  EXPECT_TRUE(form_.TestForDir(""));
  EXPECT_TRUE(form_.TestForDir("C:\\"));
  EXPECT_TRUE(form_.TestForDir("Q:\\"));  // not even the drive is looked at
  EXPECT_EQ(faults_.operations(), 0);
}

TEST_F(UITest, TestForDirTakesANameWithoutBackslashAsGiven) {
  // MemEnv's current directory is C:\.
  mem_.AddDirectory("C:\\OLD");
  EXPECT_TRUE(form_.TestForDir("OLD"));
  EXPECT_FALSE(form_.TestForDir("NEW"));
  EXPECT_FALSE(form_.TestForDir("OLDOLD"));
  // A drive without its backslash is a relative name, not the root.
  EXPECT_FALSE(form_.TestForDir("C:"));
  EXPECT_TRUE(form_.TestForDir("."));
  // With a backslash it is a relative path, looked up as a whole.
  mem_.AddDirectory("C:\\OLD\\SUB");
  EXPECT_TRUE(form_.TestForDir("OLD\\SUB"));
  EXPECT_FALSE(form_.TestForDir("OLD\\NOPE"));
}

TEST_F(UITest, TestForDirListingFailureCountsAsNotFound) {
  mem_.AddDirectory("C:\\A\\B");
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "list" && path == "C:\\A" ? Status::IOError(op, path, "device not ready")
                                           : Status::OK();
  });
  EXPECT_FALSE(form_.TestForDir("C:\\A\\B"));
  EXPECT_FALSE(form_.TestForDir("Z:\\A"));  // no such drive
}

// --- the small path functions -------------------------------------------

TEST_F(UITest, RemoveDriveCutsUpToTheFirstBackslash) {
  std::string p = "C:\\A\\B";
  EXPECT_EQ(form_.removeDrive(p), "C:\\");
  EXPECT_EQ(p, "A\\B");
  p = "\\A";
  EXPECT_EQ(form_.removeDrive(p), "\\");
  EXPECT_EQ(p, "A");
  p = "C:\\";
  EXPECT_EQ(form_.removeDrive(p), "C:\\");
  EXPECT_EQ(p, "");
  p = "B";
  EXPECT_EQ(form_.removeDrive(p), "B");
  EXPECT_EQ(p, "B");
  p = "";
  EXPECT_EQ(form_.removeDrive(p), "");
  EXPECT_EQ(p, "");
}

TEST_F(UITest, GetShortNameAndFindLastBackSlash) {
  EXPECT_EQ(form_.getShortName("C:\\A\\B"), "B");
  EXPECT_EQ(form_.getShortName("B"), "B");
  EXPECT_EQ(form_.getShortName("C:\\A\\"), "");
  EXPECT_EQ(form_.getShortName(""), "");
  EXPECT_EQ(form_.FindLastBackSlash("C:\\A\\B"), 5);
  EXPECT_EQ(form_.FindLastBackSlash("B"), 0);
  EXPECT_EQ(form_.FindLastBackSlash("\\"), 1);
  EXPECT_EQ(form_.FindLastBackSlash(""), 0);
}

// --- Run and Exit ---------------------------------------------------------

TEST_F(UITest, RunWithTheDefaultsPassesOnlyWhenBothExist) {
  EXPECT_EQ(form_.Run(), "Source Path not found");
  mem_.AddDirectory("C:\\ZEL_OLDINST");
  EXPECT_EQ(form_.Run(), "Destination Path not found");
  EXPECT_TRUE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "");
  mem_.AddDirectory("C:\\ZEL\\ROBOTER");
  EXPECT_EQ(form_.Run(), "");
  EXPECT_FALSE(form_.isCorrupted());
  EXPECT_EQ(form_.SourcePath(), "C:\\ZEL_OLDINST");
  EXPECT_EQ(form_.DestinationPath(), "C:\\ZEL\\ROBOTER");
}

TEST_F(UITest, RunTestsTheSourceFirstAndShowsOneMessage) {
  form_.SrcPath = "C:\\NOPE";
  form_.DestPath = "C:\\NADA";
  EXPECT_EQ(form_.Run(), "Source Path not found");
}

TEST_F(UITest, RunTakesTheTextsExactlyAsTheyStand) {
  mem_.AddDirectory("C:\\OLD");
  mem_.AddDirectory("D:\\NEW");
  form_.SrcPath = "c:\\old\\";
  form_.DestPath = "d:\\new\\.";
  EXPECT_EQ(form_.Run(), "");
  EXPECT_EQ(form_.SourcePath(), "c:\\old\\");
  EXPECT_EQ(form_.DestinationPath(), "d:\\new\\.");
}

TEST_F(UITest, AFailedRunLeavesNoTraceButIsCorrupted) {
  mem_.AddDirectory("C:\\OLD");
  mem_.AddDirectory("C:\\NEW");
  form_.SrcPath = "C:\\OLDD";
  form_.DestPath = "C:\\NEW";
  EXPECT_EQ(form_.Run(), "Source Path not found");
  form_.SrcPath = "C:\\OLD";
  EXPECT_EQ(form_.Run(), "");
  EXPECT_FALSE(form_.isCorrupted());
  // A later failing press makes the form corrupted again.
  form_.DestPath = "C:\\NEWW";
  EXPECT_EQ(form_.Run(), "Destination Path not found");
  EXPECT_TRUE(form_.isCorrupted());
}

TEST_F(UITest, LeaveEndsTheProgramWithCodeZero) {
  try {
    form_.Leave();
    FAIL() << "Leave returned";
  } catch (const ProcessExit& e) {
    EXPECT_EQ(e.code, 0);
  }
}

// --- the front end in use ---------------------------------------------------

struct NullFrontEnd : UIFrontEnd {
  void ShowModal(UI&) override {}
};

TEST(UIFrontEndTest, TheTerminalIsTheDefaultUntilAnotherIsSet) {
  EXPECT_EQ(CurrentUIFrontEnd(), ConsoleUIFrontEnd());
  NullFrontEnd stub;
  EXPECT_EQ(SetUIFrontEnd(&stub), nullptr);
  EXPECT_EQ(CurrentUIFrontEnd(), &stub);
  EXPECT_EQ(SetUIFrontEnd(nullptr), &stub);
  EXPECT_EQ(CurrentUIFrontEnd(), ConsoleUIFrontEnd());
}

}  // namespace
}  // namespace vaxo
