// The report of a run, written at its end beside its log.
#pragma once

#include <string>

namespace vaxo {

/// Writes Upgrade_vaxo.html and Upgrade_vaxo.json beside the log at
/// `log_path`. Returns, for a person at a terminal, why the exit code is
/// what it is: at most three lines "upgrade_vaxo: exit code N: ...", then
/// where the rest stands. Best effort: whatever fails here is swallowed
/// (nothing is returned then), so the run's log and exit code stay as they are.
std::string WriteRunReport(const std::string& log_path) noexcept;

}  // namespace vaxo
