#include "report/exit_reason.h"

#include "base/text.h"
#include "report/installation_audit.h"
#include "report/tally.h"

namespace vaxo {
namespace report {
namespace {

using Kind = CodeSetter::Kind;

std::string Names(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : " ") + n;
  return s;
}

// What one entry that set the exit code says, in words.
std::string SetterText(const RunReport& run, const CodeSetter& s) {
  const FileReport* f = s.file >= 0 ? &run.files[size_t(s.file)] : nullptr;
  const RuleReport* r = f && s.rule >= 0 ? &f->rules[size_t(s.rule)] : nullptr;
  const std::string where = f ? FileLabel(*f) : std::string("the run");
  const std::string key = r ? std::string(r->key) : std::string("a variable");
  switch (s.kind) {
    case Kind::kKeptNew:
      return key + " in " + where +
             " is missing in the old file and its rule has no default, so the new file keeps its "
             "own line";
    case Kind::kLost:
      return key + " in " + where +
             " is in the old file but has no line in the new file, so its old value is not "
             "carried over";
    case Kind::kOldMissing:
      return "the old file of " + where + " could not be read (" + f->old_path +
             "), so it was not upgraded";
    case Kind::kNewMissing:
      return where + " has no new file" + (f->new_path.empty() ? "" : " (" + f->new_path + ")") +
             ", so it was not upgraded";
    case Kind::kNoText:
      return "the upgrade of " + where +
             " gave no text (the new file holds no line), so the new file was not written";
    case Kind::kCommandLine:
      return "the command line was not resolved" + (s.detail.empty() ? "" : ": " + s.detail);
    case Kind::kShiftFailed: {
      const size_t in = s.detail.find(" not in ");
      if (in == std::string::npos) return "the shift R1 to STEU failed: " + s.detail;
      return "the shift R1 to STEU failed: " + s.detail.substr(0, in) + " did not reach " +
             s.detail.substr(in + 8);
    }
  }
  return "";
}

// The R1 pass tests for the shift once it has read the robot's new
// $MACHINE.DAT, before the upg-file's read entry. A run that ended on its
// own made the test wherever the file was.
bool ShiftTestReached(const RunReport& run) {
  if (run.ended == Ending::kClosingEntry) return true;
  for (const FileReport& f : run.files) {
    if (f.pass == Pass::kR1 && UCase(f.name) == "$MACHINE.DAT" && (f.result || !f.upg_path.empty()))
      return true;
  }
  return false;
}

std::string WhileOn(const RunReport& run) {
  return run.stopped_in < 0 ? "" : ", while on " + FileLabel(run.files[size_t(run.stopped_in)]);
}

}  // namespace

std::string FileLabel(const FileReport& file) {
  return std::string(PassName(file.pass)) + " " + file.name;
}

std::string ResultText(const FileReport& file) {
  static const char* const kTexts[] = {"written", "old file missing", "new file missing",
                                       "upg-file missing", "upgrade gave no text"};
  return file.result ? kTexts[static_cast<size_t>(*file.result)] : "unfinished";
}

std::string ProblemText(const FileReport& file) {
  if (file.result != FileResult::kWritten) return ResultText(file) + ", not upgraded";
  const CaseCounts c = CountCases(file);
  std::string s;
  for (RuleCase rc : {RuleCase::kLost, RuleCase::kKeptNew}) {
    if (c[size_t(rc)] > 0)
      s += (s.empty() ? "" : ", ") + std::to_string(c[size_t(rc)]) + " " + CaseName(rc);
  }
  return s;
}

std::vector<std::string> WhyTheExitCode(const RunReport& run) {
  if (run.ended == Ending::kStopped)
    return {"exit code 3: the run was stopped by a failure no part of it handles: " +
            run.stopped_reason + WhileOn(run)};
  if (run.ended == Ending::kEarly) {
    switch (run.early_end) {
      case RunReport::EarlyEnd::kIncompletePaths:
        return {
            "no exit code in the log: the command reader left a folder empty (\"Upgrade "
            "end\"), so the program ended with 0 and no closing entry"};
      case RunReport::EarlyEnd::kFormLeft:
        return {
            "no exit code in the log: the path-settings form was left without paths, so the "
            "program ended with 0 and no closing entry"};
      default:
        return {"no exit code in the log: it ends at line " + std::to_string(run.last_line) +
                " without a closing entry" + WhileOn(run) +
                " (the program was ended from outside, or the log could not be written)"};
    }
  }
  const int code = *run.exit_code;
  const std::string head = "exit code " + std::to_string(code) + ": ";
  size_t first = run.setters.size();
  while (first > 0 && run.setters[first - 1].code == code) --first;
  std::vector<std::string> why;
  for (size_t i = first; i < run.setters.size(); ++i)
    why.push_back(head + SetterText(run, run.setters[i]));
  if (!why.empty()) return why;
  if (code == 0 && run.setters.empty()) {
    bool upg_missing = false;
    for (const FileReport& f : run.files) upg_missing |= f.result == FileResult::kUpgMissing;
    return {head + "no failure was noted" +
            (upg_missing ? " (a missing upg-file leaves its file as it was and is none)" : "")};
  }
  return {head + "no entry of the log sets it (the log may come from another program version)"};
}

bool RunIsOk(const RunReport& run) {
  return run.ended == Ending::kClosingEntry && *run.exit_code == 0 &&
         WrittenFiles(run) == static_cast<int64_t>(run.files.size()) && run.unread_lines == 0 &&
         SilentlySkipped(run) == 0;
}

std::string Verdict(const RunReport& run) {
  const int64_t total = static_cast<int64_t>(run.files.size());
  const int64_t written = WrittenFiles(run);
  std::string head, how;
  if (run.ended == Ending::kClosingEntry) {
    head = RunIsOk(run) ? "OK" : "CHECK";
    how = "finished with exit code " + std::to_string(*run.exit_code);
  } else {
    head = "NOT COMPLETE";
    how = run.ended == Ending::kStopped ? "stopped, exit code 3"
                                        : "ended early, no exit code in the log";
  }
  std::string files;
  if (total == 0) {
    files = "no data file upgraded";
  } else if (written == total) {
    files = "all " + std::to_string(total) + " data files written";
  } else {
    files = std::to_string(written) + " of " + std::to_string(total) + " data files written, " +
            std::to_string(total - written) + " not upgraded";
  }
  std::string more;
  if (const size_t skipped = SilentlySkipped(run))
    more += "; " + std::to_string(skipped) + " data file" + (skipped == 1 ? "" : "s") +
            " left out for " + (skipped == 1 ? "its" : "their") + " attributes";
  if (run.unread_lines > 0)
    more += "; " + std::to_string(run.unread_lines) + " line" + (run.unread_lines == 1 ? "" : "s") +
            " of the log not read";
  return head + ": " + how + "; " + files + more;
}

std::string ShiftLine(const RunReport& run) {
  const ShiftReport& s = run.shift;
  if (!s.ran)
    return ShiftTestReached(run)
               ? "not run (the robot's files did not call for it)"
               : "not run: the run did not get as far as the robot's $MACHINE.DAT";
  const std::string target = s.target.empty() ? "the controller's $MACHINE.DAT" : s.target;
  if (!s.missing.empty()) return "ran, but " + Names(s.missing) + " not in " + target;
  if (!s.checked) return "ran; " + target + " could not be read to check it";
  return "ran; all four variables are in " + target;
}

}  // namespace report
}  // namespace vaxo
