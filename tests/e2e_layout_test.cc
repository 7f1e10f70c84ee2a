// Runs on small installation pairs, one situation each: missing files, the
// .servo copy, the shift, exit codes, layouts and command-line forms.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e_harness.h"

namespace vaxo_e2e {
namespace {

const char kOldSteu[] = "old/ZEL/STEU/VAXO/";
const char kOldR1[] = "old/ZEL/R1/VAXO/";
const char kNewSteu[] = "new/ROBOTER/ZEL/STEU/VAXO/";
const char kNewR1[] = "new/ROBOTER/ZEL/R1/VAXO/";

// One data file a directory, one rule each, every rule carried over.
void SmallPair(Scratch& s) {
  s.Write(std::string(kOldSteu) + "$machine.dat", Crlf({"$A=1"}));
  s.Write(std::string(kOldR1) + "$machine.dat", Crlf({"$R=1"}));
  s.Write(std::string(kNewSteu) + "$machine.dat", Crlf({"$A=0"}));
  s.Write(std::string(kNewSteu) + "machine.upg", Crlf({"$A="}));
  s.Write(std::string(kNewR1) + "$machine.dat", Crlf({"$R=0"}));
  s.Write(std::string(kNewR1) + "machine.upg", Crlf({"$R="}));
}

std::string Args(const Scratch& s, const std::string& old_rel, const std::string& new_rel) {
  return (s.root() / old_rel).string() + "|" + (s.root() / new_rel).string();
}

// The log of one data file NAME that is carried over by its upg-file UPG
// (names as logged) in the STEU or the R1 pass; `rule` is the rule's entry.
std::string FileUpgraded(bool r1, const std::string& od, const std::string& nd,
                         const std::string& name, const std::string& upg, const std::string& rule) {
  const std::string o = od + "\\" + name, n = nd + "\\" + name, u = nd + "\\" + upg;
  return Title("Upgrade: file = " + o) + Info("old File < " + o + " > successfull readed") +
         Info("new File < " + n + " > successfull readed") +
         Info((r1 ? "Upg-file read ( " : "upg-file read ( ") + u + " )") +
         Info((r1 ? "UPG-File < " : "upg-file < ") + u + " > successfull readed") +
         Info(r1 ? "--> Start Upgrade" : "--> start Upgrade") + Info(rule) +
         Info(r1 ? "<-- Upgrade successfull ende" : "<-- Upgrade successfull end") +
         Info((r1 ? "new file be writed ( " : "new file writed ( ") + n + " )");
}

// The log of SmallPair's two files after the command reader's entries.
std::string SmallPairFiles(const std::string& os, const std::string& ns, const std::string& o1,
                           const std::string& n1) {
  return FileUpgraded(false, os, ns, "$MACHINE.DAT", "MACHINE.UPG", "- <$A=> 1 , _(line: 1)_ , 0") +
         FileUpgraded(true, o1, n1, "$MACHINE.DAT", "MACHINE.UPG", "- <$R=> 1 , _(line: 1)_ , 0");
}

// The log body of a clean run of SmallPair given as Args(s, "old", "new").
std::string SmallPairLog(const Scratch& s) {
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  return CommandEntries(O, N) +
         FoundDirs(O + "\\ZEL\\R1\\VAXO", O + "\\ZEL\\STEU\\VAXO", N + "\\ROBOTER\\ZEL\\R1\\VAXO",
                   N + "\\ROBOTER\\ZEL\\STEU\\VAXO") +
         SmallPairFiles(O + "\\ZEL\\STEU\\VAXO", N + "\\ROBOTER\\ZEL\\STEU\\VAXO",
                        O + "\\ZEL\\R1\\VAXO", N + "\\ROBOTER\\ZEL\\R1\\VAXO") +
         Title("ENDE  (ExitCode=0)");
}

TEST(E2eRun, LogGoesToDriveRootWithoutLogFolder) {
  Scratch s;
  SmallPair(s);
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  ASSERT_TRUE(s.Exists("drive_c/Upgrade_vaxo.log"));
  EXPECT_EQ(s.LogBody(), SmallPairLog(s));
  const std::string log = s.Read("drive_c/Upgrade_vaxo.log");
  EXPECT_EQ(log.compare(0, 26, "    Upgrade time point:   "), 0);
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=1"}));
  EXPECT_EQ(s.Read(std::string(kNewR1) + "$machine.dat"), Crlf({"$R=1"}));
}

// An old log that is hidden, a system file and read-only is replaced all
// the same: every log holds exactly one run.
TEST(E2eRun, HiddenSystemReadOnlyOldLogIsReplaced) {
  Scratch s;
  SmallPair(s);
  s.Write("drive_c/Upgrade_vaxo.log", "    an old run\r\n");
  const std::string log = (s.drive_c() / "Upgrade_vaxo.log").string();
  ASSERT_EQ(std::system(
                ("setfattr -n user.DOSATTRIB -v '\"0x6\"' '" + log + "' && chmod a-w '" + log + "'")
                    .c_str()),
            0);
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s.Read("drive_c/Upgrade_vaxo.log").rfind("    Upgrade time point:", 0), 0u);
  EXPECT_EQ(s.LogBody(), SmallPairLog(s));
}

TEST(E2eRun, MissingUpgFileLeavesNewFileAndExitCode) {
  Scratch s;
  SmallPair(s);
  fs::remove(s.root() / kNewSteu / "machine.upg");
  s.Write(std::string(kNewSteu) + "$machine.dat", "$A=0\r\n\r\n");
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0);
  const std::string body = s.LogBody();
  const std::string upg = s.WinUpper("new") + "\\ROBOTER\\ZEL\\STEU\\VAXO\\MACHINE.UPG";
  EXPECT_NE(
      body.find(Info("upg-file read ( " + upg + " )") + Error("error in read file " + upg) +
                Title("Upgrade: file = " + s.WinUpper("old") + "\\ZEL\\R1\\VAXO\\$MACHINE.DAT")),
      std::string::npos)
      << body;
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), "$A=0\r\n\r\n");
}

