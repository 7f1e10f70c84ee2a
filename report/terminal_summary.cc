#include "report/terminal_summary.h"

#include "report/exit_reason.h"
#include "report/tally.h"

namespace vaxo {
namespace report {
namespace {

const size_t kMaxWhy = 3;       // lines of the why, the "more" line included
const size_t kMaxProblems = 4;  // lines of the problem files, likewise
const size_t kMaxLeft = 3;      // lines of the values left behind, likewise
const size_t kMaxNotTaken = 3;  // lines of the files no pass took, likewise
const size_t kMaxUnread = 2;    // examples of lines the report could not read

// `items` beside `label`, at most `max` lines.
std::string Block(const std::string& label, const std::vector<std::string>& items, size_t max) {
  const std::string pad(10, ' ');
  std::string out;
  const size_t shown = items.size() <= max ? items.size() : max - 1;
  for (size_t i = 0; i < shown; ++i)
    out += (i == 0 ? (label + pad).substr(0, 10) : pad) + items[i] + "\n";
  if (shown < items.size())
    out += pad + "... and " + std::to_string(items.size() - shown) +
           " more (the HTML and JSON reports list all)\n";
  return out;
}

// "left behind  N values in M files (no rule carries them)", then the
// first values.
std::string LeftBehindLines(const RunReport& run) {
  size_t values = 0, files = 0;
  std::vector<std::string> items;
  for (const FileReport& f : run.files) {
    if (!f.left_behind || f.left_behind->empty()) continue;
    ++files;
    values += f.left_behind->size();
    for (const LeftValue& v : *f.left_behind)
      items.push_back(
          FileLabel(f) + ": " + v.old_line + " / " +
          (v.kind == LeftValue::Kind::kOldOnly ? "no line in the new file" : v.new_line));
  }
  std::string out = "left behind  " + std::to_string(values) + " value" + (values == 1 ? "" : "s") +
                    " in " + std::to_string(files) + " file" + (files == 1 ? "" : "s") +
                    " (no rule carries them)\n";
  return out + Block("", items, kMaxLeft);
}

}  // namespace

std::string TerminalSummary(const RunReport& run) {
  std::string out = Block("verdict", {Verdict(run)}, 1);
  out += Block("why", WhyTheExitCode(run), kMaxWhy);
  const CaseCounts c = CountCases(run);
  std::string rules;
  for (size_t i = 0; i < c.size(); ++i)
    rules += (i ? ", " : "") + std::to_string(c[i]) + " " + CaseName(RuleCase(i));
  out += Block("rules", {rules}, 1);
  out += Block("shift", {ShiftLine(run)}, 1);
  std::vector<std::string> problems;
  for (int i : FilesByProblem(run)) {
    const FileReport& f = run.files[size_t(i)];
    if (HasProblem(f)) problems.push_back(FileLabel(f) + ": " + ProblemText(f));
  }
  if (problems.empty()) problems.push_back("none");
  out += Block("problems", problems, kMaxProblems);
  out += LeftBehindLines(run);
  std::vector<std::string> not_taken;
  for (const NotTaken& n : run.not_taken)
    not_taken.push_back(std::string(PassName(n.pass)) + " " + n.name + ": " + n.reason);
  out += Block("not taken", not_taken, kMaxNotTaken);
  if (run.unread_lines > 0) {
    std::vector<std::string> unread = {std::to_string(run.unread_lines) +
                                       " lines of the log in no layout the program writes"};
    for (size_t i = 0; i < run.unread_examples.size() && i < kMaxUnread; ++i)
      unread.push_back("line " + std::to_string(run.unread_examples[i].line) + ": " +
                       std::string(run.unread_examples[i].text));
    out += Block("unread", unread, kMaxUnread + 1);
  }
  out += Block("log", {run.log_path + (run.started.empty() ? "" : ", run of " + run.started)}, 1);
  return out;
}

}  // namespace report
}  // namespace vaxo
