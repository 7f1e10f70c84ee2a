// Where the backup sets of the runs lie and what each says of its run:
// "Upgrade_vaxo.backup" beside the log holds one folder per run, named by
// the time the run started ("20261209-003559", "-2" and on when two runs
// start in the same second), so that they sort in the order of the runs.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {
namespace backup {

/// One key for every spelling of a path: letter case as `env` has it
/// (the run names folders in upper case, the disk may not), "\" separators.
std::string PathKey(Env* env, const std::string& path);

/// The folder of the sets beside the log `log_path`.
std::string SetsFolder(const std::string& log_path);
/// The journal of the set in `set_folder`.
std::string JournalOf(const std::string& set_folder);

/// True for what a run writes that is its own and no installation's: the
/// files of the log's folder named "Upgrade_vaxo.*" (the log, its report,
/// the sets) and whatever lies in the program's folder (the value file).
class RunOwnFiles {
 public:
  RunOwnFiles(Env* env, const std::string& log_path, const std::string& program_dir);
  bool Holds(const std::string& path) const;

 private:
  Env* env_;
  std::string log_prefix_, program_prefix_;
};

/// Makes the folder of a new set (and the sets' folder when missing).
Status MakeSet(Env* env, const std::string& log_path, std::string* set_folder);

struct SetInfo {
  std::string name;
  std::string folder;
  std::string log_header;  // the first line of the run's log
  bool ended = false;      // the run wrote how it ended
  int exit_code = 0;
  bool rolled_back = false;
};

/// The set of the run that wrote the log `log_path`, known by the log's
/// first line; NotFound when none is kept.
Status FindSetOfLog(Env* env, const std::string& log_path, SetInfo* set);

/// The sets beside `log_path`, oldest first; none when there is no folder.
Status ListSets(Env* env, const std::string& log_path, std::vector<SetInfo>* sets);
/// What the journal of `folder` says of its run.
Status ReadSetInfo(Env* env, const std::string& folder, SetInfo* info);

}  // namespace backup
}  // namespace vaxo