TEST(E2eRun, OldFileWithoutNewCounterpartSetsExitCodeOne) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldSteu) + "$extra.dat", Crlf({"$E=1"}));
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 1);
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  const std::string body = s.LogBody();
  EXPECT_NE(
      body.find(Title("Upgrade: file = " + O + "\\ZEL\\STEU\\VAXO\\$EXTRA.DAT") +
                Info("old File < " + O + "\\ZEL\\STEU\\VAXO\\$EXTRA.DAT > successfull readed") +
                Error("error in read file " + N + "\\ROBOTER\\ZEL\\STEU\\VAXO\\$EXTRA.DAT") +
                Title("Upgrade: file = " + O + "\\ZEL\\STEU\\VAXO\\$MACHINE.DAT")),
      std::string::npos)
      << body;
  EXPECT_FALSE(s.Exists(std::string(kNewSteu) + "$extra.dat"));
}

TEST(E2eRun, ExitCodeTwoAssignedLastStands) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldSteu) + "$extra.dat", Crlf({"$E=1"}));  // 1 in the STEU pass
  s.Write(std::string(kNewR1) + "machine.upg", Crlf({"$R=", "$NEW="}));
  s.Write(std::string(kNewR1) + "$machine.dat", Crlf({"$R=0", "$NEW=5"}));  // 2 in the R1 pass
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(s.LogBody().find(Error("- <$NEW=> not found in old file") +
                             Info("<-- Upgrade successfull ende")),
            std::string::npos);
  EXPECT_EQ(s.Read(std::string(kNewR1) + "$machine.dat"), Crlf({"$R=1", "$NEW=5"}));
}

TEST(E2eRun, ServoOnlyInOldIsCopiedAndKeptWithoutUpgFile) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldR1) + "axis7.servo", "GAIN=7\r\n\r\nX=1");
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(s.Read(std::string(kNewR1) + "AXIS7.SERVO"), "GAIN=7\r\n\r\nX=1");
  const std::string n1 = s.WinUpper("new") + "\\ROBOTER\\ZEL\\R1\\VAXO\\";
  EXPECT_NE(s.LogBody().find(Info("new File < " + n1 + "AXIS7.SERVO > successfull readed") +
                             Info("Upg-file read ( " + n1 + "AXIS7.UPG )") +
                             Error("error in read upg-file " + n1 + "AXIS7.UPG")),
            std::string::npos)
      << s.LogBody();
}

