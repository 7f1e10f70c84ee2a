#include "tools/vaxo/subcommand.h"

#include <algorithm>
#include <cstring>

namespace vaxo {
namespace {

// Filled while the registrations of the subcommands' files are made, before
// main runs; a function's static, so it exists before the first of them.
std::vector<Subcommand>& Registry() {
  static std::vector<Subcommand> registry;
  return registry;
}

}  // namespace

SubcommandRegistration::SubcommandRegistration(const char* name, const char* summary,
                                               SubcommandSetup setup) {
  Registry().push_back({name, summary, setup});
}

std::vector<Subcommand> Subcommands() {
  std::vector<Subcommand> all = Registry();
  std::sort(all.begin(), all.end(), [](const Subcommand& a, const Subcommand& b) {
    return std::strcmp(a.name, b.name) < 0;
  });
  return all;
}

}  // namespace vaxo
