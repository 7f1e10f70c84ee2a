#include "backup/backup_env.h"

#include "backup/backup_sets.h"
#include "backup/run_folder.h"
#include "backup/set_paths.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

// A failure to write into the set stops the run before the change.
[[noreturn]] void Stop(const Status& s) {
  throw RunError(Status::IOError("backup", s.path(), s.reason()));
}

constexpr uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

}  // namespace

BackupEnv::BackupEnv(Env* target, const std::string& log_path)
    : EnvWrapper(target), own_(target, log_path, target->ProgramDirectory()), journal_(target, "") {
  Status s = MakeSet(target, log_path, &set_);
  if (!s.ok()) Stop(s);
  journal_ = Journal(target, JournalOf(set_));
  // The log's first line, with its time, tells later which set is a log's.
  std::string log;
  target->ReadFile(log_path, &log);
  // Where the run started: the log's relative paths mean these folders.
  const RunFolders folders = CurrentFolders(target);
  nlohmann::json record = {{"kind", "run"},
                           {"log", Latin1ToUtf8(log_path)},
                           {"log_header", Latin1ToUtf8(log.substr(0, log.find("\r\n")))},
                           {"time", target->SortableLocalTime()},
                           {"folder", Latin1ToUtf8(folders.folder)}};
  for (const auto& drive : folders.drives)
    record["drive_folders"][std::string(1, drive.first)] = Latin1ToUtf8(drive.second);
  Write(record);
}

bool BackupEnv::Excluded(const std::string& key) const { return own_.Holds(key); }

// The rollback acts only in the folders a set names: each is named before
// the first change in it.
void BackupEnv::NameFolder(const std::string& folder) {
  if (!folder.empty() && folders_.insert(Key(folder)).second)
    Write({{"kind", "folder"}, {"path", Latin1ToUtf8(folder)}});
}

std::string BackupEnv::Full(const std::string& path) {
  const std::string full = target()->FullPath(path);
  NameFolder(FolderOf(full));
  return full;
}

void BackupEnv::MachineDataFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) NameFolder(target()->FullPath(folder));
}

void BackupEnv::Write(const nlohmann::json& record) {
  Status s = journal_.Append(record);
  if (!s.ok()) Stop(s);
}

std::string BackupEnv::WritePack(const std::string& bytes) {
  const std::string name = "pre-" + std::to_string(++packs_);
  Status s = target()->ReplaceFile(set_ + "\\" + name, bytes);
  if (!s.ok()) Stop(s);
  return name;
}

std::string BackupEnv::DiskSpelling(const std::string& path,
                                    std::map<std::string, std::vector<DirEntry>>* listed) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return path;
  const std::string dir = path.substr(0, slash), name = target()->UpperCase(path.substr(slash + 1));
  auto it = listed->find(Key(dir));
  if (it == listed->end()) {
    std::vector<DirEntry> entries;
    Status s = target()->ListDirectory(dir.size() == 2 ? dir + "\\" : dir, &entries);
    if (!s.ok()) throw RunError(s);  // no name to give the file back under
    it = listed->emplace(Key(dir), std::move(entries)).first;
  }
  for (const DirEntry& e : it->second)
    if (target()->UpperCase(e.name) == name) return dir + "\\" + e.name;
  return path;
}

void BackupEnv::SaveBeforeChanges(const std::vector<std::string>& paths) {
  std::string pack;
  nlohmann::json files = nlohmann::json::array();
  std::map<std::string, std::vector<DirEntry>> listed;
  for (const std::string& given : paths) {
    const std::string path = target()->FullPath(given), key = Key(path);
    Known& known = known_[key];
    if (known.content || Excluded(key)) continue;
    // A file that is not there now is saved, or refused, when it is made.
    uint32_t attributes = 0;
    if (!target()->GetAttributes(path, &attributes).ok() || (attributes & kAttrDirectory)) continue;
    std::string bytes;
    Status s = target()->ReadFile(path, &bytes);
    if (!s.ok()) throw RunError(s);  // the pass could not read it either
    Full(path);
    files.push_back({{"path", Latin1ToUtf8(DiskSpelling(path, &listed))},
                     {"offset", pack.size()},
                     {"size", bytes.size()},
                     {"fingerprint", Fingerprint(bytes)},
                     {"attributes", attributes}});
    pack += bytes;
  }
  if (files.empty()) return;
  const std::string name = WritePack(pack);
  Write({{"kind", "saved"}, {"pack", name}, {"files", files}});
  for (const auto& f : files) {
    Known& known = known_[Key(Utf8ToLatin1(f["path"].get<std::string>()))];
    known.content = known.attributes = true;
  }
}

