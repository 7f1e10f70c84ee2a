#include "report/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dtl/dtl.hpp>
#include <string_view>
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

// A hash of a line, eight bytes at a time: the texts have a few thousand
// lines of some forty bytes, each looked up once.
uint64_t LineHash(std::string_view line) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  uint64_t h = line.size() * kMul;
  size_t i = 0;
  for (; i + 8 <= line.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, line.data() + i, 8);
    h = (h ^ word) * kMul;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, line.data() + i, line.size() - i);
  h = (h ^ tail) * kMul;
  return h ^ (h >> 32);
}

// The diff compares numbers, one for each distinct line, given in a table
// of open addressing that takes no allocation per line.
class LineNumbers {
 public:
  explicit LineNumbers(size_t lines) {
    size_t size = 16;
    while (size < 2 * lines) size *= 2;
    slots_.assign(size, kEmpty);
    texts_.reserve(lines);
    hashes_.reserve(lines);
  }

  std::vector<size_t> Of(const std::vector<std::string_view>& lines) {
    std::vector<size_t> ids;
    ids.reserve(lines.size());
    const size_t mask = slots_.size() - 1;
    for (const std::string_view line : lines) {
      const uint64_t hash = LineHash(line);
      size_t i = size_t(hash) & mask;
      for (; slots_[i] != kEmpty; i = (i + 1) & mask) {
        const uint32_t id = slots_[i];
        if (hashes_[id] == hash && texts_[id] == line) break;
      }
      if (slots_[i] == kEmpty) {
        slots_[i] = uint32_t(texts_.size());
        texts_.push_back(line);
        hashes_.push_back(hash);
      }
      ids.push_back(slots_[i]);
    }
    return ids;
  }
  std::string_view Text(size_t id) const { return texts_[id]; }
  size_t size() const { return texts_.size(); }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  std::vector<uint32_t> slots_;  // ids; at most half of them taken
  std::vector<std::string_view> texts_;
  std::vector<uint64_t> hashes_;
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
  const std::vector<std::string_view> lines_a = Lines(before), lines_b = Lines(after);
  LineNumbers numbers(lines_a.size() + lines_b.size());
  const std::vector<size_t> a = numbers.Of(lines_a), b = numbers.Of(lines_b);
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
