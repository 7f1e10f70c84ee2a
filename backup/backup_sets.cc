#include "backup/backup_sets.h"

#include <algorithm>
#include <tuple>

#include "backup/journal.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

bool Digits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size() || count == 0) return false;
  for (size_t i = from; i < from + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// A set's place among the runs: names of no set first (by name), then the
// sets of earlier versions by time and suffix, then the numbered ones.
struct Place {
  int generation = 0;
  std::string time;
  unsigned long long number = 0;
  std::string name;
  bool operator<(const Place& o) const {
    return std::tie(generation, time, number, name) <
           std::tie(o.generation, o.time, o.number, o.name);
  }
};

// "000012-20261209-003559": run 12.
bool NumberOf(const std::string& name, unsigned long long* number) {
  const size_t dash = name.find('-');
  if (dash == std::string::npos || dash > 18 || !Digits(name, 0, dash) ||
      name.size() != dash + 16 || name[dash + 9] != '-' || !Digits(name, dash + 1, 8) ||
      !Digits(name, dash + 10, 6))
    return false;
  *number = std::stoull(name.substr(0, dash));
  return true;
}

Place PlaceOf(const std::string& name) {
  Place p;
  p.name = name;
  if (NumberOf(name, &p.number)) {
    p.generation = 2;
  } else if (name.size() >= 15 && Digits(name, 0, 8) && name[8] == '-' && Digits(name, 9, 6) &&
             (name.size() == 15 ||
              (name[15] == '-' && name.size() <= 30 && Digits(name, 16, name.size() - 16)))) {
    // "20261209-003559" and "20261209-003559-2": an earlier version's set.
    p.generation = 1;
    p.time = name.substr(0, 15);
    p.number = name.size() == 15 ? 1 : std::stoull(name.substr(16));
  }
  return p;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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
  const std::string log_dir = Folder(log_path);
  const std::string value_file = program_dir + "\\Vaxo_Value.tmp";
  for (const std::string& file :
       {log_path, log_path + ".lock", log_dir + "Upgrade_vaxo.html", log_dir + "Upgrade_vaxo.json",
        SetsFolder(log_path) + ".lock", value_file, value_file + ".lock"})
    files_.insert(PathKey(env, env->FullPath(file)));
  sets_prefix_ = PathKey(env, env->FullPath(SetsFolder(log_path))) + "\\";
}

bool RunOwnFiles::Holds(const std::string& path) const {
  const std::string key = PathKey(env_, env_->FullPath(path));
  return files_.count(key) || key.compare(0, sets_prefix_.size(), sets_prefix_) == 0;
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
  std::vector<DirEntry> entries;
  s = env->ListDirectory(sets, &entries);
  if (!s.ok()) return s;
  unsigned long long last = 0, number = 0;
  for (const DirEntry& e : entries)
    if (NumberOf(e.name, &number)) last = std::max(last, number);
  const std::string time = env->SortableLocalTime();
  for (unsigned long long n = last + 1;; ++n) {
    std::string digits = std::to_string(n);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    const std::string folder = sets + "\\" + digits + "-" + time;
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

uint64_t SetSize(Env* env, const std::string& folder) {
  uint64_t total = 0;
  std::vector<DirEntry> files;
  if (!env->ListDirectory(folder, &files).ok()) return 0;
  for (const DirEntry& f : files) {
    uint64_t size = 0;
    if (!(f.attributes & kAttrDirectory) && env->GetFileSize(folder + "\\" + f.name, &size).ok())
      total += size;
  }
  return total;
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
    if (it->damaged.empty() && !header.empty() && it->log_header == header) {
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
  // The listing comes in no particular order.
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return PlaceOf(a) < PlaceOf(b); });
  for (const std::string& name : names) {
    SetInfo info;
    s = ReadSetInfo(env, folder + "\\" + name, &info);
    if (!s.ok()) info.damaged = s.ToString();  // listed as such; the others stay usable
    sets->push_back(info);
  }
  return Status::OK();
}

std::vector<size_t> SetsToPrune(const std::vector<SetInfo>& sets, size_t keep, bool log_held) {
  size_t going = sets.size();
  if (log_held)
    for (size_t i = sets.size(); i-- > 0;)
      if (!sets[i].ended && sets[i].damaged.empty()) {
        going = i;
        break;
      }
  std::vector<size_t> pruned;
  for (size_t i = 0; i + keep < sets.size(); ++i)
    if (i != going) pruned.push_back(i);
  return pruned;
}

Status RemoveSet(Env* env, const std::string& folder) {
  std::vector<DirEntry> files;
  Status s = env->ListDirectory(folder, &files);
  if (!s.ok()) return s;
  for (const DirEntry& f : files) {
    if (f.attributes & kAttrDirectory) continue;  // no set holds one: the folder stays, named
    if (f.attributes & kAttrReadOnly) s = env->SetArchiveOnly(folder + "\\" + f.name);
    if (s.ok()) s = env->DeleteFile(folder + "\\" + f.name);
    if (!s.ok()) return s;
  }
  return env->RemoveDirectory(folder);
}

}  // namespace backup
}  // namespace vaxo
