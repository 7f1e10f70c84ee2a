#include "report/installation_check.h"

#include "base/text.h"
#include "paths/machine_file.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace report {
namespace {

// Fills the keys of the rules found in neither file, when the upg-file
// still has the rules the log shows: as many, and the same keys where the
// log names one.
void FillAbsentKeys(Env* env, RunReport* run, FileReport* f) {
  bool unknown = false;
  for (const RuleReport& r : f->rules) unknown |= r.key.empty();
  std::string upg;
  if (!unknown || f->upg_path.empty() || !env->ReadFile(f->upg_path, &upg).ok()) return;
  const std::vector<std::string> keys = UpgRuleKeys(upg);
  if (keys.size() != f->rules.size()) return;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!f->rules[i].key.empty() && f->rules[i].key != keys[i]) return;
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (f->rules[i].key.empty()) f->rules[i].key = run->Keep(keys[i]);
  }
}

void CheckShift(Env* env, ShiftReport* s) {
  std::string text;
  if (!s->ran || s->target.empty() || !env->ReadFile(s->target, &text).ok()) return;
  // The same test as the pass's: the name anywhere in the text, upper case.
  const std::string upper = UCase(text);
  s->checked = true;
  s->missing.clear();
  for (const char* name : kShiftVariables) {
    if (upper.find(name) == std::string::npos) s->missing.push_back(name);
  }
}

}  // namespace

std::vector<std::string> UpgRuleKeys(const std::string& upg_text) {
  LineList lines;
  CLSVaxoUpg().MakeLineList(upg_text, lines);
  std::vector<std::string> keys;
  keys.reserve(lines.size());
  for (std::string_view line : lines) keys.push_back(CLSVaxoUpg::RuleKey(std::string(line)));
  return keys;
}

void CompleteFromInstallation(Env* env, RunReport* run) {
  for (FileReport& f : run->files) FillAbsentKeys(env, run, &f);
  CheckShift(env, &run->shift);
}

}  // namespace report
}  // namespace vaxo
