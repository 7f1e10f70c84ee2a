// The backup set of one run, taken as the run goes: an Env around the real
// one that, before it lets the run change a file the first time, saves the
// file's bytes and attributes into the set, and before every change writes
// a journal line saying what changes and, where the run knows it, what the
// file will hold then. Both are on disk before the change is made, so the
// set can take both installations back to where they were whatever ends
// the run, a kill included (rollback.h).
//
// The set is a folder of its own in "Upgrade_vaxo.backup" beside the log
// (backup_sets.h). The run's own files (RunOwnFiles) are not backed up.
// The set names every file by its full path, resolved from the current
// folder of the run, so that it means the same files wherever the rollback
// is started; and it names the folder of each file before the file's
// first line (set_paths.h).
//
// When a backup cannot be written, the file is not changed: the change
// returns Status::Refused ("backup <path in the set>: <reason>"), which no
// part of the run takes as a result, so the run stops on it.
#pragma once

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "backup/backup_sets.h"
#include "backup/journal.h"
#include "platform/env_wrapper.h"

namespace vaxo {
namespace backup {

class BackupEnv : public EnvWrapper {
 public:
  /// Makes a new set for the run whose log is `log_path` and writes its
  /// first journal line; RunError when it cannot.
  BackupEnv(Env* target, const std::string& log_path);

  /// The set's folder.
  const std::string& set_folder() const { return set_; }
  /// Names the run's machine-data folders in the set, once they are known.
  /// Refused when the set cannot be written.
  Status MachineDataFolders(const std::vector<std::string>& folders);

  /// Saves the bytes and attributes of those of `paths` that exist and are
  /// not saved yet, in one piece and with one journal line: what a pass may
  /// change, saved before the pass begins. Refused when they cannot be.
  Status SaveBeforeChanges(const std::vector<std::string>& paths);
  /// A child process is about to change `path`, and has changed it: what
  /// it wrote is known only afterwards. Refused when it cannot be saved
  /// or noted.
  Status BeforeChildChanges(const std::string& path);
  Status AfterChildChanged(const std::string& path);

  Status SetArchiveOnly(const std::string& path) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  /// The journal's line and the pre-image come at Commit, before the
  /// replacement takes the target's place.
  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status AppendFileSynced(const std::string& path, const std::string& content) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  /// The journal's last line says how the run ended.
  void DoExitProcess(int code) override;

 private:
  class Replacement;
  struct Known {
    bool attributes = false;  // its attributes before the run are in the journal
    bool content = false;     // its bytes before the run are in the set
  };

  std::string Key(const std::string& path) const { return PathKey(target(), path); }
  bool Excluded(const std::string& key) const;
  /// Names the folder of `path` (in full) in the set.
  Status NameFolderOf(const std::string& path);
  Status NameFolder(const std::string& folder);
  /// Before attributes only change: their state before, once. Before the
  /// bytes change: the pre-image once, then a line per change. A file
  /// whose state cannot be read is not changed: the failure is the change's
  /// result (a failure to write the set stops the run).
  Status BeforeAttributesChange(const std::string& path, uint32_t wanted);
  Status BeforeContentChange(const std::string& path, const char* op, const nlohmann::json& after);
  /// Writes a pack of pre-images; its name in the set into `*name`.
  Status WritePack(const std::string& bytes, std::string* name);
  Status Write(const nlohmann::json& record);
  /// `path` with its last name spelled as on disk, so that a file the run
  /// removes comes back under its own name; the folders' names are kept
  /// in `listed` for the next call.
  Status DiskSpelling(const std::string& path, std::map<std::string, std::vector<DirEntry>>* listed,
                      std::string* spelled);

  std::string set_;
  RunOwnFiles own_;
  Journal journal_;
  std::map<std::string, Known> known_;
  std::set<std::string> folders_;  // named in the set
  std::string own_given_;          // the last of the run's own files, as given in full
  int packs_ = 0;
};

}  // namespace backup
}  // namespace vaxo
