// vaxo preview ["OLD|NEW"] [--log FILE] [--json FILE]: the run as it would go, without
// changing anything on disk. The run's own code runs on an environment that
// keeps every change in memory (preview_env.h); afterwards the changes are
// shown in the run's order: a unified diff for every data file the run would
// change or make, the attributes it would reset, the value-transfer command
// lines it would start, the old values no rule would carry, and the exit
// code it would end with, which is also the preview's own. --json writes
// the report of the run it foresees.
#include <CLI/CLI.hpp>
#include <memory>

#include "app/tav_c1.h"
#include "backup/backup_sets.h"
#include "log/log_buch.h"
#include "platform/env.h"
#include "report/json_report.h"
#include "report/report_files.h"
#include "report/unified_diff.h"
#include "tools/vaxo/preview_env.h"
#include "tools/vaxo/preview_notes.h"
#include "tools/vaxo/subcommand.h"

namespace vaxo {
namespace {

struct PreviewOptions {
  std::string roots, log, json;
};

std::string Attributes(uint32_t a) {
  std::string text;
  for (const auto& bit :
       {std::make_pair(kAttrReadOnly, "read-only"), std::make_pair(kAttrHidden, "hidden"),
        std::make_pair(kAttrSystem, "system")})
    if (a & bit.first) text += (text.empty() ? "" : ", ") + std::string(bit.second);
  return text.empty() ? "archive only" : text;
}

// Each half of the command line in the system's form, as the program takes
// its own command line (a host path becomes its drive path on Linux).
std::string SystemCommandLine(Env* env, const std::string& roots) {
  const size_t bar = roots.find('|');
  if (bar == std::string::npos) return env->SystemPath(roots);
  return env->SystemPath(roots.substr(0, bar)) + "|" + env->SystemPath(roots.substr(bar + 1));
}

int Preview(const PreviewOptions& o) {
  Env* real = Env::Default();
  PreviewEnv preview(real, o.roots.empty() ? std::string() : SystemCommandLine(real, o.roots));
  int code = 0;
  {
    ScopedDefaultEnv installed(&preview);
    try {
      TAV_C1 form;
      form.set_backups(false);  // the preview writes no backup set either
      form.Load();
      form.StartUpgrade();
    } catch (const ProcessExit& e) {
      code = e.code;
    }
  }
  const std::string log = LogBuch().path();
  // The report of the run foreseen, read from its log and files as the run
  // would leave them.
  report::RunReport run;
  if (!log.empty()) {
    ScopedDefaultEnv installed(&preview);
    report::ReadRunReport(&preview, log, &run);
    run.preview = true;
  }
  PreviewNotes notes(run);
  const backup::RunOwnFiles own(real, log, real->ProgramDirectory());
  std::string out;
  for (const PreviewEnv::Event& event : preview.events()) {
    if (event.child) {
      out += "value transfer: " + event.text + "\n";
      continue;
    }
    if (own.Holds(event.text)) continue;
    const PreviewEnv::FileChange c = preview.ChangeOf(event.text);
    const bool bytes = c.existed != c.exists || c.before != c.after;
    if (bytes) {
      if (c.by_child)
        out += "note: ValXfer.exe is not started by a preview; what it would write into " +
               event.text + " is worked out by the program's own value transfer\n";
      out += notes.Before(event.text);
      out += UnifiedDiff(event.text, c.before, c.after, c.existed);
      out += notes.After(event.text);
    } else if (c.exists && c.attributes_before != c.attributes_after) {
      out += "attributes " + event.text + ": " + Attributes(c.attributes_before) + " -> " +
             Attributes(c.attributes_after) + "\n";
    }
  }
  out += notes.Rest();
  out += "exit code " + std::to_string(code) + "\n";
  real->WriteStd(1, out);
  if (!o.log.empty() && !log.empty()) {
    const std::string file = real->SystemPath(o.log);
    const Status s = real->ReplaceFile(file, preview.ChangeOf(log).after);
    if (!s.ok()) {
      real->WriteStd(2, "vaxo preview: " + s.ToString() + "\n");
      return 3;
    }
  }
  if (!o.json.empty() && !log.empty()) {
    const Status s = real->ReplaceFile(real->SystemPath(o.json), report::ReportJson(run));
    if (!s.ok()) {
      real->WriteStd(2, "vaxo preview: " + s.ToString() + "\n");
      return 3;
    }
  }
  return code;
}

SubcommandRun AddPreview(CLI::App* command) {
  auto options = std::make_shared<PreviewOptions>();
  command->add_option("ROOTS", options->roots,
                      "\"OLD|NEW\": the old and the new installation, as the program takes them "
                      "(without it the two roots are asked for on the terminal)");
  command->add_option("--log", options->log, "write the log the run would write")
      ->type_name("FILE");
  command->add_option("--json", options->json, "write the report of the run it foresees as JSON")
      ->type_name("FILE");
  return [options] { return Preview(*options); };
}

const SubcommandRegistration kRegistered("preview",
                                         "Show what a run would change, changing nothing",
                                         AddPreview);

}  // namespace
}  // namespace vaxo
