// The subcommands of vaxo. Each lives in a file of its own, <name>_command.cc,
// and registers itself there with one line,
//   const SubcommandRegistration kRegistered("name", "what it does", AddName);
// so a new subcommand is its file and its line in CMakeLists.txt.
#pragma once

#include <functional>
#include <vector>

namespace CLI {
class App;
}

namespace vaxo {

/// Runs a parsed subcommand; its result is vaxo's exit code.
using SubcommandRun = std::function<int()>;
/// Adds the subcommand's arguments and options to `command` and returns
/// what runs it once the command line is parsed.
using SubcommandSetup = SubcommandRun (*)(CLI::App* command);

struct Subcommand {
  const char* name;
  const char* summary;
  SubcommandSetup setup;
};

/// Every registered subcommand, sorted by name.
std::vector<Subcommand> Subcommands();

struct SubcommandRegistration {
  SubcommandRegistration(const char* name, const char* summary, SubcommandSetup setup);
};

}  // namespace vaxo
