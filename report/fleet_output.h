// The fleet's rows (report/fleet.h) for a person and for a program: the
// terminal's table, the JSON, and one self-contained page that links each
// host's own page.
#pragma once

#include <string>
#include <vector>

#include "report/fleet.h"

namespace vaxo {
namespace report {

/// The hosts of each verdict, problem verdicts first: "5 hosts: 1 NOT
/// COMPLETE, 4 OK". Verdicts no host has are left out.
std::string FleetCounts(const std::vector<HostRow>& rows);

/// The counts, a table of the first `max_hosts` rows in columns, and
/// "... and N more" for the rest.
std::string FleetTerminal(const std::vector<HostRow>& rows, size_t max_hosts = 50);

/// {"hosts": [...], "counts": {VERDICT: N}} on one line of UTF-8.
std::string FleetJson(const std::vector<HostRow>& rows);

/// The page: the counts at the top, a row a host, each linking its page.
std::string FleetHtml(const std::vector<HostRow>& rows);

}  // namespace report
}  // namespace vaxo
