// The shift of the four robot variables into the controller's new
// $MACHINE.DAT by the value-transfer tool, and the check that they arrived.
#include "app/mod_exec.h"
#include "app/tav_c1.h"
#include "base/exit_code.h"
#include "base/text.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "log/log_texts.h"
#include "paths/machine_file.h"

namespace vaxo {
namespace {

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

}  // namespace

void TAV_C1::ShiftR1ToSteu(const std::string& old_path, const std::string& new_path) {
  Env* env = this->env();
  const std::string program_dir = env->ProgramDirectory();
  const std::string tool = program_dir + "\\ValXfer.exe";
  const std::string value_template = program_dir + "\\Vaxo_Value.dat";
  const std::string value_file = program_dir + "\\Vaxo_Value.tmp";

  // The tool is started in the run's current folder, but what it is given
  // is full: a relative path would mean what the tool makes of it.
  const std::string old_file =
      FullForTool(env, RobotFileForTool(env, old_path, read_command_.GetQuelle_R1()));
  const std::string steu_file =
      FullForTool(env, ControllerFileForTool(env, new_path, read_command_.GetZiel_Steu()));

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
  const std::string steu_file = ControllerMachineFile(read_command_.GetZiel_Steu());
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

}  // namespace vaxo
