// What the run does not carry, read from the installation as it is now:
// per data file the old values no rule carries (left_behind.h), and the
// files of the two source folders that no pass took. Only reads.
#pragma once

#include <string>

#include "platform/env.h"
#include "report/left_behind.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// What the audit of one data file read, and the values it leaves behind:
/// views into the two texts, so it is filled in place and not moved.
struct FileAudit {
  std::string old_text, new_text, upg_text;
  LeftBehindList left;
  LeftBehindFinder finder;  ///< kept from file to file
};

/// Audits `file` of `run` through `env` into `out`; false when it has no
/// values to give: the run did not read both files, one of them cannot be
/// read now, or the audit is left out.
bool AuditFile(Env* env, const RunReport& run, const FileReport& file, FileAudit* out);

/// Fills each file's left_count and the run's not_taken through `env`.
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
