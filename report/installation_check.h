// What the log alone cannot tell, read from the installation files it
// names where they still exist: the keys of rules found in neither file (the
// engine logs no key for them) from the upg-files, and whether the four
// shifted variables are in the controller's new $MACHINE.DAT. Only reads.
#pragma once

#include "platform/env.h"
#include "report/run_report.h"

namespace vaxo {
namespace report {

/// Completes `run` through `env`. A file that cannot be read leaves what
/// depends on it as the log gave it.
void CompleteFromInstallation(Env* env, RunReport* run);

/// The rule keys of an upg-file text, in rule order, as the engine forms them.
std::vector<std::string> UpgRuleKeys(const std::string& upg_text);

}  // namespace report
}  // namespace vaxo
