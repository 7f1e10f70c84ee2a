#include "upgrade/line_search.h"

#include <gtest/gtest.h>

#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

const char kNotFoundAlt[] = "!!! String not found (VAXO_alt) !!!\r\n";
const char kDoubleAlt[] = "!!! String is double exist (VAXO_alt) !!!\r\n";

class LineSearchTest : public VaxoTest {
 protected:
  /// Searches `lines` with the old-list setting from `position`.
  int32_t Find(const LineList& lines, const std::string& key, bool check = false) {
    return LineSearch(lines, position_, kFindStringAltMessages).Find(key, check);
  }
  int32_t position_ = 1;
};

TEST(SearchFormTest, RemovesSpacesAndRaisesAsciiLettersOnly) {
  EXPECT_EQ(SearchForm("  $abc [ 2 ] = x ;y "), "$ABC[2]=X;Y");
  EXPECT_EQ(SearchForm("a\tb"), "A\tB");  // a tab is not a space
  EXPECT_EQ(SearchForm("\xe4z\xc4"), "\xe4Z\xc4");
  EXPECT_EQ(SearchForm("   "), "");
  std::string buffer = "KEPT";  // appended to, never cleared
  AppendSearchForm(" a b ", &buffer);
  EXPECT_EQ(buffer, "KEPTAB");
}

