#include "report/report_files.h"

#include "report/html_report.h"
#include "report/installation_check.h"
#include "report/json_report.h"
#include "report/log_reader.h"

namespace vaxo {
namespace report {
namespace {

std::string Beside(const std::string& log_path, const char* name) {
  const size_t slash = log_path.rfind('\\');
  return (slash == std::string::npos ? std::string() : log_path.substr(0, slash + 1)) + name;
}

}  // namespace

Status LoadRunReport(Env* env, const std::string& log_path, RunReport* run) {
  std::string log;
  const Status read = env->ReadFile(log_path, &log);
  if (!read.ok()) return read;
  *run = ReadRunLog(std::move(log));
  run->log_path = log_path;
  CompleteFromInstallation(env, run);
  return Status::OK();
}

std::string HtmlBesideLog(const std::string& log_path) {
  return Beside(log_path, "Upgrade_vaxo.html");
}

std::string JsonBesideLog(const std::string& log_path) {
  return Beside(log_path, "Upgrade_vaxo.json");
}

Status WriteReports(Env* env, const RunReport& run, const std::string& html_path,
                    const std::string& json_path) {
  if (!html_path.empty()) {
    const Status s = env->ReplaceFile(html_path, ReportHtml(run));
    if (!s.ok()) return s;
  }
  if (!json_path.empty()) return env->ReplaceFile(json_path, ReportJson(run));
  return Status::OK();
}

}  // namespace report
}  // namespace vaxo
