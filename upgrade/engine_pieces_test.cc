// The pieces of the engine one by one: text helpers, line lists, the three
// searches and the logged value of a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/vaxo_test.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace {

class EnginePiecesTest : public VaxoTest {
 protected:
  /// The lines MakeLineList finds in `text`, as copies of their own.
  std::vector<std::string> LinesOf(const std::string& text) {
    LineList lines;
    upg_.MakeLineList(text, lines);
    return std::vector<std::string>(lines.begin(), lines.end());
  }

  CLSVaxoUpg upg_;
};

TEST_F(EnginePiecesTest, DelDblLeerzCollapsesRunsAndTrimsSpacesOnly) {
  EXPECT_EQ(upg_.DelDblLeerz("  a   b  c "), "a b c");
  EXPECT_EQ(upg_.DelDblLeerz("a\t\tb"), "a\t\tb");
  EXPECT_EQ(upg_.DelDblLeerz(" \t  x \t "), "\t x \t");
  EXPECT_EQ(upg_.DelDblLeerz("    "), "");
  EXPECT_EQ(upg_.DelDblLeerz(""), "");
}

TEST_F(EnginePiecesTest, DelLeerzRemovesEverySpace) {
  EXPECT_EQ(upg_.DelLeerz(" a b  c "), "abc");
  EXPECT_EQ(upg_.DelLeerz("a\tb\r"), "a\tb\r");
  EXPECT_EQ(upg_.DelLeerz("   "), "");
}

TEST_F(EnginePiecesTest, GetVarNameKeepsTheTextUpToTheFirstEquals) {
  EXPECT_EQ(upg_.GetVarName("$ABC"), "$ABC");
  EXPECT_EQ(upg_.GetVarName("  $ABC  =  5"), "$ABC =");
  EXPECT_EQ(upg_.GetVarName("$A=B=C"), "$A=");
  EXPECT_EQ(upg_.GetVarName("  $ABC[2]  =  5  ;X"), "$ABC[2] =");
  EXPECT_EQ(upg_.GetVarName("  $A  B  "), "$A B");
  EXPECT_EQ(upg_.GetVarName("\t$A\t=1"), "\t$A\t=");
  EXPECT_EQ(upg_.GetVarName(";comment"), ";comment");
}

TEST_F(EnginePiecesTest, HasValueCountsLeadingSpacesForTheEqualsOnly) {
  EXPECT_FALSE(upg_.HasValue("$A="));
  EXPECT_FALSE(upg_.HasValue("$A=   "));
  EXPECT_FALSE(upg_.HasValue("$A"));
  EXPECT_FALSE(upg_.HasValue(""));
  EXPECT_TRUE(upg_.HasValue("$A=1"));
  EXPECT_TRUE(upg_.HasValue("$A= 1"));
  EXPECT_FALSE(upg_.HasValue("  $A=1"));  // "=" at 5, trimmed length 4
  EXPECT_FALSE(upg_.HasValue("  $A=12"));
  EXPECT_TRUE(upg_.HasValue("  $A=123"));
  EXPECT_TRUE(upg_.HasValue("$A=\t"));  // a tab is a value
  EXPECT_TRUE(upg_.HasValue("$A=B=C"));
}

TEST_F(EnginePiecesTest, MakeLineListDropsBlankLinesAndKeepsTheRestUnchanged) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(LinesOf("a\r\n\r\n   \r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\nb\rc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(LinesOf("  x  \r\n \t \r\n\t\r\n"), (Lines{"  x  ", " \t ", "\t"}));
  // Runs of breaks give blank lines only.
  EXPECT_EQ(LinesOf("a\n\n\r\r\n\nb\r\n"), (Lines{"a", "b"}));
  // The last line needs no break; breaks of both kinds interleave.
  EXPECT_EQ(LinesOf("a\r\n  "), (Lines{"a"}));
  EXPECT_EQ(LinesOf("a\rb\nc\r\nd\n\re"), (Lines{"a", "b", "c", "d", "e"}));
}

TEST_F(EnginePiecesTest, MakeLineListOfNothingGivesNoLineAndOnlyAppends) {
  const std::string empty, crlf = "\r\n", cr = "\r", spaces = "   \n  ", next = "new\r\n";
  LineList lines;
  upg_.MakeLineList(empty, lines);
  upg_.MakeLineList(crlf, lines);
  upg_.MakeLineList(cr, lines);
  upg_.MakeLineList(spaces, lines);
  EXPECT_TRUE(lines.empty());
  lines = {"old"};
  upg_.MakeLineList(next, lines);
  EXPECT_EQ(lines, (LineList{"old", "new"}));
}

TEST_F(EnginePiecesTest, MakeLineListPointsIntoTheText) {
  const std::string text = "  $A=1\r\n\r\n$B=2";
  LineList lines;
  upg_.MakeLineList(text, lines);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].data(), text.data());
  EXPECT_EQ(lines[1].data(), text.data() + 10);
  EXPECT_EQ(lines[1].size(), 4u);
}

