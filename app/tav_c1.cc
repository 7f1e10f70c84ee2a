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
#include "platform/env.h"

namespace vaxo {

std::string ChooseLogFile() { return DefaultLogFile(); }

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
  Env::Default()->ProcessEvents();
}

void TAV_C1::StartUpgrade() {
  Env* env = Env::Default();
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
    const Status locked = env->Lock(log_file, 0, &run_lock_);
    if (locked.IsBusy())
      throw RunError("another run is writing the log " + log_file + "; this run changed nothing");
    ThrowIfError(locked);
    ExitCode = 0;
    LogBuch().LogState(true);
    LogBuch().LogFile(log_file);
    log_started = true;
    if (backups_) {
      backup_.reset(new backup::BackupEnv(env, log_file));
      backed_up.reset(new ScopedDefaultEnv(backup_.get()));
    }
    StepProgress();
    RunSequence();
    EndWithClosingEntry();
  } catch (const std::exception& e) {  // RunError above all
    failure = std::string("Run stopped: ") + e.what();
  }
  // An error no part of the run handles: say what failed where, if the log
  // can still take it, and end with 3 without the closing entry.
  try {
    Log(TypError, failure);
  } catch (const std::exception&) {
    // The log itself is what failed; the reports below still give it.
  }
  if (log_started) WriteRunReport(LogBuch().path());
  // A windowed program has no standard error: the system's log always gets
  // the reason, and a person who filled in the form is told at once.
  Env::Default()->ReportError(failure + " (exit code 3, log " + log_file + ")");
  if (read_command_.FormShown()) {
    const std::string advice =
        "Exit code 3. Every data file is as it was or completely upgraded: the run can be "
        "started again.";
    CurrentProgressView()->ShowStopped(failure + "\r\n\r\n" + advice + "\r\nLog: " + log_file);
  }
  CurrentProgressView()->Close();
  Env::Default()->WriteStd(2, "upgrade_vaxo: " + failure + "\n");
  Env::Default()->ExitProcess(3);
}

void TAV_C1::EndWithClosingEntry() {
  Log(TypTitle, "ENDE  (ExitCode=" + std::to_string(ExitCode) + ")");
  const std::string why = WriteRunReport(LogBuch().path());
  CurrentProgressView()->Close();
  Env* env = Env::Default();
  // A person watching a terminal learns why the run ended as it did and
  // where to read what happened.
  if (env->IsTerminal(2))
    env->WriteStd(2, why + "upgrade_vaxo: exit code " + std::to_string(ExitCode) + ", log " +
                         LogBuch().path() + "\n");
  env->ExitProcess(ExitCode);
}

void TAV_C1::RunSequence() {
  SetInformation("commandoline read ...");
  if (!read_command_.ReadCommand(Env::Default()->CommandLineTail())) {
    Log(TypError, "ReadCommand schlug fehl -> Upgrade end");
    ExitCode = 1;
    EndWithClosingEntry();
  }
  const std::string quelle_steu = read_command_.GetQuelle_Steu();
  const std::string ziel_steu = read_command_.GetZiel_Steu();
  const std::string quelle_r1 = read_command_.GetQuelle_R1();
  const std::string ziel_r1 = read_command_.GetZiel_R1();
  if (quelle_steu.empty() || ziel_steu.empty() || quelle_r1.empty() || ziel_r1.empty()) {
    Log(TypInfo, "Upgrade end");
    CurrentProgressView()->Close();
    Env::Default()->ExitProcess(0);
  }

  file_box_.SetPath(quelle_steu);
  file_box_.SetPattern(kSteuDataPattern);
  RunPass(PassKind::kSteu, quelle_steu, ziel_steu);

  // The controller's new $MACHINE.DAT is written by now, so the shift
  // inside the R1 pass writes into the upgraded file.
  file_box_.SetPath(quelle_r1);
  file_box_.SetPattern(kR1DataPattern);
  RunPass(PassKind::kR1, quelle_r1, ziel_r1);
}

