#include "report/left_behind.h"

#include <functional>

#include "upgrade/line_search.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace report {
namespace {

std::string_view TrimmedView(std::string_view line) {
  const size_t b = line.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return line.substr(b, line.find_last_not_of(' ') - b + 1);
}

// A variable line in the engine's normal form (spaces removed, upper case):
// its key and its value, one after the other in a text of forms.
struct Variable {
  size_t at, key_size, value_size;
  std::string_view line;
};

// The variable lines of `lines` in line order, their forms appended to
// `forms`; comments and lines without "=" are none.
void Variables(const LineList& lines, std::string* forms, std::vector<Variable>* out) {
  out->clear();
  out->reserve(lines.size());
  for (std::string_view line : lines) {
    const size_t first = line.find_first_not_of(' ');
    const size_t eq = line.find('=');
    if (first == std::string_view::npos || line[first] == ';' || eq == std::string_view::npos)
      continue;
    Variable v;
    v.at = forms->size();
    v.line = line;
    AppendSearchForm(line.substr(0, eq + 1), forms);
    v.key_size = forms->size() - v.at;
    const size_t semi = line.find(';', eq + 1);
    AppendSearchForm(line.substr(eq + 1, semi == std::string_view::npos ? semi : semi - eq - 1),
                     forms);
    v.value_size = forms->size() - v.at - v.key_size;
    out->push_back(v);
  }
}

// Keys, each with a number, in one array (open addressing): a file's keys
// cost no allocation each.
class KeyTable {
 public:
  explicit KeyTable(size_t keys) {
    size_t size = 16;
    while (size < 2 * keys) size *= 2;
    slots_.resize(size);
  }
  // Adds `key` with `number`; false when it is there already (its number
  // stays).
  bool Insert(std::string_view key, size_t number) {
    Slot& slot = SlotOf(key);
    if (slot.used) return false;
    slot = {key, number, true};
    return true;
  }
  // The number of `key`, or none.
  const size_t* Find(std::string_view key) {
    const Slot& slot = SlotOf(key);
    return slot.used ? &slot.number : nullptr;
  }

 private:
  struct Slot {
    std::string_view key;
    size_t number = 0;
    bool used = false;
  };
  Slot& SlotOf(std::string_view key) {
    const size_t mask = slots_.size() - 1;
    size_t i = std::hash<std::string_view>()(key) & mask;
    while (slots_[i].used && slots_[i].key != key) i = (i + 1) & mask;
    return slots_[i];
  }

  std::vector<Slot> slots_;
};

}  // namespace

const char* LeftKindName(LeftValue::Kind kind) {
  return kind == LeftValue::Kind::kDiffers ? "differs" : "old-only";
}

std::vector<std::string> NamedKeys(std::string_view upg_text) {
  const std::string text(upg_text);
  LineList lines;
  CLSVaxoUpg().MakeLineList(text, lines);
  std::vector<std::string> keys;
  keys.reserve(lines.size());
  for (std::string_view line : lines)
    keys.push_back(SearchForm(CLSVaxoUpg::RuleKey(std::string(line))));
  return keys;
}

// The forms of a file lie in one text, and the keys are looked up in tables
// of views into them: a file of some thousand lines is looked through three
// times a report, and a value costs no allocation.
LeftBehindList LeftBehind(const std::string& old_text, const std::string& new_text,
                          const std::vector<std::string>& named,
                          const std::vector<std::string>& skip) {
  const CLSVaxoUpg engine;
  LineList old_lines, new_lines;
  engine.MakeLineList(old_text, old_lines);
  engine.MakeLineList(new_text, new_lines);
  LeftBehindList left;
  std::string new_forms;
  std::vector<Variable> old_vars, new_vars;
  left.keys->reserve(old_text.size());  // the forms are never longer than the lines
  new_forms.reserve(new_text.size());
  Variables(old_lines, left.keys.get(), &old_vars);
  Variables(new_lines, &new_forms, &new_vars);
  const auto key = [](const std::string& forms, const Variable& v) {
    return std::string_view(forms).substr(v.at, v.key_size);
  };
  const auto value = [](const std::string& forms, const Variable& v) {
    return std::string_view(forms).substr(v.at + v.key_size, v.value_size);
  };

  // The new file's first line of each key.
  KeyTable in_new(new_vars.size());
  for (size_t i = 0; i < new_vars.size(); ++i) in_new.Insert(key(new_forms, new_vars[i]), i);
  // Keys passed over: those the rules name, and each key of the old file
  // after its first line.
  KeyTable passed(named.size() + skip.size() + old_vars.size());
  for (const auto* keys : {&named, &skip})
    for (const std::string& k : *keys) passed.Insert(k, 0);

  for (const Variable& v : old_vars) {
    const std::string_view k = key(*left.keys, v);
    if (!passed.Insert(k, 0)) continue;
    const size_t* n = in_new.Find(k);
    if (n && value(new_forms, new_vars[*n]) == value(*left.keys, v)) continue;
    LeftValue found;
    found.key = k;
    found.kind = n ? LeftValue::Kind::kDiffers : LeftValue::Kind::kOldOnly;
    found.old_line = TrimmedView(v.line);
    if (n) found.new_line = TrimmedView(new_vars[*n].line);
    left.values.push_back(found);
  }
  return left;
}

}  // namespace report
}  // namespace vaxo
