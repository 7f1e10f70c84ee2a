#include "report/left_behind.h"

#include <unordered_map>
#include <unordered_set>

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

// A variable line taken apart: its key and its value in the engine's
// normal form (spaces removed, upper case). False for comments and lines
// without "=".
bool SplitVariable(std::string_view line, std::string* key, std::string* value) {
  const size_t first = line.find_first_not_of(' ');
  const size_t eq = line.find('=');
  if (first == std::string_view::npos || line[first] == ';' || eq == std::string_view::npos)
    return false;
  key->clear();
  AppendSearchForm(line.substr(0, eq + 1), key);
  const size_t semi = line.find(';', eq + 1);
  value->clear();
  AppendSearchForm(line.substr(eq + 1, semi == std::string_view::npos ? semi : semi - eq - 1),
                   value);
  return true;
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

std::vector<LeftValue> LeftBehind(const std::string& old_text, const std::string& new_text,
                                  const std::vector<std::string>& named,
                                  const std::vector<std::string>& skip) {
  const CLSVaxoUpg engine;
  LineList old_lines, new_lines;
  engine.MakeLineList(old_text, old_lines);
  engine.MakeLineList(new_text, new_lines);

  // The new file's first line of each key, with its value.
  struct NewLine {
    std::string value;
    std::string_view line;
  };
  std::unordered_map<std::string, NewLine> in_new;
  in_new.reserve(new_lines.size());
  std::string key, value;
  for (std::string_view line : new_lines) {
    if (SplitVariable(line, &key, &value)) in_new.try_emplace(key, NewLine{value, line});
  }

  std::unordered_set<std::string> passed(named.begin(), named.end());
  passed.insert(skip.begin(), skip.end());
  std::vector<LeftValue> left;
  for (std::string_view line : old_lines) {
    if (!SplitVariable(line, &key, &value) || !passed.insert(key).second) continue;
    const auto it = in_new.find(key);
    if (it != in_new.end() && it->second.value == value) continue;
    LeftValue v;
    v.kind = it == in_new.end() ? LeftValue::Kind::kOldOnly : LeftValue::Kind::kDiffers;
    v.old_line = std::string(TrimmedView(line));
    if (it != in_new.end()) v.new_line = std::string(TrimmedView(it->second.line));
    v.key = std::move(key);
    left.push_back(std::move(v));
  }
  return left;
}

}  // namespace report
}  // namespace vaxo
