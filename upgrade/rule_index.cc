#include "upgrade/rule_index.h"

#include <string>

namespace vaxo {
namespace {

/// The normal forms of `keys`, in one buffer that lives while the machine
/// is built (it keeps no view of them).
struct SearchForms {
  explicit SearchForms(const std::vector<std::string_view>& keys) {
    size_t size = 0;
    for (std::string_view key : keys) size += key.size();
    text.reserve(size);
    std::vector<size_t> ends;
    ends.reserve(keys.size());
    for (std::string_view key : keys) {
      AppendSearchForm(key, &text);
      ends.push_back(text.size());
    }
    forms.reserve(keys.size());
    size_t begin = 0;
    for (size_t end : ends) {
      forms.emplace_back(text.data() + begin, end - begin);
      begin = end;
    }
  }
  std::string text;
  std::vector<std::string_view> forms;
};

}  // namespace

RuleIndex::RuleIndex(const std::vector<std::string_view>& keys, const LineList& old_lines,
                     const LineList& new_lines)
    : automaton_(SearchForms(keys).forms, &ids_),
      old_index_(old_lines, automaton_),
      new_index_(new_lines, automaton_) {}

bool RuleIndex::Find(int32_t rule, std::string_view key, const LineList& lines, int32_t& position,
                     const SearchMessages& messages, bool check_double, int32_t* found) const {
  const LineIndex* index = &lines == &old_index_.lines()   ? &old_index_
                           : &lines == &new_index_.lines() ? &new_index_
                                                           : nullptr;
  if (index == nullptr) return false;
  const int32_t id = rule >= 0 && static_cast<size_t>(rule) < ids_.size()
                         ? ids_[rule]
                         : automaton_.IdOf(SearchForm(key));
  if (!index->Holds(id)) return false;
  *found = index->Find(id, position, messages, check_double);
  return true;
}

}  // namespace vaxo
