// Whole upgrades: merged text, the complete log and the exit code handed back.
#include "upgrade/vaxo_upg.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "base/exit_code.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

/// A file text as the driver reads it: every line ended by CR LF.
std::string Text(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

const char kAltNotFound[] = "!!! String not found (VAXO_alt) !!!\r\n";
const char kLineNotFound[] = "!!! Line not found (VAXO_neu) !!!\r\n";
const char kAltDouble[] = "!!! String is double exist (VAXO_alt) !!!\r\n";
const char kNeuDouble[] = "!!! String is double exist (VAXO_neu) !!!\r\n";

class UpgradeTest : public VaxoTest {
 protected:
  std::string Run(const std::string& old_text, const std::string& new_text,
                  const std::string& upg_text, bool check = false) {
    std::string merged = old_text;
    code_ = upg_.Upgrade("$MACHINE.DAT", merged, new_text, upg_text, check);
    return merged;
  }
  CLSVaxoUpg upg_;
  int32_t code_ = -1;  // what the last Run handed back
};

// --- the five cases ------------------------------------------------------------

TEST_F(UpgradeTest, CarryOverTakesTheOldLine) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"$A=0"}), Text({"$A="})), Text({"$A=1"}));
  EXPECT_EQ(TakeLog(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
  EXPECT_EQ(code_, 0);
}

TEST_F(UpgradeTest, CarryOverTakesTheOldCommentAndLosesTheNewOne) {
  EXPECT_EQ(Run(Text({"$A=1 ;old"}), Text({"$A=0 ;new"}), Text({"$A="})), Text({"$A=1 ;old"}));
  EXPECT_EQ(TakeLog(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
}

TEST_F(UpgradeTest, CarryOverWritesTheOldLineTrimmedAndLogsTheUpperCaseKey) {
  EXPECT_EQ(
      Run(Text({"$x=1", "   $abc[2] = 5 ;k  "}), Text({"$Abc[2]= 0", "$y=2"}), Text({"$abc[2] ="})),
      Text({"$abc[2] = 5 ;k", "$y=2"}));
  EXPECT_EQ(TakeLog(), "    - <$ABC[2] => 5 , _(line: 1)_ ,  0\r\n");
}

TEST_F(UpgradeTest, DefaultWritesTheUpperCaseRuleLine) {
  EXPECT_EQ(Run(Text({"$B=1"}), Text({"$A=0"}), Text({"$a=5"})), Text({"$A=5"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) +
                           "!!! - <$A=>  not found in old file and in upg-file <$A=5>, default "
                           "value insert in new file _(line: 1)_ !!!\r\n");
  EXPECT_EQ(code_, 0);
}

TEST_F(UpgradeTest, DefaultLineIsNotTrimmed) {
  EXPECT_EQ(Run("", Text({"$X=1", "$A = 0"}), Text({"$a = 5 ;std  "})),
            Text({"$X=1", "$A = 5 ;STD  "}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) +
                           "!!! - <$A =>  not found in old file and in upg-file <$A = 5 ;STD  >, "
                           "default value insert in new file _(line: 2)_ !!!\r\n");
}

TEST_F(UpgradeTest, KeepNewTrimsTheNewLineAndSetsExitCode2) {
  EXPECT_EQ(Run(Text({"$B=1"}), Text({"  $A=0  "}), Text({"$A="})), Text({"$A=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + "!!! - <$A=> not found in old file !!!\r\n");
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, RuleWithLeadingBlanksAndShortValueHasNoDefault) {
  EXPECT_EQ(Run("", Text({"$A=0"}), Text({"  $a=1"})), Text({"$A=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + "!!! - <$A=> not found in old file !!!\r\n");
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, LostVariableSetsExitCode1) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"$B=0"}), Text({"$A="})), Text({"$B=0"}));
  EXPECT_EQ(TakeLog(), std::string(kLineNotFound) + "### - <$A=> not found in new file ###\r\n");
  EXPECT_EQ(code_, 1);
}

TEST_F(UpgradeTest, AbsentVariableLogsOnlyTheSearches) {
  EXPECT_EQ(Run(Text({"$B=1"}), Text({"$B=0"}), Text({"$Q=7"})), Text({"$B=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + kLineNotFound);
  EXPECT_EQ(code_, 0);
}

TEST_F(UpgradeTest, OldLineWithoutEqualsLogsEmptyValues) {
  EXPECT_EQ(Run(Text({"$A"}), Text({"$A"}), Text({"$A"})), Text({"$A"}));
  EXPECT_EQ(TakeLog(), "    - <$A>  , _(line: 1)_ ,\r\n");
}

// --- keys as substrings and comments ----------------------------------------------

TEST_F(UpgradeTest, KeyWithoutEqualsFindsLongerNames) {
  EXPECT_EQ(Run(Text({"$AB=1"}), Text({"$AB=0"}), Text({"$A"})), Text({"$AB=1"}));
  EXPECT_EQ(TakeLog(), "    - <$A> AB=1 , _(line: 1)_ , AB=0\r\n");
  EXPECT_EQ(Run(Text({"$AB=1"}), Text({"$AB=0"}), Text({"$A="})), Text({"$AB=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + kLineNotFound);
}

TEST_F(UpgradeTest, KeyMatchesTheEndOfALongerName) {
  // "A=" stands in "$DATA=": the first such line is taken in both files.
  EXPECT_EQ(Run(Text({"$DATA=1", "A=2"}), Text({"$DATA=0", "A=9"}), Text({"A="})),
            Text({"$DATA=1", "A=9"}));
  EXPECT_EQ(TakeLog(), "    - <A=> DATA=1 , _(line: 1)_ , DATA=0\r\n");
}

TEST_F(UpgradeTest, KeyInATrailingCommentTakesThatLine) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"$B=0 ;see $A=", "$A=0"}), Text({"$A="})),
            Text({"$A=1", "$A=0"}));
  EXPECT_EQ(TakeLog(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
}

TEST_F(UpgradeTest, CommentOnlyHitsCountAsMissing) {
  EXPECT_EQ(Run(Text({";$A=1", "$B=1"}), Text({"  ; $A=0", "$B=0"}), Text({"$A="})),
            Text({"  ; $A=0", "$B=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + kLineNotFound);
}

TEST_F(UpgradeTest, RuleThatIsACommentIsLookedUpLikeAnyOther) {
  EXPECT_EQ(Run(Text({";comment", "$A=1"}), Text({";comment", "$A=0"}), Text({";comment"})),
            Text({";comment", "$A=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + kLineNotFound);
  // Where the text stands in a variable line, the rule takes it.
  EXPECT_EQ(Run(Text({"$A=1 ;comment"}), Text({"$A=0 ;comment"}), Text({";comment"})),
            Text({"$A=1 ;comment"}));
  // The logged value is cut at the key's length, here inside the comment.
  EXPECT_EQ(TakeLog(), "    - <;COMMENT> omment , _(line: 1)_ , omment\r\n");
}

// --- order of rules, positions and the table ----------------------------------------

TEST_F(UpgradeTest, RulesOutOfFileOrderWrapAround) {
  EXPECT_EQ(Run(Text({"$A=1", "$B=2", "$C=3"}), Text({"$A=0", "$B=0", "$C=0"}),
                Text({"$C=", "$A=", "$B="})),
            Text({"$A=1", "$B=2", "$C=3"}));
  EXPECT_EQ(TakeLog(),
            "    - <$C=> 3 , _(line: 3)_ , 0\r\n"
            "    - <$A=> 1 , _(line: 1)_ , 0\r\n"
            "    - <$B=> 2 , _(line: 2)_ , 0\r\n");
  EXPECT_EQ(upg_.lPosAlt, 2);
  EXPECT_EQ(upg_.lPosNeuLine, 2);
  EXPECT_EQ(upg_.lPosNeu, 2);
}

TEST_F(UpgradeTest, NewLineSearchesMoveApartAndCanPickDifferentLines) {
  // The default rule moves only the line search; the next rule's line search
  // then starts after line 1 and finds the second "$A=", while the text
  // search for the logged new value still starts at line 1.
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"$A=0", "$B=0", "$A=9"}), Text({"$A=", "$B=5", "$A="})),
            Text({"$A=1", "$B=5", "$A=1"}));
  EXPECT_EQ(TakeLog(), std::string("    - <$A=> 1 , _(line: 1)_ , 0\r\n") + kAltNotFound +
                           "!!! - <$B=>  not found in old file and in upg-file <$B=5>, default "
                           "value insert in new file _(line: 2)_ !!!\r\n"
                           "    - <$A=> 1 , _(line: 3)_ , 0\r\n");
  EXPECT_EQ(upg_.lPosNeuLine, 3);
  EXPECT_EQ(upg_.lPosNeu, 1);
}

TEST_F(UpgradeTest, TwoRulesOnOneLineTheLaterWriteStands) {
  // "$AB=" keeps the new line (C), "B=5" then writes its default over it (B).
  EXPECT_EQ(Run(Text({"$X=1"}), Text({"$AB=0"}), Text({"$AB=", "B=5"})), Text({"B=5"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + "!!! - <$AB=> not found in old file !!!\r\n" +
                           kAltNotFound +
                           "!!! - <B=>  not found in old file and in upg-file <B=5>, default "
                           "value insert in new file _(line: 1)_ !!!\r\n");
  EXPECT_EQ(Run(Text({"$X=1"}), Text({"$AB=0"}), Text({"B=5", "$AB="})), Text({"$AB=0"}));
}

TEST_F(UpgradeTest, RulesSeeTheNewListNotEarlierWrites) {
  // The first rule writes a line holding "$C=" into the table; the second
  // rule does not find it there, as the searches read the unchanged list.
  EXPECT_EQ(Run(Text({"$A=1 ;$C=", "$B=1"}), Text({"$A=0", "$B=0"}), Text({"$A=", "$C="})),
            Text({"$A=1 ;$C=", "$B=0"}));
  EXPECT_EQ(TakeLog(), std::string("    - <$A=> 1 , _(line: 1)_ , 0\r\n") + kLineNotFound +
                           "### - <$C=> not found in new file ###\r\n");
  EXPECT_EQ(code_, 1);
}

TEST_F(UpgradeTest, SecondCallStartsAfresh) {
  Run(Text({"$A=1", "$B=1", "$A=2"}), Text({"$B=0"}), Text({"$B="}), true);
  EXPECT_EQ(upg_.lPosAlt, 2);
  EXPECT_TRUE(upg_.bCheckDouble);
  TakeLog();
  std::string merged = Text({"$A=1", "$B=1", "$A=2"});
  upg_.Upgrade("other", merged, Text({"$A=0"}), Text({"$A="}));  // without the flag
  EXPECT_FALSE(upg_.bCheckDouble);
  EXPECT_EQ(merged, Text({"$A=1"}));  // from line 1 again, no double
  EXPECT_EQ(TakeLog(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
}

TEST_F(UpgradeTest, ResetsPositionsAndCheckFlagAtTheStart) {
  upg_.lPosAlt = upg_.lPosNeuLine = upg_.lPosNeu = 2;
  upg_.bCheckDouble = true;
  std::string merged = Text({"$A=1", "$A=2"});
  upg_.Upgrade("", merged, Text({"$A=0", "$A=9"}), Text({"$A="}));
  EXPECT_EQ(merged, Text({"$A=1", "$A=9"}));
  EXPECT_EQ(TakeLog(), "    - <$A=> 1 , _(line: 1)_ , 0\r\n");
}

// --- blank lines, white space and line ends --------------------------------------

TEST_F(UpgradeTest, BlankLinesVanishAndLineNumbersCountTheRest) {
  EXPECT_EQ(Run(Text({"$B=1"}), "$A=0\r\n   \r\n\t\r\n\r\n  $b = 0  \r\n", Text({"", "$B=", "  "})),
            Text({"$A=0", "\t", "$B=1"}));
  EXPECT_EQ(TakeLog(), "    - <$B=> 1 , _(line: 3)_ ,  = 0\r\n");  // cut by the key's length
}

TEST_F(UpgradeTest, NewTextWithoutRulesLosesOnlyItsBlankLines) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"x", "", "  y  "}), ""), "x\r\n  y  \r\n");
  EXPECT_EQ(TakeLog(), "");
  EXPECT_EQ(code_, 0);
}

TEST_F(UpgradeTest, TabsAreNoSpaces) {
  // "$A\t=" is not "$A=": the rule's key holds no tab, so nothing matches.
  EXPECT_EQ(Run(Text({"$A\t=1"}), Text({"$A\t=0"}), Text({"$A="})), Text({"$A\t=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) + kLineNotFound);
  // A tab inside the rule is part of the key and is written with the default.
  EXPECT_EQ(Run("", Text({"$A\t=0"}), Text({"$a\t=5\t"})), Text({"$A\t=5\t"}));
}

TEST_F(UpgradeTest, LoneCrAndLoneLfEndLines) {
  EXPECT_EQ(Run("$A=1\r$B=2\n$C=3", "$A=0\n$B=0\r$C=0\r\n", "$C=\n$A=\r\n$B="),
            Text({"$A=1", "$B=2", "$C=3"}));
  EXPECT_EQ(TakeLog(),
            "    - <$C=> 3 , _(line: 3)_ , 0\r\n"
            "    - <$A=> 1 , _(line: 1)_ , 0\r\n"
            "    - <$B=> 2 , _(line: 2)_ , 0\r\n");
}

// --- empty texts --------------------------------------------------------------------

TEST_F(UpgradeTest, EmptyOldTextGivesDefaultsKeepsAndAbsents) {
  EXPECT_EQ(Run("", Text({"$A=0", "$B=0", "$C=0"}), Text({"$A=7", "$B=", "$D="})),
            Text({"$A=7", "$B=0", "$C=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltNotFound) +
                           "!!! - <$A=>  not found in old file and in upg-file <$A=7>, default "
                           "value insert in new file _(line: 1)_ !!!\r\n" +
                           kAltNotFound + "!!! - <$B=> not found in old file !!!\r\n" +
                           kAltNotFound + kLineNotFound);
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, BlankNewTextGivesTheEmptyText) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"", "   ", ""}), Text({"$A=", "$X="})), "");
  EXPECT_EQ(TakeLog(), std::string(kLineNotFound) + "### - <$A=> not found in new file ###\r\n" +
                           kAltNotFound + kLineNotFound);
  EXPECT_EQ(code_, 1);
}

TEST_F(UpgradeTest, AllTextsEmpty) {
  EXPECT_EQ(Run("", "", ""), "");
  EXPECT_EQ(TakeLog(), "");
  EXPECT_EQ(code_, 0);
}

TEST_F(UpgradeTest, MergedTextReplacesTheOldTextAlsoWhenNothingChanged) {
  std::string text = Text({"$A=1", "", "  "});
  upg_.Upgrade("", text, Text({"$B=0"}), "");
  EXPECT_EQ(text, Text({"$B=0"}));
}

TEST_F(UpgradeTest, OneStringMayServeAsOldAndNewText) {
  std::string text = Text({"$A=1", "", "$B=2"});
  upg_.Upgrade("", text, text, Text({"$A=", "$B=9"}));
  EXPECT_EQ(text, Text({"$A=1", "$B=2"}));
}

// --- check mode ---------------------------------------------------------------------

TEST_F(UpgradeTest, CheckModeDoubleInOldTextCountsAsMissing) {
  EXPECT_EQ(Run(Text({"$A=1", "$A=2"}), Text({"$A=0"}), Text({"$A="}), true), Text({"$A=0"}));
  EXPECT_EQ(TakeLog(), std::string(kAltDouble) + "!!! - <$A=> not found in old file !!!\r\n");
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, CheckModeFindsDoublesBeforeAndAfterThePosition) {
  // "$B=" moves the positions to line 2; "$A=" then meets line 3 first and
  // line 1 after the wrap, in both texts.
  const std::string old_text = Text({"$A=1", "$B=1", "$A=2"});
  const std::string new_text = Text({"$A=0", "$B=0", "$A=0"});
  EXPECT_EQ(Run(old_text, new_text, Text({"$B=", "$A="}), true), Text({"$A=0", "$B=1", "$A=0"}));
  EXPECT_EQ(TakeLog(), std::string("    - <$B=> 1 , _(line: 2)_ , 0\r\n") + kAltDouble +
                           kNeuDouble);  // in neither file: case E
  EXPECT_EQ(code_, 0);
  // Without check mode the first hit from the position wins.
  EXPECT_EQ(Run(old_text, new_text, Text({"$B=", "$A="})), Text({"$A=0", "$B=1", "$A=2"}));
}

TEST_F(UpgradeTest, CheckModeDoubleInNewTextLosesTheOldLine) {
  EXPECT_EQ(Run(Text({"$A=1"}), Text({"$A=0", ";$A=x"}), Text({"$A="}), true),
            Text({"$A=0", ";$A=x"}));
  EXPECT_EQ(TakeLog(), std::string(kNeuDouble) + "### - <$A=> not found in new file ###\r\n");
  EXPECT_EQ(code_, 1);
}

TEST_F(UpgradeTest, CheckModeTextSearchCanMeetADoubleTheLineSearchMissed) {
  // After "$C=5" the line search starts at line 3 and meets the comment
  // before the "$A=" line; the text search starts at line 2 and meets it
  // after. The logged new value is then empty and the entry ends in ",".
  const std::string new_text = Text({";$A=x", "$A=0", "$C=0"});
  EXPECT_EQ(Run(Text({"$A=1"}), new_text, Text({"$A=", "$C=5", "$A="}), true),
            Text({";$A=x", "$A=1", "$C=5"}));
  EXPECT_EQ(TakeLog(), std::string("    - <$A=> 1 , _(line: 2)_ , 0\r\n") + kAltNotFound +
                           "!!! - <$C=>  not found in old file and in upg-file <$C=5>, default "
                           "value insert in new file _(line: 3)_ !!!\r\n" +
                           kNeuDouble + "    - <$A=> 1 , _(line: 2)_ ,\r\n");
  // Without an old line the same double empties the kept line (case C).
  EXPECT_EQ(Run("", new_text, Text({"$A=", "$C=5", "$A="}), true), ";$A=x\r\n\r\n$C=5\r\n");
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, CheckFlagIsOnlyRead) {
  bool flag = true;
  std::string merged;
  upg_.Upgrade("", merged, Text({"$A=0"}), "", flag);
  EXPECT_TRUE(flag);
  EXPECT_TRUE(upg_.bCheckDouble);
}

// --- the exit code and yielding ------------------------------------------------------------

TEST_F(UpgradeTest, ExitCodeLastAssignedWins) {
  const std::string old_text = Text({"$L=1"});
  const std::string new_text = Text({"$K=0"});
  Run(old_text, new_text, Text({"$K=", "$L="}));  // C then D
  EXPECT_EQ(code_, 1);
  Run(old_text, new_text, Text({"$L=", "$K="}));  // D then C
  EXPECT_EQ(code_, 2);
}

TEST_F(UpgradeTest, TheEngineSetsNoExitCodeTheCallerAppliesWhatItHandsBack) {
  ExitCode = 5;
  Run(Text({"$L=1"}), Text({"$K=0"}), Text({"$K="}));  // C
  EXPECT_EQ(code_, 2);
  EXPECT_EQ(ExitCode, 5);
  ApplyExitCode(code_);
  EXPECT_EQ(ExitCode, 2);
  Run(Text({"$A=1"}), Text({"$A=0", "$B=0"}), Text({"$A=", "$B=2", "$Z="}));  // A, B, E
  EXPECT_EQ(code_, 0);
  ApplyExitCode(code_);
  EXPECT_EQ(ExitCode, 2);  // never set back
}

TEST_F(UpgradeTest, YieldsOnceAtTheStartAndOnceBeforeEachRule) {
  Run(Text({"$A=1"}), Text({"$A=0"}), Text({"$A=", "", "$B=", "  ", "$C="}));
  EXPECT_EQ(mem_.events_processed(), 4);
  Run("", "", "");
  EXPECT_EQ(mem_.events_processed(), 5);
}

}  // namespace
}  // namespace vaxo
