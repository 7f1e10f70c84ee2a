#include "report/installation_audit.h"

#include <algorithm>

#include "base/text.h"
#include "files/file_list.h"
#include "upgrade/line_search.h"

namespace vaxo {
namespace report {
namespace {

bool audit_left_out = false;

// A file whose old and new file the run read, whatever came next.
bool BothRead(const FileReport& f) {
  return f.result == FileResult::kWritten || f.result == FileResult::kUpgMissing ||
         f.result == FileResult::kNoText;
}

// The keys the file's upg-file names: from the upg-file as it is now, else
// from the rules the log shows.
std::vector<std::string> Named(Env* env, const FileReport& f) {
  if (f.result == FileResult::kUpgMissing || f.upg_path.empty()) return {};
  std::string upg;
  if (env->ReadFile(f.upg_path, &upg).ok()) return NamedKeys(upg);
  std::vector<std::string> keys;
  for (const RuleReport& r : f.rules) keys.push_back(SearchForm(r.key));
  return keys;
}

void AuditFile(Env* env, const RunReport& run, FileReport* f) {
  std::string old_text, new_text;
  if (!BothRead(*f) || f->new_path.empty() || !env->ReadFile(f->old_path, &old_text).ok() ||
      !env->ReadFile(f->new_path, &new_text).ok())
    return;
  // The value transfer carries the four shifted names of both $MACHINE.DAT.
  std::vector<std::string> shifted;
  if (run.shift.ran && UCase(f->name) == "$MACHINE.DAT")
    for (const char* name : kShiftedNames) shifted.push_back(std::string(name) + "=");
  f->left_behind = LeftBehind(old_text, new_text, Named(env, *f), shifted);
}

std::string AttributeNames(uint32_t attributes) {
  std::string s;
  if (attributes & kAttrHidden) s = "hidden";
  if (attributes & kAttrSystem) s += s.empty() ? "system" : " and system";
  return s;
}

// The files of one source folder that its pass's file list does not give.
void NotTakenIn(Env* env, Pass pass, const std::string& dir, const char* patterns,
                std::vector<NotTaken>* out) {
  std::vector<DirEntry> entries;
  if (dir.empty() || !env->ListDirectory(dir, &entries).ok()) return;
  std::sort(entries.begin(), entries.end(), [env](const DirEntry& a, const DirEntry& b) {
    const int order = env->CompareNames(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  const uint32_t left_out = kAttrHidden | kAttrSystem;
  for (const DirEntry& e : entries) {
    if (e.attributes & kAttrDirectory) continue;
    const bool data = MatchesPatterns(patterns, e.name);
    if (data && !(e.attributes & left_out)) continue;  // taken
    NotTaken n;
    n.pass = pass;
    n.name = e.name;
    n.by_attributes = data;
    n.reason = data ? "a data file with the " + AttributeNames(e.attributes) +
                          " attribute: the file list leaves it out"
                    : std::string("not a data file (the ") + PassName(pass) + " pass takes " +
                          patterns + ")";
    out->push_back(std::move(n));
  }
}

}  // namespace

void LeaveOutAuditForMeasurement() { audit_left_out = true; }

void AuditInstallation(Env* env, RunReport* run) {
  if (audit_left_out) return;
  for (FileReport& f : run->files) AuditFile(env, *run, &f);
  // The folders the command reader settled on; a run that did not get past
  // it took no file.
  for (const CodeSetter& s : run->setters)
    if (s.kind == CodeSetter::Kind::kCommandLine) return;
  if (run->early_end == RunReport::EarlyEnd::kIncompletePaths ||
      run->early_end == RunReport::EarlyEnd::kFormLeft)
    return;
  NotTakenIn(env, Pass::kSteu, run->old_steu_dir, kSteuDataPattern, &run->not_taken);
  if (UCase(run->old_r1_dir) != UCase(run->old_steu_dir))
    NotTakenIn(env, Pass::kR1, run->old_r1_dir, kR1DataPattern, &run->not_taken);
}

size_t SilentlySkipped(const RunReport& run) {
  return size_t(std::count_if(run.not_taken.begin(), run.not_taken.end(),
                              [](const NotTaken& n) { return n.by_attributes; }));
}

}  // namespace report
}  // namespace vaxo
