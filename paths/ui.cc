#include "paths/ui.h"

#include "files/file_list.h"
#include "platform/env.h"

namespace vaxo {

namespace {
// Every kind of entry: normal, read-only, hidden, system, directory and
// archive (55), so a prefix counts as existing whatever it names.
constexpr uint32_t kEveryEntry = 55;
}  // namespace

std::string UI::Run() {
  if (!TestForDir(SrcPath)) {
    bCorrupted = true;
    return kSourceNotFound;
  }
  if (!TestForDir(DestPath)) {
    bCorrupted = true;
    return kDestinationNotFound;
  }
  strSourcePath = SrcPath;
  strDestinationPath = DestPath;
  bCorrupted = false;
  return std::string();
}

void UI::Leave() { Env::Default()->ExitProcess(0); }

bool UI::TestForDir(std::string dirPath) {
  std::string rest = dirPath;
  std::string built;
  // A name without any "\" is relative: it has no drive part and is looked
  // up as given, in the current directory. (Taking the whole text as the
  // drive would ask for the text joined with itself.)
  std::string drive = dirPath.find('\\') == std::string::npos ? std::string() : removeDrive(rest);
  while (true) {
    size_t p = rest.find('\\');
    if (p != std::string::npos) {
      const std::string component = rest.substr(0, p);
      built = built.empty() ? component : built + "\\" + component;
      rest = rest.substr(p + 1);
    } else {
      if (rest.empty()) return true;
      built = built.empty() ? rest : built + "\\" + rest;
      rest.clear();
    }
    // A failing listing (no such drive, a rejected name) finds nothing.
    if (!FindFirst(drive + built, kEveryEntry).empty()) continue;
    if (getShortName(built) == ".") continue;
    return false;
  }
}

std::string UI::removeDrive(std::string& anyPathWithDrive) {
  size_t p = anyPathWithDrive.find('\\');
  if (p == std::string::npos) return anyPathWithDrive;
  std::string drive = anyPathWithDrive.substr(0, p + 1);
  anyPathWithDrive = anyPathWithDrive.substr(p + 1);
  return drive;
}

std::string UI::getShortName(std::string FileName) {
  int32_t p = FindLastBackSlash(FileName);
  if (p == 0) return FileName;
  return FileName.substr(p);
}

int32_t UI::FindLastBackSlash(const std::string& pathname) {
  size_t p = pathname.rfind('\\');
  return p == std::string::npos ? 0 : int32_t(p + 1);
}

}  // namespace vaxo
