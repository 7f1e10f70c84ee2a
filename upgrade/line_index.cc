#include "upgrade/line_index.h"

#include <algorithm>
#include <numeric>

#include "base/text.h"
#include "log/log_buch.h"

namespace vaxo {
namespace {

struct Hit {
  int32_t key;
  int32_t line;
};

/// The byte of the normal form for `c` (SearchForm), -1 for a blank: the
/// machine reads the normal form of a line as it reads the line.
int SearchByte(char c) { return c == ' ' ? -1 : static_cast<unsigned char>(UpperAscii(c)); }

/// IsCommentForm of the line's normal form.
bool IsCommentLine(std::string_view line) {
  const size_t first = line.find_first_not_of(' ');
  return first != std::string_view::npos && line[first] == ';';
}

/// The keys a line has reported so far. A line holds a key or two, so a
/// short list answers; only a line with more keys reads the table of all
/// keys, which lies all over the memory when the rules are not in file order.
class LineKeys {
 public:
  explicit LineKeys(int32_t key_count) : seen_(key_count, 0) {}

  void Start(int32_t line) {
    line_ = line;
    few_ = 0;
  }
  /// True the first time `id` is reported in the line.
  bool First(int32_t id) {
    if (few_ >= 0) {
      for (int k = 0; k < few_; ++k) {
        if (recent_[k] == id) return false;
      }
      if (few_ < kFew) {
        recent_[few_++] = id;
        return true;
      }
      for (int k = 0; k < few_; ++k) seen_[recent_[k]] = line_;
      few_ = -1;
    }
    if (seen_[id] == line_) return false;
    seen_[id] = line_;
    return true;
  }

 private:
  static constexpr int kFew = 8;
  std::vector<int32_t> seen_;  // per key: last line that reported it, once past the few
  int32_t recent_[kFew];
  int few_ = 0;  // -1: past the few
  int32_t line_ = 0;
};

/// Every (key, line) pair once, in line order, for the keys `wanted` says
/// yes to. Stops and returns false when more than `limit` pairs turn up.
template <class Wanted>
bool ScanLines(const LineList& lines, const KeyAutomaton& keys, Wanted&& wanted, size_t limit,
               std::vector<Hit>* hits, std::vector<bool>* comment) {
  LineKeys seen(keys.key_count());
  bool within = true;
  for (size_t i = 0; i < lines.size() && within; ++i) {
    const int32_t line = static_cast<int32_t>(i + 1);
    (*comment)[i] = IsCommentLine(lines[i]);
    seen.Start(line);
    keys.ScanMapped(lines[i], SearchByte, [&](int32_t id) {
      if (!seen.First(id)) return false;
      if (!wanted(id)) return true;
      if (hits->size() == limit) within = false;
      if (within) hits->push_back({id, line});
      return true;
    });
  }
  return within;
}

}  // namespace

LineIndex::LineIndex(const LineList& lines, const KeyAutomaton& keys, size_t max_hits)
    : lines_(lines), comment_(lines.size(), false), of_key_(keys.key_count()) {
  if (max_hits == 0) max_hits = 4 * lines.size() + keys.key_count() + 4096;
  Collect(keys, max_hits);
}

void LineIndex::Collect(const KeyAutomaton& keys, size_t max_hits) {
  const auto every = [](int32_t) { return true; };
  std::vector<Hit> hits;
  hits.reserve(std::min(max_hits, lines_.size() + 1024));  // mostly a key or two a line
  if (!ScanLines(lines_, keys, every, max_hits, &hits, &comment_)) {
    // Too many hits: count them per key and leave out the keys with the
    // most until the rest fit. Those keys are searched the plain way.
    std::vector<uint32_t> count(keys.key_count(), 0);
    LineKeys seen(keys.key_count());
    for (size_t i = 0; i < lines_.size(); ++i) {
      seen.Start(static_cast<int32_t>(i + 1));
      keys.ScanMapped(lines_[i], SearchByte, [&](int32_t id) {
        if (!seen.First(id)) return false;
        ++count[id];
        return true;
      });
    }
    std::vector<int32_t> order(keys.key_count());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int32_t a, int32_t b) { return count[a] < count[b]; });
    size_t kept = 0;
    for (int32_t id : order) {
      if (kept + count[id] <= max_hits) {
        kept += count[id];
      } else {
        of_key_[id].indexed = 0;
      }
    }
    hits.clear();
    hits.shrink_to_fit();
    hits.reserve(kept);
    ScanLines(
        lines_, keys, [&](int32_t id) { return of_key_[id].indexed != 0; }, kept, &hits, &comment_);
  }

  // Counting sort by key; lines stay ascending within a key.
  std::vector<uint32_t> next_all(keys.key_count() + 1, 0), next_plain(keys.key_count() + 1, 0);
  for (const Hit& h : hits) {
    ++next_all[h.key + 1];
    if (!comment_[h.line - 1]) ++next_plain[h.key + 1];
  }
  std::partial_sum(next_all.begin(), next_all.end(), next_all.begin());
  std::partial_sum(next_plain.begin(), next_plain.end(), next_plain.begin());
  for (int32_t id = 0; id < keys.key_count(); ++id) {
    of_key_[id].all_begin = next_all[id];
    of_key_[id].all_end = next_all[id + 1];
    of_key_[id].plain_begin = next_plain[id];
    of_key_[id].plain_end = next_plain[id + 1];
  }
  all_.resize(next_all.back());
  plain_.resize(next_plain.back());
  for (const Hit& h : hits) {
    all_[next_all[h.key]++] = h.line;
    if (!comment_[h.line - 1]) plain_[next_plain[h.key]++] = h.line;
  }
}

// Round the list from the position, the first non-comment hit wins. In
// check mode every other hit that the walk would meet after it, comment or
// not, makes a double; comment hits met before it do not count.
int32_t LineIndex::Find(int32_t id, int32_t& position, const SearchMessages& messages,
                        bool check_double) const {
  const int32_t n = static_cast<int32_t>(lines_.size());
  const int32_t start = (position >= 1 && position <= n) ? position : 1;
  const Hits& hits = of_key_[id];
  const int32_t* plain_begin = plain_.data() + hits.plain_begin;
  const int32_t* plain_end = plain_.data() + hits.plain_end;
  if (plain_begin == plain_end) {
    if (LogBuch().is_on()) Log(TypError, messages.not_found);
    return 0;
  }
  const int32_t* next = std::lower_bound(plain_begin, plain_end, start);
  const int32_t found = next != plain_end ? *next : *plain_begin;
  position = found;
  if (!check_double) return found;

  const int32_t* all_begin = all_.data() + hits.all_begin;
  const int32_t* all_end = all_.data() + hits.all_end;
  const auto from_start = std::lower_bound(all_begin, all_end, start) - all_begin;
  const auto to_found = std::lower_bound(all_begin, all_end, found) - all_begin;
  const auto total = all_end - all_begin;
  // Hits the walk meets before the found line (all of them comments).
  const auto before = found >= start ? to_found - from_start : total - from_start + to_found;
  if (total > before + 1) {
    if (LogBuch().is_on()) Log(TypError, messages.double_found);
    return 0;
  }
  return found;
}

}  // namespace vaxo
