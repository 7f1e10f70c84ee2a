// A fleet of controllers at a glance: one row per host folder of the
// folder the fleet playbooks fetch the reports into (fleet/upgrade.yml),
// read from the host's Upgrade_vaxo.json, the report of its run or of the
// run its preview foresees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {
namespace report {

/// The verdicts of a host, problem hosts first.
extern const char* const kHostVerdicts[4];  // NOT COMPLETE, NO REPORT, CHECK, OK

struct HostRow {
  std::string host;              ///< the folder's name
  std::string verdict;           ///< one of kHostVerdicts
  std::optional<int> exit_code;  ///< unknown without a report or an end
  bool preview = false;          ///< the run foreseen, not a run
  std::optional<int64_t> files_written, files;
  std::optional<int64_t> left_behind;  ///< unknown where the report does not count them
  std::optional<std::vector<std::string>> shift_missing;  ///< none when the shift did not run
  std::string report;   ///< the host's page, relative to the fleet's folder
  std::string problem;  ///< why a report folder gives no row of its own
};

/// The row of `host` from the text of its JSON report. A text that is no
/// report gives NO REPORT, with the reason in `problem`.
HostRow HostFromJson(const std::string& host, const std::string& json);

/// The rows of the folders in `dir`, problem hosts first, then by name.
Status LoadFleet(Env* env, const std::string& dir, std::vector<HostRow>* rows);

/// True when the host's verdict is OK.
bool HostIsOk(const HostRow& row);

}  // namespace report
}  // namespace vaxo
