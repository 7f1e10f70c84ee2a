// Two runs of the real program at once on one machine. Runs that write
// different logs may go side by side, but their shifts share the program
// folder's value file and must take turns: each robot's controller file
// gets its own robot's values, never the other's. A run that would write
// the log another run is writing is refused at once and touches nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "tests/e2e_harness.h"

extern char** environ;

namespace vaxo_e2e {
namespace {

// An installation pair below `pair` whose robot shifts the four variables
// with the value `value`.
void Pair(Scratch& s, const std::string& pair, const std::string& value) {
  s.Write(pair + "/old/ZEL/STEU/VAXO/$machine.dat", Crlf({"$A=1"}));
  s.Write(pair + "/old/ZEL/R1/VAXO/$machine.dat",
          Crlf({"$R=1", "$ROB_STOPPED=" + value, "$ROB_CAL=" + value, "$PRO_ACT=" + value,
                "$PRO_MOVE=" + value}));
  s.Write(pair + "/new/ROBOTER/ZEL/STEU/VAXO/$machine.dat", Crlf({"$A=0"}));
  s.Write(pair + "/new/ROBOTER/ZEL/STEU/VAXO/machine.upg", Crlf({"$A="}));
  s.Write(pair + "/new/ROBOTER/ZEL/R1/VAXO/$machine.dat", Crlf({"$R=0"}));
  s.Write(pair + "/new/ROBOTER/ZEL/R1/VAXO/machine.upg", Crlf({"$R="}));
  s.MakeDir(pair + "/pristine");
  fs::copy(s.root() / pair / "new", s.root() / pair / "pristine", fs::copy_options::recursive);
}

void Restore(const Scratch& s, const std::string& pair) {
  fs::remove_all(s.root() / pair / "new");
  fs::copy(s.root() / pair / "pristine", s.root() / pair / "new", fs::copy_options::recursive);
}

std::string Args(const Scratch& s, const std::string& pair) {
  return (s.root() / pair / "old").string() + "|" + (s.root() / pair / "new").string();
}

// The program folder's tool takes `seconds` before it does its work, so
// that runs started together are inside their shifts together.
void SlowTool(Scratch& s, const std::string& seconds) {
  s.Run("nothing|here");  // puts the program, the tool and the template in place
  fs::rename(s.program_dir() / "ValXfer.exe", s.program_dir() / "real_tool");
  s.Write("prog/ValXfer.exe",
          "#!/bin/sh\nsleep " + seconds + "\nexec \"$(dirname \"$0\")/real_tool\" \"$@\"\n");
  fs::permissions(s.program_dir() / "ValXfer.exe", fs::perms::owner_exec, fs::perm_options::add);
}

// Starts the program with drive C: at `drive_c`; its output goes to files
// named after `tag` in the scratch folder.
pid_t Start(const Scratch& s, const std::string& args, const fs::path& drive_c,
            const std::string& tag) {
  const std::string prog = (s.program_dir() / "upgrade_vaxo").string();
  std::vector<std::string> env_strings = {"VAXO_DRIVE_C=" + drive_c.string(), "HOME=/nonexistent",
                                          "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (auto& e : env_strings) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  std::string a0 = prog, a1 = args;
  char* argv[] = {&a0[0], &a1[0], nullptr};
  const std::string out = (s.root() / (tag + ".out")).string();
  const std::string err = (s.root() / (tag + ".err")).string();
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Values(const std::string& value) {
  return Crlf({"$A=1", "$ROB_STOPPED=" + value, "$ROB_CAL=" + value, "$PRO_ACT=" + value,
               "$PRO_MOVE=" + value});
}

TEST(ConcurrentRuns, TwoRobotsFromOneProgramFolderEachGetTheirOwnValues) {
  Scratch s;
  Pair(s, "a", "11");
  Pair(s, "b", "22");
  s.MakeDir("drive_a");
  s.MakeDir("drive_b");
  SlowTool(s, "0.05");
  const std::string steu = "/new/ROBOTER/ZEL/STEU/VAXO/$machine.dat";
  for (int round = 1; round <= 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Restore(s, "a");
    Restore(s, "b");
    const pid_t a = Start(s, Args(s, "a"), s.root() / "drive_a", "a");
    const pid_t b = Start(s, Args(s, "b"), s.root() / "drive_b", "b");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(Wait(a), 0) << s.Read("a.err");
    EXPECT_EQ(Wait(b), 0) << s.Read("b.err");
    ASSERT_EQ(s.Read("a" + steu), Values("11"));
    ASSERT_EQ(s.Read("b" + steu), Values("22"));
    EXPECT_FALSE(s.Exists("prog/Vaxo_Value.tmp"));
  }
}

TEST(ConcurrentRuns, ARunOnALogBeingWrittenIsRefusedAndTouchesNothing) {
  Scratch s;
  Pair(s, "a", "11");
  s.MakeDir("drive_c/zel/roboter/log");
  ASSERT_EQ(s.Run(Args(s, "a")).exit_code, 0);
  const std::string clean = s.LogBody();
  Restore(s, "a");
  SlowTool(s, "1");

  const pid_t first = Start(s, Args(s, "a"), s.drive_c(), "first");
  ASSERT_GT(first, 0);
  // The first run is inside its shift, halfway through its log.
  for (int i = 0; i < 500 && s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log").find("shift") ==
                                 std::string::npos;
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto new_before = s.Snapshot("a/new");
  const std::string log_before = s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log");
  ASSERT_NE(log_before.find("shift"), std::string::npos);

  const pid_t second = Start(s, Args(s, "a"), s.drive_c(), "second");
  ASSERT_GT(second, 0);
  EXPECT_EQ(Wait(second), 3);
  EXPECT_EQ(s.Read("second.err"),
            "upgrade_vaxo: Run stopped: another run is writing the log "
            "c:\\zel\\roboter\\log\\Upgrade_vaxo.log; this run changed nothing\n");
  EXPECT_EQ(s.Snapshot("a/new"), new_before);
  EXPECT_EQ(
      s.Read("drive_c/zel/roboter/log/Upgrade_vaxo.log").compare(0, log_before.size(), log_before),
      0);

  EXPECT_EQ(Wait(first), 0) << s.Read("first.err");
  EXPECT_EQ(s.LogBody(), clean);  // one run, whole
  EXPECT_EQ(s.Read("a/new/ROBOTER/ZEL/STEU/VAXO/$machine.dat"), Values("11"));
}

}  // namespace
}  // namespace vaxo_e2e
