#include "files/file_list.h"

#include <algorithm>

#include "base/text.h"
#include "platform/env.h"

namespace vaxo {

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*") return true;
  // Iterative match with one back-tracking point per "*".
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || UpperAscii(pattern[p]) == UpperAscii(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool FileNameLess(const std::string& a, const std::string& b) {
  const int order = Env::Default()->CompareNames(a, b);
  if (order != 0) return order < 0;
  return a < b;
}

namespace {

std::vector<std::string> SplitPatterns(const std::string& patterns) {
  std::vector<std::string> pats;
  size_t start = 0;
  while (true) {
    size_t semi = patterns.find(';', start);
    std::string one = TrimSpaces(patterns.substr(start, semi - start));
    if (!one.empty()) pats.push_back(one);
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return pats;
}

}  // namespace

const char kSteuDataPattern[] = "$*.dat";
const char kR1DataPattern[] = "$*.dat;*.servo";

bool MatchesPatterns(const std::string& patterns, const std::string& name) {
  for (const std::string& p : SplitPatterns(patterns))
    if (WildcardMatch(p, name)) return true;
  return false;
}

std::vector<std::string> ListFiles(const std::string& dir, const std::string& patterns,
                                   uint32_t allowed, Status* status) {
  const std::vector<std::string> pats = SplitPatterns(patterns);

  std::vector<DirEntry> entries;
  Status s = Env::Default()->ListDirectory(dir, &entries);
  if (s.IsAmbiguous()) throw RunError(s);
  if (status) *status = s;
  std::vector<std::string> names;
  if (!s.ok()) return names;
  const uint32_t special = kAttrHidden | kAttrSystem | kAttrDirectory;
  for (const DirEntry& e : entries) {
    if ((e.attributes & special & ~allowed) != 0) continue;
    for (const std::string& p : pats) {
      if (WildcardMatch(p, e.name)) {
        names.push_back(e.name);
        break;
      }
    }
  }
  std::sort(names.begin(), names.end(), FileNameLess);
  return names;
}

std::string FindFirst(const std::string& path_pattern, uint32_t allowed, Status* status) {
  size_t slash = path_pattern.find_last_of('\\');
  std::string dir = slash == std::string::npos ? std::string(".") : path_pattern.substr(0, slash);
  std::string pattern = slash == std::string::npos ? path_pattern : path_pattern.substr(slash + 1);
  if (dir.size() == 2 && dir[1] == ':') dir += "\\";  // "C:" alone is the root here
  std::vector<std::string> names = ListFiles(dir, pattern, allowed, status);
  return names.empty() ? std::string() : names.front();
}

}  // namespace vaxo
