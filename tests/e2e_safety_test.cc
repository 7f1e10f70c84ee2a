// A look first and a way back, on the sample pair with a read-only old file
// and a hidden new one: vaxo preview changes nothing and foresees the run
// (its log is the run's log, its diffs applied give the run's files); vaxo
// rollback gives both installations back, bytes and attributes, and leaves
// alone what changed since the run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/text.h"
#include "tests/e2e_harness.h"

namespace vaxo_e2e {
namespace {

// The sample pair with attributes a run resets.
void Sample(Scratch& s) {
  s.CopySample();
  s.MakeDir("drive_c/zel/roboter/log");
  fs::permissions(s.root() / "old/ZEL/STEU/VAXO/$option.dat", fs::perms::owner_write,
                  fs::perm_options::remove);
  const std::string hidden = (s.root() / "new/ROBOTER/ZEL/R1/VAXO/axis1.servo").string();
  ASSERT_EQ(std::system(("setfattr -n user.DOSATTRIB -v '\"0x2\"' '" + hidden + "'").c_str()), 0);
}

std::string Args(const Scratch& s) {
  return s.root().string() + "/old|" + s.root().string() + "/new";
}

// Everything of the installations, the log's folder and the program's
// (but the programs themselves).
std::map<std::string, std::string> Everything(const Scratch& s) {
  std::map<std::string, std::string> all;
  for (const char* dir : {"old", "new", "drive_c", "prog"})
    for (auto& kv : s.State(dir)) {
      const std::string name = fs::path(kv.first).filename().string();
      if (name != "vaxo" && name != "upgrade_vaxo" && name.find(".exe") == std::string::npos &&
          name.find(".EXE") == std::string::npos)
        all.insert(kv);
    }
  return all;
}

// The diffs of the preview's output, by the host file below `dir` they
// name: the run names files in upper case, below the scratch folder in its
// drive form.
std::map<fs::path, std::string> Diffs(const Scratch& s, const std::string& output) {
  std::map<fs::path, std::string> diffs;
  std::istringstream in(output);
  std::string line;
  fs::path current;
  while (std::getline(in, line)) {
    if (line.compare(0, 4, "--- ") == 0) {
      // Found name by name without regard to case; a new file's name as given.
      std::string rest = line.substr(4 + s.WinUpper("").size());
      current.clear();
      while (!rest.empty()) {
        const size_t slash = rest.find('\\');
        const std::string name = rest.substr(0, slash);
        rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
        fs::path next = current / name;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(s.root() / current, ec))
          if (vaxo::UCase(e.path().filename().string()) == vaxo::UCase(name))
            next = current / e.path().filename();
        current = next;
      }
    } else if (line.empty() || std::string("+-@ \\").find(line[0]) == std::string::npos) {
      current.clear();  // past the diff: a note, a value transfer, the exit code
      continue;
    }
    if (!current.empty()) diffs[current] += line + "\n";
  }
  return diffs;
}

std::string LogBody(const std::string& log) { return log.substr(log.find("\r\n")); }

const char kReportJson[] = "drive_c/zel/roboter/log/Upgrade_vaxo.json";

TEST(E2eSafety, PreviewChangesNothingAndForeseesTheRun) {
  Scratch s;
  Sample(s);
  s.RunVaxo("--help");  // puts vaxo in place
  const auto before = Everything(s);
  const fs::path preview_log = s.root() / "preview.log";
  RunResult preview = s.RunVaxo("preview '" + Args(s) + "' --log '" + preview_log.string() +
                                "' --json '" + (s.root() / "preview.json").string() + "'");
  EXPECT_EQ(preview.exit_code, 2) << preview.err;
  const std::string json = s.Read("preview.json");
  fs::remove(s.root() / "preview.json");
  EXPECT_EQ(Everything(s), before);  // no file, attribute, log, value file or backup set
  // What no rule would carry, after the files' diffs; the robot's
  // configuration has no upg-file and stays as it is.
  EXPECT_NE(preview.out.find("unchanged: " + s.WinUpper("new") +
                             "\\ROBOTER\\ZEL\\R1\\VAXO\\$CONFIG.DAT\n"
                             "left behind: $SPEED_LIMIT= old $SPEED_LIMIT=250 / new "
                             "$SPEED_LIMIT=200\n"),
            std::string::npos)
      << preview.out;
  EXPECT_EQ(preview.out.substr(preview.out.rfind("exit code")), "exit code 2\n");
  EXPECT_NE(preview.out.find("attributes " + s.WinUpper("old") +
                             "\\ZEL\\STEU\\VAXO\\$option.dat: read-only -> archive only"),
            std::string::npos)
      << preview.out;
  EXPECT_NE(preview.out.find("\nvalue transfer: "), std::string::npos) << preview.out;

  // Its diffs applied to a copy of the new installation...
  s.MakeDir("applied");
  fs::copy(s.root() / "new", s.root() / "applied/new", fs::copy_options::recursive);
  for (const auto& kv : Diffs(s, preview.out)) {
    s.Write("one.diff", kv.second);
    const fs::path target = s.root() / "applied" / kv.first;
    if (!fs::exists(target))
      s.Write(fs::relative(target, s.root()).string(), "");  // made by the run
    const std::string cmd = "patch -s '" + target.string() + "' '" +
                            (s.root() / "one.diff").string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << kv.second;
  }
  // ...give what the run writes, and the preview's log is the run's.
  RunResult run = s.Run(Args(s));
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_EQ(LogBody(s.Read("preview.log")),
            LogBody(s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log")));
  // Its report is the run's, but for the log's place, its time and "preview".
  EXPECT_EQ(PastRunFields(json), PastRunFields(s.Read(kReportJson)));
  EXPECT_TRUE(nlohmann::json::parse(json)["preview"].get<bool>());
  EXPECT_FALSE(nlohmann::json::parse(s.Read(kReportJson))["preview"].get<bool>());
  std::map<std::string, std::string> expected;
  for (const auto& kv : s.Snapshot("new")) expected["applied/" + kv.first] = kv.second;
  EXPECT_EQ(s.Snapshot("applied/new"), expected);
}

// A read-only new file that the run writes has its attributes reset and its
// bytes changed: the preview shows both.
TEST(E2eSafety, PreviewShowsAnAttributeResetBesideTheDiff) {
  Scratch s;
  Sample(s);
  fs::permissions(s.root() / "new/ROBOTER/ZEL/STEU/VAXO/$option.dat", fs::perms::owner_write,
                  fs::perm_options::remove);
  const std::string option = s.WinUpper("new") + "\\ROBOTER\\ZEL\\STEU\\VAXO\\$option.dat";
  const RunResult preview = s.RunVaxo("preview '" + Args(s) + "'");
  EXPECT_EQ(preview.exit_code, 2) << preview.err;
  const size_t diff = preview.out.find("--- " + option + "\n+++ " + option + "\n");
  const size_t reset = preview.out.find("attributes " + option + ": read-only -> archive only\n");
  EXPECT_NE(diff, std::string::npos) << preview.out;
  EXPECT_NE(reset, std::string::npos) << preview.out;
  EXPECT_LT(diff, reset) << preview.out;
}

// Bytes that retitle a terminal and clear it, in an old value and in a
// variable's name: on a terminal (a pseudo-terminal made by script) the
// preview, the report and rollback show them escaped; into a pipe they go
// as they are, so that a diff applied gives the file.
TEST(E2eSafety, ControlBytesReachATerminalEscaped) {
  if (UnderWine() || std::system("command -v script >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs script (util-linux) and the Linux program";
  Scratch s;
  Sample(s);
  const std::string steu = "new/ROBOTER/ZEL/STEU/VAXO/";
  s.Write("old/ZEL/STEU/VAXO/$option.dat",
          s.Read("old/ZEL/STEU/VAXO/$option.dat") + "$OPT_TITLE=\x1b]0;pwned\x07\x1b[2J\r\n");
  s.Write(steu + "$option.dat", s.Read(steu + "$option.dat") + "$OPT_TITLE=0\r\n");
  s.Write(steu + "option.upg", s.Read(steu + "option.upg") + "$OPT_TITLE=\r\n");
  for (const char* name : {"$machine.dat", "machine.upg"}) {  // the first why names it
    std::string text = s.Read(steu + name);
    text.replace(text.find("$SAFETY_LEVEL="), 14, "$T\x1b]0;PWNED\x07=");
    s.Write(steu + name, text);
  }
  const RunResult piped = s.RunVaxo("preview '" + Args(s) + "'");
  EXPECT_NE(piped.out.find("+$OPT_TITLE=\x1b]0;pwned\x07\x1b[2J\r\n"), std::string::npos)
      << piped.out;

  const std::string vaxo =
      "VAXO_DRIVE_C='" + s.drive_c().string() + "' '" + (s.program_dir() / "vaxo").string() + "' ";
  const struct {
    std::string command, shown;
    bool after_the_run;
  } rows[] = {
      {"preview '" + Args(s) + "'", "+$OPT_TITLE=\\x1b]0;pwned\\x07\\x1b[2J", false},
      {"report", "exit code 2: $T\\x1b]0;PWNED\\x07= in STEU $MACHINE.DAT", true},
      {"rollback \\\"$(printf 'set\\033]0;pwned\\007')\\\"",
       "no backup set set\\x1b]0;pwned\\x07 in", true},
  };
  for (const auto& row : rows) {
    if (row.after_the_run && !s.Exists("drive_c/zel/roboter/log/Upgrade_vaxo.log")) {
      ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
    }
    const std::string cmd = vaxo + row.command;
    const RunResult tty =
        s.Execute("cd '" + s.root().string() + "' && script -qec \"" + cmd + "\" /dev/null");
    EXPECT_NE(tty.out.find(row.shown), std::string::npos) << row.command << "\n" << tty.out;
    EXPECT_EQ(tty.out.find('\x1b'), std::string::npos) << row.command << "\n" << tty.out;
  }
}

// Files of the source folders that no pass takes are named, each with why;
// a data file the file list passes over for its system attribute makes the
// verdict CHECK although the run ends with 0. The preview foresees it.
TEST(E2eSafety, FilesNoPassTakesAreNamedAndASkippedDataFileAsksForACheck) {
  Scratch s;
  WriteGeneratedPair(s, 2);
  s.MakeDir("drive_c/zel/roboter/log");
  const std::string r1 = "old/ZEL/R1/VAXO/";
  s.Write(r1 + "robot.ini", "[robot]\r\n");
  s.Write(r1 + "$config.bak", "$A=1\r\n");
  s.Write(r1 + "$system.dat", "$A=1\r\n");
  const std::string system = (s.root() / r1 / "$system.dat").string();
  ASSERT_EQ(std::system(("setfattr -n user.DOSATTRIB -v '\"0x4\"' '" + system + "'").c_str()), 0);
  // The old robot file holds a value the new one lacks and no rule names.
  s.Write(r1 + "$machine.dat", Crlf({"$A=1", "$LOCAL = 7 ; set on site"}));

  const fs::path json = s.root() / "preview.json";
  const RunResult preview = s.RunVaxo("preview '" + Args(s) + "' --json '" + json.string() + "'");
  EXPECT_EQ(preview.exit_code, 0) << preview.err;
  // After the robot's $MACHINE.DAT's diff, before the next file's.
  const size_t diff = vaxo::UCase(preview.out).find("R1\\VAXO\\$MACHINE.DAT\n@@");
  const size_t left =
      preview.out.find("\nleft behind: $LOCAL= old $LOCAL = 7 ; set on site / new (no line)\n");
  EXPECT_LT(diff, left) << preview.out;
  EXPECT_LT(left, preview.out.find("\n---", diff)) << preview.out;
  const RunResult run = s.Run(Args(s));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(s.Audit(),
            "R1 $MACHINE.DAT $LOCAL= old-only $LOCAL = 7 ; set on site | -\n"
            "not taken R1 $config.bak: not a data file (the R1 pass takes $*.dat;*.servo)\n"
            "not taken R1 $system.dat: a data file with the system attribute: the file list "
            "leaves it out\n"
            "not taken R1 robot.ini: not a data file (the R1 pass takes $*.dat;*.servo)\n"
            "CHECK\n");
  EXPECT_EQ(PastRunFields(s.Read("preview.json")), PastRunFields(s.Read(kReportJson)));
}

// A pre-image whose bytes no longer match their fingerprint is no
// "before": the report shows no change against it.
TEST(E2eSafety, TheReportShowsNoChangeAgainstADamagedPreImage) {
  Scratch s;
  Sample(s);
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const fs::path sets = s.root() / "drive_c/zel/roboter/log/Upgrade_vaxo.backup";
  for (const auto& e : fs::recursive_directory_iterator(sets)) {
    if (e.path().filename().string().rfind("pre-", 0) != 0) continue;
    const std::string rel = fs::relative(e.path(), s.root()).string();
    std::string pack = s.Read(rel);
    for (size_t at = pack.find("$OPT_CONVEYOR=0"); at != std::string::npos;
         at = pack.find("$OPT_CONVEYOR=0", at))
      pack[at + 14] = '9';
    s.Write(rel, pack);
  }
  const RunResult report = s.RunVaxo("report --html page.html");
  EXPECT_EQ(report.exit_code, 0) << report.err;
  const std::string page = s.Read("page.html");
  EXPECT_NE(page.find("$OPTION.DAT"), std::string::npos);
  EXPECT_EQ(page.find("$OPT_CONVEYOR=9"), std::string::npos);
}

TEST(E2eSafety, RollbackGivesBothInstallationsBack) {
  Scratch s;
  Sample(s);
  const auto before = s.State("old"), new_before = s.State("new");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  // The run's report shows each file's change against its backup.
  EXPECT_NE(s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.html")
                .find("\n-$OPT_CONVEYOR=0\r\n+$OPT_CONVEYOR=1"),
            std::string::npos);
  RunResult list = s.RunVaxo("rollback --list");
  EXPECT_EQ(list.exit_code, 0) << list.err;
  EXPECT_NE(list.out.find("  exit code 2\n"), std::string::npos) << list.out;

  RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_EQ(s.State("old"), before);
  EXPECT_EQ(s.State("new"), new_before);
  const std::string summary = back.out.substr(back.out.rfind("rollback of "));
  EXPECT_NE(summary.find(": 4 restored, 1 removed, 1 with attributes set back, 0 left alone"),
            std::string::npos)
      << back.out;
  EXPECT_NE(s.RunVaxo("rollback").out.find("rolled back already"), std::string::npos);

  // A file changed since the run is left alone, and named, unless forced.
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  s.Write("new/ROBOTER/ZEL/STEU/VAXO/$option.dat", "changed by hand\r\n");
  back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 1);
  EXPECT_NE(back.out.find("left alone " + s.WinUpper("new") +
                          "\\ROBOTER\\ZEL\\STEU\\VAXO\\$option.dat: changed since the run"),
            std::string::npos)
      << back.out;
  EXPECT_EQ(s.Read("new/ROBOTER/ZEL/STEU/VAXO/$option.dat"), "changed by hand\r\n");
  EXPECT_EQ(s.RunVaxo("rollback --force").exit_code, 0);
  EXPECT_EQ(s.State("old"), before);
  EXPECT_EQ(s.State("new"), new_before);
}

// The Linux program's own commands, run in `dir` below the scratch folder.
std::string In(const Scratch& s, const std::string& dir, const std::string& tz = "") {
  return "cd '" + (s.root() / dir).string() + "' && " + (tz.empty() ? "" : "TZ=" + tz + " ") +
         "VAXO_DRIVE_C='" + s.drive_c().string() + "' '" + s.program_dir().string() + "/";
}

// The names of the sets, oldest first, as --list gives them.
std::vector<std::string> SetNames(const Scratch& s) {
  std::vector<std::string> names;
  std::istringstream in(s.RunVaxo("rollback --list").out);
  std::string line;
  while (std::getline(in, line))
    if (line.find("  ") != std::string::npos) names.push_back(line.substr(0, line.find("  ")));
  return names;
}

// Takes the emulation's lock of `file` below the scratch folder.
struct HeldLock {
  HeldLock(const Scratch& s, const std::string& file)
      : fd(open((s.root() / file).c_str(), O_CREAT | O_RDWR, 0644)) {
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << file;
  }
  ~HeldLock() { close(fd); }
  int fd;
};

TEST(E2eSafety, InstallationsBelowTheProgramsFolderAreTakenBack) {
  Scratch s(".");  // the program in the folder that holds old/ and new/
  Sample(s);
  const auto before = s.State("old"), new_before = s.State("new");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_NE(back.out.find(": 4 restored, 1 removed, 1 with attributes set back, 0 left alone"),
            std::string::npos)
      << back.out;
  EXPECT_EQ(s.State("old"), before);
  EXPECT_EQ(s.State("new"), new_before);
}

TEST(E2eSafety, TheLastRunIsTakenBackFirstWhateverTheClock) {
  Scratch s;
  Sample(s);
  const auto new_before = s.State("new");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);  // puts the programs in place
  ASSERT_EQ(s.RunVaxo("rollback").exit_code, 0);
  // The Linux program's runs a day apart by their time zones; the Windows
  // program's last set renamed as a clock set back a day would name it.
  auto run = [&](const char* tz) {
    return UnderWine() ? s.Run(Args(s))
                       : s.Execute(In(s, ".", tz) + "upgrade_vaxo' '" + Args(s) + "'");
  };
  ASSERT_EQ(run("UTC-12").exit_code, 2);
  const auto after_first = s.State("new");
  s.Write("old/ZEL/STEU/VAXO/$option.dat", Crlf({"$OPT_CONVEYOR=0", "$OPT_VISION=1"}));
  ASSERT_EQ(run("UTC+12").exit_code, 2);
  std::vector<std::string> sets = SetNames(s);
  ASSERT_EQ(sets.size(), 3u);
  if (UnderWine()) {
    const fs::path folder = s.drive_c() / "zel/roboter/log/Upgrade_vaxo.backup";
    const std::string earlier = sets[2].substr(0, 7) + "20000101-000000";
    fs::rename(folder / sets[2], folder / earlier);
    sets = SetNames(s);
    ASSERT_EQ(sets.size(), 3u);
  }
  EXPECT_EQ(sets[2].substr(0, 7), "000003-");
  EXPECT_LT(sets[2].substr(7), sets[1].substr(7));  // its clock said a day earlier
  // The first run's set while the second's is not taken back: refused.
  RunResult back = s.RunVaxo("rollback " + sets[1]);
  EXPECT_EQ(back.exit_code, 3);
  EXPECT_NE(back.err.find("set " + sets[2] + " of a later run is not rolled back"),
            std::string::npos)
      << back.err;
  back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_NE(back.out.find("rollback of " + sets[2]), std::string::npos) << back.out;
  EXPECT_EQ(s.State("new"), after_first);
  EXPECT_EQ(s.RunVaxo("rollback " + sets[1]).exit_code, 0);
  EXPECT_EQ(s.State("new"), new_before);
}

TEST(E2eSafety, RelativePathsMeanTheFoldersOfTheRunsStart) {
  Scratch s;
  Sample(s);
  // Two robots' pairs: robA run by relative paths from its folder, robB by
  // full paths.
  for (const char* rob : {"robA", "robB"}) {
    s.MakeDir(rob);
    for (const char* side : {"old", "new"})
      fs::copy(s.root() / side, s.root() / rob / side, fs::copy_options::recursive);
  }
  const auto a_before = s.State("robA"), b_before = s.State("robB"), before = s.State("new");
  s.set_working_folder("robA");
  const RunResult preview = s.RunVaxo("preview old\\|new");
  std::string root = s.root().string();
  for (char& c : root)
    if (c == '/') c = '\\';
  EXPECT_NE(preview.out.find(" | Z:" + root + "\\robA\\OLD\\ZEL\\R1\\VAXO\\$machine.dat /DAT"),
            std::string::npos)
      << preview.out;
  ASSERT_EQ(s.Run("old|new").exit_code, 2);
  // The log keeps the paths as the run built them.
  EXPECT_NE(s.LogBody().find("commandolineargument: OLD|NEW\r\n"), std::string::npos);
  // Its report, from robA's folder and from another: robA's files both times.
  const RunResult here = s.RunVaxo("report --json '" + (s.root() / "here.json").string() + "'");
  s.set_working_folder("prog");
  const RunResult elsewhere =
      s.RunVaxo("report --json '" + (s.root() / "there.json").string() + "'");
  EXPECT_EQ(here.exit_code, 0) << here.err;
  EXPECT_EQ(elsewhere.out, here.out);
  ASSERT_TRUE(s.Exists("here.json"));
  EXPECT_EQ(s.Read("there.json"), s.Read("here.json"));

  s.set_working_folder("");
  const std::string b = s.root().string() + "/robB/";
  ASSERT_EQ(s.Run(b + "old|" + b + "new").exit_code, 2);
  const std::vector<std::string> sets = SetNames(s);
  ASSERT_EQ(sets.size(), 2u);
  // Rolled back from robB's folder: robB's run, then robA's by its set.
  s.set_working_folder("robB");
  RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_EQ(s.State("robB"), b_before);
  EXPECT_NE(s.State("robA"), a_before);
  back = s.RunVaxo("rollback " + sets[0]);
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_EQ(s.State("robA"), a_before);
  EXPECT_EQ(s.State("robB"), b_before);
  EXPECT_EQ(s.State("new"), before);
}

// Lines added to a set's journal that name a file outside both
// installations, or on another drive: the whole set is refused, nothing
// changes, and without them it is taken back.
TEST(E2eSafety, AForgedJournalLineIsRefusedAndNothingIsDone) {
  Scratch s;
  Sample(s);
  s.Write("victim.dat", "victim\r\n");
  const auto new_before = s.State("new");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const auto after = s.State("new");
  const std::string journal =
      "drive_c/zel/roboter/log/Upgrade_vaxo.backup/" + SetNames(s).at(0) + "/journal.jsonl";
  const std::string whole = s.Read(journal);
  for (const std::string& path : {s.WinUpper("") + "\\victim.dat", std::string("D:\\victim4.dat"),
                                  s.WinUpper("new") + "\\..\\victim.dat"}) {
    const nlohmann::json line = {
        {"kind", "change"},
        {"op", "replace"},
        {"path", path},
        {"after", nullptr},
        {"before", {{"pack", "pre-1"}, {"offset", 0}, {"size", 3}, {"attributes", 32}}}};
    s.Write(journal, whole + line.dump() + "\n");
    const RunResult back = s.RunVaxo("rollback");
    EXPECT_EQ(back.exit_code, 3) << path << ": " << back.out << back.err;
    EXPECT_NE(back.out.find("refused    "), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("nothing done"), std::string::npos) << back.out;
    EXPECT_EQ(s.Read("victim.dat"), "victim\r\n");
    EXPECT_EQ(s.State("new"), after);
  }
  s.Write(journal, whole);
  EXPECT_EQ(s.RunVaxo("rollback").exit_code, 0);
  EXPECT_EQ(s.State("new"), new_before);
}

TEST(E2eSafety, ListAndLockTellARunningRunAndARunningRollback) {
  if (UnderWine()) GTEST_SKIP() << "the emulation's locks";
  Scratch s;
  Sample(s);
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const std::string log = "drive_c/zel/roboter/log/";
  const std::string set = log + "Upgrade_vaxo.backup/" + SetNames(s).at(0);
  // As the journal of a run still going: no end yet, the log held.
  std::string journal = s.Read(set + "/journal.jsonl");
  journal.erase(journal.rfind("{\"exit_code\""));
  s.Write(set + "/journal.jsonl", journal);
  {
    HeldLock run(s, log + "Upgrade_vaxo.log.lock");
    const RunResult list = s.RunVaxo("rollback --list");
    EXPECT_NE(list.out.find("  running (it holds the log)"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("1 set(s), "), std::string::npos) << list.out;
    EXPECT_NE(s.Run(Args(s)).err.find("another run is writing the log"), std::string::npos);
    HeldLock rollback(s, log + "Upgrade_vaxo.backup.lock");
    const RunResult second = s.Run(Args(s));
    EXPECT_EQ(second.exit_code, 3);
    EXPECT_NE(second.err.find("a rollback is running on the log"), std::string::npos) << second.err;
  }
  EXPECT_NE(s.RunVaxo("rollback --list").out.find("  no exit code (the run was killed)"),
            std::string::npos);
}

TEST(E2eSafety, PruneRemovesTheOldestSetsButNeverARunningRunsSet) {
  Scratch s;
  Sample(s);
  for (int run = 0; run < 3; ++run) ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const std::vector<std::string> sets = SetNames(s);
  ASSERT_EQ(sets.size(), 3u);
  for (const char* odd : {"-1", "x", "1.5", ""}) {
    const RunResult refused = s.RunVaxo(std::string("rollback --prune '") + odd + "'");
    EXPECT_EQ(refused.exit_code, 2) << odd << ": " << refused.out << refused.err;
  }
  EXPECT_EQ(SetNames(s), sets);
  RunResult pruned = s.RunVaxo("rollback --prune 1");
  EXPECT_EQ(pruned.exit_code, 0) << pruned.out << pruned.err;
  for (size_t i = 0; i < 2; ++i)
    EXPECT_NE(pruned.out.find("removed    " + sets[i] + " ("), std::string::npos) << pruned.out;
  EXPECT_NE(pruned.out.find("2 set(s) removed, "), std::string::npos) << pruned.out;
  EXPECT_NE(pruned.out.find(" freed; 1 kept in "), std::string::npos) << pruned.out;
  EXPECT_EQ(SetNames(s), std::vector<std::string>{sets[2]});
  if (!UnderWine()) {  // the emulation's lock
    const std::string log = "drive_c/zel/roboter/log/";
    const std::string journal = log + "Upgrade_vaxo.backup/" + sets[2] + "/journal.jsonl";
    const std::string whole = s.Read(journal);
    s.Write(journal, whole.substr(0, whole.rfind("{\"exit_code\"")));  // a run still going
    {
      HeldLock run(s, log + "Upgrade_vaxo.log.lock");
      pruned = s.RunVaxo("rollback --prune 0");
      EXPECT_EQ(pruned.exit_code, 0) << pruned.out << pruned.err;
      EXPECT_NE(pruned.out.find("kept       " + sets[2] + ": its run is going"), std::string::npos)
          << pruned.out;
      EXPECT_EQ(SetNames(s), std::vector<std::string>{sets[2]});
    }
    s.Write(journal, whole);
  }
  const RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_EQ(s.RunVaxo("rollback --prune 0").exit_code, 0);
  EXPECT_TRUE(SetNames(s).empty());
}

// A replace killed half-way leaves its temporary file beside the file; the
// next rollback removes it, and no other file.
TEST(E2eSafety, TemporaryFilesOfAStoppedReplaceAreRemovedByTheNextRollback) {
  Scratch s;
  Sample(s);
  const auto new_before = s.State("new");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const std::string dir = "new/ROBOTER/ZEL/STEU/VAXO/";
  const std::string temp = UnderWine() ? "vxo1A2B.tmp" : "$option.dat:vaxo-Ab12Cd";
  const std::vector<std::string> others = {
      UnderWine() ? dir + "vxoZZ.tmp" : dir + "$option.dat:vaxo-Ab12C",
      UnderWine() ? "new/ROBOTER/vxo1A2B.tmp" : "new/ROBOTER/$option.dat:vaxo-Ab12Cd",
      dir + "$option.dat.bak"};
  s.Write(dir + temp, "half");
  for (const std::string& other : others) s.Write(other, "other");
  const RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_NE(back.out.find("temporary  " + s.WinUpper("new") + "\\ROBOTER\\ZEL\\STEU\\VAXO\\" +
                          temp + ": left by a replace that was stopped; removed"),
            std::string::npos)
      << back.out;
  EXPECT_FALSE(s.Exists(dir + temp));
  for (const std::string& other : others) {
    EXPECT_EQ(s.Read(other), "other");
    fs::remove(s.root() / other);
  }
  EXPECT_EQ(s.State("new"), new_before);
}

TEST(E2eSafety, SetsBesideTheOtherPlaceOfTheLogAreNamed) {
  Scratch s;
  Sample(s);
  fs::remove_all(s.drive_c() / "zel");
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  const auto new_before = s.State("new");
  s.MakeDir("drive_c/zel/roboter/log");  // now the log would go there
  RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 3);
  EXPECT_NE(back.err.find("1 set(s) lie in c:\\Upgrade_vaxo.backup (vaxo rollback --log "
                          "c:\\Upgrade_vaxo.log)"),
            std::string::npos)
      << back.err;
  back = s.RunVaxo("rollback --log 'c:\\Upgrade_vaxo.log'");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_NE(new_before, s.State("new"));
}

// A data file that is a symbolic link stays one through the run and its
// rollback: its target, in another folder, gets the run's text and then
// its own back; the run is the one of a plain file, and nothing is left
// beside the link or the target. (A snapshot shows a link's text under its
// target's name.)
TEST(E2eSafety, ALinkedDataFileStaysALinkThroughRunAndRollback) {
  const std::string link = "new/ROBOTER/ZEL/STEU/VAXO/$option.dat", target = "elsewhere/opt.dat";
  Scratch plain, s;
  Sample(plain);
  Sample(s);
  s.Write(target, s.Read(link));
  fs::remove(s.root() / link);
  fs::create_symlink(s.root() / target, s.root() / link);
  const auto before = s.Snapshot("new");
  const std::string old_text = s.Read(target);
  ASSERT_EQ(plain.Run(Args(plain)).exit_code, 2);
  ASSERT_EQ(s.Run(Args(s)).exit_code, 2);
  auto upgraded = plain.Snapshot("new");
  upgraded[target] = upgraded.at(link);
  upgraded.erase(link);
  EXPECT_TRUE(fs::is_symlink(s.root() / link));
  EXPECT_EQ(s.Snapshot("new"), upgraded);
  EXPECT_EQ(s.Snapshot("elsewhere"),
            (std::map<std::string, std::string>{{target, upgraded.at(target)}}));

  RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_TRUE(fs::is_symlink(s.root() / link));
  EXPECT_EQ(s.Snapshot("new"), before);
  EXPECT_EQ(s.Snapshot("elsewhere"), (std::map<std::string, std::string>{{target, old_text}}));
}

// Two data files whose names differ only in letter case, which no Windows
// folder holds: either could be the one meant, so the run stops at the
// first look at them, naming both, and neither changes. The rollback takes
// back what the run did before.
TEST(E2eSafety, DataFilesDifferingOnlyInCaseStopTheRun) {
  Scratch s;
  Sample(s);
  const std::string steu = "new/ROBOTER/ZEL/STEU/VAXO/";
  s.Write(steu + "$OPTION.DAT", "$OPT_CONVEYOR=7\r\n");
  const auto old_before = s.State("old"), new_before = s.State("new");
  EXPECT_EQ(s.Run(Args(s)).exit_code, 3);
  const std::string body = s.LogBody();
  const size_t stop = body.find("!!! Run stopped: ");
  ASSERT_NE(stop, std::string::npos) << body;
  EXPECT_EQ(body.substr(body.rfind("\r\n", stop) + 2),
            Error("Run stopped: attributes " + s.WinUpper(steu) +
                  "$OPTION.DAT: two names differ only in letter case: $OPTION.DAT, $option.dat"))
      << body;
  const auto after = s.State("new");
  for (const char* name : {"$OPTION.DAT", "$option.dat"})
    EXPECT_EQ(after.at(steu + name), new_before.at(steu + name)) << name;

  RunResult back = s.RunVaxo("rollback");
  EXPECT_EQ(back.exit_code, 0) << back.out << back.err;
  EXPECT_EQ(s.State("old"), old_before);
  EXPECT_EQ(s.State("new"), new_before);
}

}  // namespace
}  // namespace vaxo_e2e
