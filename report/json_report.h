// The report as JSON, for a fleet that collects them. The field names are
// stable; README.md lists them. Texts are the log's bytes, each byte as the
// character of the same number (ISO 8859-1), so no byte is lost on the way
// to UTF-8.
#pragma once

#include <string>

#include "report/file_details.h"
#include "report/output_text.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// The whole report on one line, ending with a line break, file by file
/// into `out`, with the details `details` gives.
void WriteReportJson(const RunReport& run, FileDetailSource* details, OutputText* out);

/// The JSON whole, with no details unless given.
std::string ReportJson(const RunReport& run, FileDetailSource* details = nullptr);

}  // namespace report
}  // namespace vaxo