TEST(E2eRun, ShiftWithoutToolStillCopiesAndDeletesTheValueFile) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldR1) + "$machine.dat",
          Crlf({"$R=1", "$ROB_STOPPED=TRUE", "$ROB_CAL=FALSE", "$PRO_ACT=TRUE", "$PRO_MOVE=1"}));
  RunResult r = s.Run(Args(s, "old", "new"), /*with_tool=*/false);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(s.LogBody().find(Info("shift differend variable from R1 to STEU") +
                             Info("Upg-file read ( " + s.WinUpper("new") +
                                  "\\ROBOTER\\ZEL\\R1\\VAXO\\MACHINE.UPG )")),
            std::string::npos);
  EXPECT_FALSE(s.Exists("prog/Vaxo_Value.tmp"));
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=1"}));
  EXPECT_EQ(s.Read(std::string(kNewR1) + "$machine.dat"), Crlf({"$R=1"}));
}

TEST(E2eRun, ShiftCarriesTheFourVariablesIntoTheControllerFile) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldR1) + "$machine.dat",
          Crlf({"$R=1", "$ROB_STOPPED=TRUE", "$ROB_CAL = FALSE ; checked", "$PRO_ACT=TRUE",
                "$PRO_MOVE=1"}));
  s.Write(std::string(kNewSteu) + "$machine.dat", Crlf({"$A=0", "$PRO_ACT=FALSE"}));
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"),
            Crlf({"$A=1", "$PRO_ACT=TRUE", "$ROB_STOPPED=TRUE", "$ROB_CAL = FALSE ; checked",
                  "$PRO_MOVE=1"}));
  EXPECT_FALSE(s.Exists("prog/Vaxo_Value.tmp"));
}

TEST(E2eRun, NoShiftWhenNewRobotFileHoldsOneOfTheNames) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldR1) + "$machine.dat",
          Crlf({"$R=1", "$ROB_STOPPED=TRUE", "$ROB_CAL=FALSE", "$PRO_ACT=TRUE", "$PRO_MOVE=1"}));
  s.Write(std::string(kNewR1) + "$machine.dat", Crlf({"$R=0", "; $ROB_CAL moved"}));
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(s.LogBody().find("shift differend"), std::string::npos);
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=1"}));
}

// Names beginning with "." are ordinary names: "$.dat" has the upg-file
// ".upg" (the name before its first ".", "$", less its first character),
// and ".servo" is a robot data file like any other.
TEST(E2eRun, DataFilesWhoseNamesBeginWithADot) {
  Scratch s;
  SmallPair(s);
  s.Write(std::string(kOldSteu) + "$.dat", Crlf({"$D=1"}));
  s.Write(std::string(kNewSteu) + "$.dat", Crlf({"$D=0"}));
  s.Write(std::string(kNewSteu) + ".upg", Crlf({"$D="}));
  s.Write(std::string(kOldR1) + ".servo", Crlf({"S=1"}));
  s.Write(std::string(kNewR1) + ".servo", Crlf({"S=0"}));
  s.Write(std::string(kNewR1) + ".upg", Crlf({"S="}));
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  const std::string os = O + "\\ZEL\\STEU\\VAXO", ns = N + "\\ROBOTER\\ZEL\\STEU\\VAXO";
  const std::string o1 = O + "\\ZEL\\R1\\VAXO", n1 = N + "\\ROBOTER\\ZEL\\R1\\VAXO";
  EXPECT_EQ(
      s.LogBody(),
      CommandEntries(O, N) + FoundDirs(o1, os, n1, ns) +
          FileUpgraded(false, os, ns, "$.DAT", ".UPG", "- <$D=> 1 , _(line: 1)_ , 0") +
          FileUpgraded(false, os, ns, "$MACHINE.DAT", "MACHINE.UPG",
                       "- <$A=> 1 , _(line: 1)_ , 0") +
          FileUpgraded(true, o1, n1, "$MACHINE.DAT", "MACHINE.UPG", "- <$R=> 1 , _(line: 1)_ , 0") +
          FileUpgraded(true, o1, n1, ".SERVO", ".UPG", "- <S=> 1 , _(line: 1)_ , 0") +
          Title("ENDE  (ExitCode=0)"));
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$.dat"), Crlf({"$D=1"}));
  EXPECT_EQ(s.Read(std::string(kNewR1) + ".servo"), Crlf({"S=1"}));
}

