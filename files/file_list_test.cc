#include "files/file_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

using Names = std::vector<std::string>;

// Lists entries in the reverse of MemEnv's order, so the order of a listing
// must come from ListFiles itself.
class ReversingEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    Status s = EnvWrapper::ListDirectory(dir, entries);
    std::reverse(entries->begin(), entries->end());
    return s;
  }
};

class FileListTest : public VaxoTest {
 protected:
  void SetUp() override {
    mem_.AddFile("C:\\D\\$machine.dat", "");
    mem_.AddFile("C:\\D\\$ROBCOR.DAT", "", kAttrReadOnly);
    mem_.AddFile("C:\\D\\$machine.data", "");
    mem_.AddFile("C:\\D\\robot.servo", "", kAttrNormal);
    mem_.AddFile("C:\\D\\axis1.upg", "");
    mem_.AddFile("C:\\D\\$hidden.dat", "", kAttrHidden);
    mem_.AddFile("C:\\D\\$sys.dat", "", kAttrSystem);
    mem_.AddFile("C:\\D\\$hidsys.dat", "", kAttrSystem | kAttrHidden);
    mem_.AddDirectory("C:\\D\\$sub.dat");
    mem_.AddFile("C:\\D\\$sub.dat\\$inner.dat", "");
    VaxoTest::SetUp();
    Install(&reversing_);
  }

  ReversingEnv reversing_{&faults_};
};

TEST(WildcardMatchTest, StarAndQuestionMark) {
  EXPECT_TRUE(WildcardMatch("$*.dat", "$machine.dat"));
  EXPECT_TRUE(WildcardMatch("$*.dat", "$.dat"));
  EXPECT_FALSE(WildcardMatch("$*.dat", "$machine.data"));
  EXPECT_FALSE(WildcardMatch("$*.dat", "machine.dat"));
  EXPECT_FALSE(WildcardMatch("$*.dat", "$machine.dat.bak"));
  EXPECT_TRUE(WildcardMatch("*.servo", "robot.servo"));
  EXPECT_FALSE(WildcardMatch("*.servo", "robot.servo.old"));
  EXPECT_TRUE(WildcardMatch("a*b*c", "axxbyyc"));
  EXPECT_FALSE(WildcardMatch("a*b*c", "axxbyy"));
  EXPECT_TRUE(WildcardMatch("a*bc", "abcbc"));
  EXPECT_TRUE(WildcardMatch("*x", "xx"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_TRUE(WildcardMatch("**", "abc"));
  EXPECT_FALSE(WildcardMatch("", "a"));
  EXPECT_TRUE(WildcardMatch("", ""));
  EXPECT_TRUE(WildcardMatch("a?c", "abc"));
  EXPECT_TRUE(WildcardMatch("a?c", "a.c"));
  EXPECT_FALSE(WildcardMatch("a?c", "ac"));
  EXPECT_FALSE(WildcardMatch("a?c", "abbc"));
  EXPECT_FALSE(WildcardMatch("???", "ab"));
  EXPECT_TRUE(WildcardMatch("?*", "a"));
  EXPECT_FALSE(WildcardMatch("?*", ""));
  EXPECT_TRUE(WildcardMatch("axis?.upg", "AXIS1.UPG"));
}

TEST(WildcardMatchTest, CaseIgnoredForLettersOnly) {
  EXPECT_TRUE(WildcardMatch("$*.dat", "$MACHINE.DAT"));
  EXPECT_TRUE(WildcardMatch("$*.DAT", "$machine.dat"));
  EXPECT_TRUE(WildcardMatch("Vaxo_Value.tmp", "VAXO_VALUE.TMP"));
  EXPECT_FALSE(WildcardMatch("a@", "A`"));
  EXPECT_FALSE(WildcardMatch("[", "{"));
  EXPECT_FALSE(WildcardMatch("\xe4", "\xc4"));
  EXPECT_TRUE(WildcardMatch("\xe4*", "\xe4x"));
}

TEST(WildcardMatchTest, StarDotStarMatchesEveryName) {
  EXPECT_TRUE(WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(WildcardMatch("*.*", "a.b"));
  EXPECT_TRUE(WildcardMatch("*.*", ".x"));
  EXPECT_TRUE(WildcardMatch("*.*", "x."));
  EXPECT_FALSE(WildcardMatch("*.x", "x"));
}

// The system's file list order: the word sort with letter case ignored.
TEST(FileNameLessTest, TheSystemsWordSort) {
  EXPECT_TRUE(FileNameLess("abc", "ABD"));
  EXPECT_FALSE(FileNameLess("ABD", "abc"));
  EXPECT_TRUE(FileNameLess("a", "ab"));
  EXPECT_TRUE(FileNameLess("$A_B.DAT", "$AB.DAT"));  // symbols before letters
  EXPECT_FALSE(FileNameLess("$AB.DAT", "$A_B.DAT"));
  EXPECT_TRUE(FileNameLess("axis9.servo", "axisA.servo"));  // digits before letters
  EXPECT_TRUE(FileNameLess("a~", "a+"));                    // "+ < = >" after the other symbols
  EXPECT_TRUE(FileNameLess("a>", "a0"));
  EXPECT_TRUE(FileNameLess("$z", "a"));
  EXPECT_TRUE(FileNameLess("a b", "a_b"));
  // Hyphens and apostrophes count only when all else is equal: one further
  // right first, at one place the apostrophe first.
  EXPECT_TRUE(FileNameLess("ab", "a-b"));
  EXPECT_TRUE(FileNameLess("a-b", "ac"));
  EXPECT_TRUE(FileNameLess("ab-", "a-b"));
  EXPECT_TRUE(FileNameLess("a-b-", "a--b"));
  EXPECT_TRUE(FileNameLess("a'b", "a-b"));
  EXPECT_TRUE(FileNameLess("a-b", "a-b'"));
  EXPECT_TRUE(FileNameLess("-", "a"));
  EXPECT_TRUE(FileNameLess("z", "\xe4"));  // other bytes after printable ASCII
  // Equal but for letter case: the stored bytes decide.
  EXPECT_TRUE(FileNameLess("ABC", "abc"));
  EXPECT_FALSE(FileNameLess("abc", "ABC"));
  EXPECT_FALSE(FileNameLess("abc", "abc"));
}

TEST_F(FileListTest, PatternAndAttributeMask) {
  Status status = Status::IOError("x", "y", "z");
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat", 0, &status), (Names{"$machine.dat", "$ROBCOR.DAT"}));
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(ListFiles("c:\\d", "$*.DAT", kAttrHidden),
            (Names{"$hidden.dat", "$machine.dat", "$ROBCOR.DAT"}));
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat", kAttrSystem),
            (Names{"$machine.dat", "$ROBCOR.DAT", "$sys.dat"}));
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat", kAttrHidden | kAttrSystem),
            (Names{"$hidden.dat", "$hidsys.dat", "$machine.dat", "$ROBCOR.DAT", "$sys.dat"}));
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat", kAttrDirectory),
            (Names{"$machine.dat", "$ROBCOR.DAT", "$sub.dat"}));
  EXPECT_EQ(ListFiles("C:\\D", "*.*", 0),
            (Names{"$machine.dat", "$machine.data", "$ROBCOR.DAT", "axis1.upg", "robot.servo"}));
  EXPECT_EQ(ListFiles("C:\\D", "*.upg", kAttrReadOnly | kAttrArchive), (Names{"axis1.upg"}));
  EXPECT_EQ(ListFiles("C:\\D", "nothing*", 0), Names{});
}

