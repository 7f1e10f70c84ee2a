// The real programs in surroundings that work against them. A file-size
// limit that strikes in the middle of a write, or standard output or error
// a pipe that nobody reads: the write fails like any other, the program
// ends with its exit code, never by the signal the write raises, and a run
// stops as every failure stops it (its "Run stopped" entry, exit code 3, no
// temporary file, the log ending with a whole entry). A FIFO or a folder
// put in the place of a file the run reads: the run never waits for it and
// never takes it for an empty file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "tests/e2e_harness.h"

namespace vaxo_e2e {
namespace {

const char kLog[] = "drive_c/zel/roboter/log/Upgrade_vaxo.log";

// "exit N", or the signal that ended the process.
std::string Ending(int status) {
  if (status == -1) return "hung";
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
  return "?";
}

// The body of a log: all past its header line, whose time differs.
std::string Body(const std::string& log) {
  const size_t eol = log.find("\r\n");
  return eol == std::string::npos ? std::string() : log.substr(eol + 2);
}

// A pair written below a scratch folder, run once to the end (which also
// puts the program in place), and what later runs are compared with.
struct Clean {
  std::string args, log;
  std::map<std::string, std::string> before;  ///< the new installation before a run
  /// The states a data file may be in: as before the run, as after it (the
  /// controller's $machine.dat also as the STEU pass leaves it, before the
  /// value transfer writes it again).
  std::map<std::string, std::set<std::string>> states;

  explicit Clean(Scratch& s) {
    s.MakeDir("drive_c/zel/roboter/log");
    before = s.Snapshot("new");
    args = s.root().string() + "/old|" + s.root().string() + "/new";
    EXPECT_EQ(s.Run(args).exit_code, 0);
    log = s.Read(kLog);
    for (const auto& kv : before) states[kv.first].insert(kv.second);
    for (const auto& kv : s.Snapshot("new")) states[kv.first].insert(kv.second);
    states["new/ROBOTER/ZEL/STEU/VAXO/$machine.dat"].insert(Crlf({"$A=1"}));
  }
  /// The new installation as before the run, and no log.
  void Restore(Scratch& s) const {
    for (const auto& kv : before) s.Write(kv.first, kv.second);
    fs::remove(s.root() / kLog);
  }
};

// What a limited run must leave: exit 3, `reason` named on standard error
// and as the log's last entry when it fitted, a log that is the clean log
// up to a whole entry, every data file old or new, no temporary file.
void ExpectStoppedCleanly(const Scratch& s, int status, const std::string& err, const Clean& clean,
                          const std::string& reason) {
  EXPECT_EQ(Ending(status), "exit 3");
  EXPECT_NE(err.find("upgrade_vaxo: Run stopped: " + reason + "\n"), std::string::npos) << err;
  std::string body = Body(s.Read(kLog));
  const std::string stopped = Error("Run stopped: " + reason);
  if (vaxo::EndsWith(body, stopped)) body.erase(body.size() - stopped.size());
  EXPECT_EQ(Body(clean.log).compare(0, body.size(), body), 0) << "the log is no prefix";
  EXPECT_TRUE(body.empty() || vaxo::EndsWith(body, "\r\n"));
  for (const auto& kv : s.Snapshot("new")) {
    EXPECT_EQ(kv.first.find("vaxo-"), std::string::npos) << "temporary file " << kv.first;
    auto it = clean.states.find(kv.first);
    if (it != clean.states.end()) {
      EXPECT_TRUE(it->second.count(kv.second)) << kv.first << " is partial";
    }
  }
}

// Reads all a child wrote into `fd` once it has ended.
std::string Drain(int fd) {
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
  close(fd);
  return out;
}

// Runs upgrade_vaxo in `s` (copied there by a Run before) under a file-size
// limit; the wait status, standard error in `*err`.
int RunLimited(const Scratch& s, const std::string& args, long limit, std::string* err) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  Launch launch;
  launch.file_size_limit = limit;
  launch.stderr_fd = pipe_fds[1];
  const pid_t pid = Spawn(s, {(s.program_dir() / "upgrade_vaxo").string(), args}, launch);
  close(pipe_fds[1]);
  const int status = WaitAtMost(pid, 60);
  *err = Drain(pipe_fds[0]);
  return status;
}

// The folder of the newest backup set, as the program names it.
std::string NewestSet(const Scratch& s) {
  std::vector<std::string> sets;
  for (const auto& e : fs::directory_iterator(s.drive_c() / "zel/roboter/log/Upgrade_vaxo.backup"))
    sets.push_back(e.path().filename().string());
  std::sort(sets.begin(), sets.end());
  return sets.empty() ? "" : "c:\\zel\\roboter\\log\\Upgrade_vaxo.backup\\" + sets.back();
}

// A limit swept from half the first data file's size to near the clean
// log's. Before the STEU pass its files' old bytes go into the backup set
// in one piece while the log is still short: a limit below the first data
// file's size strikes that piece, a larger one the log; wherever it
// strikes, the run stops cleanly.
TEST(Limits, FileSizeLimitStopsTheRunCleanly) {
  Scratch s;
  WriteGeneratedPair(s, 25);
  std::string big = Crlf({"; big", "$B=0"});
  while (big.size() < (16u << 10)) big += "; " + std::string(76, 'x') + "\r\n";
  s.Write("old/ZEL/STEU/VAXO/$big.dat", Crlf({"$B=1"}));
  s.Write("new/ROBOTER/ZEL/STEU/VAXO/$big.dat", big);
  s.Write("new/ROBOTER/ZEL/STEU/VAXO/big.upg", Crlf({"$B="}));
  const Clean clean(s);
  ASSERT_GT(clean.log.size() / 2, 2 * big.size());
  for (const double share : {0.0, 0.5, 0.7, 0.95}) {
    const long limit = share == 0 ? long(big.size() / 2) : long(share * double(clean.log.size()));
    SCOPED_TRACE(limit);
    clean.Restore(s);
    std::string err;
    const int status = RunLimited(s, clean.args, limit, &err);
    const bool backup = limit < long(big.size());
    const std::string reason = (backup ? "backup " + NewestSet(s) + "\\pre-1"
                                       : "write c:\\zel\\roboter\\log\\Upgrade_vaxo.log") +
                               ": File too large";
    ExpectStoppedCleanly(s, status, err, clean, reason);
    EXPECT_LE(s.Read(kLog).size(), size_t(limit));
    if (backup) {
      EXPECT_TRUE(vaxo::EndsWith(s.Read(kLog), Error("Run stopped: " + reason)));
      EXPECT_EQ(s.Read("new/ROBOTER/ZEL/STEU/VAXO/$big.dat"), big);
    }
  }
}

// Each program with the stream it writes to a pipe whose reading end is
// closed: the write fails, the program ends with its own exit code.
TEST(Limits, ClosedPipesMakeNoProgramDie) {
  Scratch s;
  s.Write("w/old.dat", Crlf({"$A=1"}));
  s.Write("w/new.dat", Crlf({"$A=0"}));
  s.Write("w/new.upg", Crlf({"$A="}));
  fs::remove_all(s.drive_c());  // the log cannot start: a stopped run
  const std::string bin = VAXO_BIN_DIR, w = s.root().string() + "/w/";
  struct Case {
    const char* what;
    std::vector<std::string> argv;
    int stream;
  };
  const std::vector<Case> cases = {
      {"a stopped run tells standard error", {bin + "/upgrade_vaxo", w + "old|" + w + "new"}, 2},
      {"upgrade_file tells of a missing file",
       {bin + "/upgrade_file", w + "x", w + "y", w + "z"},
       2},
      {"upgrade_file writes the merge",
       {bin + "/upgrade_file", w + "old.dat", w + "new.dat", w + "new.upg"},
       1},
      {"ValXfer tells how it is used", {bin + "/ValXfer.exe"}, 2},
  };
  for (const Case& c : cases) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    close(pipe_fds[0]);
    Launch launch;
    (c.stream == 1 ? launch.stdout_fd : launch.stderr_fd) = pipe_fds[1];
    const pid_t pid = Spawn(s, c.argv, launch);
    close(pipe_fds[1]);
    EXPECT_EQ(Ending(WaitAtMost(pid, 60)), "exit 3") << c.what;
  }
}

