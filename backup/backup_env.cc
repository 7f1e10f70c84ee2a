#include "backup/backup_env.h"

#include "backup/backup_sets.h"
#include "backup/run_folder.h"
#include "backup/set_paths.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

// A failure to write into the set refuses the change; the run stops on it.
Status InSet(const Status& s) {
  return s.ok() ? s : Status::Refused("backup", s.path(), s.reason());
}

// A failure of what must come before the change refuses it, as it is.
Status Refuse(const Status& s) {
  return s.ok() || s.IsRefused() ? s : Status::Refused(s.op(), s.path(), s.reason());
}

constexpr uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

}  // namespace

BackupEnv::BackupEnv(Env* target, const std::string& log_path)
    : EnvWrapper(target), own_(target, log_path, target->ProgramDirectory()), journal_(target, "") {
  ThrowIfError(InSet(MakeSet(target, log_path, &set_)));
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
  ThrowIfError(Write(record));
}

bool BackupEnv::Excluded(const std::string& key) const { return own_.Holds(key); }

// The rollback acts only in the folders a set names: each is named before
// the first change in it.
Status BackupEnv::NameFolder(const std::string& folder) {
  if (folder.empty() || folders_.count(Key(folder))) return Status::OK();
  const Status s = Write({{"kind", "folder"}, {"path", Latin1ToUtf8(folder)}});
  if (s.ok()) folders_.insert(Key(folder));
  return s;
}

Status BackupEnv::NameFolderOf(const std::string& path) {
  return NameFolder(FolderOf(target()->FullPath(path)));
}

Status BackupEnv::MachineDataFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const Status s = NameFolder(target()->FullPath(folder));
    if (!s.ok()) return s;
  }
  return Status::OK();
}

Status BackupEnv::Write(const nlohmann::json& record) { return InSet(journal_.Append(record)); }

Status BackupEnv::WritePack(const std::string& bytes, std::string* name) {
  *name = "pre-" + std::to_string(++packs_);
  return InSet(target()->ReplaceFile(set_ + "\\" + *name, bytes));
}

Status BackupEnv::DiskSpelling(const std::string& path,
                               std::map<std::string, std::vector<DirEntry>>* listed,
                               std::string* spelled) {
  *spelled = path;
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return Status::OK();
  const std::string dir = path.substr(0, slash), name = target()->UpperCase(path.substr(slash + 1));
  auto it = listed->find(Key(dir));
  if (it == listed->end()) {
    std::vector<DirEntry> entries;
    Status s = target()->ListDirectory(dir.size() == 2 ? dir + "\\" : dir, &entries);
    if (!s.ok()) return Refuse(s);  // no name to give the file back under
    it = listed->emplace(Key(dir), std::move(entries)).first;
  }
  for (const DirEntry& e : it->second) {
    if (target()->UpperCase(e.name) == name) {
      *spelled = dir + "\\" + e.name;
      break;
    }
  }
  return Status::OK();
}

Status BackupEnv::SaveBeforeChanges(const std::vector<std::string>& paths) {
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
    std::string bytes, spelled;
    Status s = Refuse(target()->ReadFile(path, &bytes));  // the pass could not read it either
    if (s.ok()) s = NameFolderOf(path);
    if (s.ok()) s = DiskSpelling(path, &listed, &spelled);
    if (!s.ok()) return s;
    files.push_back({{"path", Latin1ToUtf8(spelled)},
                     {"offset", pack.size()},
                     {"size", bytes.size()},
                     {"fingerprint", Fingerprint(bytes)},
                     {"attributes", attributes}});
    pack += bytes;
  }
  if (files.empty()) return Status::OK();
  std::string name;
  Status s = WritePack(pack, &name);
  if (s.ok()) s = Write({{"kind", "saved"}, {"pack", name}, {"files", files}});
  if (!s.ok()) return s;
  for (const auto& f : files) {
    Known& known = known_[Key(Utf8ToLatin1(f["path"].get<std::string>()))];
    known.content = known.attributes = true;
  }
  return Status::OK();
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
  s = NameFolderOf(path);
  if (s.ok())
    s = Write({{"kind", "attributes"}, {"path", Latin1ToUtf8(path)}, {"before", attributes}});
  if (s.ok()) known.attributes = true;
  return s;
}

