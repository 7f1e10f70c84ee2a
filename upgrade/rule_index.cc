#include "upgrade/rule_index.h"

#include <functional>

namespace vaxo {
namespace {

std::vector<std::string> SearchForms(const std::vector<std::string>& keys) {
  std::vector<std::string> forms;
  forms.reserve(keys.size());
  for (const std::string& key : keys) {
    forms.push_back(SearchForm(key));
  }
  return forms;
}

}  // namespace

RuleIndex::RuleIndex(const std::vector<std::string>& keys, const LineList& old_lines,
                     const LineList& new_lines)
    : keys_(keys),
      automaton_(SearchForms(keys), &ids_),
      old_index_(old_lines, automaton_),
      new_index_(new_lines, automaton_) {}

int32_t RuleIndex::IdOf(const std::string& key) const {
  const std::less<const std::string*> before;
  if (!keys_.empty() && !before(&key, &keys_.front()) && !before(&keys_.back(), &key)) {
    return ids_[&key - &keys_.front()];
  }
  return automaton_.IdOf(SearchForm(key));
}

bool RuleIndex::Find(const std::string& key, const LineList& lines, int32_t& position,
                     const SearchMessages& messages, bool check_double, int32_t* found) const {
  const LineIndex* index = &lines == &old_index_.lines()   ? &old_index_
                           : &lines == &new_index_.lines() ? &new_index_
                                                           : nullptr;
  if (index == nullptr) return false;
  const int32_t id = IdOf(key);
  if (!index->Holds(id)) return false;
  *found = index->Find(id, position, messages, check_double);
  return true;
}

}  // namespace vaxo
