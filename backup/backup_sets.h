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

/// The folder of the sets beside the log `log_path`.
std::string SetsFolder(const std::string& log_path);
/// The journal of the set in `set_folder`.
std::string JournalOf(const std::string& set_folder);

/// True for what a run writes that is its own and no installation's: the
/// files of the log's folder named "Upgrade_vaxo.*" (the log, its report,
/// the sets) and whatever lies in the program's folder (the value file).
class RunOwnFiles {
 public:
  RunOwnFiles(const std::string& log_path, const std::string& program_dir);
  bool Holds(const std::string& path) const;

 private:
  std::string log_prefix_, program_prefix_;
};

/// Makes the folder of a new set (and the sets' folder when missing).
Status MakeSet(Env* env, const std::string& log_path, std::string* set_folder);

struct SetInfo {
  std::string name;
  std::string folder;
  bool ended = false;  // the run wrote how it ended
  int exit_code = 0;
  bool rolled_back = false;
};

/// The sets beside `log_path`, oldest first; none when there is no folder.
Status ListSets(Env* env, const std::string& log_path, std::vector<SetInfo>* sets);
/// What the journal of `folder` says of its run.
Status ReadSetInfo(Env* env, const std::string& folder, SetInfo* info);

}  // namespace backup
}  // namespace vaxo
