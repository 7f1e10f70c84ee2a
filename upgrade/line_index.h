// Where the keys of one upg-file stand in one line list: for every key the
// lines whose normal form holds it, in list order. Built once per upgrade,
// so a search costs about its hits instead of a walk round the list.
//
// The index answers exactly as LineSearch does (line_search.h): same line,
// same position afterwards, same message. A key with so many hits that its
// lines would outgrow the memory allowed is left out; the caller searches
// it the plain way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "upgrade/key_automaton.h"
#include "upgrade/line_search.h"

namespace vaxo {

class LineIndex {
 public:
  /// Indexes `lines` for the keys of `keys` (normal forms). At most
  /// `max_hits` line numbers are kept; 0 chooses a limit from the sizes.
  LineIndex(const LineList& lines, const KeyAutomaton& keys, size_t max_hits = 0);

  /// The list that was indexed.
  const LineList& lines() const { return lines_; }
  /// True when the hits of key `id` are known.
  bool Holds(int32_t id) const {
    return id >= 0 && static_cast<size_t>(id) < of_key_.size() && of_key_[id].indexed;
  }

  /// The search of LineSearch::Find for key `id`, which Holds. Moves
  /// `position` and logs as that does.
  int32_t Find(int32_t id, int32_t& position, const SearchMessages& messages,
               bool check_double) const;

 private:
  /// Where the hits of one key lie in `all_` and `plain_`; one record, so a
  /// search reads one place besides the hits.
  struct Hits {
    uint32_t all_begin = 0;
    uint32_t all_end = 0;
    uint32_t plain_begin = 0;
    uint32_t plain_end : 31;
    uint32_t indexed : 1;
    Hits() : plain_end(0), indexed(1) {}
  };

  void Collect(const KeyAutomaton& keys, size_t max_hits);

  const LineList& lines_;
  std::vector<bool> comment_;  // per line: normal form starts with ";"
  std::vector<Hits> of_key_;
  std::vector<int32_t> all_;    // hit lines of every key, key after key
  std::vector<int32_t> plain_;  // the same without comment lines
};

}  // namespace vaxo
