// vaxo report [LOG] [--html FILE] [--json FILE]: what a run changed and why
// its exit code is what it is, from its log and the installation files the
// log names. Prints the short summary; writes the page and the JSON where
// asked.
#include <CLI/CLI.hpp>
#include <memory>

#include "backup/run_folder.h"
#include "log/log_location.h"
#include "platform/env.h"
#include "report/report_files.h"
#include "report/terminal_summary.h"
#include "tools/vaxo/output_target.h"
#include "tools/vaxo/subcommand.h"

namespace vaxo {
namespace {

struct ReportOptions {
  std::string log, html, json;
};

int Report(const ReportOptions& o) {
  Env* env = Env::Default();
  // Paths as the user gave them, in the system's form (on Linux a host path
  // becomes its drive path).
  const std::string log = o.log.empty() ? DefaultLogFile() : env->SystemPath(o.log);
  const std::string html = o.html.empty() ? "" : env->SystemPath(o.html);
  const std::string json = o.json.empty() ? "" : env->SystemPath(o.json);
  report::RunReport run;
  Status s;
  for (const std::string& target : {html, json})
    if (s.ok() && !target.empty()) s = CheckOutputTarget(env, target);
  // The log's relative paths mean the folders the run started in, which
  // its backup set recorded; never this process's current folder.
  backup::RunFolders folders;
  if (s.ok()) backup::FoldersOfLogsRun(env, env->FullPath(log), &folders);
  backup::RunFolderEnv at_run(env, folders);
  if (s.ok()) s = report::ReadRunReport(&at_run, env->FullPath(log), &run);
  run.log_path = log;  // shown as given
  report::InstallationDetails details(&at_run, run);
  if (s.ok()) s = report::WriteReports(env, run, &details, html, json);
  if (!s.ok()) {
    env->WriteShown(2, "vaxo report: " + s.ToString() + "\n");
    return 1;
  }
  env->WriteShown(1, report::TerminalSummary(run, &details));
  if (at_run.unresolved())
    env->WriteShown(2,
                    "vaxo report: the folder the run started in is not recorded (its backup "
                    "set is gone); the files the log names by relative paths were not read\n");
  return 0;
}

SubcommandRun AddReport(CLI::App* command) {
  auto options = std::make_shared<ReportOptions>();
  command->add_option("LOG", options->log,
                      "the run's log (default: where the program writes it, "
                      "c:\\zel\\roboter\\log\\Upgrade_vaxo.log or c:\\Upgrade_vaxo.log)");
  command->add_option("--html", options->html, "also write the report as one HTML page")
      ->type_name("FILE");
  command->add_option("--json", options->json, "also write the report as JSON")->type_name("FILE");
  return [options] { return Report(*options); };
}

const SubcommandRegistration kRegistered("report",
                                         "What a run changed and why its exit code is what it is",
                                         AddReport);

}  // namespace
}  // namespace vaxo
