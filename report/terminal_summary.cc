#include "report/terminal_summary.h"

#include "report/exit_reason.h"
#include "report/tally.h"

namespace vaxo {
namespace report {
namespace {

const size_t kMaxWhy = 3;       // lines of the why, the "more" line included
const size_t kMaxProblems = 4;  // lines of the problem files, likewise

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
  out += Block("log", {run.log_path + (run.started.empty() ? "" : ", run of " + run.started)}, 1);
  return out;
}

}  // namespace report
}  // namespace vaxo