TEST_F(LineSearchTest, MatchesAnywhereIgnoringSpacesAndCase) {
  EXPECT_EQ(Find({"x", "  $abc= 7 "}, "$ABC ="), 2);
  position_ = 1;
  EXPECT_EQ(Find({"$B=1 ;was $A=2"}, "$A="), 1);  // key inside a trailing comment
  EXPECT_EQ(Find({"$DATA=1"}, "A="), 1);          // key at the end of a longer name
  EXPECT_EQ(Find({"$ AB =1"}, "$A B="), 1);       // spaces on both sides do not count
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(LineSearchTest, LongerNameDoesNotHoldKeyWithEquals) {
  EXPECT_EQ(Find({"$AB=1"}, "$A="), 0);
  EXPECT_EQ(TakeLog(), kNotFoundAlt);
}

TEST_F(LineSearchTest, TabsAndOtherBytesCountAsCharacters) {
  EXPECT_EQ(Find({"$A\t=1"}, "$A="), 0);
  EXPECT_EQ(Find({"\t$a=1"}, "$A="), 1);
  // Only a to z are raised: a Latin-1 lower-case letter does not match its capital.
  EXPECT_EQ(Find({"$\xe4=1"}, "$\xc4="), 0);
  EXPECT_EQ(TakeLog(), std::string(kNotFoundAlt) + kNotFoundAlt);
}

TEST_F(LineSearchTest, CommentHitsNeverCount) {
  EXPECT_EQ(Find({";$A=1", "$A=2"}, "$A="), 2);
  EXPECT_EQ(position_, 2);
  EXPECT_EQ(TakeLog(), "");
  position_ = 1;
  EXPECT_EQ(Find({";$A=1"}, "$A="), 0);
  EXPECT_EQ(Find({"   ;  $A=1"}, "$A="), 0);  // spaces before ";" do not matter
  EXPECT_EQ(TakeLog(), std::string(kNotFoundAlt) + kNotFoundAlt);
  // A tab before ";" does: that line is no comment.
  EXPECT_EQ(Find({"\t;$A=1"}, "$A="), 1);
}

TEST_F(LineSearchTest, StartsAtItsPositionAndWrapsAround) {
  const LineList lines = {"$A=1", "$B=2", "$A=3"};
  position_ = 2;
  EXPECT_EQ(Find(lines, "$A="), 3);
  EXPECT_EQ(position_, 3);
  EXPECT_EQ(Find(lines, "$B="), 2);  // wraps past the end: 3, 1, 2
  EXPECT_EQ(position_, 2);
  EXPECT_EQ(Find(lines, "$A="), 3);
  position_ = 3;
  EXPECT_EQ(Find({"$A=1", "$B=2", "$C=3"}, "$A="), 1);
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(LineSearchTest, NotFoundLeavesThePositionAndExaminesEveryLineOnce) {
  position_ = 2;
  EXPECT_EQ(Find({"$A=1", "$B=2", "$C=3"}, "$X="), 0);
  EXPECT_EQ(position_, 2);
  EXPECT_EQ(TakeLog(), kNotFoundAlt);
}

TEST_F(LineSearchTest, EmptyListReportsNotFound) {
  EXPECT_EQ(Find({}, "$A="), 0);
  EXPECT_EQ(position_, 1);
  EXPECT_EQ(Find({}, "$A=", true), 0);
  EXPECT_EQ(TakeLog(), std::string(kNotFoundAlt) + kNotFoundAlt);
}

TEST_F(LineSearchTest, PositionOutsideTheListStartsAtTheFirstLine) {
  position_ = 7;
  EXPECT_EQ(Find({"$A=1", "$A=2"}, "$A="), 1);
  position_ = 0;
  EXPECT_EQ(Find({"$A=1", "$A=2"}, "$A="), 1);
  position_ = -3;
  EXPECT_EQ(Find({"$B=1", "$A=2"}, "$A="), 2);
}

TEST_F(LineSearchTest, WithoutCheckModeTheFirstHitWins) {
  EXPECT_EQ(Find({"$A=1", "$A=2", ";$A=0"}, "$A="), 1);
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(LineSearchTest, CheckModeRejectsDoubleAfterThePosition) {
  position_ = 2;
  EXPECT_EQ(Find({"$A=1", "$B=2", "$A=3"}, "$A=", true), 0);
  EXPECT_EQ(position_, 3);  // keeps the line of the first hit
  EXPECT_EQ(TakeLog(), kDoubleAlt);
}

TEST_F(LineSearchTest, CheckModeRejectsDoubleBeforeThePosition) {
  position_ = 3;
  EXPECT_EQ(Find({"$A=1", "$B=2", "$A=3", "$C=4"}, "$A=", true), 0);
  EXPECT_EQ(position_, 3);
  EXPECT_EQ(TakeLog(), kDoubleAlt);
}

TEST_F(LineSearchTest, CheckModeCountsCommentsOnlyAfterTheFirstHit) {
  const LineList lines = {"$A=1", ";$A=0"};
  EXPECT_EQ(Find(lines, "$A=", true), 0);  // the comment comes after line 1
  EXPECT_EQ(TakeLog(), kDoubleAlt);
  position_ = 2;
  EXPECT_EQ(Find(lines, "$A=", true), 1);  // the comment comes first: ignored
  EXPECT_EQ(position_, 1);
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(LineSearchTest, CheckModeWithOnlyCommentHitsIsNotFound) {
  EXPECT_EQ(Find({";$A=1", "$B=1", "; $A=2"}, "$A=", true), 0);
  EXPECT_EQ(TakeLog(), kNotFoundAlt);  // no double: no line counted
}

TEST_F(LineSearchTest, CheckModeWithOneHitFindsIt) {
  position_ = 3;
  EXPECT_EQ(Find({"$B=1", "$A=1", "$C=1"}, "$A=", true), 2);
  EXPECT_EQ(position_, 2);
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(LineSearchTest, EachSettingLogsItsOwnMessages) {
  int32_t position = 1;
  const LineList twice = {"$A=1", "$A=2"};
  LineSearch(twice, position, kFindStringAltMessages).Find("$X=", false);
  LineSearch(twice, position, kFindStringNeuMessages).Find("$X=", false);
  LineSearch(twice, position, kFindLineNeuMessages).Find("$X=", false);
  LineSearch(twice, position, kFindStringAltMessages).Find("$A=", true);
  LineSearch(twice, position, kFindStringNeuMessages).Find("$A=", true);
  LineSearch(twice, position, kFindLineNeuMessages).Find("$A=", true);
  EXPECT_EQ(TakeLog(),
            "!!! String not found (VAXO_alt) !!!\r\n"
            "!!! String not found (VAXO_neu) !!!\r\n"
            "!!! Line not found (VAXO_neu) !!!\r\n"
            "!!! String is double exist (VAXO_alt) !!!\r\n"
            "!!! String is double exist (VAXO_neu) !!!\r\n"
            "!!! String is double exist (VAXO_neu) !!!\r\n");
  // The messages as handed to the logbook, blanks included.
  EXPECT_STREQ(kFindLineNeuMessages.not_found, "  Line not found (VAXO_neu)");
  EXPECT_STREQ(kFindStringNeuMessages.not_found, " String not found (VAXO_neu)");
}

}  // namespace
}  // namespace vaxo
