#include "upgrade/vaxo_upg.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "log/log_texts.h"
#include "platform/env.h"
#include "upgrade/rule_index.h"

namespace vaxo {
namespace {

// Leading spaces count for the position of "=" but not for the length.
// Upper case moves nothing, so a rule line answers as its UCase.
bool HasValueIn(std::string_view line) {
  const size_t eq = line.find('=');
  return eq != std::string_view::npos && Trimmed(line).size() > eq + 1;
}

/// RuleKey of `line`, appended to `out`.
void AppendRuleKey(std::string_view line, std::string* out) {
  bool any = false, gap = false;
  for (char c : line) {
    if (c == ' ') {
      gap = any;
      continue;
    }
    if (gap) *out += ' ';
    gap = false;
    any = true;
    *out += UpperAscii(c);
    if (c == '=') break;
  }
}

// The value runs from the key's last character (normally the "=") to the
// end of the line, cut at a comment. Two odd lines get the empty value: one
// shorter than the key less one character, and one whose tail begins with
// ";" (nothing lies between the second character and the ";"). Nothing here
// reads outside the line; the value is a piece of the line.
std::string_view ValueIn(std::string_view line, size_t key_size) {
  if (line.find('=') == std::string_view::npos) return std::string_view();
  const size_t from = key_size == 0 ? 0 : key_size - 1;
  if (from > line.size()) return std::string_view();
  std::string_view v = line.substr(from);
  const size_t semi = v.find(';');
  if (semi != std::string_view::npos)
    v = semi == 0 ? std::string_view() : Trimmed(v.substr(1, semi - 1));
  if (!v.empty() && v[0] == '=') v.remove_prefix(1);
  return v;
}

/// Where the merged text takes the entry of one new line from. The rules
/// write only these; the text is made at the end in one pass, so a rule
/// touches no line text and the lines are read in file order.
struct Source {
  enum Kind : int32_t { kNew, kOld, kNewTrimmed, kRule };
  Kind kind = kNew;  // kNew: the new line itself, as it is
  int32_t from = 0;  // kOld, kNewTrimmed: line number, 0 for none; kRule: rule number from 1
};

std::string MergedText(const std::vector<Source>& table, const LineList& oldLines,
                       const LineList& newLines, const LineList& upgLines) {
  const auto entry = [&](size_t i) -> std::string_view {
    const Source& s = table[i];
    switch (s.kind) {
      case Source::kOld:
        return Trimmed(oldLines[s.from - 1]);
      case Source::kNewTrimmed:
        return s.from == 0 ? std::string_view() : Trimmed(newLines[s.from - 1]);
      case Source::kRule:
        return upgLines[s.from - 1];  // upper-cased on the way
      default:
        return newLines[i];
    }
  };
  size_t size = 0;
  for (size_t i = 0; i < table.size(); ++i) size += entry(i).size() + 2;
  std::string text;
  text.reserve(size);
  for (size_t i = 0; i < table.size(); ++i) {
    const std::string_view line = entry(i);
    if (table[i].kind == Source::kRule) {
      for (char c : line) text += UpperAscii(c);
    } else {
      text.append(line.data(), line.size());
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace

// GetVarName(UCase(line)) in one pass and one copy: runs of spaces made
// one, the ends trimmed, cut after the first "=".
std::string CLSVaxoUpg::RuleKey(const std::string& line) {
  std::string key;
  key.reserve(line.size());
  AppendRuleKey(line, &key);
  return key;
}

int32_t CLSVaxoUpg::Upgrade(const std::string& strFileName, std::string& strOldFile,
                            const std::string& strNewFile, const std::string& strUpgFile) {
  bool bTestFlag = false;
  return Upgrade(strFileName, strOldFile, strNewFile, strUpgFile, bTestFlag);
}

int32_t CLSVaxoUpg::Upgrade(const std::string& /*strFileName*/, std::string& strOldFile,
                            const std::string& strNewFile, const std::string& strUpgFile,
                            bool& bTestFlag) {
  Env::Default()->ProcessEvents();
  bCheckDouble = bTestFlag;
  lPosAlt = 1;
  lPosNeuLine = 1;
  lPosNeu = 1;

  // The lists point into the texts, and the merged text is made before
  // strOldFile is written, so a caller may pass the same string for
  // several texts.
  LineList altLines, neuLines, upgLines;
  MakeLineList(strOldFile, altLines);
  MakeLineList(strNewFile, neuLines);
  MakeLineList(strUpgFile, upgLines);

  // The keys of all rules in one buffer; a key is never longer than its line.
  std::string keyText;
  keyText.reserve(strUpgFile.size());
  std::vector<size_t> keyEnds;
  keyEnds.reserve(upgLines.size());
  for (std::string_view upgLine : upgLines) {
    AppendRuleKey(upgLine, &keyText);
    keyEnds.push_back(keyText.size());
  }
  std::vector<std::string_view> keys;
  keys.reserve(upgLines.size());
  for (size_t r = 0, begin = 0; r < keyEnds.size(); begin = keyEnds[r++]) {
    keys.emplace_back(keyText.data() + begin, keyEnds[r] - begin);
  }

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

  int32_t exit_code = 0;  // the last one a rule gives
  // One entry per new line; a later rule on the same line wins.
  std::vector<Source> table(neuLines.size());
  // Entries are built only when the logbook writes them.
  for (size_t r = 0; r < upgLines.size(); ++r) {
    Env::Default()->ProcessEvents();
    const int32_t rule = static_cast<int32_t>(r);
    const std::string_view key = keys[r];
    // Listed lines are never blank, so a hit is never the empty line.
    const int32_t oldNo = Search(rule, key, altLines, lPosAlt, kFindStringAltMessages);
    const int32_t lineNo = Search(rule, key, neuLines, lPosNeuLine, kFindLineNeuMessages);

    if (oldNo != 0 && lineNo != 0) {  // A: carry the old line over
      table[lineNo - 1] = {Source::kOld, oldNo};
      // The new line only feeds the entry, the search itself always runs.
      const int32_t newNo = Search(rule, key, neuLines, lPosNeu, kFindStringNeuMessages);
      if (LogBuch().is_on()) {
        const std::string_view oldLine = Trimmed(altLines[oldNo - 1]);
        const std::string_view newLine =
            newNo == 0 ? std::string_view() : Trimmed(neuLines[newNo - 1]);
        Log(TypInfo, log_text::FormatCarried(key, ValueIn(oldLine, key.size()), lineNo,
                                             ValueIn(newLine, key.size())));
      }
    } else if (lineNo != 0) {
      if (HasValueIn(upgLines[r])) {  // B: the rule's default
        table[lineNo - 1] = {Source::kRule, rule + 1};
        if (LogBuch().is_on()) {
          Log(TypError, log_text::FormatDefault(key, UCase(std::string(upgLines[r])), lineNo));
        }
      } else {  // C: the new line stays, trimmed
        const int32_t newNo = Search(rule, key, neuLines, lPosNeu, kFindStringNeuMessages);
        table[lineNo - 1] = {Source::kNewTrimmed, newNo};
        if (LogBuch().is_on()) Log(TypError, log_text::kKeptNew.Format(key));
        exit_code = 2;
      }
    } else if (oldNo != 0) {  // D: nowhere to carry the old line
      if (LogBuch().is_on()) Log(TypWarning, log_text::kLost.Format(key));
      exit_code = 1;
    }
    // E: in neither text; the searches have logged it.
  }

  strOldFile = MergedText(table, altLines, neuLines, upgLines);
  return exit_code;
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

bool CLSVaxoUpg::HasValue(const std::string& line) const { return HasValueIn(line); }

// The line rule of CutFirstLine, read in place: a line ends at CR or LF,
// and one LF right after that end belongs to it. Nothing is copied: the
// list points into the text.
void CLSVaxoUpg::MakeLineList(const std::string& text, LineList& lines) const {
  const char* const data = text.data();
  const size_t size = text.size();
  // Room for a line per break at once, so the list is never moved.
  lines.reserve(lines.size() + 1 + std::count(text.begin(), text.end(), '\n') +
                std::count(text.begin(), text.end(), '\r'));
  // The next CR and the next LF are each looked for afresh only once the
  // scan has passed them, so every byte is read about once, a word at a time.
  const char* const stop = data + size;
  const auto next = [stop](const char* from, char c) {
    const void* at = std::memchr(from, c, static_cast<size_t>(stop - from));
    return at ? static_cast<const char*>(at) : stop;
  };
  const char* cr = next(data, '\r');
  const char* lf = next(data, '\n');
  const char* pos = data;
  while (pos < stop) {
    if (cr < pos) cr = next(pos, '\r');
    if (lf < pos) lf = next(pos, '\n');
    const char* const end = std::min(cr, lf);
    const char* first = pos;
    while (first < end && *first == ' ') ++first;
    if (first < end) lines.emplace_back(pos, static_cast<size_t>(end - pos));
    if (end == stop) break;
    pos = end + 1;
    if (pos < stop && *pos == '\n') ++pos;
  }
}

std::string CLSVaxoUpg::MakeFileText(const LineList& table) const {
  size_t size = 0;
  for (std::string_view entry : table) size += entry.size() + 2;
  std::string text;
  text.reserve(size);
  for (std::string_view entry : table) {
    text.append(entry.data(), entry.size());
    text += "\r\n";
  }
  return text;
}

int32_t CLSVaxoUpg::Search(int32_t rule, std::string_view key, const LineList& lines,
                           int32_t& position, const SearchMessages& messages) {
  int32_t found = 0;
  if (index_ != nullptr &&
      index_->Find(rule, key, lines, position, messages, bCheckDouble, &found)) {
    return found;
  }
  return LineSearch(lines, position, messages).Find(key, bCheckDouble);
}

std::string CLSVaxoUpg::FindStringAlt(const std::string& key, const LineList& lines) {
  const int32_t found = Search(-1, key, lines, lPosAlt, kFindStringAltMessages);
  return found == 0 ? std::string() : std::string(Trimmed(lines[found - 1]));
}

std::string CLSVaxoUpg::FindStringNeu(const std::string& key, const LineList& lines) {
  const int32_t found = Search(-1, key, lines, lPosNeu, kFindStringNeuMessages);
  return found == 0 ? std::string() : std::string(Trimmed(lines[found - 1]));
}

int32_t CLSVaxoUpg::FindLineNeu(const std::string& key, const LineList& lines) {
  return Search(-1, key, lines, lPosNeuLine, kFindLineNeuMessages);
}

std::string CLSVaxoUpg::LineValue(const std::string& line, const std::string& key) const {
  return std::string(ValueIn(line, key.size()));
}

}  // namespace vaxo
