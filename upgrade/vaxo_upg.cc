#include "upgrade/vaxo_upg.h"

#include <memory>
#include <vector>

#include "app/exit_code.h"
#include "files/text.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "platform/env.h"
#include "upgrade/rule_index.h"

namespace vaxo {
namespace {

/// TrimSpaces in one copy: the engine trims every line it carries.
std::string Trimmed(const std::string& line) {
  size_t begin = 0, end = line.size();
  while (begin < end && line[begin] == ' ') ++begin;
  while (end > begin && line[end - 1] == ' ') --end;
  return line.substr(begin, end - begin);
}

}  // namespace

// GetVarName(UCase(line)) in one pass and one copy: runs of spaces made
// one, the ends trimmed, cut after the first "=".
std::string CLSVaxoUpg::RuleKey(const std::string& line) {
  std::string key;
  key.reserve(line.size());
  bool gap = false;
  for (char c : line) {
    if (c == ' ') {
      gap = !key.empty();
      continue;
    }
    if (gap) key += ' ';
    gap = false;
    key += UpperAscii(c);
    if (c == '=') break;
  }
  return key;
}

void CLSVaxoUpg::Upgrade(const std::string& strFileName, std::string& strOldFile,
                         const std::string& strNewFile, const std::string& strUpgFile) {
  bool bTestFlag = false;
  Upgrade(strFileName, strOldFile, strNewFile, strUpgFile, bTestFlag);
}

void CLSVaxoUpg::Upgrade(const std::string& /*strFileName*/, std::string& strOldFile,
                         const std::string& strNewFile, const std::string& strUpgFile,
                         bool& bTestFlag) {
  Env::Default()->ProcessEvents();
  bCheckDouble = bTestFlag;
  lPosAlt = 1;
  lPosNeuLine = 1;
  lPosNeu = 1;

  // All three lists are built before strOldFile is written, so a caller may
  // pass the same string for several texts.
  LineList altLines, neuLines, upgLines;
  MakeLineList(strOldFile, altLines);
  MakeLineList(strNewFile, neuLines);
  LineList table = neuLines;  // the searches read the lists, rules write here
  MakeLineList(strUpgFile, upgLines);

  std::vector<std::string> keys;
  keys.reserve(upgLines.size());
  for (const std::string& upgLine : upgLines) keys.push_back(RuleKey(upgLine));
  std::unique_ptr<RuleIndex> index;
  if (search_method_ == SearchMethod::kIndexed) {
    index.reset(new RuleIndex(keys, altLines, neuLines));
  }
  // The index lives only as long as the lists it points into.
  struct Attach {
    Attach(const RuleIndex** slot, const RuleIndex* index) : slot_(slot) { *slot_ = index; }
    ~Attach() { *slot_ = nullptr; }
    const RuleIndex** slot_;
  } attach(&index_, index.get());

  // Entries are built only when the logbook writes them.
  for (size_t r = 0; r < upgLines.size(); ++r) {
    Env::Default()->ProcessEvents();
    const std::string& key = keys[r];
    const std::string oldLine = FindStringAlt(key, altLines);
    const int32_t lineNo = FindLineNeu(key, neuLines);

    if (!oldLine.empty() && lineNo != 0) {  // A: carry the old line over
      table[lineNo - 1] = oldLine;
      // The new line only feeds the entry, the search itself always runs.
      const int32_t newNo = Search(key, neuLines, lPosNeu, kFindStringNeuMessages);
      if (LogBuch().is_on()) {
        const std::string newLine = newNo == 0 ? std::string() : Trimmed(neuLines[newNo - 1]);
        Log(TypInfo, "- <" + key + "> " + LineValue(oldLine, key) + " , _(line: " +
                         std::to_string(lineNo) + ")_ , " + LineValue(newLine, key));
      }
    } else if (lineNo != 0) {
      const std::string rule = UCase(upgLines[r]);
      if (HasValue(rule)) {  // B: the rule's default
        table[lineNo - 1] = rule;
        if (LogBuch().is_on()) {
          Log(TypError, "- <" + key + ">  not found in old file and in upg-file <" + rule +
                            ">, default value insert in new file " +
                            "_(line: " + std::to_string(lineNo) + ")_");
        }
      } else {  // C: the new line stays, trimmed
        table[lineNo - 1] = FindStringNeu(key, neuLines);
        if (LogBuch().is_on()) Log(TypError, " - <" + key + "> not found in old file");
        ExitCode = 2;
      }
    } else if (!oldLine.empty()) {  // D: nowhere to carry the old line
      if (LogBuch().is_on()) Log(TypWarning, " - <" + key + "> not found in new file");
      ExitCode = 1;
    }
    // E: in neither text; the searches have logged it.
  }

  strOldFile = MakeFileText(table);
}

std::string CLSVaxoUpg::DelDblLeerz(const std::string& str) const {
  std::string s;
  s.reserve(str.size());
  for (char c : str) {
    if (c == ' ' && !s.empty() && s.back() == ' ') continue;
    s += c;
  }
  return TrimSpaces(s);
}

std::string CLSVaxoUpg::DelLeerz(const std::string& str) const {
  std::string s;
  s.reserve(str.size());
  for (char c : str) {
    if (c != ' ') s += c;
  }
  return s;
}

std::string CLSVaxoUpg::GetVarName(const std::string& line) const {
  const std::string s = DelDblLeerz(line);
  const size_t eq = s.find('=');
  return eq == std::string::npos ? s : s.substr(0, eq + 1);
}

bool CLSVaxoUpg::HasValue(const std::string& line) const {
  // Leading spaces count for the position of "=" but not for the length.
  const size_t eq = line.find('=');
  return eq != std::string::npos && TrimSpaces(line).size() > eq + 1;
}

// The line rule of CutFirstLine, read in place: a line ends at CR or LF,
// and one LF right after that end belongs to it. Each kept line is copied
// once, straight into the list.
void CLSVaxoUpg::MakeLineList(const std::string& text, LineList& lines) const {
  const char* const data = text.data();
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    bool blank = true;
    for (; end < size && data[end] != '\r' && data[end] != '\n'; ++end) {
      if (data[end] != ' ') blank = false;
    }
    if (!blank) lines.emplace_back(data + pos, end - pos);
    pos = end + 1;
    if (pos < size && data[pos] == '\n') ++pos;
  }
}

