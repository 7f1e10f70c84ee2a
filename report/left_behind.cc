#include "report/left_behind.h"

#include <algorithm>

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

// The variables with their texts in place, as views.
struct Form {
  std::string_view key, value, line;
  size_t order;  // in the file
};

std::vector<Form> Forms(const std::string& forms, const std::vector<Variable>& vars) {
  std::vector<Form> out;
  out.reserve(vars.size());
  for (const Variable& v : vars)
    out.push_back({std::string_view(forms).substr(v.at, v.key_size),
                   std::string_view(forms).substr(v.at + v.key_size, v.value_size), v.line,
                   out.size()});
  return out;
}

// By key, and in file order within a key: the first of a key comes first.
bool KeyThenOrder(const Form& a, const Form& b) {
  return a.key != b.key ? a.key < b.key : a.order < b.order;
}

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

// Sorted lists rather than hash maps: a file of some thousand lines is
// looked through three times a report, and a value costs no allocation.
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
  Variables(old_lines, left.keys.get(), &old_vars);
  Variables(new_lines, &new_forms, &new_vars);
  const std::vector<Form> old_forms = Forms(*left.keys, old_vars);

  // The new file's first line of each key.
  std::vector<Form> in_new = Forms(new_forms, new_vars);
  std::sort(in_new.begin(), in_new.end(), KeyThenOrder);
  in_new.erase(std::unique(in_new.begin(), in_new.end(),
                           [](const Form& a, const Form& b) { return a.key == b.key; }),
               in_new.end());
  // The old file's first line of each key that no rule names.
  std::vector<std::string_view> passed(named.begin(), named.end());
  passed.insert(passed.end(), skip.begin(), skip.end());
  std::sort(passed.begin(), passed.end());
  std::vector<Form> by_key = old_forms;
  std::sort(by_key.begin(), by_key.end(), KeyThenOrder);
  std::vector<char> listed(old_forms.size(), 0);
  for (size_t i = 0; i < by_key.size(); ++i)
    listed[by_key[i].order] = (i == 0 || by_key[i - 1].key != by_key[i].key) &&
                              !std::binary_search(passed.begin(), passed.end(), by_key[i].key);

  for (const Form& v : old_forms) {
    if (!listed[v.order]) continue;
    const auto it = std::lower_bound(in_new.begin(), in_new.end(), v.key,
                                     [](const Form& f, std::string_view k) { return f.key < k; });
    const bool found = it != in_new.end() && it->key == v.key;
    if (found && it->value == v.value) continue;
    LeftValue value;
    value.key = v.key;
    value.kind = found ? LeftValue::Kind::kDiffers : LeftValue::Kind::kOldOnly;
    value.old_line = TrimmedView(v.line);
    if (found) value.new_line = TrimmedView(it->line);
    left.values.push_back(value);
  }
  return left;
}

}  // namespace report
}  // namespace vaxo
