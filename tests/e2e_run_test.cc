// Whole runs of upgrade_vaxo on the bundled sample pair and on small pairs
// made for one situation each. Logs and files are compared byte for byte.
#include <gtest/gtest.h>

#include <map>

#include "tests/e2e_harness.h"

namespace vaxo_e2e {
namespace {

// The command reader's entries when all four first candidates are found.
std::string FoundAll(const std::string& old_root, const std::string& new_root) {
  return CommandEntries(old_root, new_root) +
         FoundDirs(old_root + "\\ZEL\\R1\\VAXO", old_root + "\\ZEL\\STEU\\VAXO",
                   new_root + "\\ROBOTER\\ZEL\\R1\\VAXO", new_root + "\\ROBOTER\\ZEL\\STEU\\VAXO");
}

// The clean run of the sample pair: its log up to the robot's
// $MACHINE.DAT written (after the shift), and the rest before the closing
// entry; O and N are the two roots as the log shows them.
struct SampleLog {
  std::string until_robot_machine, axes;
};

SampleLog SampleLogOf(const std::string& O, const std::string& N) {
  const std::string os = O + "\\ZEL\\STEU\\VAXO\\", ns = N + "\\ROBOTER\\ZEL\\STEU\\VAXO\\";
  const std::string o1 = O + "\\ZEL\\R1\\VAXO\\", n1 = N + "\\ROBOTER\\ZEL\\R1\\VAXO\\";
  SampleLog log;
  log.until_robot_machine =
      FoundAll(O, N) +
      // STEU pass
      Title("Upgrade: file = " + os + "$MACHINE.DAT") +
      Info("old File < " + os + "$MACHINE.DAT > successfull readed") +
      Info("new File < " + ns + "$MACHINE.DAT > successfull readed") +
      Info("upg-file read ( " + ns + "MACHINE.UPG )") +
      Info("upg-file < " + ns + "MACHINE.UPG > successfull readed") + Info("--> start Upgrade") +
      Info("- <$TIMER_TICK=> 12 , _(line: 3)_ , 10") +
      Info("- <$IO_MODULES=>  3 , _(line: 5)_ , 1") +
      Info("- <$CABINET_FAN=> TRUE , _(line: 6)_ , FALSE") + Error("String not found (VAXO_alt)") +
      Error(
          "- <$NET_TIMEOUT=>  not found in old file and in upg-file <$NET_TIMEOUT=750>, default "
          "value insert in new file _(line: 7)_") +
      Error("Line not found (VAXO_neu)") + Warning("- <$OLD_FEATURE=> not found in new file") +
      Error("String not found (VAXO_alt)") + Error("- <$SAFETY_LEVEL=> not found in old file") +
      Error("String not found (VAXO_alt)") + Error("Line not found (VAXO_neu)") +
      Info("<-- Upgrade successfull end") + Info("new file writed ( " + ns + "$MACHINE.DAT )") +
      Title("Upgrade: file = " + os + "$OPTION.DAT") +
      Info("old File < " + os + "$OPTION.DAT > successfull readed") +
      Info("new File < " + ns + "$OPTION.DAT > successfull readed") +
      Info("upg-file read ( " + ns + "OPTION.UPG )") +
      Info("upg-file < " + ns + "OPTION.UPG > successfull readed") + Info("--> start Upgrade") +
      Info("- <$OPT_CONVEYOR=> 1 , _(line: 2)_ , 0") +
      Info("- <$OPT_VISION=> 0 , _(line: 3)_ , 0") + Error("String not found (VAXO_alt)") +
      Error("- <$OPT_WELDING=> not found in old file") + Info("<-- Upgrade successfull end") +
      Info("new file writed ( " + ns + "$OPTION.DAT )") +
      // R1 pass
      Title("Upgrade: file = " + o1 + "$CONFIG.DAT") +
      Info("old File < " + o1 + "$CONFIG.DAT > successfull readed") +
      Info("new File < " + n1 + "$CONFIG.DAT > successfull readed") +
      Info("Upg-file read ( " + n1 + "CONFIG.UPG )") +
      Error("error in read upg-file " + n1 + "CONFIG.UPG") +
      Title("Upgrade: file = " + o1 + "$MACHINE.DAT") +
      Info("old File < " + o1 + "$MACHINE.DAT > successfull readed") +
      Info("new File < " + n1 + "$MACHINE.DAT > successfull readed") +
      Info("shift differend variable from R1 to STEU") +
      Info("Upg-file read ( " + n1 + "MACHINE.UPG )") +
      Info("UPG-File < " + n1 + "MACHINE.UPG > successfull readed") + Info("--> Start Upgrade") +
      Info("- <$PAYLOAD=> 60.0 , _(line: 5)_ , 50.0") +
      Info("- <$TOOL_OFFSET[1]=> 0.0 , _(line: 6)_ , 0.0") +
      Info("- <$TOOL_OFFSET[2]=> 125.5 , _(line: 7)_ , 0.0") +
      Error("String not found (VAXO_alt)") + Error("- <$BRAKE_TEST=> not found in old file") +
      Info("<-- Upgrade successfull ende") + Info("new file be writed ( " + n1 + "$MACHINE.DAT )");
  log.axes =
      Title("Upgrade: file = " + o1 + "AXIS1.SERVO") +
      Info("old File < " + o1 + "AXIS1.SERVO > successfull readed") +
      Info("new File < " + n1 + "AXIS1.SERVO > successfull readed") +
      Info("Upg-file read ( " + n1 + "AXIS1.UPG )") +
      Info("UPG-File < " + n1 + "AXIS1.UPG > successfull readed") + Info("--> Start Upgrade") +
      Info("- <GAIN_P=> 1200 , _(line: 2)_ , 1000") + Info("- <GAIN_I=> 35 , _(line: 3)_ , 30") +
      Info("- <FILTER=> 4 , _(line: 5)_ , 2") + Info("<-- Upgrade successfull ende") +
      Info("new file be writed ( " + n1 + "AXIS1.SERVO )") +
      Title("Upgrade: file = " + o1 + "AXIS2.SERVO") +
      Info("old File < " + o1 + "AXIS2.SERVO > successfull readed") +
      Info("new File < " + n1 + "AXIS2.SERVO > successfull readed") +
      Info("Upg-file read ( " + n1 + "AXIS2.UPG )") +
      Info("UPG-File < " + n1 + "AXIS2.UPG > successfull readed") + Info("--> Start Upgrade") +
      Info("- <GAIN_P=> 1100 , _(line: 2)_ , 1100") + Info("- <GAIN_I=> 30 , _(line: 3)_ , 30") +
      Info("- <FILTER=> 4 , _(line: 4)_ , 4") + Info("<-- Upgrade successfull ende") +
      Info("new file be writed ( " + n1 + "AXIS2.SERVO )");
  return log;
}

const char kSteu[] = "new/ROBOTER/ZEL/STEU/VAXO/";
// The system's reason for a file held open by another program (Wine's text).
const char kSharingViolation[] = "Sharing violation.";
const char kR1[] = "new/ROBOTER/ZEL/R1/VAXO/";

// The upgraded texts of the clean run, by path below the scratch folder.
std::map<std::string, std::string> SampleUpgraded(const Scratch& s) {
  const std::string steu = kSteu, r1 = kR1;
  return {
      {steu + "$machine.dat",
       Crlf({"; Machine data of the controller", "; software 5.0", "$TIMER_TICK=12",
             "$SERVO_CYCLE=4", "$IO_MODULES = 3      ; three bus modules", "$CABINET_FAN=TRUE",
             "$NET_TIMEOUT=750", "$SAFETY_LEVEL=2", "$ROB_STOPPED=FALSE", "$ROB_CAL=TRUE",
             "$PRO_ACT=FALSE", "$PRO_MOVE=FALSE"})},
      {steu + "$option.dat",
       Crlf({"; Options of the controller", "$OPT_CONVEYOR=1", "$OPT_VISION=0", "$OPT_WELDING=0"})},
      {r1 + "$machine.dat",
       Crlf({"; Machine data of robot 1", "; software 5.0", "$ROBOT_TYPE=\"RV-60/2\"",
             "$AXIS_COUNT=6", "$PAYLOAD=60.0   ; kg", "$TOOL_OFFSET[1]=0.0",
             "$TOOL_OFFSET[2]=125.5", "$BRAKE_TEST=TRUE"})},
      {r1 + "axis1.servo",
       Crlf({"; Servo data axis 1", "GAIN_P=1200", "GAIN_I=35", "GAIN_D=5", "FILTER=4"})},
      // The copy is made under the upper-case name the pass builds.
      {r1 + "AXIS2.SERVO", s.Read("old/ZEL/R1/VAXO/axis2.servo")},
  };
}

// `files` with the texts of `changed` in place of theirs.
std::map<std::string, std::string> With(std::map<std::string, std::string> files,
                                        const std::map<std::string, std::string>& changed) {
  for (const auto& [path, text] : changed) files[path] = text;
  return files;
}

TEST(E2eSample, CleanRunUpgradesEveryFileAndShiftsTheFourVariables) {
  Scratch s;
  s.Foresee();
  s.CopySample();
  s.MakeDir("drive_c/zel/roboter/log");
  const auto old_before = s.Snapshot("old"), new_before = s.Snapshot("new");
  RunResult r = s.Run(s.root().string() + "/old|" + s.root().string() + "/new");

  const std::string O = s.WinUpper("old"), N = s.WinUpper("new");
  const SampleLog log = SampleLogOf(O, N);
  EXPECT_EQ(s.LogBody(), log.until_robot_machine + log.axes + Title("ENDE  (ExitCode=2)"));
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.err, "");
  // The report beside the log says the same, rule by rule.
  const std::string kept =
      " is missing in the old file and its rule has no default, so the new "
      "file keeps its own line\n";
  EXPECT_EQ(
      s.Report(),
      "exit 2 (closing entry)\n"
      "why exit code 2: $SAFETY_LEVEL= in STEU $MACHINE.DAT" +
          kept + "why exit code 2: $OPT_WELDING= in STEU $OPTION.DAT" + kept +
          "why exit code 2: $BRAKE_TEST= in R1 $MACHINE.DAT" + kept +
          "STEU $MACHINE.DAT written\n"
          "  carried $TIMER_TICK= 3 12>10\n  carried $IO_MODULES= 5 3>1\n"
          "  carried $CABINET_FAN= 6 TRUE>FALSE\n  default $NET_TIMEOUT= 7 $NET_TIMEOUT=750\n"
          "  lost $OLD_FEATURE= -\n  kept-new $SAFETY_LEVEL= -\n  absent $GHOST_VAR= -\n"
          "STEU $OPTION.DAT written\n"
          "  carried $OPT_CONVEYOR= 2 1>0\n  carried $OPT_VISION= 3 0>0\n"
          "  kept-new $OPT_WELDING= -\n"
          "R1 $CONFIG.DAT upg-missing\n"
          "R1 $MACHINE.DAT written\n"
          "  carried $PAYLOAD= 5 60.0>50.0\n  carried $TOOL_OFFSET[1]= 6 0.0>0.0\n"
          "  carried $TOOL_OFFSET[2]= 7 125.5>0.0\n  kept-new $BRAKE_TEST= -\n"
          "R1 AXIS1.SERVO written\n"
          "  carried GAIN_P= 2 1200>1000\n  carried GAIN_I= 3 35>30\n  carried FILTER= 5 4>2\n"
          "R1 AXIS2.SERVO written\n"
          "  carried GAIN_P= 2 1100>1100\n  carried GAIN_I= 3 30>30\n  carried FILTER= 4 4>4\n"
          "shift ran, missing:\n");
  // vaxo report on the log (where the program writes it) says it first.
  const RunResult v = s.RunVaxo("report");
  EXPECT_EQ(v.exit_code, 0) << v.err;
  EXPECT_EQ(
      v.out.substr(0, v.out.find("\n          exit code 2: $OPT")),
      "verdict   CHECK: finished with exit code 2; 5 of 6 data files written, 1 not upgraded\n"
      "why       exit code 2: $SAFETY_LEVEL= in STEU $MACHINE.DAT" +
          kept.substr(0, kept.size() - 1));
  EXPECT_EQ(s.RunVaxo("report --no-such-option").exit_code, 2);
  // One value no rule carries: the robot's configuration has no upg-file.
  // The four shifted names the value transfer carries are not counted.
  EXPECT_EQ(s.Audit(),
            "R1 $CONFIG.DAT $SPEED_LIMIT= differs $SPEED_LIMIT=250 | $SPEED_LIMIT=200\nCHECK\n");
  EXPECT_NE(v.out.find("left behind  1 value in 1 file (no rule carries them)\n"
                       "          R1 $CONFIG.DAT: $SPEED_LIMIT=250 / $SPEED_LIMIT=200\n"),
            std::string::npos)
      << v.out;

