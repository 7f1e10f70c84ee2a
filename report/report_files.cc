#include "report/report_files.h"

#include <map>

#include "backup/backup_sets.h"
#include "backup/rollback.h"
#include "report/html_report.h"
#include "report/installation_audit.h"
#include "report/installation_check.h"
#include "report/json_report.h"
#include "report/log_reader.h"
#include "report/unified_diff.h"

namespace vaxo {
namespace report {
namespace {

std::string Beside(const std::string& log_path, const char* name) {
  const size_t slash = log_path.rfind('\\');
  return (slash == std::string::npos ? std::string() : log_path.substr(0, slash + 1)) + name;
}

// Where the run's backup set is still kept, each data file's change since
// the bytes it had before the run.
void AddBackupDiffs(Env* env, RunReport* run) {
  backup::SetInfo set;
  std::map<std::string, backup::SavedFile> saved;
  if (!backup::FindSetOfLog(env, run->log_path, &set).ok()) return;
  if (!backup::SavedFiles(env, set.folder, &saved).ok()) return;
  for (FileReport& f : run->files) {
    auto it = saved.find(backup::PathKey(env, f.new_path));
    if (f.new_path.empty() || it == saved.end()) continue;
    std::string now;
    env->ReadFile(f.new_path, &now);  // missing: nothing
    const std::string diff = UnifiedDiff(f.new_path, it->second.bytes, now, it->second.existed);
    if (!diff.empty()) f.backup_diffs.push_back(diff);
  }
}

}  // namespace

Status ReadRunReport(Env* env, const std::string& log_path, RunReport* run) {
  std::string log;
  const Status read = env->ReadFile(log_path, &log);
  if (!read.ok()) return read;
  *run = ReadRunLog(std::move(log));
  run->log_path = log_path;
  CompleteFromInstallation(env, run);
  AuditInstallation(env, run);
  return Status::OK();
}

Status LoadRunReport(Env* env, const std::string& log_path, RunReport* run) {
  const Status s = ReadRunReport(env, log_path, run);
  if (s.ok()) AddBackupDiffs(env, run);
  return s;
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
