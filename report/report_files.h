// The report's way in and out: the log and the installation files it names
// read through the environment, the HTML and JSON pages written through it.
#pragma once

#include <map>
#include <string>

#include "backup/rollback.h"
#include "platform/env.h"
#include "report/file_details.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// The run recorded in the log at `log_path`, completed and audited from
/// the installation files it names where they can be read.
Status ReadRunReport(Env* env, const std::string& log_path, RunReport* run);

/// The details of the files of `run` as the installation holds them now,
/// read through `env`: each file's values left behind, and its change since
/// the run's backup set where that set is still kept. Both must outlive it.
class InstallationDetails : public FileDetailSource {
 public:
  InstallationDetails(Env* env, const RunReport& run);
  void Fill(size_t index, bool with_diff, FileDetails* out) override;

 private:
  /// The bytes `place` holds, the pack read once for all its files.
  Status Saved(const backup::SavedPlace& place, std::string* bytes);

  Env* env_;
  const RunReport& run_;
  bool looked_for_set_ = false;
  std::map<std::string, backup::SavedPlace> saved_;
  std::string pack_path_, pack_;  // the pack read last, kept for the next file
  std::string now_, before_;
};

/// "Upgrade_vaxo.html" or ".json" in the folder of `log_path`.
std::string HtmlBesideLog(const std::string& log_path);
std::string JsonBesideLog(const std::string& log_path);

/// Writes the page and the JSON to the given paths, file by file, each
/// replacing its file whole when complete; an empty path is left out.
Status WriteReports(Env* env, const RunReport& run, FileDetailSource* details,
                    const std::string& html_path, const std::string& json_path);

}  // namespace report
}  // namespace vaxo