struct Depth {
  const char* old_rel;
  const char* new_rel;
  const char* name;
};

void PrintTo(const Depth& d, std::ostream* os) { *os << d.old_rel << "|" << d.new_rel; }

class E2eDepth : public ::testing::TestWithParam<Depth> {};

TEST_P(E2eDepth, EveryDepthOfRootFindsTheSameFolders) {
  Scratch s;
  SmallPair(s);
  RunResult r = s.Run(Args(s, GetParam().old_rel, GetParam().new_rel));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  const std::string o = s.WinUpper(GetParam().old_rel), n = s.WinUpper(GetParam().new_rel);
  EXPECT_EQ(s.LogBody(),
            CommandEntries(o, n) +
                FoundDirs(O + "\\ZEL\\R1\\VAXO", O + "\\ZEL\\STEU\\VAXO",
                          N + "\\ROBOTER\\ZEL\\R1\\VAXO", N + "\\ROBOTER\\ZEL\\STEU\\VAXO") +
                SmallPairFiles(O + "\\ZEL\\STEU\\VAXO", N + "\\ROBOTER\\ZEL\\STEU\\VAXO",
                               O + "\\ZEL\\R1\\VAXO", N + "\\ROBOTER\\ZEL\\R1\\VAXO") +
                Title("ENDE  (ExitCode=0)"));
}

INSTANTIATE_TEST_SUITE_P(Roots, E2eDepth,
                         ::testing::Values(Depth{"old/ZEL", "new/ROBOTER", "ZelRoboter"},
                                           Depth{"old/ZEL/R1", "new/ROBOTER/ZEL", "R1Zel"},
                                           Depth{"old/ZEL/R1/VAXO", "new/ROBOTER/ZEL/R1", "VaxoR1"},
                                           Depth{"old", "new/ROBOTER/ZEL/R1/VAXO", "RootVaxo"}),
                         [](const ::testing::TestParamInfo<Depth>& i) { return i.param.name; });

TEST(E2eRun, AlternativeDestinationFolders) {
  Scratch s;
  s.Write(std::string(kOldSteu) + "$machine.dat", Crlf({"$A=1"}));
  s.Write(std::string(kOldR1) + "$machine.dat", Crlf({"$R=1"}));
  s.Write("new/VAXO/STEU/$machine.dat", Crlf({"$A=0"}));
  s.Write("new/VAXO/STEU/machine.upg", Crlf({"$A="}));
  s.Write("new/VAXO/R1/$machine.dat", Crlf({"$R=0"}));
  s.Write("new/VAXO/R1/machine.upg", Crlf({"$R="}));
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  EXPECT_EQ(s.LogBody(), CommandEntries(O, N) + Info("Sorce path R1:   " + O + "\\ZEL\\R1\\VAXO") +
                             Info("Sorce path R1 ...  $M*.DAT- and / or upg-file found") +
                             Info("Sorce path STEU: " + O + "\\ZEL\\STEU\\VAXO") +
                             Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found") +
                             Info("Destination path R1:   " + N + "\\ROBOTER\\ZEL\\R1\\VAXO") +
                             Error("Destination path R1 ...  not found $M*.DAT- or upg-file") +
                             Info("Destination path R1:   " + N + "\\VAXO\\R1") +
                             Info("Destination pathe R1 ...  $M*.DAT- and / or upg-file found") +
                             Info("Destination path STEU: " + N + "\\ROBOTER\\ZEL\\STEU\\VAXO") +
                             Error("Destination path STEU ...  not found $M*.DAT- or upg-file") +
                             Info("destination path  STEU: " + N + "\\VAXO\\STEU") +
                             Info("Destination path STEU ...  $M*.DAT- and / or upg-file found") +
                             SmallPairFiles(O + "\\ZEL\\STEU\\VAXO", N + "\\VAXO\\STEU",
                                            O + "\\ZEL\\R1\\VAXO", N + "\\VAXO\\R1") +
                             Title("ENDE  (ExitCode=0)"));
}

