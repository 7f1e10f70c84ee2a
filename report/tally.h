// Counting what a run did: rules by case, files by whether they need a
// look. Every output sorts and sums the same way.
#pragma once

#include <array>
#include <cstdint>

#include "report/run_report.h"

namespace vaxo {
namespace report {

/// Rules of each case, indexed by RuleCase.
using CaseCounts = std::array<int64_t, 5>;
CaseCounts CountCases(const FileReport& file);
CaseCounts CountCases(const RunReport& run);

/// 0: not upgraded (no result or not written), 1: a rule lost its old
/// value, 2: a rule kept the new file's value, 3: nothing to look at.
int ProblemRank(const FileReport& file);
inline bool HasProblem(const FileReport& file) { return ProblemRank(file) < 3; }

/// Indexes into run.files: problem files first (by rank), then the rest,
/// each group in log order.
std::vector<int> FilesByProblem(const RunReport& run);

int64_t WrittenFiles(const RunReport& run);

}  // namespace report
}  // namespace vaxo
