// vaxo rollback [SET] [--force] [--list] [--prune KEEP] [--log FILE]: takes a
// run back with its backup set beside the log (the newest, or the one
// named), lists the sets, or removes the oldest. Exit code 0: every file is
// as before the run (or the sets are listed or pruned); 1: some were
// changed since the run and are left alone (named); 2: a usage error; 3: a
// failure or a refusal (named).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>

#include "backup/backup_sets.h"
#include "backup/rollback.h"
#include "log/log_location.h"
#include "platform/env.h"
#include "tools/vaxo/subcommand.h"

namespace vaxo {
namespace {

struct RollbackOptions {
  std::string set, log;
  bool force = false, list = false;
  int prune = -1;  // sets to keep; -1: no pruning
};

int Fail(Env* env, const std::string& text) {
  env->WriteShown(2, "vaxo rollback: " + text + "\n");
  return backup::kRollbackFailed;
}

std::string Size(uint64_t bytes) {
  if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 10 * 1024 * 1024) return std::to_string(bytes / 1024) + " KB";
  return std::to_string(bytes / (1024 * 1024)) + " MB";
}

// True while a run or a rollback holds the log.
bool LogHeld(Env* env, const std::string& log) {
  std::unique_ptr<EnvLock> lock;
  return env->Lock(log, 0, &lock).IsBusy();
}

// Where there are no sets beside `log`, the other place the program puts
// its log may hold some: the sets follow the log, which moves once
// c:\zel\roboter\log exists.
std::string NoSet(Env* env, const std::string& log) {
  std::string text = "no backup set in " + backup::SetsFolder(log);
  for (const std::string& other : LogFilePlaces()) {
    std::vector<backup::SetInfo> sets;
    if (env->UpperCase(other) == env->UpperCase(log) || !backup::ListSets(env, other, &sets).ok() ||
        sets.empty())
      continue;
    text += "; " + std::to_string(sets.size()) + " set(s) lie in " + backup::SetsFolder(other) +
            " (vaxo rollback --log " + other + ")";
  }
  return text;
}

int List(Env* env, const std::string& log, const std::vector<backup::SetInfo>& sets) {
  if (sets.empty()) {
    env->WriteShown(1, NoSet(env, log) + "\n");
    return 0;
  }
  const bool held = LogHeld(env, log);
  std::string out;
  uint64_t total = 0;
  for (size_t i = 0; i < sets.size(); ++i) {
    const backup::SetInfo& set = sets[i];
    const uint64_t size = backup::SetSize(env, set.folder);
    total += size;
    std::string state;
    if (!set.damaged.empty())
      state = "damaged: " + set.damaged;
    else if (set.ended)
      state = "exit code " + std::to_string(set.exit_code);
    else if (held && i + 1 == sets.size())
      state = "running (it holds the log)";
    else
      state = "no exit code (the run was killed)";
    out += set.name + "  " + Size(size) + "  " + state + (set.rolled_back ? ", rolled back" : "") +
           "\n";
  }
  out += std::to_string(sets.size()) + " set(s), " + Size(total) + " in " +
         backup::SetsFolder(log) + "\n";
  env->WriteShown(1, out);
  return 0;
}

// Removes the oldest sets but the newest `keep`; a rollback taking one
// back meanwhile would lose it half-way, so not while one runs.
int Prune(Env* env, const std::string& log, size_t keep) {
  std::unique_ptr<EnvLock> rollback_lock;
  Status s = env->Lock(backup::SetsFolder(log), 0, &rollback_lock);
  if (s.IsBusy()) return Fail(env, "a rollback is running on " + backup::SetsFolder(log));
  if (!s.ok()) return Fail(env, s.ToString());
  std::vector<backup::SetInfo> sets;
  s = backup::ListSets(env, log, &sets);
  if (!s.ok()) return Fail(env, s.ToString());
  // Listed first: a run that starts after the listing makes a set that is
  // not in it.
  const bool held = LogHeld(env, log);
  const std::vector<size_t> pruned = backup::SetsToPrune(sets, keep, held);
  std::string out;
  uint64_t freed = 0;
  size_t removed = 0, failed = 0;
  for (size_t i : pruned) {
    const uint64_t size = backup::SetSize(env, sets[i].folder);
    s = backup::RemoveSet(env, sets[i].folder);
    if (!s.ok()) {
      ++failed;
      out += "failed     " + sets[i].name + ": " + s.ToString() + "\n";
      continue;
    }
    ++removed;
    freed += size;
    out += "removed    " + sets[i].name + " (" + Size(size) + ")\n";
  }
  for (size_t i = 0; i + keep < sets.size(); ++i)
    if (std::find(pruned.begin(), pruned.end(), i) == pruned.end())
      out += "kept       " + sets[i].name + ": its run is going (it holds the log)\n";
  out += std::to_string(removed) + " set(s) removed, " + Size(freed) + " freed; " +
         std::to_string(sets.size() - removed) + " kept in " + backup::SetsFolder(log) + "\n";
  env->WriteShown(1, out);
  return failed ? backup::kRollbackFailed : 0;
}

int Rollback(const RollbackOptions& o) {
  Env* env = Env::Default();
  const std::string log = o.log.empty() ? DefaultLogFile() : env->SystemPath(o.log);
  if (o.prune >= 0) return Prune(env, log, size_t(o.prune));
  std::vector<backup::SetInfo> sets;
  Status s = backup::ListSets(env, log, &sets);
  if (!s.ok()) return Fail(env, s.ToString());
  if (o.list) return List(env, log, sets);
  size_t chosen = sets.size();
  for (size_t i = 0; i < sets.size(); ++i)
    if (o.set.empty() || sets[i].name == o.set) chosen = i;
  if (chosen == sets.size())
    return Fail(env, o.set.empty() ? NoSet(env, log)
                                   : "no backup set " + o.set + " in " + backup::SetsFolder(log));
  const backup::SetInfo& set = sets[chosen];
  if (!set.damaged.empty()) return Fail(env, "set " + set.name + " is damaged: " + set.damaged);
  // The runs after it changed the files from where it left them: taking
  // it back first would mix the states of both.
  for (size_t i = chosen + 1; i < sets.size() && !o.force; ++i) {
    if (sets[i].damaged.empty() && !sets[i].rolled_back)
      return Fail(env, "set " + sets[i].name + " of a later run is not rolled back; roll it back " +
                           "first, or give --force to take " + set.name + " back all the same");
  }
  // One rollback at a time, and a run that finds the log held can tell
  // that a rollback holds it.
  std::unique_ptr<EnvLock> rollback_lock, lock;
  s = env->Lock(backup::SetsFolder(log), 0, &rollback_lock);
  if (s.IsBusy()) return Fail(env, "another rollback is running on " + backup::SetsFolder(log));
  if (!s.ok()) return Fail(env, s.ToString());
  // Not while a run writes: it would change the files being taken back.
  s = env->Lock(log, 0, &lock);
  if (s.IsBusy()) return Fail(env, "a run is writing " + log + "; roll back when it has ended");
  if (!s.ok()) return Fail(env, s.ToString());
  std::vector<std::string> lines;
  const int code = backup::Rollback(env, set.folder, o.force, &lines);
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  env->WriteShown(1, out);
  return code;
}

SubcommandRun AddRollback(CLI::App* command) {
  auto options = std::make_shared<RollbackOptions>();
  command->add_option("SET", options->set, "the set to apply (default: the newest)");
  command->add_flag("--force", options->force,
                    "also restore files changed since the run, and take a set back before the "
                    "sets of later runs");
  command->add_flag("--list", options->list,
                    "list the sets with their run's exit code and their size");
  command
      ->add_option("--prune", options->prune,
                   "remove the oldest sets but the newest KEEP (never the set of a run that "
                   "is going)")
      ->type_name("KEEP")
      ->check(CLI::NonNegativeNumber)
      ->excludes("SET")
      ->excludes("--force")
      ->excludes("--list");
  command
      ->add_option("--log", options->log, "the log whose sets are meant (default: the program's)")
      ->type_name("FILE");
  return [options] { return Rollback(*options); };
}

const SubcommandRegistration kRegistered("rollback", "Take a run back with its backup set",
                                         AddRollback);

}  // namespace
}  // namespace vaxo