Status BackupEnv::BeforeContentChange(const std::string& given, const char* op,
                                      const nlohmann::json& after) {
  if (!own_given_.empty() && given == own_given_) return Status::OK();
  const std::string path = target()->FullPath(given), key = Key(path);
  if (Excluded(key)) {
    // The log is appended to once an entry: a path given in full means the
    // same file whatever the current folder, so it is let through at once.
    if (IsPlainFullPath(given)) own_given_ = given;
    return Status::OK();
  }
  Status named = NameFolderOf(path);
  if (!named.ok()) return named;
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
      std::string bytes, spelled, pack;
      s = target()->ReadFile(path, &bytes);
      if (!s.ok()) return s;
      std::map<std::string, std::vector<DirEntry>> listed;
      s = DiskSpelling(path, &listed, &spelled);
      if (s.ok()) s = WritePack(bytes, &pack);
      if (!s.ok()) return s;
      record["path"] = Latin1ToUtf8(spelled);
      record["before"] = {{"pack", pack},
                          {"offset", 0},
                          {"size", bytes.size()},
                          {"fingerprint", Fingerprint(bytes)},
                          {"attributes", attributes}};
    }
  }
  const Status s = Write(record);
  if (s.ok()) known.content = known.attributes = true;
  return s;
}

// The child changes the file whatever is said here: what cannot be saved
// stops the run before the child starts.
Status BackupEnv::BeforeChildChanges(const std::string& path) {
  return Refuse(BeforeContentChange(path, "child", nullptr));
}

Status BackupEnv::AfterChildChanged(const std::string& given) {
  const std::string path = target()->FullPath(given);
  if (Excluded(Key(path))) return Status::OK();
  std::string bytes;
  Status s = target()->ReadFile(path, &bytes);
  nlohmann::json after = s.ok() ? nlohmann::json(Fingerprint(bytes)) : nlohmann::json("absent");
  if (!s.ok() && !s.IsNotFound()) after = nullptr;  // unknown
  return Write({{"kind", "written"}, {"path", Latin1ToUtf8(path)}, {"after", after}});
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

class BackupEnv::Replacement : public ReplacementFile {
 public:
  Replacement(BackupEnv* env, std::string path, std::unique_ptr<ReplacementFile> file)
      : env_(env), path_(std::move(path)), file_(std::move(file)) {}
  Status Append(std::string_view bytes) override {
    if (!failed_.ok()) return failed_;
    fingerprint_.Add(bytes);
    return file_->Append(bytes);
  }
  Status Commit() override {
    if (!failed_.ok()) return failed_;
    failed_ = env_->BeforeContentChange(path_, "replace", fingerprint_.Text());
    if (!failed_.ok()) file_.reset();  // the target is not changed: the bytes go
    return failed_.ok() ? file_->Commit() : failed_;
  }

 private:
  BackupEnv* env_;
  std::string path_;
  std::unique_ptr<ReplacementFile> file_;
  FingerprintOf fingerprint_;
  Status failed_;  // the set could not be written
};

Status BackupEnv::NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) {
  std::unique_ptr<ReplacementFile> below;
  Status s = EnvWrapper::NewReplacement(path, &below);
  if (!s.ok()) return s;
  // The run's own files (the report beside the log) are not backed up: their
  // bytes, tens of megabytes on a large installation, need no fingerprint.
  if (Excluded(Key(target()->FullPath(path))))
    *file = std::move(below);
  else
    *file = std::make_unique<Replacement>(this, path, std::move(below));
  return s;
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