// While a run goes on, one old data file and a FIFO or a folder change
// places again and again, each time in one step (the name is never
// missing), at random moments. Whatever the run meets, it must end, and it
// may find the file missing (exit 1), stop naming it (exit 3) or read it
// whole (exit 0), but never take the FIFO or the folder for an empty file:
// its values would be reported missing.
TEST(Swaps, AFifoOrAFolderInAFilesPlaceIsNeverReadAsEmpty) {
  Scratch s;
  WriteGeneratedPair(s, 25);
  const Clean clean(s);
  // Beside the data files, under names no listing of the run shows.
  const std::string dir = (s.root() / "old/ZEL/STEU/VAXO").string();
  const std::string fifo = dir + "/swap:fifo", folder = dir + "/swap:folder";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  if (renameat2(AT_FDCWD, fifo.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) != 0) {
    GTEST_SKIP() << "this file system swaps no entries in one step: " << std::strerror(errno);
  }
  renameat2(AT_FDCWD, fifo.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE);

  std::mt19937 rng(4711);
  std::uniform_int_distribution<int> pause_us(0, 300);
  std::uniform_int_distribution<int> pick(0, 24);
  std::map<std::string, int> endings;
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [](std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  };
  int runs = 0;
  while (runs < 40 && elapsed(start) < 10) {
    clean.Restore(s);
    const std::string file = dir + "/$f" + std::to_string(1000 + pick(rng)) + ".dat";
    const std::string& other = runs % 2 ? folder : fifo;
    const pid_t pid = Spawn(s, {(s.program_dir() / "upgrade_vaxo").string(), clean.args});
    ASSERT_GT(pid, 0);
    const auto began = std::chrono::steady_clock::now();
    int status = 0, swaps = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (elapsed(began) > 30) {  // it waits for something: a hang
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        status = -1;
        break;
      }
      ASSERT_EQ(renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE), 0)
          << std::strerror(errno);
      ++swaps;
      std::this_thread::sleep_for(std::chrono::microseconds(pause_us(rng)));
    }
    if (swaps % 2) renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE);
    ++runs;
    const std::string ending = Ending(status);
    ++endings[ending];
    EXPECT_TRUE(ending == "exit 0" || ending == "exit 1" || ending == "exit 3")
        << "run " << runs << ": " << ending;
    const std::string log = s.Read(kLog);
    EXPECT_EQ(log.find("not found in old file"), std::string::npos) << "run " << runs;
  }
  std::string tally;
  for (const auto& kv : endings) tally += ", " + kv.first + ": " + std::to_string(kv.second);
  std::printf("[ swaps    ] %d runs%s\n", runs, tally.c_str());
  EXPECT_GE(runs, 5);
}

}  // namespace
}  // namespace vaxo_e2e