std::string CLSVaxoUpg::MakeFileText(const LineList& table) const {
  size_t size = 0;
  for (const std::string& entry : table) size += entry.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& entry : table) {
    text += entry;
    text += "\r\n";
  }
  return text;
}

int32_t CLSVaxoUpg::Search(const std::string& key, const LineList& lines, int32_t& position,
                           const SearchMessages& messages) {
  int32_t found = 0;
  if (index_ != nullptr && index_->Find(key, lines, position, messages, bCheckDouble, &found)) {
    return found;
  }
  return LineSearch(lines, position, messages).Find(key, bCheckDouble);
}

std::string CLSVaxoUpg::FindStringAlt(const std::string& key, const LineList& lines) {
  const int32_t found = Search(key, lines, lPosAlt, kFindStringAltMessages);
  return found == 0 ? std::string() : Trimmed(lines[found - 1]);
}

std::string CLSVaxoUpg::FindStringNeu(const std::string& key, const LineList& lines) {
  const int32_t found = Search(key, lines, lPosNeu, kFindStringNeuMessages);
  return found == 0 ? std::string() : Trimmed(lines[found - 1]);
}

int32_t CLSVaxoUpg::FindLineNeu(const std::string& key, const LineList& lines) {
  return Search(key, lines, lPosNeuLine, kFindLineNeuMessages);
}

// The value runs from the key's last character (normally the "=") to the
// end of the line, cut at a comment. Where the description leaves it open:
// a line shorter than key length - 1 has the empty value, and a ";" as the
// first character of that tail gives the empty value (nothing lies between
// the second character and the ";"). Nothing here reads outside the line.
std::string CLSVaxoUpg::LineValue(const std::string& line, const std::string& key) const {
  if (line.find('=') == std::string::npos) return std::string();
  const size_t from = key.empty() ? 0 : key.size() - 1;
  if (from > line.size()) return std::string();
  std::string v = line.substr(from);
  const size_t semi = v.find(';');
  if (semi != std::string::npos) v = semi == 0 ? std::string() : TrimSpaces(v.substr(1, semi - 1));
  if (!v.empty() && v[0] == '=') v.erase(0, 1);
  return v;
}

}  // namespace vaxo
