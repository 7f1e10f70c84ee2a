// The report's way in and out: the log and the installation files it names
// read through the environment, the HTML and JSON pages written through it.
#pragma once

#include <string>

#include "platform/env.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// The run recorded in the log at `log_path`, completed and audited from
/// the installation files it names where they can be read.
Status ReadRunReport(Env* env, const std::string& log_path, RunReport* run);

/// ReadRunReport, and each file's change since its run's backup set where
/// that set is still kept.
Status LoadRunReport(Env* env, const std::string& log_path, RunReport* run);

/// "Upgrade_vaxo.html" or ".json" in the folder of `log_path`.
std::string HtmlBesideLog(const std::string& log_path);
std::string JsonBesideLog(const std::string& log_path);

/// Writes the page and the JSON to the given paths, each replaced whole;
/// an empty path is left out.
Status WriteReports(Env* env, const RunReport& run, const std::string& html_path,
                    const std::string& json_path);

}  // namespace report
}  // namespace vaxo
