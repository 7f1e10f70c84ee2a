// vaxo SUBCOMMAND ...: the service engineer's console tools around an
// upgrade. The subcommands register themselves (subcommand.h); this file
// only parses the command line and runs the one that was named.
#include <CLI/CLI.hpp>
#include <sstream>
#include <utility>

#include "platform/env.h"
#include "tools/vaxo/subcommand.h"

int main(int argc, char** argv) {
  vaxo::Env* env = vaxo::Env::Default();
  CLI::App vaxo_app("Tools around an upgrade of robot machine data.", "vaxo");
  vaxo_app.require_subcommand(1);
  std::vector<std::pair<CLI::App*, vaxo::SubcommandRun>> runs;
  for (const vaxo::Subcommand& s : vaxo::Subcommands()) {
    CLI::App* command = vaxo_app.add_subcommand(s.name, s.summary);
    runs.emplace_back(command, s.setup(command));
  }
  try {
    vaxo_app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help, usage errors: CLI11's own texts, through the environment.
    std::ostringstream out, err;
    const int code = vaxo_app.exit(e, out, err);
    env->WriteStd(1, out.str());
    env->WriteStd(2, err.str());
    return code == 0 ? 0 : 2;  // help is no error; any misuse is 2
  }
  for (auto& run : runs) {
    if (run.first->parsed()) return run.second();
  }
  return 2;  // not reached: one subcommand is required
}
