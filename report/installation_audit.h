// What the run does not carry, read from the installation as it is now:
// per data file the old values no rule carries (left_behind.h), and the
// files of the two source folders that no pass took. Only reads.
#pragma once

#include "platform/env.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// Fills each file's left_behind and the run's not_taken through `env`.
void AuditInstallation(Env* env, RunReport* run);

/// Leaves the audit out of every report this process makes, for one
/// measurement only: what the audit costs, side by side. The programs
/// themselves never call it.
void LeaveOutAuditForMeasurement();

/// The files not taken that the run passed over without a word: data files
/// by their names that the file list leaves out for their attributes.
size_t SilentlySkipped(const RunReport& run);

}  // namespace report
}  // namespace vaxo
