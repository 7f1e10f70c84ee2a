// The run in about a dozen lines for the terminal: verdict and why first,
// then the rules by case, the shift, the files that need a look, the log.
#pragma once

#include <string>

#include "report/file_details.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// Lines ended by "\n"; long lists are cut with "... and N more". The first
/// values left behind come from `details` (none without).
std::string TerminalSummary(const RunReport& run, FileDetailSource* details = nullptr);

}  // namespace report
}  // namespace vaxo
