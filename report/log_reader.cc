#include "report/log_reader.h"

#include "base/text.h"
#include "log/log_texts.h"
#include "paths/machine_file.h"
#include "report/log_entries.h"
#include "upgrade/line_search.h"

namespace vaxo {
namespace report {
namespace {

using Type = LogEntry::Type;
using Kind = CodeSetter::Kind;

namespace lt = log_text;

// A rule's entry of one of the two layouts that carry fields.
bool ParseCarried(std::string_view m, RuleReport* r) {
  lt::RuleEntry e;
  if (!lt::ParseCarried(m, &e)) return false;
  r->key = e.key;
  r->rule_case = RuleCase::kCarried;
  r->old_value = e.old_value;
  r->new_value = e.new_value;
  r->line = e.line;
  return true;
}

bool ParseDefault(std::string_view m, RuleReport* r) {
  lt::RuleEntry e;
  if (!lt::ParseDefault(m, &e)) return false;
  r->key = e.key;
  r->rule_case = RuleCase::kDefault;
  r->new_value = e.rule;  // default_line()
  r->line = e.line;
  return true;
}

const char kOldR1Folder[] = "the old installation's R1 folder";
const char kNewSteuFolder[] = "the new installation's STEU folder";
const char kOldSteuFolder[] = "the old installation's STEU folder";
const size_t kUnreadExamples = 5;

// The folder a label of the command reader names, in words.
const char* FolderOfLabel(std::string_view m, std::string_view* path) {
  struct Label {
    const lt::Framed& text;
    const char* folder;
  };
  static const Label kLabels[] = {
      {lt::kSorcePathR1, kOldR1Folder},
      {lt::kSorcePathSteu, kOldSteuFolder},
      {lt::kDestinationPathR1, "the new installation's R1 folder"},
      {lt::kDestinationPathSteu, kNewSteuFolder},
      {lt::kDestinationPathSteuAlt, kNewSteuFolder},
  };
  for (const Label& l : kLabels) {
    if (l.text.Parse(m, path)) {
      *path = Trimmed(*path);
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
    std::string_view path;
    if (lt::kFileTitle.Parse(m, &path)) return StartFile(path);
    int code = 0;
    if (lt::ParseClosing(m, &code)) {
      run_.ended = Ending::kClosingEntry;
      run_.exit_code = code;
    }
  }

  void Info(std::string_view m) {
    // Most entries of a run are carried rules: theirs is the layout looked
    // at first. It begins "- <", as no other layout of an info entry does,
    // so none of those below could have taken it.
    RuleReport r;
    if (Current() && ParseCarried(m, &r)) return AddRule(std::move(r));
    std::string_view v;
    if (lt::kTimePoint.Parse(m, &v)) {
      run_.started = std::string(v);
      return;
    }
    if (lt::kUpgradeEnd.Parse(m)) {
      run_.early_end = RunReport::EarlyEnd::kIncompletePaths;
      return;
    }
    if (const char* folder = FolderOfLabel(m, &v)) return Label(folder, v);
    FileReport* f = Current();
    if (!f) return;
    if (lt::kOldRead.Parse(m, &v)) return;
    if (lt::kNewRead.Parse(m, &v)) {
      f->new_path = std::string(v);
      return;
    }
    if (lt::kShiftStart.Parse(m)) {
      f->pass = Pass::kR1;
      run_.shift.ran = true;
      return;
    }
    for (const lt::PassTexts* t : {&lt::kSteuPass, &lt::kR1Pass}) {
      const Pass pass = t == &lt::kSteuPass ? Pass::kSteu : Pass::kR1;
      if (t->upg_to_read.Parse(m, &v)) {
        f->pass = pass;
        f->upg_path = std::string(v);
        return;
      }
      if (t->upg_read.Parse(m, &v) || t->start.Parse(m)) {
        f->pass = pass;
        EndRule();
        return;
      }
      if (t->success.Parse(m)) {
        f->pass = pass;
        EndRule();
        return;
      }
      if (t->written.Parse(m, &v)) {
        f->pass = pass;
        SetResult(FileResult::kWritten);
        return;
      }
    }
    if (lt::kUpgradeError.Parse(m)) return EndRule();
  }

  void Error(std::string_view m) {
    std::string_view v;
    if (lt::kRunStopped.Parse(m, &v)) {
      run_.ended = run_.ended == Ending::kClosingEntry ? run_.ended : Ending::kStopped;
      run_.stopped_reason = std::string(v);
      // The written entry comes before the write: when that write is what
      // failed, the file holds its old text.
      FileReport* f = Current();
      if (f && f->result == FileResult::kWritten && !f->new_path.empty() &&
          UCase(run_.stopped_reason).find(UCase(f->new_path)) != std::string::npos)
        f->result.reset();
      return;
    }
    if (lt::kCommandFailed.Parse(m)) {
      std::string looked;
      for (const std::string& c : candidates_) looked += (looked.empty() ? "" : " and ") + c;
      AddSetter(Kind::kCommandLine, 1, -1,
                folder_.empty() ? "" : folder_ + " was not found: no data files in " + looked);
      return;
    }
    if (lt::kShiftFailed.Parse(m, &v)) return ShiftFailed(v);
    FileReport* f = Current();
    if (!f) return;
    if (Searched(m)) return;
    RuleReport r;
    if (ParseDefault(m, &r)) return AddRule(std::move(r));
    if (lt::kKeptNew.Parse(m, &v)) {
      r.key = v;
      r.rule_case = RuleCase::kKeptNew;
      return AddRule(std::move(r));
    }
    if (lt::kNotWritten.Parse(m)) return Failed(FileResult::kNoText, Kind::kNoText);
    // The STEU pass names a new file and an upg-file it cannot read alike:
    // the upg-file's read entry tells them apart.
    if (lt::kSteuPass.upg_not_read.Parse(m, &v) && !f->upg_path.empty() && v == f->upg_path) {
      f->pass = Pass::kSteu;
      return SetResult(FileResult::kUpgMissing);
    }
    if (lt::kR1Pass.upg_not_read.Parse(m, &v)) {
      f->pass = Pass::kR1;
      return SetResult(FileResult::kUpgMissing);
    }
    for (const lt::PassTexts* t : {&lt::kSteuPass, &lt::kR1Pass}) {
      const Pass pass = t == &lt::kSteuPass ? Pass::kSteu : Pass::kR1;
      if (t->old_not_read.Parse(m, &v)) {
        f->pass = pass;
        return Failed(FileResult::kOldMissing, Kind::kOldMissing);
      }
      if (t->new_not_read.Parse(m, &v)) {
        f->pass = pass;
        f->new_path = std::string(v);
        return Failed(FileResult::kNewMissing, Kind::kNewMissing);
      }
    }
  }

  void Warning(std::string_view m) {
    std::string_view v;
    if (Current() && lt::kLost.Parse(m, &v)) {
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
    std::string_view names, target;
    lt::SplitShiftFailed(rest, &names, &target);
    run_.shift.failed_entry = true;
    run_.shift.missing.clear();
    while (!(names = Trimmed(names)).empty()) {
      const size_t blank = names.find(' ');
      run_.shift.missing.emplace_back(names.substr(0, blank));
      names = blank == std::string_view::npos ? std::string_view() : names.substr(blank);
    }
    if (!target.empty()) run_.shift.target = std::string(target);
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
      run_.early_end = last_.type == Type::kInfo && lt::kFormAsked.Parse(last_.message)
                           ? RunReport::EarlyEnd::kFormLeft
                           : RunReport::EarlyEnd::kCutOff;
    }
    if (run_.shift.ran && run_.shift.target.empty()) run_.shift.target = ShiftTarget();
  }

  // The controller's new $MACHINE.DAT: as the STEU pass read it, else in the
  // destination STEU folder the command reader found.
  std::string ShiftTarget() const {
    for (const FileReport& f : run_.files) {
      if (f.pass == Pass::kSteu && UCase(f.name) == UCase(kMachineFileName) && !f.new_path.empty())
        return f.new_path;
    }
    return run_.new_steu_dir.empty() ? std::string() : ControllerMachineFile(run_.new_steu_dir);
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
