// The one-file merge command: a service engineer merges one data file by
// hand, exactly as a run merges it, and sees the engine's log on the way.
//
//   upgrade_file [--check] [-o FILE] OLD NEW UPG
//
// The merged text goes to standard output as the file would hold it on
// disk, or with -o atomically into FILE (refused when FILE is read-only);
// the log entries go to standard error in the log file's layouts. The
// inputs are read as they are, hidden ones too, and no attribute changes.
// Exit code: the run's ExitCode (0, 1, 2), or kUpgradeFileFailed when the
// merge could not be done at all.
#pragma once

#include <string>
#include <vector>

namespace vaxo {

constexpr int kUpgradeFileFailed = 3;

/// Runs the command with its arguments (without the program name) and
/// returns the process exit code. Never throws.
int RunUpgradeFile(const std::vector<std::string>& args);

}  // namespace vaxo
