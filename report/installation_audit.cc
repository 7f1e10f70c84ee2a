#include "report/installation_audit.h"

#include <algorithm>

#include "base/text.h"
#include "files/file_list.h"
#include "paths/machine_file.h"
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

// Names to `finder` the keys the file's upg-file names: from the upg-file as
// it is now, else from the rules the log shows.
void Name(Env* env, const FileReport& f, std::string* upg, LeftBehindFinder* finder) {
  if (f.result == FileResult::kUpgMissing || f.upg_path.empty()) return;
  if (env->ReadFile(f.upg_path, upg).ok()) return finder->NameRulesOf(*upg);
  for (const RuleReport& r : f.rules) finder->Name(SearchForm(r.key));
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

bool AuditFile(Env* env, const RunReport& run, const FileReport& f, FileAudit* out) {
  out->left.values.clear();
  if (audit_left_out || !BothRead(f) || f.new_path.empty() ||
      !env->ReadFile(f.old_path, &out->old_text).ok() ||
      !env->ReadFile(f.new_path, &out->new_text).ok())
    return false;
  if (f.left_count && f.left_old_size == out->old_text.size() &&
      f.left_new_size == out->new_text.size() &&
      LeftBehindFinder::Recall(out->old_text, out->new_text, f.left_spots, &out->left))
    return true;
  Name(env, f, &out->upg_text, &out->finder);
  // The value transfer carries the four shifted names of both $MACHINE.DAT.
  if (run.shift.ran && UCase(f.name) == "$MACHINE.DAT")
    for (const char* name : kShiftVariables) out->finder.Name(std::string(name) + "=");
  out->finder.Find(out->old_text, out->new_text, &out->left);
  return true;
}

void AuditInstallation(Env* env, RunReport* run) {
  if (audit_left_out) return;
  FileAudit audit;
  for (FileReport& f : run->files) {
    if (!AuditFile(env, *run, f, &audit)) continue;
    f.left_count = audit.left.values.size();
    // Offsets of 32 bits: a larger file is looked through again each time.
    if (audit.old_text.size() >= LeftSpot::kNone || audit.new_text.size() >= LeftSpot::kNone)
      continue;
    f.left_old_size = audit.old_text.size();
    f.left_new_size = audit.new_text.size();
    f.left_spots.reserve(audit.left.values.size());
    for (const LeftValue& v : audit.left.values) {
      LeftSpot spot;
      spot.old_at = uint32_t(v.old_line.data() - audit.old_text.data());
      if (v.kind == LeftValue::Kind::kDiffers)
        spot.new_at = uint32_t(v.new_line.data() - audit.new_text.data());
      f.left_spots.push_back(spot);
    }
  }
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
