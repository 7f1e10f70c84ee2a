// The run in about a dozen lines for the terminal: verdict and why first,
// then the rules by case, the shift, the files that need a look, the log.
#pragma once

#include <string>

#include "report/run_report.h"

namespace vaxo {
namespace report {

/// Lines ended by "\n"; long lists are cut with "... and N more".
std::string TerminalSummary(const RunReport& run);

}  // namespace report
}  // namespace vaxo
