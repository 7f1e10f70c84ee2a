#include "backup/run_folder.h"

#include <nlohmann/json.hpp>

#include "backup/backup_sets.h"
#include "backup/journal.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

bool Separator(char c) { return c == '\\' || c == '/'; }
bool DriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}
char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string Join(const std::string& base, const std::string& rest) {
  if (rest.empty()) return base;
  return Separator(base.back()) ? base + rest : base + "\\" + rest;
}

}  // namespace

RunFolders CurrentFolders(Env* env) {
  RunFolders folders;
  folders.folder = env->FullPath(".");
  for (char drive = 'A'; drive <= 'Z'; ++drive) {
    const std::string root = std::string(1, drive) + ":";
    const std::string current = env->FullPath(root);
    if (current != root + "\\" && DriveLetter(current) && Upper(current[0]) == drive &&
        !(DriveLetter(folders.folder) && Upper(folders.folder[0]) == drive))
      folders.drives[drive] = current;
  }
  return folders;
}

Status FoldersOfLogsRun(Env* env, const std::string& log_path, RunFolders* folders) {
  SetInfo set;
  Status s = FindSetOfLog(env, log_path, &set);
  if (!s.ok()) return s;
  std::vector<nlohmann::json> records;
  s = Journal::Read(env, JournalOf(set.folder), &records);
  if (!s.ok()) return s;
  for (const auto& r : records) {
    if (r.value("kind", "") != "run" || !r.contains("folder") || !r["folder"].is_string()) continue;
    folders->folder = Utf8ToLatin1(r["folder"].get<std::string>());
    if (r.contains("drive_folders") && r["drive_folders"].is_object())
      for (const auto& kv : r["drive_folders"].items())
        if (kv.key().size() == 1 && kv.value().is_string())
          folders->drives[Upper(kv.key()[0])] = Utf8ToLatin1(kv.value().get<std::string>());
    return Status::OK();
  }
  return Status::NotFound("read", JournalOf(set.folder), "the run recorded no folder");
}

std::string ResolveFrom(const RunFolders& folders, const std::string& path) {
  if (path.size() >= 2 && Separator(path[0]) && Separator(path[1])) return path;  // \\server
  if (DriveLetter(path) && path.size() >= 3 && Separator(path[2])) return path;
  const std::string& folder = folders.folder;
  if (folder.empty()) return std::string();
  if (DriveLetter(path)) {  // "X:rest": from the current folder of drive X
    const char drive = Upper(path[0]);
    auto it = folders.drives.find(drive);
    std::string base = std::string(1, path[0]) + ":\\";
    if (it != folders.drives.end())
      base = it->second;
    else if (DriveLetter(folder) && Upper(folder[0]) == drive)
      base = folder;
    return Join(base, path.substr(2));
  }
  if (!path.empty() && Separator(path[0])) {  // "\rest": from the root of the folder's drive
    if (DriveLetter(folder)) return folder.substr(0, 2) + path;
    // "\\server\share\...": the share is the root.
    size_t end = folder.find_first_of("\\/", 2);
    if (end != std::string::npos) end = folder.find_first_of("\\/", end + 1);
    return folder.substr(0, end) + path;
  }
  return Join(folder, path);
}

bool RunFolderEnv::Resolve(const std::string& path, std::string* full) {
  *full = ResolveFrom(folders_, path);
  if (!full->empty()) return true;
  ++unresolved_;
  return false;
}

Status RunFolderEnv::Unknown(const char* op, const std::string& path) {
  return Status::NotFound(op, path, "the folder the run started in is not known");
}

Status RunFolderEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  std::string full;
  return Resolve(dir, &full) ? EnvWrapper::ListDirectory(full, entries) : Unknown("list", dir);
}

Status RunFolderEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  std::string full;
  return Resolve(path, &full) ? EnvWrapper::GetAttributes(full, attributes)
                              : Unknown("attributes", path);
}

Status RunFolderEnv::GetFileSize(const std::string& path, uint64_t* size) {
  std::string full;
  return Resolve(path, &full) ? EnvWrapper::GetFileSize(full, size) : Unknown("size", path);
}

Status RunFolderEnv::ReadFile(const std::string& path, std::string* content) {
  std::string full;
  return Resolve(path, &full) ? EnvWrapper::ReadFile(full, content) : Unknown("read", path);
}

std::string RunFolderEnv::FullPath(const std::string& path) {
  std::string full;
  return Resolve(path, &full) ? EnvWrapper::FullPath(full) : path;
}

}  // namespace backup
}  // namespace vaxo
