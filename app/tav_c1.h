// The progress form `TAV_C1` and the run it drives. The form and the run
// frame (StartUpgrade, the one place a run ends) are in tav_c1.cc; the run
// sequence over the two machine-data folders in run_sequence.cc, the pass
// over one data file in file_pass.cc, the R1-to-STEU shift in shift.cc.
#pragma once

#include <memory>
#include <string>

#include "app/file_box.h"
#include "backup/backup_env.h"
#include "files/datei_fct.h"
#include "paths/read_command.h"
#include "platform/env.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {

class TAV_C1 {
 public:
  /// `env`: the environment of the run, handed in by the entry point (the
  /// preview and the tests hand in theirs). The run's writes go through
  /// the backup set around it, once there is one.
  explicit TAV_C1(Env* env) : env_(env) {}

  /// Load handler: progress bar 1..5 at 1; the form is shown.
  void Load();
  /// Runs the whole upgrade and ends the process. Never returns.
  [[noreturn]] void StartUpgrade();
  /// Whether the run keeps a backup set (it does, but for a preview and
  /// the measurement of what the backup costs).
  void set_backups(bool on) { backups_ = on; }
  /// Whether the run writes its report at its end (it does, but for the
  /// measurement of what the report costs).
  void set_report(bool on) { report_ = on; }

  // Visible for tests.
  float ProgressValue() const { return progress_value_; }
  void StepProgress();
  enum class PassKind { kSteu, kR1 };
  void RunPass(PassKind kind, const std::string& source_dir, const std::string& dest_dir);
  void ShiftR1ToSteu(const std::string& old_path, const std::string& new_path);
  FileBox& file_box() { return file_box_; }
  CLSReadCommand& read_command() { return read_command_; }

 private:
  /// The two passes; false for the early end without a closing entry.
  bool RunSequence();
  void UpgradeOneFile(PassKind kind, const std::string& name, const std::string& source_dir,
                      const std::string& dest_dir);
  void SetInformation(const std::string& caption);
  /// Logs the shifted names the controller's new $MACHINE.DAT lacks.
  void CheckShiftArrived();
  void StopIfCloseRequested();
  [[noreturn]] void EndWithClosingEntry();  // only StartUpgrade calls it

  /// The environment the run works on: the backup set, once there is one.
  Env* env() const;

  Env* env_;
  float progress_min_ = 1, progress_max_ = 5, progress_value_ = 1;
  FileBox file_box_;
  CLSReadCommand read_command_;
  CLSDateiFct datei_fct_;
  CLSVaxoUpg vaxo_upg_;
  std::unique_ptr<EnvLock> run_lock_;  // held until the process ends
  bool backups_ = true;
  bool report_ = true;
  std::unique_ptr<backup::BackupEnv> backup_;
};

/// Where the log goes: DefaultLogFile() (log/log_location.h).
std::string ChooseLogFile();

/// The entry point: loads the progress form and starts the upgrade.
[[noreturn]] void Main();

}  // namespace vaxo
