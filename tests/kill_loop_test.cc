// Crash safety: the real program on a generated installation of a few
// hundred data files, killed with SIGKILL at a random moment, again and
// again. After every kill the log must be a prefix of the clean run's log,
// every data file must hold its old or its new text (never a part), and a
// temporary file of an interrupted atomic write, which can stay behind,
// must be one that no listing of the emulation ever shows.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include "files/file_list.h"
#include "platform/posix_path.h"
#include "tests/e2e_harness.h"

namespace vaxo_e2e {
namespace {

// A run of the suite stays short; VAXO_KILL_LOOP_SECONDS=300 (say) makes
// a long loop of up to 200 kills.
constexpr int kFiles = 25;  // per directory
constexpr int kRuns = 200;  // at most

double Budget() {
  const char* seconds = std::getenv("VAXO_KILL_LOOP_SECONDS");
  return seconds && *seconds ? std::atof(seconds) : 12.0;
}

void Restore(Scratch& s, const fs::path& pristine) {
  fs::remove_all(s.root() / "new");
  fs::copy(pristine, s.root() / "new", fs::copy_options::recursive);
  fs::remove(s.drive_c() / "zel/roboter/log/Upgrade_vaxo.log");
  fs::remove_all(s.drive_c() / "zel/roboter/log/Upgrade_vaxo.backup");
}

// The installation's files with their attributes, a killed run's temporary
// files left out.
std::map<std::string, std::string> Installation(const Scratch& s, const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& kv : s.State(dir))
    if (kv.first.find(":vaxo-") == std::string::npos) files.insert(kv);
  return files;
}

TEST(KillLoop, KilledAtRandomTheLogIsAPrefixAndEveryFileOldOrNew) {
  Scratch s;
  WriteGeneratedPair(s, kFiles);
  s.MakeDir("drive_c/zel/roboter/log");
  s.MakeDir("pristine");
  fs::copy(s.root() / "new", s.root() / "pristine/new", fs::copy_options::recursive);
  const std::string args = s.root().string() + "/old|" + s.root().string() + "/new";

  const auto before = s.Snapshot("new");
  const auto pristine = Installation(s, "new"), old = Installation(s, "old");
  auto t0 = std::chrono::steady_clock::now();
  const RunResult clean = s.Run(args);
  const double clean_secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_EQ(clean.exit_code, 0) << clean.err;
  const std::string clean_log = s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log");
  const auto after = s.Snapshot("new");
  t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(s.RunVaxo("rollback").exit_code, 0);  // puts vaxo in place, too
  const double rollback_secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_EQ(after.size(), before.size());
  // The value transfer writes the controller's $machine.dat a second time.
  std::map<std::string, std::set<std::string>> states;
  for (const auto& kv : before) states[kv.first].insert(kv.second);
  for (const auto& kv : after) states[kv.first].insert(kv.second);
  states["new/ROBOTER/ZEL/STEU/VAXO/$machine.dat"].insert(Crlf({"$A=1"}));

  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> delay_us(0, int(clean_secs * 1e6 * 1.1));
  std::uniform_int_distribution<int> rollback_delay_us(0, int(rollback_secs * 1e6));
  int runs = 0, finished = 0, temps_left = 0, partial_last_entry = 0, rolled_back = 0,
      rollbacks_killed = 0;
  const double budget = Budget();
  const auto start = std::chrono::steady_clock::now();
  while (runs < kRuns &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget) {
    Restore(s, s.root() / "pristine/new");
    const pid_t pid = Spawn(s, {(s.program_dir() / "upgrade_vaxo").string(), args});
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(rng)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ++runs;
    if (WIFEXITED(status)) ++finished;

    const std::string log = s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log");
    // Past the header line, whose time differs from run to run.
    const size_t header = clean_log.find("\r\n") + 2;
    if (log.size() > header) {
      ASSERT_EQ(clean_log.compare(header, log.size() - header, log, header, std::string::npos), 0)
          << "run " << runs << ": log is no prefix";
    }
    if (!log.empty() && log.compare(log.size() - 2, 2, "\r\n") != 0) ++partial_last_entry;
    for (const auto& e : fs::recursive_directory_iterator(s.root() / "new")) {
      if (!e.is_regular_file()) continue;
      const std::string name = e.path().filename().string();
      const std::string rel = fs::relative(e.path(), s.root()).string();
      if (name.find(":vaxo-") != std::string::npos) {
        ++temps_left;
        // Its ":" keeps it out of every listing of the folder.
        const std::string dir = vaxo::HostToWindowsPath(e.path().parent_path(), "/");
        for (const std::string& listed : vaxo::ListFiles(dir, "*.*", 0xFF))
          EXPECT_EQ(listed.find(":vaxo-"), std::string::npos) << dir << " lists " << listed;
        continue;
      }
      auto it = states.find(rel);
      ASSERT_NE(it, states.end()) << "unexpected file " << rel;
      ASSERT_TRUE(it->second.count(s.Read(rel))) << "run " << runs << ": " << rel << " is partial";
    }
    // Whenever it was killed, its backup set takes the run back, even
    // after a rollback killed half-way; a run killed before its set was
    // made had changed nothing.
    if (runs % 2 == 0) {
      const pid_t rollback = Spawn(s, {(s.program_dir() / "vaxo").string(), "rollback"});
      ASSERT_GT(rollback, 0);
      std::this_thread::sleep_for(std::chrono::microseconds(rollback_delay_us(rng)));
      kill(rollback, SIGKILL);
      waitpid(rollback, &status, 0);
      if (!WIFEXITED(status)) ++rollbacks_killed;
    }
    const RunResult back = s.RunVaxo("rollback");
    if (back.exit_code == 0) {
      ++rolled_back;
    } else {
      ASSERT_EQ(back.exit_code, 3) << back.out << back.err;
      ASSERT_NE(back.err.find("no backup set"), std::string::npos) << back.err;
    }
    // Temporary files of a replace killed half-way included: the rollback
    // removes them.
    ASSERT_EQ(s.State("new"), pristine) << "run " << runs << ":\n" << back.out;
    ASSERT_EQ(s.State("old"), old) << "run " << runs << ":\n" << back.out;
  }
  std::printf(
      "[ killloop ] %d runs killed (%d had ended first), clean run %.2f s; %d left a "
      "temporary file, %d logs ended inside an entry; %d rolled back to the first byte and "
      "attribute, the rest had changed nothing; %d rollbacks killed half-way and run again\n",
      runs, finished, clean_secs, temps_left, partial_last_entry, rolled_back, rollbacks_killed);
  EXPECT_GE(runs, 5);
}

}  // namespace
}  // namespace vaxo_e2e
