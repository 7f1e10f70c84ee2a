#include "upgrade/line_search.h"

#include "base/text.h"
#include "log/log_buch.h"

namespace vaxo {

const SearchMessages kFindStringAltMessages = {" String not found (VAXO_alt)",
                                               " String is double exist (VAXO_alt)"};
const SearchMessages kFindStringNeuMessages = {" String not found (VAXO_neu)",
                                               " String is double exist (VAXO_neu)"};
const SearchMessages kFindLineNeuMessages = {"  Line not found (VAXO_neu)",
                                             " String is double exist (VAXO_neu)"};

// Every line of every file passes here: written in place, a byte a step
// and no test of room, the blanks stepped over rather than branched on.
void AppendSearchForm(std::string_view text, std::string* out) {
  const size_t at = out->size();
  out->resize(at + text.size());
  char* const begin = &(*out)[at];
  char* end = begin;
  for (char c : text) {
    *end = UpperAscii(c);
    end += c != ' ';
  }
  out->resize(at + static_cast<size_t>(end - begin));
}

std::string SearchForm(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendSearchForm(text, &out);
  return out;
}

int32_t LineSearch::Find(std::string_view key, bool check_double) {
  const std::string k = SearchForm(key);
  const int32_t n = static_cast<int32_t>(lines_.size());
  // The engine keeps its positions within 1..n; a position from anywhere
  // else starts at the first line rather than reading outside the list.
  int32_t i = (position_ >= 1 && position_ <= n) ? position_ : 1;
  int32_t found = 0;
  std::string line;  // reused, so examining a line allocates only once
  for (int32_t examined = 0; examined < n; ++examined) {
    line.clear();
    AppendSearchForm(lines_[i - 1], &line);
    if (line.find(k) != std::string::npos) {
      if (found != 0) {
        Log(TypError, messages_.double_found);
        return 0;
      }
      if (!IsCommentForm(line)) {
        found = i;
        position_ = i;
        if (!check_double) return found;
      }
    }
    i = i < n ? i + 1 : 1;
  }
  if (found == 0) Log(TypError, messages_.not_found);
  return found;
}

}  // namespace vaxo
