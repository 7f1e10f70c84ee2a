#include "paths/read_command.h"

#include "base/text.h"
#include "files/file_list.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "log/log_texts.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"
#include "platform/env.h"

namespace vaxo {

// The log texts and patterns of one directory, in the order: label, first
// patterns, found, failure; then the same for the alternative candidate. Spellings and blanks are
// those the log has always had; people and tools reading the log know them, so they stay as they
// are.
struct CLSReadCommand::DirTexts {
  const log_text::Framed& label;
  const char* pattern1a;
  const char* pattern1b;
  const char* found;
  const char* failure;
  const log_text::Framed& label2;
  const char* pattern2a;
  const char* pattern2b;
  const char* found2;
  const char* failure2;
};

const CLSReadCommand::DirTexts CLSReadCommand::kDirTexts[4] = {
    // source R1
    {log_text::kSorcePathR1, "$*.dat", "$m*.dat",
     "Sorce path R1 ...  $M*.DAT- and / or upg-file found",
     "Sorce path R1 ...  no found $M*.DAT- or upg-file", log_text::kSorcePathR1, "$*.dat",
     "$m*.dat", "Sorce path R1 ...  $M*.DAT- and / or upg-file found",
     "Sorce path R1 ...  not found $M*.DAT- or upg-file"},
    // source STEU
    {log_text::kSorcePathSteu, "$*.dat", "$m*.dat",
     "Sorce path STEU ...  $M*.DAT- and / or upg-file found",
     "Sorce path STEU ...  not found $M*.DAT- or upg-file", log_text::kSorcePathSteu, "$*.dat",
     "$m*.dat", "Sorce path STEU ...  $M*.DAT- and / or upg-file",
     "Sorce path STEU ...  not found $M*.DAT- or upg-file"},
    // destination R1
    {log_text::kDestinationPathR1, "$m*.dat", "*.upg",
     "Destination path R1 ...  $M*.DAT- and / or upg-file found",
     "Destination path R1 ...  not found $M*.DAT- or upg-file", log_text::kDestinationPathR1,
     "$m*.dat", "*.upg", "Destination pathe R1 ...  $M*.DAT- and / or upg-file found",
     "Destination path R1 ...  not found $M*.DAT- or upg-file"},
    // destination STEU
    {log_text::kDestinationPathSteu, "$m*.dat", "*.upg",
     "Destination path STEU ...  $M*.DAT- and / or upg-file found",
     "Destination path STEU ...  not found $M*.DAT- or upg-file", log_text::kDestinationPathSteuAlt,
     "$*.dat", "*.upg", "Destination path STEU ...  $M*.DAT- and / or upg-file found",
     "Destination path STEU ...  not found $M*.DAT- or upg-file"},
};

namespace {

// The depths at which a root may be given, deepest first, with what each
// needs appended to reach the R1 directory. Every row's STEU directory is
// its R1 directory with "\R1\VAXO" replaced by "\STEU\VAXO".
struct Depth {
  const char* ending;
  const char* to_r1;
};

const Depth kZielDepths[] = {
    {"\\ROBOTER\\ZEL\\R1\\VAXO", ""}, {"\\ROBOTER\\ZEL\\R1", "\\VAXO"},
    {"\\ROBOTER\\ZEL", "\\R1\\VAXO"}, {"\\ROBOTER", "\\ZEL\\R1\\VAXO"},
    {"", "\\ROBOTER\\ZEL\\R1\\VAXO"},
};

const Depth kQuelleDepths[] = {
    {"\\ZEL\\R1\\VAXO", ""},
    {"\\ZEL\\R1", "\\VAXO"},
    {"\\ZEL", "\\R1\\VAXO"},
    {"", "\\ZEL\\R1\\VAXO"},
};

template <size_t N>
void SetCandidates(const Depth (&depths)[N], const std::string& root, std::string& r1,
                   std::string& steu) {
  const std::string kR1 = "\\R1\\VAXO";
  for (const Depth& d : depths) {
    if (!EndsWith(root, d.ending)) continue;
    r1 = root + d.to_r1;
    steu = r1.substr(0, r1.size() - kR1.size()) + "\\STEU\\VAXO";
    return;
  }
}

}  // namespace

bool CLSReadCommand::ReadCommand(std::string strCommand) {
  Env* env = Env::Default();
  strCommand = env->UpperCase(TrimSpaces(strCommand));
  Log(TypInfo, "commandolineargument: " + strCommand);

  if (strCommand.find('|') == std::string::npos) {
    Log(TypError, "not found Trennzeichen < | > in commandolineargument");
    Log(TypInfo, log_text::kFormAsked.Format());
    UI form;
    bFormShown = true;
    CurrentUIFrontEnd()->ShowModal(form);
    if (form.isCorrupted()) env->ExitProcess(0);
    // A user may have typed host paths; what is logged is what is used.
    const std::string strSource = env->SystemPath(form.SourcePath());
    const std::string strDestination = env->SystemPath(form.DestinationPath());
    Log(TypInfo, "Sorce:      " + strSource);
    Log(TypInfo, "Destination:        " + strDestination);
    strCommand = strSource + "|" + strDestination;
  }

  size_t quote;
  while ((quote = strCommand.find('"')) != std::string::npos) strCommand.erase(quote, 1);

  const size_t bar = strCommand.find('|');
  const std::string S = env->UpperCase(TrimSpaces(TrimPath(strCommand.substr(0, bar))));
  const std::string D = env->UpperCase(TrimSpaces(TrimPath(strCommand.substr(bar + 1))));
  if (!D.empty()) SetCandidates(kZielDepths, D, strZiel_R1, strZiel_Steu);
  if (!S.empty()) SetCandidates(kQuelleDepths, S, strQuelle_R1, strQuelle_Steu);
  Log(TypInfo, "1. commandolineargument: " + S);
  Log(TypInfo, "2. commandolineargument: " + D);

  return CheckDir(kDirTexts[kQuelleR1], strQuelle_R1, S + "\\ZEL\\R1\\VAXO") &&
         CheckDir(kDirTexts[kQuelleSteu], strQuelle_Steu, S + "\\ZEL\\STEU\\VAXO") &&
         CheckDir(kDirTexts[kZielR1], strZiel_R1, D + "\\VAXO\\R1") &&
         CheckDir(kDirTexts[kZielSteu], strZiel_Steu, D + "\\VAXO\\STEU");
}

bool CLSReadCommand::CheckDir(const DirTexts& texts, std::string& strDir,
                              const std::string& strAlternative) {
  Log(TypInfo, texts.label.Format(strDir));
  // An empty half of the command line: no candidate worth trying, and the
  // bare suffix would send the search to the root of the current drive.
  if (strDir.empty()) {
    Log(TypError, texts.failure);
    return false;
  }
  ClearFileAttributes(strDir);  // hidden data files become visible to the test
  if (CheckPath(strDir, texts.pattern1a, texts.pattern1b)) {
    Log(TypInfo, texts.found);
    return true;
  }
  Log(TypError, texts.failure);
  strDir = strAlternative;
  Log(TypInfo, texts.label2.Format(strDir));
  ClearFileAttributes(strDir);
  if (CheckPath(strDir, texts.pattern2a, texts.pattern2b)) {
    Log(TypInfo, texts.found2);
    return true;
  }
  Log(TypError, texts.failure2);
  return false;
}

bool CLSReadCommand::CheckPath(std::string strDir, std::string strPattern1,
                               std::string strPattern2) {
  // Normal files only; a failing listing finds nothing.
  return !FindFirst(strDir + "\\" + strPattern1, 0).empty() ||
         !FindFirst(strDir + "\\" + strPattern2, 0).empty();
}

std::string CLSReadCommand::TrimPath(std::string strPath) {
  strPath = TrimSpaces(strPath);
  if (!strPath.empty() && strPath.back() == '\\') strPath.pop_back();
  return strPath;
}

}  // namespace vaxo
