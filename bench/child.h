// Runs a built program as a child process and measures it: wall time, the
// processor time it used, and the peak resident memory the kernel recorded
// for that child alone.
#pragma once

#include <string>
#include <vector>

namespace vaxo {
namespace bench {

struct ChildRun {
  int exit_code = -1;      // -1: did not start or did not end normally
  double seconds = 0;      // from start to end, wall clock
  double cpu_seconds = 0;  // user and system time of the child: less bent by a busy machine
  long peak_kb = 0;        // maximum resident set size
};

/// Runs `argv` (argv[0] the program's path, no shell) with `env_extra`
/// ("NAME=value") added to this process's environment; standard input
/// from /dev/null, standard output and error into the given files. The
/// time includes the fork of this process.
ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
                  const std::string& out_file, const std::string& err_file);

}  // namespace bench
}  // namespace vaxo