void TAV_C1::RunPass(PassKind kind, const std::string& source_dir, const std::string& dest_dir) {
  const int32_t n = file_box_.ListCount();  // read once
  if (backup_) {
    // What the pass may write, saved in one piece before it begins.
    std::vector<std::string> paths;
    for (int32_t i = 0; i < n; ++i)
      paths.push_back(datei_fct_.MakeFileName(dest_dir, file_box_.List(i)));
    backup_->SaveBeforeChanges(paths);
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

// The texts of the two passes that differ.
struct PassTexts {
  const char* caption_prefix;
  const char* old_not_read;
  const char* new_not_read;
  const char* upg_to_read;
  const char* upg_not_read;
  const char* upg_read;
  const char* start;
  const char* success;
  const char* written;
};

const PassTexts kSteuTexts = {
    "/STEU/",
    " error read file ",
    " error in read file ",
    "upg-file read ( ",
    " error in read file ",
    "upg-file < ",
    "--> start Upgrade",
    "<-- Upgrade successfull end",
    "new file writed ( ",
};

const PassTexts kR1Texts = {
    "/R1/",
    " error in read old file ",
    " error read new file ",
    "Upg-file read ( ",
    " error in read upg-file ",
    "UPG-File < ",
    "--> Start Upgrade",
    "<-- Upgrade successfull ende",
    " new file be writed ( ",
};

const char* const kShiftVariables[] = {"$ROB_STOPPED", "$ROB_CAL", "$PRO_ACT", "$PRO_MOVE"};

// How long a shift waits for another run's shift from the same program
// folder, which shares the value file, to finish with it.
constexpr int kShiftWaitMs = 60000;

bool NeedsShift(const std::string& new_path, const std::string& old_text,
                const std::string& new_text) {
  if (Env::Default()->UpperCase(new_path).find("$MACHINE.DAT") == std::string::npos) return false;
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
  const PassTexts& t = r1 ? kR1Texts : kSteuTexts;
  Env* env = Env::Default();

  SetInformation(t.caption_prefix + env->UpperCase(name));
  StepProgress();

  const std::string old_path = datei_fct_.MakeFileName(source_dir, name);
  std::string strOldFile;
  Log(TypTitle, "Upgrade: file = " + old_path);
  if (!datei_fct_.CheckFile(old_path, strOldFile)) {
    Log(TypError, t.old_not_read + old_path);
    ExitCode = 1;
    return;
  }
  Log(TypInfo, "old File < " + old_path + " > successfull readed");

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
    Log(TypError, t.new_not_read + new_path);
    ExitCode = 1;
    return;
  }
  Log(TypInfo, "new File < " + new_path + " > successfull readed");

  if (r1 && NeedsShift(new_path, strOldFile, strNewFile)) {
    Log(TypInfo, "shift differend variable from R1 to STEU");
    ShiftR1ToSteu(old_path, new_path);
  }

  std::string upg_name = datei_fct_.DeleteExtention(name) + ".upg";
  if (!r1 || (!name.empty() && name[0] == '$')) upg_name = upg_name.substr(1);
  const std::string upg_path = datei_fct_.MakeFileName(dest_dir, upg_name);
  std::string strUpgFile;
  Log(TypInfo, t.upg_to_read + upg_path + " )");
  if (!datei_fct_.CheckFile(upg_path, strUpgFile)) {
    Log(TypError, t.upg_not_read + upg_path);
    return;
  }
  Log(TypInfo, t.upg_read + upg_path + " > successfull readed");
  Log(TypInfo, t.start);

  bool bTestFlag = false;
  vaxo_upg_.Upgrade(name, strOldFile, strNewFile, strUpgFile, bTestFlag);

  if (strOldFile.empty()) {
    Log(TypInfo, "<-- Upgrade error");
    Log(TypError, " error --> (file not writed)");
    ExitCode = 1;
    return;
  }
  Log(TypInfo, t.success);
  Log(TypInfo, t.written + new_path + " )");
  datei_fct_.WriteFile(new_path, strOldFile);
}

void TAV_C1::ShiftR1ToSteu(const std::string& old_path, const std::string& new_path) {
  Env* env = Env::Default();
  const std::string program_dir = env->ProgramDirectory();
  const std::string tool = program_dir + "\\ValXfer.exe";
  const std::string value_template = program_dir + "\\Vaxo_Value.dat";
  const std::string value_file = program_dir + "\\Vaxo_Value.tmp";

  // The files the tool reads and writes, taken from the paths of the
  // layout; where a layout has no such prefix, the run's own folders are
  // named, so the tool never gets a path relative to the current folder.
  std::string old_file = read_command_.GetQuelle_R1() + "\\$machine.dat";
  size_t p = env->UpperCase(old_path).find("\\$MACHINE.DAT");
  if (p != std::string::npos) old_file = old_path.substr(0, p + 1) + "$machine.dat";
  std::string steu_file = read_command_.GetZiel_Steu() + "\\$machine.dat";
  p = env->UpperCase(new_path).find("\\R1\\VAXO\\$MACHINE.DAT");
  if (p != std::string::npos) steu_file = new_path.substr(0, p + 1) + "STEU\\Vaxo\\$machine.dat";

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
  if (backup_) backup_->BeforeChildChanges(steu_file);
  RunAndWait(tool, tool + " " + steu_file + " | " + value_file + " /DAT");
  if (backup_) backup_->AfterChildChanged(steu_file);
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
  Log(TypError, "shift R1 to STEU failed: " + missing + " not in " + steu_file);
  ExitCode = 1;
}

void Main() {
  TAV_C1 form;
  form.Load();
  form.StartUpgrade();
}

}  // namespace vaxo
