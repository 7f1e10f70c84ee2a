#include "report/log_entries.h"

namespace vaxo {
namespace report {
namespace {

std::vector<std::string_view> Lines(std::string_view log) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find('\n', pos);
    const size_t next = end == std::string_view::npos ? log.size() : end + 1;
    if (end == std::string_view::npos) end = log.size();
    if (end > pos && log[end - 1] == '\r') --end;
    lines.push_back(log.substr(pos, end - pos));
    pos = next;
  }
  return lines;
}

bool Dashes(std::string_view s, size_t n) {
  return s.size() == n && s.find_first_not_of('-') == std::string_view::npos;
}

bool Enclosed(std::string_view s, std::string_view mark) {
  // "!!! M !!!": the mark, a blank, M, a blank, the mark.
  const size_t m = mark.size();
  return s.size() >= 2 * m + 2 && s.substr(0, m) == mark && s[m] == ' ' &&
         s.substr(s.size() - m) == mark && s[s.size() - m - 1] == ' ';
}

}  // namespace

std::vector<LogEntry> SplitLogEntries(std::string_view log) {
  const std::vector<std::string_view> lines = Lines(log);
  std::vector<LogEntry> entries;
  entries.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view l = lines[i];
    const size_t number = i + 1;
    // A title: an empty line, dashes, "-- M --", the same dashes.
    if (l.empty() && i + 3 < lines.size() && lines[i + 2].size() >= 6 &&
        Dashes(lines[i + 1], lines[i + 2].size()) && Dashes(lines[i + 3], lines[i + 2].size()) &&
        lines[i + 2].substr(0, 3) == "-- " &&
        lines[i + 2].substr(lines[i + 2].size() - 3) == " --") {
      const std::string_view middle = lines[i + 2];
      entries.push_back({LogEntry::Type::kTitle, middle.substr(3, middle.size() - 6), number});
      i += 3;
    } else if (l.substr(0, 4) == "    ") {
      entries.push_back({LogEntry::Type::kInfo, l.substr(4), number});
    } else if (Enclosed(l, "!!!")) {
      entries.push_back({LogEntry::Type::kError, l.substr(4, l.size() - 8), number});
    } else if (Enclosed(l, "###")) {
      entries.push_back({LogEntry::Type::kWarning, l.substr(4, l.size() - 8), number});
    } else if (Enclosed(l, "???")) {
      entries.push_back({LogEntry::Type::kOther, l.substr(4, l.size() - 8), number});
    } else {
      entries.push_back({LogEntry::Type::kUnknown, l, number});
    }
  }
  return entries;
}

}  // namespace report
}  // namespace vaxo
