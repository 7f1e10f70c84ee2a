// The run sequence: the command line read into the four machine-data
// folders, then the STEU pass and the R1 pass over the data files of the
// source folders, each file saved in the backup set before its pass.
#include "app/progress_view.h"
#include "base/exit_code.h"
#include "app/tav_c1.h"
#include "files/file_list.h"
#include "log/log_buch.h"
#include "log/log_texts.h"

namespace vaxo {

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

}  // namespace vaxo