  EXPECT_EQ(s.Snapshot("new"), With(new_before, SampleUpgraded(s)));
  EXPECT_EQ(s.Snapshot("old"), old_before);
  EXPECT_FALSE(s.Exists("prog/Vaxo_Value.tmp"));
}

// Another program (the controller software, a virus scanner) holds the
// robot's new $MACHINE.DAT open with no sharing from the start of the shift
// until `ms` after it, when the run is about to write the file. Windows
// only: the emulation knows no sharing.
RunResult RunWithRobotMachineHeld(Scratch& s, int ms, std::map<std::string, std::string>* before) {
  s.CopySample();
  s.MakeDir("drive_c/zel/roboter/log");
  *before = s.Snapshot("new");
  s.StartWineDriver("hold_file.exe",
                    {(s.root() / kR1 / "$machine.dat").string(), std::to_string(ms),
                     (s.program_dir() / "Vaxo_Value.tmp").string()},
                    "hold.txt");
  // The run starts once the holder looks out for the value file.
  if (!s.WaitFor("hold.txt", 60)) ADD_FAILURE() << "the holder did not start";
  return s.Run(s.root().string() + "/old|" + s.root().string() + "/new");
}

TEST(E2eHeld, AFileHeldForHalfASecondIsWaitedForAndTheRunIsTheCleanOne) {
  if (!UnderWine()) GTEST_SKIP() << "only Windows holds files for other programs";
  Scratch s;
  std::map<std::string, std::string> before;
  const RunResult r = RunWithRobotMachineHeld(s, 500, &before);
  ASSERT_TRUE(s.WaitFor("hold.txt.rc", 30));
  EXPECT_EQ(s.Read("hold.txt") + s.Read("hold.txt.rc"), "waiting\r\nheld\r\n0\n");
  const SampleLog log = SampleLogOf(s.WinUpper("old"), s.WinUpper("new"));
  EXPECT_EQ(s.LogBody(), log.until_robot_machine + log.axes + Title("ENDE  (ExitCode=2)"));
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(s.Snapshot("new"), With(before, SampleUpgraded(s)));
}

TEST(E2eHeld, AFileHeldForTenSecondsStopsTheRunWithEveryFileOldOrNew) {
  if (!UnderWine()) GTEST_SKIP() << "only Windows holds files for other programs";
  Scratch s;
  std::map<std::string, std::string> before;
  const RunResult r = RunWithRobotMachineHeld(s, 10000, &before);
  EXPECT_EQ(s.Read("hold.txt"), "waiting\r\nheld\r\n");
  const std::string machine = s.WinUpper("new") + "\\ROBOTER\\ZEL\\R1\\VAXO\\$MACHINE.DAT";
  const std::string stop = "Run stopped: replace " + machine + ": " + kSharingViolation;
  EXPECT_EQ(s.LogBody(),
            SampleLogOf(s.WinUpper("old"), s.WinUpper("new")).until_robot_machine + Error(stop));
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "upgrade_vaxo: " + stop + "\n");
  // The controller's files are upgraded, the robot's all as they were, and
  // no temporary file is left.
  auto upgraded = SampleUpgraded(s);
  for (const char* robot : {"$machine.dat", "axis1.servo", "AXIS2.SERVO"})
    upgraded.erase(std::string(kR1) + robot);
  EXPECT_EQ(s.Snapshot("new"), With(before, upgraded));
  EXPECT_FALSE(s.Exists("prog/Vaxo_Value.tmp"));
}

}  // namespace
}  // namespace vaxo_e2e
