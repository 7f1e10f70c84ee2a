#include "bench/child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vaxo {
namespace bench {
namespace {

/// VmHWM of a live process in kB, 0 when unreadable.
long PeakKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

void Redirect(int fd, const std::string& file, int flags) {
  const int opened = open(file.c_str(), flags, 0644);
  if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
  close(opened);
}

}  // namespace

// The kernel's ru_maxrss of a child counts the parent's memory too (it is
// carried over the exec from the forked image), so the peak is read from
// the child's own VmHWM instead, at the moment it exits: the child runs
// traced, and the tracer stops it once, at its exit, while its memory is
// still there to be read.
ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                  const std::string& out_file, const std::string& err_file) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    for (const std::string& e : env_extra) putenv(const_cast<char*>(e.c_str()));
    Redirect(0, "/dev/null", O_RDONLY);
    Redirect(1, out_file, O_WRONLY | O_CREAT | O_TRUNC);
    Redirect(2, err_file, O_WRONLY | O_CREAT | O_TRUNC);
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  // First stop: right after the exec.
  if (waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) return run;
  // An exec of its own (a program behind a shell wrapper) stops it as an
  // event, not as a SIGTRAP that would be passed on and end it.
  ptrace(PTRACE_SETOPTIONS, pid, nullptr,
         reinterpret_cast<void*>(long{PTRACE_O_TRACEEXIT | PTRACE_O_TRACEEXEC}));
  ptrace(PTRACE_CONT, pid, nullptr, nullptr);
  struct rusage usage = {};
  for (;;) {
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    if (WIFEXITED(status) || WIFSIGNALED(status)) break;
    if (WIFSTOPPED(status) && (status >> 8) == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
      run.peak_kb = PeakKb(pid);
      ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    } else if (WIFSTOPPED(status) && (status >> 8) == (SIGTRAP | (PTRACE_EVENT_EXEC << 8))) {
      ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    } else if (WIFSTOPPED(status)) {
      ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(long{WSTOPSIG(status)}));
    }
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

}  // namespace bench
}  // namespace vaxo
