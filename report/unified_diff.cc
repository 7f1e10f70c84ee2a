#include "report/unified_diff.h"

#include <algorithm>
#include <dtl/dtl.hpp>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vaxo {

namespace {

// The lines of `text`, each with its "\n" when it has one: a last line
// without one is another line than the same text with it, as for diff.
std::vector<std::string_view> Lines(const std::string& text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      lines.emplace_back(text.data() + pos, text.size() - pos);
      break;
    }
    lines.emplace_back(text.data() + pos, end - pos + 1);
    pos = end + 1;
  }
  return lines;
}

// The diff compares numbers, one for each distinct line.
class LineNumbers {
 public:
  std::vector<size_t> Of(const std::vector<std::string_view>& lines) {
    std::vector<size_t> ids;
    ids.reserve(lines.size());
    for (const std::string_view line : lines) {
      const auto found = ids_.emplace(line, texts_.size());
      if (found.second) texts_.push_back(line);
      ids.push_back(found.first->second);
    }
    return ids;
  }
  std::string_view Text(size_t id) const { return texts_[id]; }
  size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string_view, size_t> ids_;
  std::vector<std::string_view> texts_;
};

std::string Range(size_t start, size_t count) {
  return std::to_string(count == 0 ? start - 1 : start) + "," + std::to_string(count);
}

// Where the two sequences meet: the pairs of equal lines of a longest common
// subsequence, in order. A line that occurs in only one of the texts can be
// in no common subsequence, so such lines are set aside before the search
// (as diff does): the merged data files change a third of their lines, each
// to a line of its own, and the search over what is left is short.
std::vector<std::pair<size_t, size_t>> CommonLines(const std::vector<size_t>& a,
                                                   const std::vector<size_t>& b, size_t ids) {
  std::vector<char> in_a(ids, 0), in_b(ids, 0);
  for (const size_t id : a) in_a[id] = 1;
  for (const size_t id : b) in_b[id] = 1;
  std::vector<size_t> at_a, at_b, ra, rb;
  for (size_t i = 0; i < a.size(); ++i)
    if (in_b[a[i]]) at_a.push_back(i), ra.push_back(a[i]);
  for (size_t j = 0; j < b.size(); ++j)
    if (in_a[b[j]]) at_b.push_back(j), rb.push_back(b[j]);
  dtl::Diff<size_t, std::vector<size_t>> diff(ra, rb);
  diff.compose();
  std::vector<std::pair<size_t, size_t>> common;
  for (const auto& e : diff.getSes().getSequence())
    if (e.second.type == dtl::SES_COMMON)
      common.emplace_back(at_a[size_t(e.second.beforeIdx - 1)],
                          at_b[size_t(e.second.afterIdx - 1)]);
  return common;
}

// A run of changed lines: a[a0, a1) gives way to b[b0, b1).
struct Change {
  size_t a0, a1, b0, b1;
};

}  // namespace

std::string UnifiedDiff(const std::string& path, const std::string& before,
                        const std::string& after, bool existed) {
  if (existed && before == after) return std::string();
  LineNumbers numbers;
  const std::vector<size_t> a = numbers.Of(Lines(before)), b = numbers.Of(Lines(after));
  std::vector<std::pair<size_t, size_t>> common = CommonLines(a, b, numbers.size());
  common.emplace_back(a.size(), b.size());  // the end, where the last change stops
  std::vector<Change> changes;
  size_t i = 0, j = 0;
  for (const auto& [ci, cj] : common) {
    if (ci > i || cj > j) changes.push_back({i, ci, j, cj});
    i = ci + 1;
    j = cj + 1;
  }

  std::string out = "--- " + path + "\n+++ " + path + "\n";
  const auto line = [&out, &numbers](char mark, size_t id) {
    const std::string_view text = numbers.Text(id);
    out += mark;
    out += text;
    if (text.empty() || text.back() != '\n') out += "\n\\ No newline at end of file\n";
  };
  constexpr size_t kContext = 3;
  for (size_t first = 0; first < changes.size();) {
    // A hunk takes the changes whose common lines between are few enough
    // that their contexts would touch.
    size_t last = first;
    while (last + 1 < changes.size() && changes[last + 1].a0 - changes[last].a1 <= 2 * kContext)
      ++last;
    const size_t a0 = changes[first].a0 - std::min(changes[first].a0, kContext);
    const size_t b0 = changes[first].b0 - (changes[first].a0 - a0);
    const size_t a1 = std::min(a.size(), changes[last].a1 + kContext);
    const size_t b1 = changes[last].b1 + (a1 - changes[last].a1);
    out += "@@ -" + Range(a0 + 1, a1 - a0) + " +" + Range(b0 + 1, b1 - b0) + " @@\n";
    size_t k = a0;
    for (size_t c = first; c <= last; ++c) {
      for (; k < changes[c].a0; ++k) line(' ', a[k]);
      for (size_t d = changes[c].a0; d < changes[c].a1; ++d) line('-', a[d]);
      for (size_t d = changes[c].b0; d < changes[c].b1; ++d) line('+', b[d]);
      k = changes[c].a1;
    }
    for (; k < a1; ++k) line(' ', a[k]);
    first = last + 1;
  }
  return out;
}

}  // namespace vaxo
