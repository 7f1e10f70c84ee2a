#include "app/tav_c1.h"

#include <exception>

#include "app/progress_view.h"
#include "app/run_report.h"
#include "backup/backup_env.h"
#include "base/exit_code.h"
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

// Between two files no data file is half written: a close of the progress
// form asked for during a file takes effect here, as a stopped run.
void TAV_C1::StopIfCloseRequested() {
  if (CurrentProgressView()->CloseRequested())
    throw RunError("the progress form was closed by the user");
}

void Main() {
  TAV_C1 form(Env::Default());
  form.Load();
  form.StartUpgrade();
}

}  // namespace vaxo
