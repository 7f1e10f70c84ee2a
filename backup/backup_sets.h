// Where the backup sets of the runs lie and what each says of its run:
// "Upgrade_vaxo.backup" beside the log holds one folder per run, named by
// the run's number among the runs of that log and the time it started
// ("000012-20261209-003559"). The number, never the clock, orders the
// runs: a clock set back or another time zone does not change which run
// came last. Sets of earlier versions, named by the time alone
// ("20261209-003559", "-2" and on within one second), come before them.
#pragma once

#include <cstdint>
#include <set>
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
/// value file "Vaxo_Value.tmp" in the program's folder with its lock, and
/// the log's own files (the log, its lock, its report files, the sets and
/// their lock). Everything else, an installation below the program's or
/// the log's folder included, is the installations'.
class RunOwnFiles {
 public:
  RunOwnFiles(Env* env, const std::string& log_path, const std::string& program_dir);
  bool Holds(const std::string& path) const;

 private:
  Env* env_;
  std::set<std::string> files_;
  std::string sets_prefix_;
};

/// Makes the folder of a new set (and the sets' folder when missing),
/// numbered one past the last run's.
Status MakeSet(Env* env, const std::string& log_path, std::string* set_folder);

struct SetInfo {
  std::string name;
  std::string folder;
  std::string damaged;     // why its journal cannot be read; empty when it can
  std::string log_header;  // the first line of the run's log
  bool ended = false;      // the run wrote how it ended
  int exit_code = 0;
  bool rolled_back = false;
};

/// The set of the run that wrote the log `log_path`, known by the log's
/// first line; NotFound when none is kept.
Status FindSetOfLog(Env* env, const std::string& log_path, SetInfo* set);

/// The sets beside `log_path` in the order of their runs, oldest first;
/// none when there is no folder. A set whose journal cannot be read is
/// listed with the reason in `damaged`.
Status ListSets(Env* env, const std::string& log_path, std::vector<SetInfo>* sets);
/// The bytes of the files of the set in `folder`.
uint64_t SetSize(Env* env, const std::string& folder);
/// What the journal of `folder` says of its run.
Status ReadSetInfo(Env* env, const std::string& folder, SetInfo* info);

/// Which of `sets` (oldest first) `vaxo rollback --prune KEEP` removes: all
/// but the newest `keep`, never the set of a run that is going (the newest
/// set without an end while its log is held, `log_held`).
std::vector<size_t> SetsToPrune(const std::vector<SetInfo>& sets, size_t keep, bool log_held);
/// Removes the set in `folder`: its files, then the folder.
Status RemoveSet(Env* env, const std::string& folder);

}  // namespace backup
}  // namespace vaxo
