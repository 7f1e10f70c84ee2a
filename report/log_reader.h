// Reads a run out of its log: the title block of each data file, the read
// entries of both passes, the engine's entries per rule, the result
// entries, the shift, "Run stopped: ..." and the closing entry. Lines it
// does not know are passed over; nothing in a log makes it fail.
#pragma once

#include <string>

#include "report/run_report.h"

namespace vaxo {
namespace report {

/// The run that `log` (the whole log file's bytes, kept by the report)
/// records. Only the log: keys of rules found in neither file and the
/// shift's arrival need the installation (CompleteFromInstallation).
RunReport ReadRunLog(std::string log);

}  // namespace report
}  // namespace vaxo
