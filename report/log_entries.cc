#include "report/log_entries.h"

namespace vaxo {
namespace report {
namespace {

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

bool LogEntries::LineAt(size_t pos, std::string_view* line, size_t* next) const {
  if (pos >= log_.size()) return false;
  size_t end = log_.find('\n', pos);
  *next = end == std::string_view::npos ? log_.size() : end + 1;
  if (end == std::string_view::npos) end = log_.size();
  if (end > pos && log_[end - 1] == '\r') --end;
  *line = log_.substr(pos, end - pos);
  return true;
}

bool LogEntries::Next(LogEntry* entry) {
  std::string_view l;
  size_t next;
  if (!LineAt(pos_, &l, &next)) return false;
  const size_t number = ++line_;
  pos_ = next;
  if (l.empty()) {
    // A title: this empty line, dashes, "-- M --", the same dashes.
    std::string_view t[3];
    size_t p = pos_;
    bool whole = true;
    for (auto& line : t) whole = whole && LineAt(p, &line, &p);
    if (whole && t[1].size() >= 6 && t[1].substr(0, 3) == "-- " &&
        t[1].substr(t[1].size() - 3) == " --" && Dashes(t[0], t[1].size()) &&
        Dashes(t[2], t[1].size())) {
      *entry = {LogEntry::Type::kTitle, t[1].substr(3, t[1].size() - 6), number};
      pos_ = p;
      line_ += 3;
      return true;
    }
  }
  if (l.substr(0, 4) == "    ") {
    *entry = {LogEntry::Type::kInfo, l.substr(4), number};
  } else if (Enclosed(l, "!!!")) {
    *entry = {LogEntry::Type::kError, l.substr(4, l.size() - 8), number};
  } else if (Enclosed(l, "###")) {
    *entry = {LogEntry::Type::kWarning, l.substr(4, l.size() - 8), number};
  } else if (Enclosed(l, "???")) {
    *entry = {LogEntry::Type::kOther, l.substr(4, l.size() - 8), number};
  } else {
    *entry = {LogEntry::Type::kUnknown, l, number};
  }
  return true;
}

}  // namespace report
}  // namespace vaxo
