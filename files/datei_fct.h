// File names and whole-file operations of a run. Holds no state.
#pragma once

#include <string>

namespace vaxo {

class CLSDateiFct {
 public:
  /// Upper-cased, trimmed `pfad` and `Datei` joined by one "\".
  std::string MakeFileName(std::string pfad, std::string Datei) const;
  std::string MakeDatFileName(const std::string& pfad, const std::string& Datei) const;
  std::string MakeSrcFileName(const std::string& pfad, const std::string& Datei) const;
  /// The name before its first ".".
  std::string DeleteExtention(const std::string& Datei) const;
  /// True when `DateiName` is a normal file; `Datei` then holds its text
  /// and the file is left archive-only (on a read-only medium it keeps its
  /// attributes). Other failures throw.
  bool CheckFile(const std::string& DateiName, std::string& Datei) const;
  /// Replaces the file's content with the text, atomically.
  void WriteFile(const std::string& FileName, const std::string& FileInhalt) const;
  /// Copies `source` over `dest`; false when the copy fails.
  bool CopyFile(const std::string& source, const std::string& dest) const;
  /// The data-file name of an upg-file: "$" + name before "." + ".DAT".
  std::string MakeNewFileName(const std::string& strUPGname) const;
};

}  // namespace vaxo
