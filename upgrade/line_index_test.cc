#include "upgrade/line_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

class LineIndexTest : public VaxoTest {};

TEST_F(LineIndexTest, FindsAroundTheListAndMovesThePosition) {
  const LineList lines = {"$A=1", "$B=2", "  $a = 3", ";$B=0"};
  const KeyAutomaton keys({"$A=", "$B=", "$X="});  // ids 0, 1, 2
  const LineIndex index(lines, keys);
  int32_t position = 2;
  EXPECT_EQ(index.Find(0, position, kFindStringAltMessages, false), 3);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(index.Find(1, position, kFindStringAltMessages, false), 2);  // wraps: 3, 4, 1, 2
  EXPECT_EQ(position, 2);
  EXPECT_EQ(TakeLog(), "");
  EXPECT_EQ(index.Find(2, position, kFindStringAltMessages, false), 0);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(TakeLog(), "!!! String not found (VAXO_alt) !!!\r\n");
}

TEST_F(LineIndexTest, LinesWithManyKeysCountEachKeyOnce) {
  // Twelve keys in one line, each several times, and again in the last.
  const LineList lines = {"ABCDEFGHIJKL ABCDEFGHIJKL LKJIHGFEDCBA", "$X=1", "abcdefghijkl"};
  std::vector<std::string> texts;
  for (char c = 'A'; c <= 'L'; ++c) texts.emplace_back(1, c);
  const KeyAutomaton keys(std::vector<std::string_view>(texts.begin(), texts.end()));
  const LineIndex index(lines, keys, 24);  // room for exactly the pairs there are
  std::string doubles;
  for (int32_t id = 0; id < keys.key_count(); ++id) {
    ASSERT_TRUE(index.Holds(id));
    int32_t position = 1;
    EXPECT_EQ(index.Find(id, position, kFindStringAltMessages, false), 1);
    position = 2;
    EXPECT_EQ(index.Find(id, position, kFindStringAltMessages, false), 3);
    EXPECT_EQ(index.Find(id, position, kFindStringAltMessages, true), 0);
    doubles += "!!! String is double exist (VAXO_alt) !!!\r\n";
  }
  EXPECT_EQ(TakeLog(), doubles);
}

TEST_F(LineIndexTest, CheckModeCountsHitsAfterTheFirstOnly) {
  const LineList lines = {"$A=1", ";$A=0", "$B=1"};
  const KeyAutomaton keys({"$A=", "$B="});
  const LineIndex index(lines, keys);
  int32_t position = 1;
  EXPECT_EQ(index.Find(0, position, kFindStringNeuMessages, true), 0);  // comment after line 1
  EXPECT_EQ(position, 1);
  EXPECT_EQ(TakeLog(), "!!! String is double exist (VAXO_neu) !!!\r\n");
  position = 2;
  EXPECT_EQ(index.Find(0, position, kFindStringNeuMessages, true), 1);  // comment came first
  EXPECT_EQ(index.Find(1, position, kFindStringNeuMessages, true), 3);
  EXPECT_EQ(TakeLog(), "");
  // From line 3 the walk is 3, 1, 2: the comment now follows line 1.
  EXPECT_EQ(index.Find(0, position, kFindStringNeuMessages, true), 0);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(TakeLog(), "!!! String is double exist (VAXO_neu) !!!\r\n");
}

TEST_F(LineIndexTest, LeavesOutTheKeysWithMostHitsWhenFull) {
  const LineList lines = {"$A=1", "$AA=2", "$AAA=3", "$B=1"};
  const KeyAutomaton keys({"$B=", "A", "AA"});  // ids 0, 1, 2; hits 1, 3, 2
  const LineIndex full(lines, keys);
  EXPECT_TRUE(full.Holds(0) && full.Holds(1) && full.Holds(2));
  const LineIndex small(lines, keys, 3);
  EXPECT_TRUE(small.Holds(0));
  EXPECT_FALSE(small.Holds(1));
  EXPECT_TRUE(small.Holds(2));
  EXPECT_FALSE(small.Holds(-1));
  EXPECT_FALSE(small.Holds(3));
  int32_t position = 1;
  EXPECT_EQ(small.Find(2, position, kFindStringAltMessages, false), 2);
  EXPECT_EQ(small.Find(2, position, kFindStringAltMessages, true), 0);  // "$AAA=3" too
  EXPECT_EQ(TakeLog(), "!!! String is double exist (VAXO_alt) !!!\r\n");
}

TEST_F(LineIndexTest, EmptyListFindsNothing) {
  const LineList lines;
  const KeyAutomaton keys({"$A="});
  const LineIndex index(lines, keys);
  int32_t position = 1;
  EXPECT_EQ(index.Find(0, position, kFindLineNeuMessages, true), 0);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(TakeLog(), "!!! Line not found (VAXO_neu) !!!\r\n");
}

}  // namespace
}  // namespace vaxo