TEST_F(FileListTest, SeveralPatterns) {
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat;*.servo", 0),
            (Names{"$machine.dat", "$ROBCOR.DAT", "robot.servo"}));
  EXPECT_EQ(ListFiles("C:\\D", "*.servo;$*.dat", 0),
            (Names{"$machine.dat", "$ROBCOR.DAT", "robot.servo"}));
  // A name that several patterns match is listed once.
  EXPECT_EQ(ListFiles("C:\\D", "$*.dat;*.dat;$machine.*", 0),
            (Names{"$machine.dat", "$machine.data", "$ROBCOR.DAT"}));
  EXPECT_EQ(ListFiles("C:\\D", "*.upg;", 0), (Names{"axis1.upg"}));
}

// Names as the system orders them, in whatever order they are listed.
class ReverseOrderEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  int CompareNames(const std::string& a, const std::string& b) override {
    return EnvWrapper::CompareNames(b, a);
  }
};

TEST_F(FileListTest, SortedInTheSystemsOrderWhateverTheListingOrder) {
  for (const char* name : {"b", "A_B", "aB", "\xe4", "Z", "$1"})
    mem_.AddFile(std::string("C:\\L\\") + name, "");
  EXPECT_EQ(ListFiles("C:\\L", "*", 0), (Names{"$1", "A_B", "aB", "b", "Z", "\xe4"}));
  ReverseOrderEnv reversed(&reversing_);
  Install(&reversed);
  EXPECT_EQ(ListFiles("C:\\L", "*", 0), (Names{"\xe4", "Z", "b", "aB", "A_B", "$1"}));
}

TEST_F(FileListTest, ListingFailuresGiveAnEmptyList) {
  Status status;
  EXPECT_EQ(ListFiles("C:\\MISSING", "*.*", 0, &status), Names{});
  EXPECT_FALSE(status.ok());
  EXPECT_TRUE(status.IsNotFound());
  EXPECT_EQ(ListFiles("C:\\MISSING", "*.*", 0), Names{});

  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "list" ? Status::IOError(op, path, "denied") : Status::OK();
  });
  EXPECT_EQ(ListFiles("C:\\D", "*.*", 0, &status), Names{});
  EXPECT_EQ(status.op(), "list");
  EXPECT_EQ(status.path(), "C:\\D");
}

TEST_F(FileListTest, FindFirst) {
  Status status = Status::IOError("x", "y", "z");
  EXPECT_EQ(FindFirst("C:\\D\\$*.dat", 0, &status), "$machine.dat");
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(FindFirst("C:\\D\\$*.dat", kAttrHidden), "$hidden.dat");
  EXPECT_EQ(FindFirst("C:\\D\\$sub.dat", 0), "");
  EXPECT_EQ(FindFirst("C:\\D\\$SUB.DAT", kAttrDirectory), "$sub.dat");
  EXPECT_EQ(FindFirst("C:\\D\\*.servo", 0), "robot.servo");
  EXPECT_EQ(FindFirst("C:\\D\\*.none", 0), "");
  EXPECT_EQ(FindFirst("C:\\D\\$sub.dat\\*.*", 0), "$inner.dat");
  EXPECT_EQ(FindFirst("C:\\*", kAttrDirectory), "D");
  EXPECT_EQ(FindFirst("C:\\NOWHERE\\*.*", 0, &status), "");
  EXPECT_FALSE(status.ok());
}

}  // namespace
}  // namespace vaxo
