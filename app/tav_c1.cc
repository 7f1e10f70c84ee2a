#include "app/tav_c1.h"

#include <exception>

#include "app/mod_exec.h"
#include "app/progress_view.h"
#include "app/run_report.h"
#include "backup/backup_env.h"
#include "base/exit_code.h"
#include "base/text.h"
#include "files/file_list.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "log/log_location.h"
#include "log/log_texts.h"
#include "platform/env.h"

namespace vaxo {

std::string ChooseLogFile() { return DefaultLogFile(); }

Env* TAV_C1::env() const { return backup_ ? static_cast<Env*>(backup_.get()) : env_; }

void TAV_C1::Load() {
  progress_min_ = 1;
  progress_max_ = 5;
  progress_value_ = 1;
  CurrentProgressView()->Show(progress_min_, progress_max_, progress_value_);
}

void TAV_C1::SetInformation(const std::string& caption) {
  CurrentProgressView()->SetCaption(caption);
}

void TAV_C1::StepProgress() {
  if (progress_max_ > progress_value_) {
    progress_value_ += 1;
  } else {
    progress_value_ = progress_min_;
  }
  CurrentProgressView()->SetValue(progress_value_);
  env()->ProcessEvents();
}

void TAV_C1::StartUpgrade() {
  std::string failure;
  const std::string log_file = ChooseLogFile();
  // The backup set is the environment of the rest of the run; it stays so
  // until the process ends (or, in tests, until StartUpgrade is left).
  std::unique_ptr<ScopedDefaultEnv> backed_up;
  bool log_started = false;
  try {
    // One run at a time writes a log. A run that finds another one at it
    // ends at once and touches nothing, the log least of all: the other
    // run's record would be spoilt.
    const Status locked = env_->Lock(log_file, 0, &run_lock_);
    if (locked.IsBusy()) {
      // A rollback holds the sets' lock while it holds the log.
      std::unique_ptr<EnvLock> sets;
      if (env_->Lock(backup::SetsFolder(log_file), 0, &sets).IsBusy())
        throw RunError("a rollback is running on the log " + log_file +
                       "; this run changed nothing");
      throw RunError("another run is writing the log " + log_file + "; this run changed nothing");
    }
    ThrowIfError(locked);
    ExitCode = 0;
    LogBuch().LogState(true);
    LogBuch().LogFile(log_file);
    log_started = true;
    if (backups_) {
      backup_.reset(new backup::BackupEnv(env_, log_file));
      backed_up.reset(new ScopedDefaultEnv(backup_.get()));
    }
    StepProgress();
    if (!RunSequence()) {
      // The early end: a folder of the command line was empty.
      CurrentProgressView()->Close();
      env()->ExitProcess(0);
    }
    EndWithClosingEntry();
  } catch (const std::exception& e) {  // RunError above all
    failure = log_text::kRunStopped.Format(e.what());
  }
  // An error no part of the run handles: say what failed where, if the log
  // can still take it, and end with 3 without the closing entry.
  try {
    Log(TypError, failure);
  } catch (const std::exception&) {
    // The log itself is what failed; the reports below still give it.
  }
  if (log_started && report_) WriteRunReport(LogBuch().path());
  // A windowed program has no standard error: the system's log always gets
  // the reason, and a person who filled in the form is told at once.
  env()->ReportError(failure + " (exit code 3, log " + log_file + ")");
  if (read_command_.FormShown()) {
    const std::string advice =
        "Exit code 3. Every data file is as it was or completely upgraded: the run can be "
        "started again.";
    CurrentProgressView()->ShowStopped(failure + "\r\n\r\n" + advice + "\r\nLog: " + log_file);
  }
  CurrentProgressView()->Close();
  env()->WriteShown(2, "upgrade_vaxo: " + failure + "\n");
  env()->ExitProcess(3);
}

void TAV_C1::EndWithClosingEntry() {
  Log(TypTitle, log_text::FormatClosing(ExitCode));
  const std::string why = report_ ? WriteRunReport(LogBuch().path()) : std::string();
  CurrentProgressView()->Close();
  Env* env = this->env();
  // A person watching a terminal learns why the run ended as it did and
  // where to read what happened.
  if (env->IsTerminal(2))
    env->WriteShown(2, why + "upgrade_vaxo: exit code " + std::to_string(ExitCode) + ", log " +
                           LogBuch().path() + "\n");
  env->ExitProcess(ExitCode);
}

bool TAV_C1::RunSequence() {
  SetInformation("commandoline read ...");
  if (!read_command_.ReadCommand(env()->CommandLineTail())) {
    Log(TypError, log_text::kCommandFailed.Format());
    ExitCode = 1;
    return true;  // the closing entry follows
  }
  const std::string quelle_steu = read_command_.GetQuelle_Steu();
  const std::string ziel_steu = read_command_.GetZiel_Steu();
  const std::string quelle_r1 = read_command_.GetQuelle_R1();
  const std::string ziel_r1 = read_command_.GetZiel_R1();
  if (quelle_steu.empty() || ziel_steu.empty() || quelle_r1.empty() || ziel_r1.empty()) {
    Log(TypInfo, log_text::kUpgradeEnd.Format());
    return false;
  }
  if (backup_)
    ThrowIfError(backup_->MachineDataFolders({quelle_r1, quelle_steu, ziel_r1, ziel_steu}));

  file_box_.SetPath(quelle_steu);
  file_box_.SetPattern(kSteuDataPattern);
  RunPass(PassKind::kSteu, quelle_steu, ziel_steu);

  // The controller's new $MACHINE.DAT is written by now, so the shift
  // inside the R1 pass writes into the upgraded file.
  file_box_.SetPath(quelle_r1);
  file_box_.SetPattern(kR1DataPattern);
  RunPass(PassKind::kR1, quelle_r1, ziel_r1);
  return true;
}

void TAV_C1::RunPass(PassKind kind, const std::string& source_dir, const std::string& dest_dir) {
  const int32_t n = file_box_.ListCount();  // read once
  if (backup_) {
    // What the pass may write, saved in one piece before it begins.
    std::vector<std::string> paths;
    for (int32_t i = 0; i < n; ++i)
      paths.push_back(datei_fct_.MakeFileName(dest_dir, file_box_.List(i)));
    ThrowIfError(backup_->SaveBeforeChanges(paths));
  }
  for (int32_t i = 0; i < n; ++i) {
    StopIfCloseRequested();
    UpgradeOneFile(kind, file_box_.List(i), source_dir, dest_dir);
  }
  StopIfCloseRequested();
}

// Between two files no data file is half written: a close of the progress
// form asked for during a file takes effect here, as a stopped run.
void TAV_C1::StopIfCloseRequested() {
  if (CurrentProgressView()->CloseRequested())
    throw RunError("the progress form was closed by the user");
}

namespace {

const char* const kShiftVariables[] = {"$ROB_STOPPED", "$ROB_CAL", "$PRO_ACT", "$PRO_MOVE"};

// How long a shift waits for another run's shift from the same program
// folder, which shares the value file, to finish with it.
constexpr int kShiftWaitMs = 60000;

// `path` as given when it is full already (the command line keeps its
// spelling), else resolved from the current folder.
std::string FullForTool(Env* env, const std::string& path) {
  if ((path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0)
    return path;
  return env->FullPath(path);
}

bool NeedsShift(Env* env, const std::string& new_path, const std::string& old_text,
                const std::string& new_text) {
  if (env->UpperCase(new_path).find("$MACHINE.DAT") == std::string::npos) return false;
  // The variables are no path: the engine's letter case (A to Z) is theirs.
  const std::string old_upper = UCase(old_text), new_upper = UCase(new_text);
  for (const char* name : kShiftVariables) {
    if (old_upper.find(name) == std::string::npos) return false;
    if (new_upper.find(name) != std::string::npos) return false;
  }
  return true;
}

}  // namespace

void TAV_C1::UpgradeOneFile(PassKind kind, const std::string& name, const std::string& source_dir,
                            const std::string& dest_dir) {
  const bool r1 = kind == PassKind::kR1;
  const log_text::PassTexts& t = r1 ? log_text::kR1Pass : log_text::kSteuPass;
  Env* env = this->env();

  SetInformation((r1 ? "/R1/" : "/STEU/") + env->UpperCase(name));
  StepProgress();

  const std::string old_path = datei_fct_.MakeFileName(source_dir, name);
  std::string strOldFile;
  Log(TypTitle, log_text::kFileTitle.Format(old_path));
  if (!datei_fct_.CheckFile(old_path, strOldFile)) {
    Log(TypError, t.old_not_read.Format(old_path));
    ExitCode = 1;
    return;
  }
  Log(TypInfo, log_text::kOldRead.Format(old_path));

  const std::string new_path = datei_fct_.MakeFileName(dest_dir, name);
  if (r1 && new_path.size() > 6 &&
      env->UpperCase(new_path.substr(new_path.size() - 6)) == ".SERVO") {
    // A robot axis file the new installation lacks starts as the old one.
    // A hidden file counts as existing; an existing file is never replaced.
    // Only a file that is really missing is copied: one whose attributes
    // cannot be read may well exist and must not be overwritten.
    uint32_t attributes = 0;
    const Status found = env->GetAttributes(new_path, &attributes);
    if (found.IsNotFound()) {
      ThrowIfError(env->CopyFile(old_path, new_path));
    } else {
      ThrowIfError(found);
    }
  }

  std::string strNewFile;
  if (!datei_fct_.CheckFile(new_path, strNewFile)) {
    Log(TypError, t.new_not_read.Format(new_path));
    ExitCode = 1;
    return;
  }
  Log(TypInfo, log_text::kNewRead.Format(new_path));

  if (r1 && NeedsShift(env, new_path, strOldFile, strNewFile)) {
    Log(TypInfo, log_text::kShiftStart.Format());
    ShiftR1ToSteu(old_path, new_path);
  }

  std::string upg_name = datei_fct_.DeleteExtention(name) + ".upg";
  if (!r1 || (!name.empty() && name[0] == '$')) upg_name = upg_name.substr(1);
  const std::string upg_path = datei_fct_.MakeFileName(dest_dir, upg_name);
  std::string strUpgFile;
  Log(TypInfo, t.upg_to_read.Format(upg_path));
  if (!datei_fct_.CheckFile(upg_path, strUpgFile)) {
    Log(TypError, t.upg_not_read.Format(upg_path));
    return;
  }
  Log(TypInfo, t.upg_read.Format(upg_path));
  Log(TypInfo, t.start.Format());

  bool bTestFlag = false;
  ApplyExitCode(vaxo_upg_.Upgrade(name, strOldFile, strNewFile, strUpgFile, bTestFlag));

  if (strOldFile.empty()) {
    Log(TypInfo, log_text::kUpgradeError.Format());
    Log(TypError, log_text::kNotWritten.Format());
    ExitCode = 1;
    return;
  }
  Log(TypInfo, t.success.Format());
  Log(TypInfo, t.written.Format(new_path));
  datei_fct_.WriteFile(new_path, strOldFile);
}

void TAV_C1::ShiftR1ToSteu(const std::string& old_path, const std::string& new_path) {
  Env* env = this->env();
  const std::string program_dir = env->ProgramDirectory();
  const std::string tool = program_dir + "\\ValXfer.exe";
  const std::string value_template = program_dir + "\\Vaxo_Value.dat";
  const std::string value_file = program_dir + "\\Vaxo_Value.tmp";

  // The files the tool reads and writes, taken from the paths of the
  // layout; where a layout has no such prefix, the run's own folders are
  // named.
  std::string old_file = read_command_.GetQuelle_R1() + "\\$machine.dat";
  size_t p = env->UpperCase(old_path).find("\\$MACHINE.DAT");
  if (p != std::string::npos) old_file = old_path.substr(0, p + 1) + "$machine.dat";
  std::string steu_file = read_command_.GetZiel_Steu() + "\\$machine.dat";
  p = env->UpperCase(new_path).find("\\R1\\VAXO\\$MACHINE.DAT");
  if (p != std::string::npos) steu_file = new_path.substr(0, p + 1) + "STEU\\Vaxo\\$machine.dat";
  // The tool is started in the run's current folder, but what it is given
  // is full: a relative path would mean what the tool makes of it.
  old_file = FullForTool(env, old_file);
  steu_file = FullForTool(env, steu_file);

  // The value file is the program folder's: one shift at a time.
  std::unique_ptr<EnvLock> shift_lock;
  ThrowIfError(env->Lock(value_file, kShiftWaitMs, &shift_lock));
  // Archive only before the template is copied onto an older value file,
  // and after: a template from read-only media gives a read-only copy,
  // which the tool could not write and the run could not delete.
  uint32_t attributes = 0;
  const Status stale = env->GetAttributes(value_file, &attributes);
  if (!stale.IsNotFound()) ThrowIfError(stale);
  if (stale.ok()) ThrowIfError(env->SetArchiveOnly(value_file));
  ThrowIfError(env->CopyFile(value_template, value_file));
  ThrowIfError(env->SetArchiveOnly(value_file));
  RunAndWait(tool, tool + " " + value_file + " | " + value_file + " | " + old_file + " /DAT");
  if (backup_) ThrowIfError(backup_->BeforeChildChanges(steu_file));
  RunAndWait(tool, tool + " " + steu_file + " | " + value_file + " /DAT");
  if (backup_) ThrowIfError(backup_->AfterChildChanged(steu_file));
  ThrowIfError(env->DeleteFile(value_file));
  shift_lock.reset();
  CheckShiftArrived();
}

// Nothing the tool returns is trusted (real tools end with odd codes): the
// controller's file itself must hold the four names now, by the same test
// that decided the shift.
void TAV_C1::CheckShiftArrived() {
  const std::string steu_file =
      datei_fct_.MakeFileName(read_command_.GetZiel_Steu(), "$machine.dat");
  std::string text;
  ReadTextFile(steu_file, text);
  const std::string upper = UCase(text);
  std::string missing;
  for (const char* name : kShiftVariables) {
    if (upper.find(name) == std::string::npos)
      missing += std::string(missing.empty() ? "" : " ") + name;
  }
  if (missing.empty()) return;
  Log(TypError, log_text::FormatShiftFailed(missing, steu_file));
  ExitCode = 1;
}

void Main() {
  TAV_C1 form(Env::Default());
  form.Load();
  form.StartUpgrade();
}

}  // namespace vaxo
