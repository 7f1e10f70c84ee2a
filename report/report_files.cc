#include "report/report_files.h"

#include <functional>
#include <memory>

#include "backup/backup_sets.h"
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

}  // namespace

Status ReadRunReport(Env* env, const std::string& log_path, RunReport* run) {
  std::string log;
  const Status read = env->ReadFile(log_path, &log);
  if (!read.ok()) return read;
  *run = ReadRunLog(std::move(log));
  // The rules' lists grew as the log was read; what they hold now is all
  // they will hold while the outputs are made.
  for (FileReport& f : run->files) f.rules.shrink_to_fit();
  run->log_path = log_path;
  CompleteFromInstallation(env, run);
  AuditInstallation(env, run);
  return Status::OK();
}

InstallationDetails::InstallationDetails(Env* env, const RunReport& run) : env_(env), run_(run) {}

Status InstallationDetails::Saved(const backup::SavedPlace& place, std::string* bytes) {
  bytes->clear();
  if (!place.existed) return Status::OK();
  if (place.pack != pack_path_) {
    pack_path_ = place.pack;
    std::string().swap(pack_);  // one pack at a time, never two
    if (!env_->ReadFile(pack_path_, &pack_).ok()) pack_.clear();
  }
  return backup::SavedBytes(place, pack_, bytes);
}

void InstallationDetails::Fill(size_t index, bool with_diff, FileDetails* out) {
  const FileReport& f = run_.files[index];
  out->audited = AuditFile(env_, run_, f, &out->audit);
  out->backup_diff.clear();
  if (!with_diff || f.new_path.empty()) return;
  if (!looked_for_set_) {
    looked_for_set_ = true;
    backup::SetInfo set;
    if (backup::FindSetOfLog(env_, run_.log_path, &set).ok())
      backup::SavedPlaces(env_, set.folder, &saved_);
  }
  const auto saved = saved_.find(backup::PathKey(env_, f.new_path));
  // A pre-image that is missing or damaged is no "before": no change shown.
  if (saved == saved_.end() || !Saved(saved->second, &before_).ok()) return;
  // The audit read the new file already.
  const std::string* now = &out->audit.new_text;
  if (!out->audited) {
    now_.clear();
    env_->ReadFile(f.new_path, &now_);  // missing: nothing
    now = &now_;
  }
  out->backup_diff = UnifiedDiff(f.new_path, before_, *now, saved->second.existed);
}

std::string HtmlBesideLog(const std::string& log_path) {
  return Beside(log_path, "Upgrade_vaxo.html");
}

std::string JsonBesideLog(const std::string& log_path) {
  return Beside(log_path, "Upgrade_vaxo.json");
}

namespace {

Status WriteReport(Env* env, const std::string& path,
                   const std::function<void(OutputText*)>& write) {
  std::unique_ptr<ReplacementFile> file;
  Status s = env->NewReplacement(path, &file);
  if (!s.ok()) return s;
  OutputText out(file.get());
  write(&out);
  s = out.Finish();
  return s.ok() ? file->Commit() : s;
}

}  // namespace

Status WriteReports(Env* env, const RunReport& run, FileDetailSource* details,
                    const std::string& html_path, const std::string& json_path) {
  if (!html_path.empty()) {
    const Status s =
        WriteReport(env, html_path, [&](OutputText* out) { WriteReportHtml(run, details, out); });
    if (!s.ok()) return s;
  }
  if (json_path.empty()) return Status::OK();
  return WriteReport(env, json_path, [&](OutputText* out) { WriteReportJson(run, details, out); });
}

}  // namespace report
}  // namespace vaxo
