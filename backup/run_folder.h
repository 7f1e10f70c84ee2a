// Where a run started. A log keeps the paths as the run built them, which
// may be relative ("OLD\ZEL\R1\..." for a command line "old|new", or
// "Z:C7\NEW\..." on another drive); they mean the folders of the run's
// start, not those of whoever reads the log later. The run's backup set
// records its current folder, and that of every other drive that has one,
// and a reader resolves the log's paths from there.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"

namespace vaxo {
namespace backup {

/// The current folders of the run's process: `folder` (a full path), and
/// by drive letter (upper case) the current folder of each other drive
/// that has one of its own.
struct RunFolders {
  std::string folder;
  std::map<char, std::string> drives;
};

/// What `env` has now, for the journal's first line.
RunFolders CurrentFolders(Env* env);
/// The folders the set of the log `log_path` recorded; NotFound when no
/// set of that log is kept, or its run recorded none (an earlier version).
Status FoldersOfLogsRun(Env* env, const std::string& log_path, RunFolders* folders);

/// `path` resolved from `folders` as the run's process would have: a full
/// path stays as it is; empty when `folders` is empty and `path` is not
/// full.
std::string ResolveFrom(const RunFolders& folders, const std::string& path);

/// An Env that reads every path as the run's process named it: paths are
/// resolved from the run's folders (ResolveFrom) before they go below.
/// Where those are not known, a path that is not full is not found ("the
/// folder the run started in is not known") and counted. Writes go below
/// as they are.
class RunFolderEnv : public EnvWrapper {
 public:
  RunFolderEnv(Env* target, RunFolders folders)
      : EnvWrapper(target), folders_(std::move(folders)) {}

  /// How many paths could not be resolved.
  int unresolved() const { return unresolved_; }

  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  std::string FullPath(const std::string& path) override;

 private:
  /// False (and counted) when `path` cannot be resolved.
  bool Resolve(const std::string& path, std::string* full);
  Status Unknown(const char* op, const std::string& path);

  RunFolders folders_;
  int unresolved_ = 0;
};

}  // namespace backup
}  // namespace vaxo