Status BackupEnv::BeforeAttributesChange(const std::string& given, uint32_t wanted) {
  const std::string path = target()->FullPath(given), key = Key(path);
  if (Excluded(key)) return Status::OK();
  Known& known = known_[key];
  if (known.attributes) return Status::OK();
  uint32_t attributes = 0;
  Status s = target()->GetAttributes(path, &attributes);
  if (!s.ok()) return s;
  if ((attributes & kSettable) == (wanted & kSettable)) return Status::OK();  // nothing changes
  Full(path);
  Write({{"kind", "attributes"}, {"path", Latin1ToUtf8(path)}, {"before", attributes}});
  known.attributes = true;
  return Status::OK();
}

Status BackupEnv::BeforeContentChange(const std::string& given, const char* op,
                                      const nlohmann::json& after) {
  const std::string path = target()->FullPath(given), key = Key(path);
  if (Excluded(key)) return Status::OK();
  Full(path);
  Known& known = known_[key];
  nlohmann::json record = {
      {"kind", "change"}, {"path", Latin1ToUtf8(path)}, {"op", op}, {"after", after}};
  if (!known.content) {
    uint32_t attributes = 0;
    Status s = target()->GetAttributes(path, &attributes);
    if (s.IsNotFound()) {
      record["before"] = "absent";
    } else {
      if (!s.ok()) return s;
      std::string bytes;
      s = target()->ReadFile(path, &bytes);
      if (!s.ok()) return s;
      std::map<std::string, std::vector<DirEntry>> listed;
      record["path"] = Latin1ToUtf8(DiskSpelling(path, &listed));
      record["before"] = {{"pack", WritePack(bytes)},
                          {"offset", 0},
                          {"size", bytes.size()},
                          {"fingerprint", Fingerprint(bytes)},
                          {"attributes", attributes}};
    }
  }
  Write(record);
  known.content = known.attributes = true;
  return Status::OK();
}

void BackupEnv::BeforeChildChanges(const std::string& path) {
  // The child changes the file whatever is said here: what cannot be
  // saved stops the run before the child starts.
  ThrowIfError(BeforeContentChange(path, "child", nullptr));
}

void BackupEnv::AfterChildChanged(const std::string& given) {
  const std::string path = target()->FullPath(given);
  if (Excluded(Key(path))) return;
  std::string bytes;
  Status s = target()->ReadFile(path, &bytes);
  nlohmann::json after = s.ok() ? nlohmann::json(Fingerprint(bytes)) : nlohmann::json("absent");
  if (!s.ok() && !s.IsNotFound()) after = nullptr;  // unknown
  Write({{"kind", "written"}, {"path", Latin1ToUtf8(path)}, {"after", after}});
}

Status BackupEnv::SetArchiveOnly(const std::string& path) {
  Status s = BeforeAttributesChange(path, kAttrArchive);
  return s.ok() ? EnvWrapper::SetArchiveOnly(path) : s;
}

Status BackupEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  Status s = BeforeAttributesChange(path, attributes);
  return s.ok() ? EnvWrapper::SetAttributes(path, attributes) : s;
}

Status BackupEnv::ReplaceFile(const std::string& path, const std::string& content) {
  Status s = BeforeContentChange(path, "replace", Fingerprint(content));
  return s.ok() ? EnvWrapper::ReplaceFile(path, content) : s;
}

// What a file holds after an append is known only by reading it first;
// the run appends to nothing but its log, which is not backed up.
Status BackupEnv::AppendFile(const std::string& path, const std::string& content) {
  Status s = BeforeContentChange(path, "append", nullptr);
  return s.ok() ? EnvWrapper::AppendFile(path, content) : s;
}

Status BackupEnv::AppendFileSynced(const std::string& path, const std::string& content) {
  Status s = BeforeContentChange(path, "append", nullptr);
  return s.ok() ? EnvWrapper::AppendFileSynced(path, content) : s;
}

Status BackupEnv::CopyFile(const std::string& src, const std::string& dst) {
  if (!Excluded(Key(dst))) {
    std::string bytes;
    Status s = target()->ReadFile(src, &bytes);
    if (!s.ok()) return s;  // the copy fails the same way and changes nothing
    s = BeforeContentChange(dst, "copy", Fingerprint(bytes));
    if (!s.ok()) return s;
  }
  return EnvWrapper::CopyFile(src, dst);
}

Status BackupEnv::DeleteFile(const std::string& path) {
  Status s = BeforeContentChange(path, "delete", "absent");
  return s.ok() ? EnvWrapper::DeleteFile(path) : s;
}

void BackupEnv::DoExitProcess(int code) {
  // The run ends whatever becomes of this line; without it the set shows
  // a run that never said how it ended.
  journal_.Append({{"kind", "end"}, {"exit_code", code}});
  target()->ExitProcess(code);
}

}  // namespace backup
}  // namespace vaxo
