#include "backup/backup_sets.h"

#include <algorithm>
#include <cstdlib>

#include "backup/journal.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

// A set's name: its time, then the number of its suffix (1 without one).
std::pair<std::string, long> SortKey(const std::string& name) {
  const size_t dash = name.find('-', 9);
  if (dash == std::string::npos) return {name, 1};
  return {name.substr(0, dash), std::atol(name.c_str() + dash + 1)};
}

}  // namespace

std::string PathKey(Env* env, const std::string& path) {
  std::string key = env->UpperCase(path);
  for (char& c : key)
    if (c == '/') c = '\\';
  return key;
}

RunOwnFiles::RunOwnFiles(Env* env, const std::string& log_path, const std::string& program_dir)
    : env_(env) {
  const size_t slash = log_path.find_last_of('\\');
  log_prefix_ =
      PathKey(env, slash == std::string::npos ? std::string() : log_path.substr(0, slash + 1)) +
      "UPGRADE_VAXO.";
  program_prefix_ = PathKey(env, program_dir) + "\\";
}

bool RunOwnFiles::Holds(const std::string& path) const {
  const std::string key = PathKey(env_, path);
  return key.compare(0, log_prefix_.size(), log_prefix_) == 0 ||
         key.compare(0, program_prefix_.size(), program_prefix_) == 0;
}

std::string SetsFolder(const std::string& log_path) {
  const size_t slash = log_path.find_last_of('\\');
  const std::string dir = slash == std::string::npos ? std::string(".") : log_path.substr(0, slash);
  return dir + "\\Upgrade_vaxo.backup";
}

std::string JournalOf(const std::string& set_folder) { return set_folder + "\\journal.jsonl"; }

Status MakeSet(Env* env, const std::string& log_path, std::string* set_folder) {
  const std::string sets = SetsFolder(log_path);
  Status s = env->CreateDirectory(sets);
  if (!s.ok()) return s;
  const std::string name = env->SortableLocalTime();
  for (int n = 1;; ++n) {
    const std::string folder = sets + "\\" + name + (n == 1 ? "" : "-" + std::to_string(n));
    uint32_t attributes = 0;
    s = env->GetAttributes(folder, &attributes);
    if (s.ok()) continue;  // taken
    if (!s.IsNotFound()) return s;
    s = env->CreateDirectory(folder);
    if (s.ok()) *set_folder = folder;
    return s;
  }
}

Status ReadSetInfo(Env* env, const std::string& folder, SetInfo* info) {
  info->folder = folder;
  info->name = folder.substr(folder.find_last_of('\\') + 1);
  std::vector<nlohmann::json> records;
  Status s = Journal::Read(env, JournalOf(folder), &records);
  if (s.IsNotFound()) return Status::OK();  // killed before its first line
  if (!s.ok()) return s;
  for (const auto& r : records) {
    const std::string kind = r.value("kind", "");
    if (kind == "run") {
      info->log_header = Utf8ToLatin1(r.value("log_header", ""));
    } else if (kind == "end") {
      info->ended = true;
      info->exit_code = r.value("exit_code", 0);
    } else if (kind == "rolled-back") {
      info->rolled_back = true;
    }
  }
  return Status::OK();
}

Status FindSetOfLog(Env* env, const std::string& log_path, SetInfo* set) {
  std::string log;
  Status s = env->ReadFile(log_path, &log);
  if (!s.ok()) return s;
  const std::string header = log.substr(0, log.find("\r\n"));
  std::vector<SetInfo> sets;
  s = ListSets(env, log_path, &sets);
  if (!s.ok()) return s;
  for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
    if (!header.empty() && it->log_header == header) {
      *set = *it;
      return Status::OK();
    }
  }
  return Status::NotFound("backup", SetsFolder(log_path), "no set of this log");
}

Status ListSets(Env* env, const std::string& log_path, std::vector<SetInfo>* sets) {
  sets->clear();
  const std::string folder = SetsFolder(log_path);
  std::vector<DirEntry> entries;
  Status s = env->ListDirectory(folder, &entries);
  if (s.IsNotFound()) return Status::OK();
  if (!s.ok()) return s;
  std::vector<std::string> names;
  for (const DirEntry& e : entries)
    if (e.attributes & kAttrDirectory) names.push_back(e.name);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return SortKey(a) < SortKey(b); });
  for (const std::string& name : names) {
    SetInfo info;
    s = ReadSetInfo(env, folder + "\\" + name, &info);
    if (!s.ok()) return s;
    sets->push_back(info);
  }
  return Status::OK();
}

}  // namespace backup
}  // namespace vaxo
