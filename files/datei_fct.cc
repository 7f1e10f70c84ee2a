#include "files/datei_fct.h"

#include "base/text.h"
#include "files/text_file.h"
#include "platform/env.h"

namespace vaxo {

std::string CLSDateiFct::MakeFileName(std::string pfad, std::string Datei) const {
  Env* env = Env::Default();
  pfad = TrimSpaces(env->UpperCase(pfad));
  Datei = TrimSpaces(env->UpperCase(Datei));
  if (!pfad.empty() && pfad.back() == '\\') return pfad + Datei;
  return pfad + "\\" + Datei;
}

std::string CLSDateiFct::MakeDatFileName(const std::string& pfad, const std::string& Datei) const {
  return MakeFileName(pfad, DeleteExtention(Datei) + ".DAT");
}

std::string CLSDateiFct::MakeSrcFileName(const std::string& pfad, const std::string& Datei) const {
  return MakeFileName(pfad, DeleteExtention(Datei) + ".SRC");
}

std::string CLSDateiFct::DeleteExtention(const std::string& Datei) const {
  size_t dot = Datei.find('.');
  return dot == std::string::npos ? Datei : Datei.substr(0, dot);
}

bool CLSDateiFct::CheckFile(const std::string& DateiName, std::string& Datei) const {
  Datei.clear();
  Env* env = Env::Default();
  if (!env->NormalFileExists(DateiName)) return false;
  // Old installations are often restored from read-only media (a CD, a
  // write-protected stick): there the attributes cannot change, and the
  // file is read as it is.
  const Status s = env->SetArchiveOnly(DateiName);
  if (!s.ok() && !s.IsReadOnlyMedium()) throw RunError(s);
  ReadTextFile(DateiName, Datei);
  return true;
}

void CLSDateiFct::WriteFile(const std::string& FileName, const std::string& FileInhalt) const {
  Env* env = Env::Default();
  if (env->NormalFileExists(FileName)) ThrowIfError(env->SetArchiveOnly(FileName));
  WriteTextFile(FileName, FileInhalt);
}

bool CLSDateiFct::CopyFile(const std::string& source, const std::string& dest) const {
  Env* env = Env::Default();
  if (env->NormalFileExists(dest)) ThrowIfError(env->SetArchiveOnly(dest));
  const Status s = env->CopyFile(source, dest);
  if (s.IsRefused()) throw RunError(s);  // a backup that fails stops the run
  return s.ok();
}

std::string CLSDateiFct::MakeNewFileName(const std::string& strUPGname) const {
  return Env::Default()->UpperCase("$" + DeleteExtention(strUPGname) + ".dat");
}

}  // namespace vaxo