TEST_F(EnginePiecesTest, MakeFileTextEndsEveryEntryWithCrLf) {
  EXPECT_EQ(upg_.MakeFileText({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(upg_.MakeFileText({}), "");
  EXPECT_EQ(upg_.MakeFileText({"", " x "}), "\r\n x \r\n");
}

TEST_F(EnginePiecesTest, FindStringReturnsTheLineTrimmed) {
  const LineList lines = {"x", "  $abc= 7 "};
  EXPECT_EQ(upg_.FindStringAlt("$ABC =", lines), "$abc= 7");
  EXPECT_EQ(upg_.lPosAlt, 2);
  EXPECT_EQ(upg_.FindStringNeu("$ABC =", lines), "$abc= 7");
  EXPECT_EQ(upg_.lPosNeu, 2);
  EXPECT_EQ(upg_.FindLineNeu("$ABC =", lines), 2);
  EXPECT_EQ(upg_.lPosNeuLine, 2);
  EXPECT_EQ(upg_.FindStringAlt("\t", {" \tx "}), "\tx");  // tabs are not trimmed
  EXPECT_EQ(TakeLog(), "");
}

TEST_F(EnginePiecesTest, FindMissReturnsEmptyAndLogsItsMessage) {
  EXPECT_EQ(upg_.FindStringAlt("$Q=", {"$A=1"}), "");
  EXPECT_EQ(upg_.FindStringNeu("$Q=", {"$A=1"}), "");
  EXPECT_EQ(upg_.FindLineNeu("$Q=", {"$A=1"}), 0);
  EXPECT_EQ(TakeLog(),
            "!!! String not found (VAXO_alt) !!!\r\n"
            "!!! String not found (VAXO_neu) !!!\r\n"
            "!!! Line not found (VAXO_neu) !!!\r\n");
}

TEST_F(EnginePiecesTest, TheThreeSearchesKeepTheirOwnPositions) {
  const LineList lines = {"$A=1", "$B=2", "$A=3"};
  upg_.lPosAlt = upg_.lPosNeu = upg_.lPosNeuLine = 1;
  EXPECT_EQ(upg_.FindLineNeu("$B=", lines), 2);
  EXPECT_EQ(upg_.FindStringNeu("$A=", lines), "$A=1");  // from its own line 1
  EXPECT_EQ(upg_.FindLineNeu("$A=", lines), 3);         // from line 2
  EXPECT_EQ(upg_.FindStringAlt("$A=", lines), "$A=1");
  EXPECT_EQ(upg_.lPosAlt, 1);
  EXPECT_EQ(upg_.lPosNeu, 1);
  EXPECT_EQ(upg_.lPosNeuLine, 3);
}

TEST_F(EnginePiecesTest, SearchesFollowTheCheckFlag) {
  const LineList lines = {"$A=1", "$A=2"};
  upg_.bCheckDouble = false;
  EXPECT_EQ(upg_.FindStringAlt("$A=", lines), "$A=1");
  EXPECT_EQ(TakeLog(), "");
  upg_.bCheckDouble = true;
  EXPECT_EQ(upg_.FindStringAlt("$A=", lines), "");
  EXPECT_EQ(upg_.FindStringNeu("$A=", lines), "");
  EXPECT_EQ(upg_.FindLineNeu("$A=", lines), 0);
  EXPECT_EQ(TakeLog(),
            "!!! String is double exist (VAXO_alt) !!!\r\n"
            "!!! String is double exist (VAXO_neu) !!!\r\n"
            "!!! String is double exist (VAXO_neu) !!!\r\n");
}

TEST_F(EnginePiecesTest, LineValueIsTheTextAfterTheKeyUpToAComment) {
  EXPECT_EQ(upg_.LineValue("$A=5 ;note", "$A="), "5");
  EXPECT_EQ(upg_.LineValue("$A=5", "$A="), "5");
  EXPECT_EQ(upg_.LineValue("$A = 5", "$A ="), " 5");  // no ";": nothing trimmed
  EXPECT_EQ(upg_.LineValue("$A=  5  ; c", "$A="), "5");
  EXPECT_EQ(upg_.LineValue("$A==5;x", "$A="), "5");  // "=" dropped after the cut
  EXPECT_EQ(upg_.LineValue("$A=", "$A="), "");
  EXPECT_EQ(upg_.LineValue("$AB=1", "$A"), "AB=1");  // the cut falls inside the name
  EXPECT_EQ(upg_.LineValue("$A=5", "$A ="), "5");    // spelt without the key's blank
}

TEST_F(EnginePiecesTest, LineValueWithoutEqualsIsEmpty) {
  EXPECT_EQ(upg_.LineValue("$A", "$A"), "");
  EXPECT_EQ(upg_.LineValue("$A 5 ;x", "$A"), "");
  EXPECT_EQ(upg_.LineValue("", "$A="), "");
}

// The odd lines of the value rule, as this engine decides them.
TEST_F(EnginePiecesTest, LineValueOpenCases) {
  // Shorter than key length - 1: no character at the cut, empty value.
  EXPECT_EQ(upg_.LineValue("$AB=", "$A B C ="), "");
  EXPECT_EQ(upg_.LineValue("=", "$A B C D ="), "");
  // Exactly key length - 1: the tail is empty.
  EXPECT_EQ(upg_.LineValue("$AB=1", "$A B ="), "");
  // The tail begins with ";": nothing lies before the comment.
  EXPECT_EQ(upg_.LineValue("$A;x=1", "$A="), "");
  EXPECT_EQ(upg_.LineValue("$A=;c", "$A="), "");
  EXPECT_EQ(upg_.LineValue("$A=1;", "$A="), "1");
  // An empty key (never made by Upgrade) takes the whole line as the tail.
  EXPECT_EQ(upg_.LineValue("=5", ""), "5");
}

}  // namespace
}  // namespace vaxo
