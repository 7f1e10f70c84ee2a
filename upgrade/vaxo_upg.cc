#include "upgrade/vaxo_upg.h"

#include "app/exit_code.h"
#include "files/text.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "platform/env.h"

namespace vaxo {

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

  for (const std::string& upgLine : upgLines) {
    Env::Default()->ProcessEvents();
    const std::string rule = UCase(upgLine);
    const std::string key = GetVarName(rule);
    const std::string oldLine = FindStringAlt(key, altLines);
    const int32_t lineNo = FindLineNeu(key, neuLines);

    if (!oldLine.empty() && lineNo != 0) {  // A: carry the old line over
      table[lineNo - 1] = oldLine;
      const std::string oldValue = LineValue(oldLine, key);
      const std::string newValue = LineValue(FindStringNeu(key, neuLines), key);
      Log(TypInfo, "- <" + key + "> " + oldValue + " , _(line: " + std::to_string(lineNo) +
                       ")_ , " + newValue);
    } else if (lineNo != 0 && HasValue(rule)) {  // B: the rule's default
      table[lineNo - 1] = rule;
      Log(TypError, "- <" + key + ">  not found in old file and in upg-file <" + rule +
                        ">, default value insert in new file " +
                        "_(line: " + std::to_string(lineNo) + ")_");
    } else if (lineNo != 0) {  // C: the new line stays, trimmed
      table[lineNo - 1] = FindStringNeu(key, neuLines);
      Log(TypError, " - <" + key + "> not found in old file");
      ExitCode = 2;
    } else if (!oldLine.empty()) {  // D: nowhere to carry the old line
      Log(TypWarning, " - <" + key + "> not found in new file");
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

void CLSVaxoUpg::MakeLineList(const std::string& text, LineList& lines) const {
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    pos = NextLine(text, pos, &line);
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
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

std::string CLSVaxoUpg::FindStringAlt(const std::string& key, const LineList& lines) {
  const int32_t found = LineSearch(lines, lPosAlt, kFindStringAltMessages).Find(key, bCheckDouble);
  return found == 0 ? std::string() : TrimSpaces(lines[found - 1]);
}

std::string CLSVaxoUpg::FindStringNeu(const std::string& key, const LineList& lines) {
  const int32_t found = LineSearch(lines, lPosNeu, kFindStringNeuMessages).Find(key, bCheckDouble);
  return found == 0 ? std::string() : TrimSpaces(lines[found - 1]);
}

int32_t CLSVaxoUpg::FindLineNeu(const std::string& key, const LineList& lines) {
  return LineSearch(lines, lPosNeuLine, kFindLineNeuMessages).Find(key, bCheckDouble);
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
