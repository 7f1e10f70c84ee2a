// The child process of the POSIX backend: the program itself, started
// without a shell, with the rest of the command line as its one argument.
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/env_posix.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"

extern char** environ;

namespace vaxo {

int PosixEnv::RunAndWait(const std::string& application, const std::string& command_line,
                         Status* start_error) {
  std::string host;
  Status s = HostPath("run", application, false, &host);
  if (!s.ok()) {
    if (start_error) *start_error = s;
    return 0;
  }
  // Straight to the program, never through a shell: the command line holds
  // "$" and "|", which must reach the child unchanged.
  std::string program = host;
  std::string argument = ChildArgument(application, command_line);
  std::vector<char*> argv{&program[0]};
  if (!argument.empty()) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t pid;
  const int err = sys::Spawn(&pid, program, nullptr, argv.data(), environ);
  if (err != 0) {
    if (start_error) *start_error = sys::Error("run", application, err);
    return 0;
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
    if (errno != EINTR) {
      if (start_error) *start_error = sys::Error("wait", application, errno);
      return 0;
    }
  }
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return 0;
}

}  // namespace vaxo
