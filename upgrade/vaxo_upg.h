// The upgrade engine: merges the old and the new text of one machine-data
// file by the rules of its upg-file. Works on texts in memory only; the
// caller reads and writes the files.
//
// Every rule line of the upg-file names a variable. Its line in the new text
// is replaced by the old text's line (A), or by the rule line itself when
// the old text lacks the variable and the rule gives a default (B); without
// a default the new line stays (C, exit code 2). A variable that the new text
// lacks is not carried over (D, exit code 1). One log entry per rule, plus
// the searches' own entries. The engine sets no exit code itself: it hands
// back the one its rules give, and the caller applies it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "upgrade/line_search.h"

namespace vaxo {

class RuleIndex;

/// How the engine finds the line of a key. Both give the same lines, the
/// same positions and the same messages; the literal walk is the plain
/// reference, the index makes a rule cost about its hits.
enum class SearchMethod { kIndexed, kLiteral };

class CLSVaxoUpg {
 public:
  /// Merges the texts: `strOldFile` receives the new text's non-blank lines,
  /// each ended by CR LF, with the lines named by the rules of `strUpgFile`
  /// replaced. `bTestFlag` switches the searches to check mode (doubles
  /// count as missing); it is only read. `strFileName` is not used.
  /// Returns the exit code the rules give (the last one assigned: 2 for a
  /// new line kept, 1 for an old line lost), 0 when none gives one.
  int32_t Upgrade(const std::string& strFileName, std::string& strOldFile,
                  const std::string& strNewFile, const std::string& strUpgFile, bool& bTestFlag);
  int32_t Upgrade(const std::string& strFileName, std::string& strOldFile,
                  const std::string& strNewFile, const std::string& strUpgFile);

  /// `str` with every run of spaces made one space and the ends trimmed.
  std::string DelDblLeerz(const std::string& str) const;
  /// `str` without any space.
  std::string DelLeerz(const std::string& str) const;

  // --- the pieces of Upgrade -------------------------------------------------
  // Public so that tests can drive them one by one; callers use Upgrade.

  /// The key of a line: up to and including its first "=" (the whole line
  /// when it has none), after DelDblLeerz.
  std::string GetVarName(const std::string& line) const;
  /// True when the trimmed line is longer than the position of its first
  /// "=" in the untrimmed line, i.e. something follows the "=".
  bool HasValue(const std::string& line) const;
  /// Appends every non-blank line of `text` to `lines`, unchanged. CR LF,
  /// a lone CR and a lone LF end a line. The lines point into `text`.
  void MakeLineList(const std::string& text, LineList& lines) const;
  /// The entries of the table, each followed by CR LF.
  std::string MakeFileText(const LineList& table) const;
  /// The line of the old list that holds `key`, ends trimmed; "" when none.
  std::string FindStringAlt(const std::string& key, const LineList& lines);
  /// The same in the new list, with its own position.
  std::string FindStringNeu(const std::string& key, const LineList& lines);
  /// Number of the new-list line that holds `key`; 0 when none.
  int32_t FindLineNeu(const std::string& key, const LineList& lines);
  /// The value of `line` for the log entry of a carried-over variable.
  std::string LineValue(const std::string& line, const std::string& key) const;

  /// The key of a rule line: GetVarName of the line in upper case.
  static std::string RuleKey(const std::string& line);

  /// Switches between the two searches (tests and measurements).
  void SetSearchMethod(SearchMethod method) { search_method_ = method; }

  /// Where each search starts next: 1, or the line of its last hit.
  int32_t lPosAlt = 1;
  int32_t lPosNeuLine = 1;
  /// Check mode of the three searches: each examines its whole list and
  /// rejects a key found more than once.
  bool bCheckDouble = false;
  int32_t lPosNeu = 1;

 private:
  /// `rule` is the number (from 0) of the rule whose key `key` is, or -1.
  int32_t Search(int32_t rule, std::string_view key, const LineList& lines, int32_t& position,
                 const SearchMessages& messages);

  SearchMethod search_method_ = SearchMethod::kIndexed;
  const RuleIndex* index_ = nullptr;  // set while Upgrade runs
};

}  // namespace vaxo
