// A look first and a way back, on the sample pair with a read-only old file
// and a hidden new one: vaxo preview changes nothing and foresees the run
// (its log is the run's log, its diffs applied give the run's files); vaxo
// rollback gives both installations back, bytes and attributes, and leaves
// alone what changed since the run.
#include <gtest/gtest.h>
#include <stdlib.h>

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

// A report's JSON past what tells a foreseen run from the real one.
std::string PastRunFields(const std::string& json) {
  nlohmann::ordered_json j = nlohmann::ordered_json::parse(json);
  for (const char* field : {"log", "started", "preview"}) j.erase(field);
  return j.dump(1);
}

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

}  // namespace
}  // namespace vaxo_e2e
