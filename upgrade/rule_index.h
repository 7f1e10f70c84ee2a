// The searches of one upgrade, answered from indexes of the old and the new
// line list over the keys of the upg-file. The engine builds one for each
// call of Upgrade and drops it at the end; lists and keys must stay as they
// were while it lives.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "upgrade/key_automaton.h"
#include "upgrade/line_index.h"
#include "upgrade/line_search.h"

namespace vaxo {

class RuleIndex {
 public:
  /// `keys` as the engine searches them, one per rule (spaces and case as
  /// they come).
  RuleIndex(const std::vector<std::string_view>& keys, const LineList& old_lines,
            const LineList& new_lines);
  RuleIndex(const RuleIndex&) = delete;
  RuleIndex& operator=(const RuleIndex&) = delete;

  /// The answer of LineSearch(lines, position, messages).Find(key, check)
  /// into `*found`, with its position move and message. `rule` is the place
  /// of `key` among the keys given, so no look-up is needed, or -1 for any
  /// other key. False, with nothing done, when the index does not know
  /// `lines` or `key`.
  bool Find(int32_t rule, std::string_view key, const LineList& lines, int32_t& position,
            const SearchMessages& messages, bool check_double, int32_t* found) const;

 private:
  std::vector<int32_t> ids_;  // of each key
  KeyAutomaton automaton_;
  LineIndex old_index_;
  LineIndex new_index_;
};

}  // namespace vaxo
