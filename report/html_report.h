// The report as one self-contained HTML page, readable offline on a
// controller and printable for the acceptance protocol: the verdict and the
// why at the top, a table of the data files (problem files first) with a
// stacked bar of each file's rules by case, and each file's rules behind a
// fold. The page asks for nothing outside itself: styles and pictures are
// inline, and its content security policy forbids any load.
#pragma once

#include <string>

#include "report/file_details.h"
#include "report/output_text.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// The page, file by file into `out`, with the details `details` gives.
/// Texts are the log's bytes, declared as windows-1252.
void WriteReportHtml(const RunReport& run, FileDetailSource* details, OutputText* out);

/// The page whole, with no details unless given.
std::string ReportHtml(const RunReport& run, FileDetailSource* details = nullptr);

}  // namespace report
}  // namespace vaxo
