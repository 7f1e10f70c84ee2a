// vaxo rollback [SET] [--force] [--list]: takes a run back with its backup
// set beside the log (the newest, or the one named), or lists the sets.
// Exit code 0: every file is as before the run; 1: some were changed since
// the run and are left alone (named); 3: a failure (named).
#include <CLI/CLI.hpp>
#include <memory>

#include "backup/backup_sets.h"
#include "backup/rollback.h"
#include "log/log_location.h"
#include "platform/env.h"
#include "tools/vaxo/subcommand.h"

namespace vaxo {
namespace {

struct RollbackOptions {
  std::string set;
  bool force = false, list = false;
};

int Fail(Env* env, const std::string& text) {
  env->WriteShown(2, "vaxo rollback: " + text + "\n");
  return backup::kRollbackFailed;
}

int Rollback(const RollbackOptions& o) {
  Env* env = Env::Default();
  const std::string log = DefaultLogFile();
  std::vector<backup::SetInfo> sets;
  Status s = backup::ListSets(env, log, &sets);
  if (!s.ok()) return Fail(env, s.ToString());
  if (o.list) {
    std::string out;
    for (const auto& set : sets) {
      out += set.name + "  " +
             (set.ended ? "exit code " + std::to_string(set.exit_code)
                        : std::string("no exit code (the run was killed)")) +
             (set.rolled_back ? ", rolled back" : "") + "\n";
    }
    if (sets.empty()) out = "no backup set in " + backup::SetsFolder(log) + "\n";
    env->WriteShown(1, out);
    return 0;
  }
  const backup::SetInfo* chosen = nullptr;
  for (const auto& set : sets)
    if (o.set.empty() || set.name == o.set) chosen = &set;
  if (!chosen)
    return Fail(env, o.set.empty() ? "no backup set in " + backup::SetsFolder(log)
                                   : "no backup set " + o.set + " in " + backup::SetsFolder(log));
  // Not while a run writes: it would change the files being taken back.
  std::unique_ptr<EnvLock> lock;
  s = env->Lock(log, 0, &lock);
  if (s.IsBusy()) return Fail(env, "a run is writing " + log + "; roll back when it has ended");
  if (!s.ok()) return Fail(env, s.ToString());
  std::vector<std::string> lines;
  const int code = backup::Rollback(env, chosen->folder, o.force, &lines);
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  env->WriteShown(1, out);
  return code;
}

SubcommandRun AddRollback(CLI::App* command) {
  auto options = std::make_shared<RollbackOptions>();
  command->add_option("SET", options->set, "the set to apply (default: the newest)");
  command->add_flag("--force", options->force, "also restore files changed since the run");
  command->add_flag("--list", options->list, "list the sets with their run's exit code");
  return [options] { return Rollback(*options); };
}

const SubcommandRegistration kRegistered("rollback", "Take a run back with its backup set",
                                         AddRollback);

}  // namespace
}  // namespace vaxo
