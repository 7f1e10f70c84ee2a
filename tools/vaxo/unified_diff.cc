#include "tools/vaxo/unified_diff.h"

#include <dtl/dtl.hpp>
#include <vector>

namespace vaxo {

namespace {

// The lines of `text`, each with its "\n" when it has one: a last line
// without one is another line than the same text with it, as for diff.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos + 1));
    pos = end + 1;
  }
  return lines;
}

std::string Range(long long start, long long count) {
  return std::to_string(count == 0 ? start - 1 : start) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedDiff(const std::string& path, const std::string& before,
                        const std::string& after, bool existed) {
  if (existed && before == after) return std::string();
  const std::vector<std::string> a = Lines(before), b = Lines(after);
  dtl::Diff<std::string, std::vector<std::string>> diff(a, b);
  diff.compose();
  diff.composeUnifiedHunks();
  std::string out = "--- " + path + "\n+++ " + path + "\n";
  const auto line = [&out](char mark, const std::string& text) {
    out += mark;
    out += text;
    if (text.empty() || text.back() != '\n') out += "\n\\ No newline at end of file\n";
  };
  for (const auto& hunk : diff.getUniHunks()) {
    out += "@@ -" + Range(hunk.a, hunk.b) + " +" + Range(hunk.c, hunk.d) + " @@\n";
    for (const auto& e : hunk.common[0]) line(' ', e.first);
    for (const auto& e : hunk.change) {
      const char mark = e.second.type == dtl::SES_DELETE ? '-'
                        : e.second.type == dtl::SES_ADD  ? '+'
                                                         : ' ';
      line(mark, e.first);
    }
    for (const auto& e : hunk.common[1]) line(' ', e.first);
  }
  return out;
}

}  // namespace vaxo
