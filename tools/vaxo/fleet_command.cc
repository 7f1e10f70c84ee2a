// vaxo fleet DIR [--json FILE] [--html FILE]: a fleet's reports at a
// glance, one row per host folder of DIR (where fleet/upgrade.yml fetches
// them), problem hosts first. Prints the table; writes the page and the
// JSON where asked. Exit code 0 when every host is OK, 1 otherwise.
#include <CLI/CLI.hpp>
#include <memory>

#include "platform/env.h"
#include "report/fleet.h"
#include "report/fleet_output.h"
#include "tools/vaxo/subcommand.h"

namespace vaxo {
namespace {

struct FleetOptions {
  std::string dir, html, json;
};

int Fail(Env* env, const std::string& text) {
  env->WriteStd(2, "vaxo fleet: " + text + "\n");
  return 1;
}

int Fleet(const FleetOptions& o) {
  Env* env = Env::Default();
  const std::string dir = env->SystemPath(o.dir);
  std::vector<report::HostRow> rows;
  Status s = report::LoadFleet(env, dir, &rows);
  if (!s.ok()) return Fail(env, s.ToString());
  if (rows.empty()) return Fail(env, "no host folder in " + dir);
  for (const report::HostRow& r : rows)
    if (!r.problem.empty()) env->WriteStd(2, "vaxo fleet: " + r.problem + "\n");
  const std::pair<const std::string*, std::string (*)(const std::vector<report::HostRow>&)>
      outputs[] = {{&o.html, report::FleetHtml}, {&o.json, report::FleetJson}};
  for (const auto& out : outputs) {
    if (out.first->empty()) continue;
    s = env->ReplaceFile(env->SystemPath(*out.first), out.second(rows));
    if (!s.ok()) return Fail(env, s.ToString());
  }
  env->WriteStd(1, report::FleetTerminal(rows));
  for (const report::HostRow& r : rows)
    if (!report::HostIsOk(r)) return 1;
  return 0;
}

SubcommandRun AddFleet(CLI::App* command) {
  auto options = std::make_shared<FleetOptions>();
  command
      ->add_option("DIR", options->dir,
                   "the folder of the host folders, each with the Upgrade_vaxo.json, .html and "
                   ".log fetched from its host")
      ->required();
  command->add_option("--html", options->html, "also write the summary as one HTML page")
      ->type_name("FILE");
  command->add_option("--json", options->json, "also write the summary as JSON")->type_name("FILE");
  return [options] { return Fleet(*options); };
}

const SubcommandRegistration kRegistered("fleet",
                                         "The reports of a fleet of controllers, one row a host",
                                         AddFleet);

}  // namespace
}  // namespace vaxo
