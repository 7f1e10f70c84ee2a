#include "report/log_reader.h"

#include "base/text.h"
#include "report/log_entries.h"
#include "upgrade/line_search.h"

namespace vaxo {
namespace report {
namespace {

using Type = LogEntry::Type;
using Kind = CodeSetter::Kind;

// The entries of a file pass as the log holds them (the logbook trimmed the
// messages). Paths follow the prefixes; the STEU pass uses one text for a
// new file and an upg-file it cannot read.
struct PassTexts {
  std::string_view old_not_read, new_not_read, upg_to_read, upg_not_read, upg_read, start, success,
      written;
};
const PassTexts kSteu = {"error read file ",
                         "error in read file ",
                         "upg-file read ( ",
                         "error in read file ",
                         "upg-file < ",
                         "--> start Upgrade",
                         "<-- Upgrade successfull end",
                         "new file writed ( "};
const PassTexts kR1 = {"error in read old file ",      "error read new file ", "Upg-file read ( ",
                       "error in read upg-file ",      "UPG-File < ",          "--> Start Upgrade",
                       "<-- Upgrade successfull ende", "new file be writed ( "};

bool StartsWith(std::string_view s, std::string_view head) {
  return s.substr(0, head.size()) == head;
}
bool EndsWithView(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// `s` between `head` and `tail` when it has both, else false.
bool Between(std::string_view s, std::string_view head, std::string_view tail,
             std::string_view* middle) {
  if (s.size() < head.size() + tail.size() || !StartsWith(s, head) || !EndsWithView(s, tail))
    return false;
  *middle = s.substr(head.size(), s.size() - head.size() - tail.size());
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

std::string_view Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "- <KEY> OLD , _(line: N)_ , NEW"; with an empty NEW the logbook's trim
// leaves ")_ ,". KEY ends at its "=" (a key holds one, at its end) or, for
// a rule without "=", at the first "> ".
bool ParseCarried(std::string_view m, RuleReport* r) {
  if (!StartsWith(m, "- <")) return false;
  const std::string_view rest = m.substr(3);
  size_t key_end = rest.find('=');
  if (key_end != std::string_view::npos && key_end + 1 < rest.size() && rest[key_end + 1] == '>') {
    ++key_end;
  } else {
    key_end = rest.find("> ");
    if (key_end == std::string_view::npos) return false;
  }
  std::string_view after = rest.substr(key_end + 1);  // " OLD , _(line: ..."
  const size_t mark = after.find(" , _(line: ");
  if (mark == std::string_view::npos) return false;
  const std::string_view tail = after.substr(mark + 11);
  const size_t close = tail.find(")_");
  if (close == std::string_view::npos || !ParseNumber(tail.substr(0, close), &r->line))
    return false;
  std::string_view new_value = tail.substr(close + 2);
  if (!StartsWith(new_value, " ,")) return false;
  r->key = rest.substr(0, key_end);
  r->rule_case = RuleCase::kCarried;
  r->old_value = Trim(after.substr(0, mark));
  r->new_value = Trim(new_value.substr(2));
  return true;
}

// "- <KEY>  not found in old file and in upg-file <RULE>, default value
// insert in new file _(line: N)_"
bool ParseDefault(std::string_view m, RuleReport* r) {
  static constexpr std::string_view kMid = ">  not found in old file and in upg-file <";
  static constexpr std::string_view kEnd = ">, default value insert in new file _(line: ";
  if (!StartsWith(m, "- <") || !EndsWithView(m, ")_")) return false;
  const size_t mid = m.find(kMid);
  const size_t end = m.rfind(kEnd);
  if (mid == std::string_view::npos || end == std::string_view::npos || end < mid + kMid.size())
    return false;
  const size_t number = end + kEnd.size();
  if (!ParseNumber(m.substr(number, m.size() - 2 - number), &r->line)) return false;
  r->key = m.substr(3, mid - 3);
  r->rule_case = RuleCase::kDefault;
  r->default_line = m.substr(mid + kMid.size(), end - mid - kMid.size());
  return true;
}

const char kOldR1Folder[] = "the old installation's R1 folder";
const char kNewSteuFolder[] = "the new installation's STEU folder";
const char kOldSteuFolder[] = "the old installation's STEU folder";
const size_t kUnreadExamples = 5;

// The folder a label of the command reader names, in words.
const char* FolderOfLabel(std::string_view m, std::string_view* path) {
  struct Label {
    std::string_view text;
    const char* folder;
  };
  static const Label kLabels[] = {
      {"Sorce path R1:", kOldR1Folder},
      {"Sorce path STEU:", kOldSteuFolder},
      {"Destination path R1:", "the new installation's R1 folder"},
      {"Destination path STEU:", kNewSteuFolder},
      {"destination path  STEU:", kNewSteuFolder},
  };
  for (const Label& l : kLabels) {
    if (StartsWith(m, l.text)) {
      *path = Trim(m.substr(l.text.size()));
      return l.folder;
    }
  }
  return nullptr;
}

class Reader {
 public:
  RunReport Read(std::string log) {
    run_.log_text = std::make_shared<const std::string>(std::move(log));
    LogEntries entries(*run_.log_text);
    for (LogEntry e; entries.Next(&e);) {
      last_ = e;
      Entry(e);
    }
    Finish();
    return std::move(run_);
  }

 private:
  void Entry(const LogEntry& e) {
    const std::string_view m = e.message;
    switch (e.type) {
      case Type::kTitle:
        return Title(m);
      case Type::kInfo:
        return Info(m);
      case Type::kError:
        return Error(m);
      case Type::kWarning:
        return Warning(m);
      case Type::kUnknown:
        return Unread(e);
      default:
        return;  // not an entry of this program: passed over
    }
  }

  // A line in no layout of the logbook: whatever it said is not in the
  // report, so the report cannot vouch for the run.
  void Unread(const LogEntry& e) {
    ++run_.unread_lines;
    if (run_.unread_examples.size() < kUnreadExamples)
      run_.unread_examples.push_back({e.line, e.message});
  }

  void Title(std::string_view m) {
    std::string_view middle;
    if (StartsWith(m, "Upgrade: file = ")) return StartFile(m.substr(16));
    int64_t code = 0;
    if (Between(m, "ENDE  (ExitCode=", ")", &middle) && ParseNumber(middle, &code)) {
      run_.ended = Ending::kClosingEntry;
      run_.exit_code = static_cast<int>(code);
    }
  }

  void Info(std::string_view m) {
    std::string_view v;
    if (StartsWith(m, "Upgrade time point:")) {
      const size_t open = m.find("< ");
      if (open != std::string_view::npos && EndsWithView(m, " >"))
        run_.started = std::string(m.substr(open + 2, m.size() - 2 - open - 2));
      return;
    }
    if (m == "Upgrade end") {
      run_.early_end = RunReport::EarlyEnd::kIncompletePaths;
      return;
    }
    if (const char* folder = FolderOfLabel(m, &v)) return Label(folder, v);
    FileReport* f = Current();
    if (!f) return;
    if (Between(m, "old File < ", " > successfull readed", &v)) return;
    if (Between(m, "new File < ", " > successfull readed", &v)) {
      f->new_path = std::string(v);
      return;
    }
    if (m == "shift differend variable from R1 to STEU") {
      f->pass = Pass::kR1;
      run_.shift.ran = true;
      return;
    }
    for (const PassTexts* t : {&kSteu, &kR1}) {
      const Pass pass = t == &kSteu ? Pass::kSteu : Pass::kR1;
      if (Between(m, t->upg_to_read, " )", &v)) {
        f->pass = pass;
        f->upg_path = std::string(v);
        return;
      }
      if (StartsWith(m, t->upg_read) || m == t->start) {
        f->pass = pass;
        EndRule();
        return;
      }
      if (m == t->success) {
        f->pass = pass;
        EndRule();
        return;
      }
      if (Between(m, t->written, " )", &v)) {
        f->pass = pass;
        SetResult(FileResult::kWritten);
        return;
      }
    }
    if (m == "<-- Upgrade error") return EndRule();
    RuleReport r;
    if (ParseCarried(m, &r)) AddRule(std::move(r));
  }

  void Error(std::string_view m) {
    std::string_view v;
    if (StartsWith(m, "Run stopped: ")) {
      run_.ended = run_.ended == Ending::kClosingEntry ? run_.ended : Ending::kStopped;
      run_.stopped_reason = std::string(m.substr(13));
      // The written entry comes before the write: when that write is what
      // failed, the file holds its old text.
      FileReport* f = Current();
      if (f && f->result == FileResult::kWritten && !f->new_path.empty() &&
          UCase(run_.stopped_reason).find(UCase(f->new_path)) != std::string::npos)
        f->result.reset();
      return;
    }
    if (m == "ReadCommand schlug fehl -> Upgrade end") {
      std::string looked;
      for (const std::string& c : candidates_) looked += (looked.empty() ? "" : " and ") + c;
      AddSetter(Kind::kCommandLine, 1, -1,
                folder_.empty() ? "" : folder_ + " was not found: no data files in " + looked);
      return;
    }
    if (StartsWith(m, "shift R1 to STEU failed: ")) return ShiftFailed(m.substr(25));
    FileReport* f = Current();
    if (!f) return;
    if (Searched(m)) return;
    RuleReport r;
    if (ParseDefault(m, &r)) return AddRule(std::move(r));
    if (Between(m, "- <", "> not found in old file", &v)) {
      r.key = v;
      r.rule_case = RuleCase::kKeptNew;
      return AddRule(std::move(r));
    }
    if (m == "error --> (file not writed)") return Failed(FileResult::kNoText, Kind::kNoText);
    // The STEU pass names a new file and an upg-file it cannot read alike:
    // the upg-file's read entry tells them apart.
    if (StartsWith(m, kSteu.upg_not_read) && !f->upg_path.empty() &&
        m.substr(kSteu.upg_not_read.size()) == f->upg_path) {
      f->pass = Pass::kSteu;
      return SetResult(FileResult::kUpgMissing);
    }
    if (StartsWith(m, kR1.upg_not_read)) {
      f->pass = Pass::kR1;
      return SetResult(FileResult::kUpgMissing);
    }
    for (const PassTexts* t : {&kSteu, &kR1}) {
      const Pass pass = t == &kSteu ? Pass::kSteu : Pass::kR1;
      if (StartsWith(m, t->old_not_read)) {
        f->pass = pass;
        return Failed(FileResult::kOldMissing, Kind::kOldMissing);
      }
      if (StartsWith(m, t->new_not_read)) {
        f->pass = pass;
        f->new_path = std::string(m.substr(t->new_not_read.size()));
        return Failed(FileResult::kNewMissing, Kind::kNewMissing);
      }
    }
  }

  void Warning(std::string_view m) {
    std::string_view v;
    if (Current() && Between(m, "- <", "> not found in new file", &v)) {
      RuleReport r;
      r.key = v;
      r.rule_case = RuleCase::kLost;
      AddRule(std::move(r));
    }
  }

  // The searches' own entries come before a rule's entry; a rule found in
  // neither file has no entry of its own, only the two searches' entries.
  bool Searched(std::string_view m) {
    static const std::string alt_missing = TrimSpaces(kFindStringAltMessages.not_found);
    static const std::string alt_double = TrimSpaces(kFindStringAltMessages.double_found);
    static const std::string new_missing = TrimSpaces(kFindLineNeuMessages.not_found);
    static const std::string new_double = TrimSpaces(kFindLineNeuMessages.double_found);
    if (m == alt_missing || m == alt_double) {
      alt_missing_ = true;
      return true;
    }
    if (m == new_missing || m == new_double) {
      if (alt_missing_) {
        RuleReport r;
        r.rule_case = RuleCase::kAbsent;
        AddRule(std::move(r));
      }
      return true;
    }
    return false;
  }

  void StartFile(std::string_view old_path) {
    FileReport f;
    f.old_path = std::string(old_path);
    const size_t slash = old_path.rfind('\\');
    f.name = std::string(slash == std::string_view::npos ? old_path : old_path.substr(slash + 1));
    // The STEU pass comes first; a file of the robot's source folder is R1.
    const bool after_r1 = !run_.files.empty() && run_.files.back().pass == Pass::kR1;
    const std::string dir =
        slash == std::string_view::npos ? std::string() : std::string(old_path.substr(0, slash));
    f.pass = after_r1 || (!source_r1_.empty() && UCase(source_r1_) == UCase(dir)) ? Pass::kR1
                                                                                  : Pass::kSteu;
    run_.files.push_back(std::move(f));
    EndRule();
  }

  void Label(const char* folder, std::string_view path) {
    if (folder_ != folder) candidates_.clear();
    folder_ = folder;
    if (candidates_.empty() || candidates_.back() != path) candidates_.emplace_back(path);
    if (folder_ == kOldR1Folder) source_r1_ = run_.old_r1_dir = std::string(path);
    if (folder_ == kOldSteuFolder) run_.old_steu_dir = std::string(path);
    if (folder_ == kNewSteuFolder) run_.new_steu_dir = std::string(path);
  }

  void ShiftFailed(std::string_view rest) {
    // "NAME NAME ... not in PATH"
    const size_t in = rest.find(" not in ");
    run_.shift.failed_entry = true;
    run_.shift.missing.clear();
    std::string_view names = rest.substr(0, in);
    while (!(names = Trim(names)).empty()) {
      const size_t blank = names.find(' ');
      run_.shift.missing.emplace_back(names.substr(0, blank));
      names = blank == std::string_view::npos ? std::string_view() : names.substr(blank);
    }
    if (in != std::string_view::npos) run_.shift.target = std::string(rest.substr(in + 8));
    AddSetter(Kind::kShiftFailed, 1, -1, std::string(rest));
  }

  FileReport* Current() { return run_.files.empty() ? nullptr : &run_.files.back(); }

  void AddRule(RuleReport r) {
    FileReport& f = run_.files.back();
    f.rules.push_back(std::move(r));
    const RuleCase c = f.rules.back().rule_case;
    const int rule = static_cast<int>(f.rules.size()) - 1;
    if (c == RuleCase::kKeptNew) AddSetter(Kind::kKeptNew, 2, rule);
    if (c == RuleCase::kLost) AddSetter(Kind::kLost, 1, rule);
    EndRule();
  }

  void EndRule() { alt_missing_ = false; }

  void SetResult(FileResult result) {
    FileReport& f = run_.files.back();
    if (!f.result) f.result = result;
    EndRule();
  }

  void Failed(FileResult result, Kind kind) {
    SetResult(result);
    AddSetter(kind, 1, -1);
  }

  void AddSetter(Kind kind, int code, int rule, std::string detail = "") {
    const int file = kind == Kind::kCommandLine ? -1 : static_cast<int>(run_.files.size()) - 1;
    run_.setters.push_back({kind, code, file, rule, std::move(detail)});
  }

  void Finish() {
    run_.last_line = last_.line;
    if (run_.ended != Ending::kClosingEntry && !run_.files.empty() && !run_.files.back().result)
      run_.stopped_in = static_cast<int>(run_.files.size()) - 1;
    if (run_.ended == Ending::kEarly && run_.early_end == RunReport::EarlyEnd::kNone) {
      run_.early_end = last_.type == Type::kInfo &&
                               last_.message == "user define input pfade (Quelle, Destination)"
                           ? RunReport::EarlyEnd::kFormLeft
                           : RunReport::EarlyEnd::kCutOff;
    }
    if (run_.shift.ran && run_.shift.target.empty()) run_.shift.target = ShiftTarget();
  }

  // The controller's new $MACHINE.DAT: as the STEU pass read it, else in the
  // destination STEU folder the command reader found.
  std::string ShiftTarget() const {
    for (const FileReport& f : run_.files) {
      if (f.pass == Pass::kSteu && UCase(f.name) == "$MACHINE.DAT" && !f.new_path.empty())
        return f.new_path;
    }
    return run_.new_steu_dir.empty() ? std::string() : run_.new_steu_dir + "\\$MACHINE.DAT";
  }

  RunReport run_;
  LogEntry last_{Type::kUnknown, {}, 0};
  bool alt_missing_ = false;  // the old file lacks the key of the rule under way
  std::string source_r1_;
  std::string folder_;  // of the last label of the command reader
  std::vector<std::string> candidates_;
};

}  // namespace

RunReport ReadRunLog(std::string log) { return Reader().Read(std::move(log)); }

}  // namespace report
}  // namespace vaxo
