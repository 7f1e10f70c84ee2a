// The searches of one upgrade, answered from indexes of the old and the new
// line list over the keys of the upg-file. The engine builds one for each
// call of Upgrade and drops it at the end; lists and keys must stay as they
// were while it lives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "upgrade/key_automaton.h"
#include "upgrade/line_index.h"
#include "upgrade/line_search.h"

namespace vaxo {

class RuleIndex {
 public:
  /// `keys` as the engine searches them (spaces and case as they come).
  /// The engine passes these very strings to Find, which knows them by
  /// their place and so needs no look-up.
  RuleIndex(const std::vector<std::string>& keys, const LineList& old_lines,
            const LineList& new_lines);
  RuleIndex(const RuleIndex&) = delete;
  RuleIndex& operator=(const RuleIndex&) = delete;

  /// The answer of LineSearch(lines, position, messages).Find(key, check)
  /// into `*found`, with its position move and message. False, with nothing
  /// done, when the index does not know `lines` or `key`.
  bool Find(const std::string& key, const LineList& lines, int32_t& position,
            const SearchMessages& messages, bool check_double, int32_t* found) const;

 private:
  int32_t IdOf(const std::string& key) const;

  const std::vector<std::string>& keys_;
  std::vector<int32_t> ids_;  // of each of keys_
  KeyAutomaton automaton_;
  LineIndex old_index_;
  LineIndex new_index_;
};

}  // namespace vaxo
