// Finding the line of a key in a line list of the upgrade engine. This is the
// one place that decides which line "holds" a key; the engine's three
// searches (old list, new list as text, new list as number) are three
// settings of it.
//
// The rule: spaces do not count and letters are compared in upper case; a
// line holds the key when its normal form contains the key's normal form
// anywhere. Lines whose normal form starts with ";" are comments and never
// count. The search runs once round the list, starting at the line where it
// last found its key, so upg-files that follow the data file's order cost
// one pass over the file.
//
// This literal walk is the reference of the indexed search (rule_index.h):
// the property test search_sameness_test.cc checks that both give the same
// lines, positions and messages. Keep it plain.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vaxo {

/// Lines of a text in file order; line number k (from 1) is element k - 1.
/// The lines are views into their text, which must outlive the list.
using LineList = std::vector<std::string_view>;

/// The log messages of one search, passed to the logbook as written here.
struct SearchMessages {
  const char* not_found;
  const char* double_found;
};

extern const SearchMessages kFindStringAltMessages;
extern const SearchMessages kFindStringNeuMessages;
extern const SearchMessages kFindLineNeuMessages;

/// Normal form for comparing: every space removed, a to z made A to Z.
std::string SearchForm(std::string_view text);
/// SearchForm of `text` appended to `out`, so a caller can reuse a buffer.
void AppendSearchForm(std::string_view text, std::string* out);
/// True for the normal form of a comment line, which never holds a key.
inline bool IsCommentForm(std::string_view form) { return !form.empty() && form[0] == ';'; }

/// One search over a line list. It reads and moves the caller's position
/// field, so a caller that keeps one field per search keeps the searches
/// apart.
class LineSearch {
 public:
  LineSearch(const LineList& lines, int32_t& position, const SearchMessages& messages)
      : lines_(lines), position_(position), messages_(messages) {}

  /// Number of the line that holds `key`, 0 when none. Without
  /// `check_double` the first non-comment hit from the position on wins.
  /// With it every line is examined, and any hit after the first
  /// non-comment hit makes the key a double: message logged, 0 returned.
  /// The position moves to the first non-comment hit.
  int32_t Find(std::string_view key, bool check_double);

 private:
  const LineList& lines_;
  int32_t& position_;
  const SearchMessages& messages_;
};

}  // namespace vaxo
