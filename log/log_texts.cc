#include "log/log_texts.h"

#include "base/text.h"

namespace vaxo {
namespace log_text {
namespace {

bool StartsWith(std::string_view s, std::string_view head) {
  return s.substr(0, head.size()) == head;
}
bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}
std::string_view TrimLeft(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}
std::string_view TrimRight(std::string_view s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string_view() : s.substr(0, e + 1);
}

// Up to `most` blanks taken off the front (back) of `*s`.
void DropFront(std::string_view* s, size_t most) {
  while (most-- > 0 && !s->empty() && s->front() == ' ') s->remove_prefix(1);
}
void DropBack(std::string_view* s, size_t most) {
  while (most-- > 0 && !s->empty() && s->back() == ' ') s->remove_suffix(1);
}

}  // namespace

bool Fixed::Parse(std::string_view m) const { return m == Trimmed(text); }

std::string Framed::Format(std::string_view field) const {
  std::string s;
  s.reserve(head.size() + field.size() + tail.size());
  s.append(head.data(), head.size());
  s.append(field.data(), field.size());
  s.append(tail.data(), tail.size());
  return s;
}

// The head's leading blanks and the tail's trailing ones are gone in the
// log; the head's trailing blanks (the tail's leading ones) are gone too
// where the field is empty and the head (tail) ends the message.
bool Framed::Parse(std::string_view m, std::string_view* field) const {
  const std::string_view h = TrimLeft(head), t = TrimRight(tail);
  const std::string_view h_core = TrimRight(h), t_core = TrimLeft(t);
  if (m.size() < h_core.size() + t_core.size() || !StartsWith(m, h_core) || !EndsWith(m, t_core))
    return false;
  std::string_view f = m.substr(h_core.size(), m.size() - h_core.size() - t_core.size());
  DropFront(&f, h.size() - h_core.size());
  DropBack(&f, t.size() - t_core.size());
  *field = f;
  return true;
}

bool ParseNumber(std::string_view s, int64_t* n) {
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *n = v;
  return true;
}

const Framed kTimePoint = {"Upgrade time point:     < ", " > "};
const Framed kClosing = {"ENDE  (ExitCode=", ")"};
const Framed kRunStopped = {"Run stopped: ", ""};
const Fixed kCommandFailed = {"ReadCommand schlug fehl -> Upgrade end"};
const Fixed kUpgradeEnd = {"Upgrade end"};
const Fixed kFormAsked = {"user define input pfade (Quelle, Destination)"};

std::string FormatClosing(int exit_code) { return kClosing.Format(std::to_string(exit_code)); }

bool ParseClosing(std::string_view m, int* exit_code) {
  std::string_view field;
  int64_t n = 0;
  if (!kClosing.Parse(m, &field) || !ParseNumber(field, &n)) return false;
  *exit_code = static_cast<int>(n);
  return true;
}

// Spellings and blanks are those the log has always had; people and tools
// reading the log know them.
const Framed kSorcePathR1 = {"Sorce path R1:   ", ""};
const Framed kSorcePathSteu = {"Sorce path STEU: ", ""};
const Framed kDestinationPathR1 = {"Destination path R1:   ", ""};
const Framed kDestinationPathSteu = {"Destination path STEU: ", ""};
const Framed kDestinationPathSteuAlt = {"destination path  STEU: ", ""};

const Framed kFileTitle = {"Upgrade: file = ", ""};
const Framed kOldRead = {"old File < ", " > successfull readed"};
const Framed kNewRead = {"new File < ", " > successfull readed"};
const Fixed kShiftStart = {"shift differend variable from R1 to STEU"};
const Fixed kUpgradeError = {"<-- Upgrade error"};
const Fixed kNotWritten = {" error --> (file not writed)"};

const PassTexts kSteuPass = {
    {" error read file ", ""},
    {" error in read file ", ""},
    {"upg-file read ( ", " )"},
    {" error in read file ", ""},
    {"upg-file < ", " > successfull readed"},
    {"--> start Upgrade"},
    {"<-- Upgrade successfull end"},
    {"new file writed ( ", " )"},
};

const PassTexts kR1Pass = {
    {" error in read old file ", ""},
    {" error read new file ", ""},
    {"Upg-file read ( ", " )"},
    {" error in read upg-file ", ""},
    {"UPG-File < ", " > successfull readed"},
    {"--> Start Upgrade"},
    {"<-- Upgrade successfull ende"},
    {" new file be writed ( ", " )"},
};

const Framed kShiftFailed = {"shift R1 to STEU failed: ", ""};
constexpr std::string_view kNotIn = " not in ";

std::string FormatShiftFailed(std::string_view missing_names, std::string_view path) {
  return kShiftFailed.Format(std::string(missing_names) + std::string(kNotIn) + std::string(path));
}

void SplitShiftFailed(std::string_view field, std::string_view* names, std::string_view* path) {
  const size_t in = field.find(kNotIn);
  *names = field.substr(0, in);
  *path = in == std::string_view::npos ? std::string_view() : field.substr(in + kNotIn.size());
}

namespace {
constexpr std::string_view kRuleHead = "- <";
constexpr std::string_view kLineMark = " , _(line: ";
constexpr std::string_view kDefaultMid = ">  not found in old file and in upg-file <";
constexpr std::string_view kDefaultEnd = ">, default value insert in new file _(line: ";
}  // namespace

std::string FormatCarried(std::string_view key, std::string_view old_value, int64_t line,
                          std::string_view new_value) {
  const std::string number = std::to_string(line);
  std::string s;
  s.reserve(kRuleHead.size() + key.size() + old_value.size() + kLineMark.size() + number.size() +
            new_value.size() + 8);
  s.append(kRuleHead.data(), kRuleHead.size());
  s.append(key.data(), key.size());
  s += "> ";
  s.append(old_value.data(), old_value.size());
  s.append(kLineMark.data(), kLineMark.size());
  s += number;
  s += ")_ , ";
  s.append(new_value.data(), new_value.size());
  return s;
}

// With an empty NEW the logbook's trim leaves ")_ ,". KEY ends at its "="
// (a key holds one, at its end) or, for a rule without "=", at the first
// "> ".
bool ParseCarried(std::string_view m, RuleEntry* r) {
  if (!StartsWith(m, kRuleHead)) return false;
  const std::string_view rest = m.substr(kRuleHead.size());
  size_t key_end = rest.find('=');
  if (key_end != std::string_view::npos && key_end + 1 < rest.size() && rest[key_end + 1] == '>') {
    ++key_end;
  } else {
    key_end = rest.find("> ");
    if (key_end == std::string_view::npos) return false;
  }
  const std::string_view after = rest.substr(key_end + 1);  // " OLD , _(line: ..."
  const size_t mark = after.find(kLineMark);
  if (mark == std::string_view::npos) return false;
  const std::string_view tail = after.substr(mark + kLineMark.size());
  const size_t close = tail.find(")_");
  if (close == std::string_view::npos || !ParseNumber(tail.substr(0, close), &r->line))
    return false;
  const std::string_view new_value = tail.substr(close + 2);
  if (!StartsWith(new_value, " ,")) return false;
  r->key = rest.substr(0, key_end);
  r->old_value = Trimmed(after.substr(0, mark));
  r->new_value = Trimmed(new_value.substr(2));
  return true;
}

std::string FormatDefault(std::string_view key, std::string_view rule, int64_t line) {
  std::string s(kRuleHead);
  s.append(key.data(), key.size());
  s.append(kDefaultMid.data(), kDefaultMid.size());
  s.append(rule.data(), rule.size());
  s.append(kDefaultEnd.data(), kDefaultEnd.size());
  return s + std::to_string(line) + ")_";
}

bool ParseDefault(std::string_view m, RuleEntry* r) {
  if (!StartsWith(m, kRuleHead) || !EndsWith(m, ")_")) return false;
  const size_t mid = m.find(kDefaultMid);
  const size_t end = m.rfind(kDefaultEnd);
  if (mid == std::string_view::npos || end == std::string_view::npos ||
      end < mid + kDefaultMid.size())
    return false;
  const size_t number = end + kDefaultEnd.size();
  if (!ParseNumber(m.substr(number, m.size() - 2 - number), &r->line)) return false;
  r->key = m.substr(kRuleHead.size(), mid - kRuleHead.size());
  r->rule = m.substr(mid + kDefaultMid.size(), end - mid - kDefaultMid.size());
  return true;
}

const Framed kKeptNew = {" - <", "> not found in old file"};
const Framed kLost = {" - <", "> not found in new file"};

}  // namespace log_text
}  // namespace vaxo