TEST(E2eRun, SourceRobotFolderMissingAtBothCandidates) {
  Scratch s;
  SmallPair(s);
  fs::remove_all(s.root() / "old/ZEL/R1");
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 1);
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  EXPECT_EQ(s.LogBody(), CommandEntries(O, N) + Info("Sorce path R1:   " + O + "\\ZEL\\R1\\VAXO") +
                             Error("Sorce path R1 ...  no found $M*.DAT- or upg-file") +
                             Info("Sorce path R1:   " + O + "\\ZEL\\R1\\VAXO") +
                             Error("Sorce path R1 ...  not found $M*.DAT- or upg-file") +
                             Error("ReadCommand schlug fehl -> Upgrade end") +
                             Title("ENDE  (ExitCode=1)"));
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=0"}));
}

TEST(E2eRun, QuotesBlanksAndTrailingSeparatorAroundTheHalves) {
  Scratch s;
  SmallPair(s);
  // The old half in drive form with a trailing backslash, the new one as a
  // host path with a trailing "/", kept as typed until the command reader
  // cuts the separator; both quoted, with blanks around them.
  std::string old_win = "Z:";
  for (char c : (s.root() / "old").string()) old_win += c == '/' ? '\\' : c;
  const std::string arg = "  \"" + old_win + "\\\" |  \"" + (s.root() / "new").string() + "/\"  ";
  RunResult r = s.Run(arg);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  const std::string body = s.LogBody();
  EXPECT_EQ(body.substr(0, body.find("Sorce path R1:")),
            Info("commandolineargument: \"" + O + "\\\" |  \"" + N + "\\\"") +
                Info("1. commandolineargument: " + O) + Info("2. commandolineargument: " + N) +
                "    ");
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=1"}));
}

// A relative half stays relative, as Windows keeps it: it is logged as
// typed and lies below the current directory.
TEST(E2eRun, RelativeHalvesLieBelowTheCurrentDirectory) {
  Scratch s;
  SmallPair(s);
  RunResult r = s.Run("old|./new/");  // run from the scratch folder
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s.LogBody(),
            Info("commandolineargument: OLD|.\\NEW\\") + Info("1. commandolineargument: OLD") +
                Info("2. commandolineargument: .\\NEW") +
                FoundDirs("OLD\\ZEL\\R1\\VAXO", "OLD\\ZEL\\STEU\\VAXO",
                          ".\\NEW\\ROBOTER\\ZEL\\R1\\VAXO", ".\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO") +
                SmallPairFiles("OLD\\ZEL\\STEU\\VAXO", ".\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO",
                               "OLD\\ZEL\\R1\\VAXO", ".\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
                Title("ENDE  (ExitCode=0)"));
  EXPECT_EQ(s.Read(std::string(kNewR1) + "$machine.dat"), Crlf({"$R=1"}));
}

TEST(E2eRun, NoSeparatorAndNoTerminalEndsAtOnce) {
  if (UnderWine())
    GTEST_SKIP() << "without \"|\" the Windows program shows the path-settings form and waits "
                    "for a person; tests/wine/gui_test.sh covers it";
  Scratch s;
  SmallPair(s);
  RunResult r = s.Run((s.root() / "old").string());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(s.LogBody(), Info("commandolineargument: " + s.WinUpper("old")) +
                             Error("not found Trennzeichen < | > in commandolineargument") +
                             Info("user define input pfade (Quelle, Destination)"));
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=0"}));
}

TEST(E2eRun, HiddenAndReadOnlyFilesAreMadeWritableAndUpgraded) {
  Scratch s;
  SmallPair(s);
  const std::string steu_new = (s.root() / kNewSteu / "$machine.dat").string();
  const std::string r1_old = (s.root() / kOldR1 / "$machine.dat").string();
  ASSERT_EQ(std::system(("setfattr -n user.DOSATTRIB -v '\"0x3\"' '" + steu_new + "'").c_str()), 0);
  ASSERT_EQ(std::system(("chmod a-w '" + steu_new + "' '" + r1_old + "'").c_str()), 0);
  RunResult r = s.Run(Args(s, "old", "new"));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s.Read(std::string(kNewSteu) + "$machine.dat"), Crlf({"$A=1"}));
  EXPECT_NE(std::system(("getfattr -n user.DOSATTRIB '" + steu_new + "' >/dev/null 2>&1").c_str()),
            0);
  EXPECT_TRUE((fs::status(r1_old).permissions() & fs::perms::owner_write) != fs::perms::none);
}

}  // namespace
}  // namespace vaxo_e2e
