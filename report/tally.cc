#include "report/tally.h"

#include <algorithm>
#include <numeric>

namespace vaxo {
namespace report {

CaseCounts CountCases(const FileReport& file) {
  CaseCounts counts{};
  for (const RuleReport& r : file.rules) ++counts[static_cast<size_t>(r.rule_case)];
  return counts;
}

CaseCounts CountCases(const RunReport& run) {
  CaseCounts counts{};
  for (const FileReport& f : run.files) {
    const CaseCounts c = CountCases(f);
    for (size_t i = 0; i < counts.size(); ++i) counts[i] += c[i];
  }
  return counts;
}

int ProblemRank(const FileReport& file) {
  if (file.result != FileResult::kWritten) return 0;
  const CaseCounts c = CountCases(file);
  if (c[static_cast<size_t>(RuleCase::kLost)] > 0) return 1;
  if (c[static_cast<size_t>(RuleCase::kKeptNew)] > 0) return 2;
  return 3;
}

std::vector<int> FilesByProblem(const RunReport& run) {
  std::vector<int> order(run.files.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<int> rank(run.files.size());
  for (size_t i = 0; i < run.files.size(); ++i) rank[i] = ProblemRank(run.files[i]);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank[a] < rank[b]; });
  return order;
}

int64_t WrittenFiles(const RunReport& run) {
  return std::count_if(run.files.begin(), run.files.end(),
                       [](const FileReport& f) { return f.result == FileResult::kWritten; });
}

}  // namespace report
}  // namespace vaxo
