#include "app/run_report.h"

#include "platform/env.h"
#include "report/exit_reason.h"
#include "report/report_files.h"

namespace vaxo {

std::string WriteRunReport(const std::string& log_path) noexcept {
  if (log_path.empty()) return "";
  try {
    Env* env = Env::Default();
    report::RunReport run;
    const std::string html = report::HtmlBesideLog(log_path);
    if (!report::ReadRunReport(env, log_path, &run).ok()) return "";
    report::InstallationDetails details(env, run);
    if (!report::WriteReports(env, run, &details, html, report::JsonBesideLog(log_path)).ok())
      return "";
    const std::vector<std::string> why = report::WhyTheExitCode(run);
    const size_t shown = why.size() <= 3 ? why.size() : 2;
    std::string lines;
    for (size_t i = 0; i < shown; ++i) lines += "upgrade_vaxo: " + why[i] + "\n";
    if (shown < why.size())
      lines +=
          "upgrade_vaxo: ... and " + std::to_string(why.size() - shown) + " more in " + html + "\n";
    return lines;
  } catch (...) {
    return "";  // not even memory: the run's end does not depend on its report
  }
}

}  // namespace vaxo
