#include "tools/valxfer/valxfer.h"

#include "base/text.h"
#include "files/text_file.h"
#include "platform/env.h"

namespace vaxo {

namespace {

std::vector<std::string> SplitFields(const std::string& tail) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t bar = tail.find(" | ", start);
    fields.push_back(TrimSpaces(tail.substr(start, bar - start)));
    if (bar == std::string::npos) break;
    start = bar + 3;
  }
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  std::string line;
  while (pos < text.size()) {
    pos = NextLine(text, pos, &line);
    lines.push_back(line);
  }
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

bool ReadWhole(const std::string& path, std::string* text, ValXferResult* result) {
  Env* env = Env::Default();
  Status s = env->ReadFile(env->SystemPath(path), text);
  if (s.ok()) return true;
  result->exit_code = 2;
  result->message = "ValXfer: cannot read " + path + ": " + s.reason();
  return false;
}

bool WriteWhole(const std::string& path, const std::string& text, ValXferResult* result) {
  Env* env = Env::Default();
  Status s = env->ReplaceFile(env->SystemPath(path), text);
  if (s.ok()) return true;
  result->exit_code = 2;
  result->message = "ValXfer: cannot write " + path + ": " + s.reason();
  return false;
}

ValXferResult Collect(const std::string& target, const std::string& tmpl, const std::string& data) {
  ValXferResult result;
  std::string template_text, data_text;
  if (!ReadWhole(tmpl, &template_text, &result) || !ReadWhole(data, &data_text, &result))
    return result;
  const std::vector<std::string> data_lines = Lines(data_text);
  std::vector<std::string> values;
  std::string missing;
  for (const std::string& entry : Lines(template_text)) {
    const std::string name = UCase(TrimSpaces(entry));
    if (name.empty() || name[0] == ';') continue;
    bool found = false;
    for (const std::string& line : data_lines) {
      if (ValueKey(line) == name) {
        values.push_back(TrimSpaces(line));
        found = true;
        break;
      }
    }
    if (!found) missing += " " + name;
  }
  if (!WriteWhole(target, Join(values), &result)) return result;
  if (!missing.empty()) {
    result.exit_code = 1;
    result.message = "ValXfer: not found in " + data + ":" + missing;
  }
  return result;
}

ValXferResult Apply(const std::string& target, const std::string& values_path) {
  ValXferResult result;
  std::string target_text, values_text;
  if (!ReadWhole(target, &target_text, &result) || !ReadWhole(values_path, &values_text, &result))
    return result;
  std::vector<std::string> lines = Lines(target_text);
  for (const std::string& value : Lines(values_text)) {
    const std::string key = ValueKey(value);
    if (key.empty()) continue;
    bool replaced = false;
    for (std::string& line : lines) {
      if (ValueKey(line) == key) {
        line = value;
        replaced = true;
        break;
      }
    }
    if (!replaced) lines.push_back(value);
  }
  WriteWhole(target, Join(lines), &result);
  return result;
}

}  // namespace

std::string ValueKey(const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return std::string();
  std::string key;
  for (size_t i = 0; i < eq; ++i) {
    if (line[i] != ' ') key += UpperAscii(line[i]);
  }
  if (key.empty() || key[0] == ';') return std::string();
  return key;
}

ValXferResult RunValXfer(const std::string& command_tail) {
  std::string tail = TrimSpaces(command_tail);
  if (EndsWith(UCase(tail), " /DAT")) tail = TrimSpaces(tail.substr(0, tail.size() - 5));
  const std::vector<std::string> fields = SplitFields(tail);
  for (const std::string& f : fields) {
    if (f.empty()) return {3, "ValXfer: empty field in command line: " + command_tail};
  }
  if (fields.size() == 3) return Collect(fields[0], fields[1], fields[2]);
  if (fields.size() == 2) return Apply(fields[0], fields[1]);
  return {3,
          "ValXfer: usage: ValXfer TARGET | TEMPLATE | DATAFILE /DAT  or  ValXfer TARGET | VALUES "
          "/DAT"};
}

}  // namespace vaxo
