// The pass over one data file: the old, the new file and the upg-file
// read, a missing robot axis file started as the old one, the shift where
// it is due, the merge and the new file written. Each step is logged.
#include "app/tav_c1.h"
#include "base/exit_code.h"
#include "base/text.h"
#include "log/log_buch.h"
#include "log/log_texts.h"
#include "paths/machine_file.h"

namespace vaxo {
namespace {

bool NeedsShift(Env* env, const std::string& new_path, const std::string& old_text,
                const std::string& new_text) {
  if (!NamesMachineFile(env, new_path)) return false;
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

}  // namespace vaxo
