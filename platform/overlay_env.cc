#include "platform/overlay_env.h"

#include <map>

namespace vaxo {

namespace {

// The folder `path` lies in, as the caller would name it.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos)
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// `s` as the failure of `op` on `path`.
Status As(const char* op, const std::string& path, const Status& s) {
  if (s.IsNotFound()) return Status::NotFound(op, path, s.reason());
  if (s.IsAmbiguous()) return Status::Ambiguous(op, path, s.reason());
  if (s.IsBusy()) return Status::Busy(op, path, s.reason());
  if (s.IsReadOnlyMedium()) return Status::ReadOnlyMedium(op, path, s.reason());
  return Status::IOError(op, path, s.reason());
}

}  // namespace

OverlayEnv::OverlayEnv(Env* below, const std::string& current_directory) : EnvWrapper(below) {
  mem_.set_letter_case(below);
  // A drive no system has keeps paths without one apart.
  mem_.set_current_directory(current_directory.empty() ? "?:" : current_directory);
}

bool OverlayEnv::InMemory(const std::string& path) {
  uint32_t attributes = 0;
  return mem_.GetAttributes(path, &attributes).ok();
}

bool OverlayEnv::Holds(const std::string& path) { return Gone(path) || InMemory(path); }

void OverlayEnv::LiftFolder(const std::string& dir) {
  if (InMemory(dir)) return;
  const std::string parent = FolderOf(dir);
  if (mem_.Key(parent) != mem_.Key(dir)) LiftFolder(parent);
  uint32_t attributes = 0;
  if (!target()->GetAttributes(dir, &attributes).ok() || !(attributes & kAttrDirectory)) return;
  mem_.AddDirectory(dir);
  mem_.SetAttributes(dir, attributes);
}

Status OverlayEnv::Lift(const char* op, const std::string& path) {
  if (InMemory(path) || Gone(path)) {
    if (!InMemory(path)) LiftFolder(FolderOf(path));
    return Status::OK();
  }
  uint32_t attributes = 0;
  Status s = target()->GetAttributes(path, &attributes);
  LiftFolder(FolderOf(path));
  if (s.IsNotFound()) return Status::OK();
  if (!s.ok()) return As(op, path, s);
  if (attributes & kAttrDirectory) {
    LiftFolder(path);
    return Status::OK();
  }
  std::string content;
  s = target()->ReadFile(path, &content);
  if (!s.ok()) return As(op, path, s);
  bytes_lifted_ += content.size();
  mem_.AddFile(path, content, attributes);
  return Status::OK();
}

Status OverlayEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  if (!InMemory(dir)) return target()->ListDirectory(dir, entries);
  std::vector<DirEntry> changed;
  Status s = mem_.ListDirectory(dir, &changed);
  if (!s.ok()) return s;
  s = target()->ListDirectory(dir, entries);
  if (s.IsNotFound()) {
    entries->clear();  // a folder made in the view
  } else if (!s.ok()) {
    return s;
  }
  const std::string folder = mem_.Key(dir) + "\\";
  std::map<std::string, size_t> listed;
  std::vector<DirEntry> merged;
  for (const DirEntry& e : *entries) {
    if (gone_.count(folder + mem_.UpperCase(e.name))) continue;
    listed[mem_.UpperCase(e.name)] = merged.size();
    merged.push_back(e);
  }
  // The name as the folder below has it; the attributes as the view has them.
  for (const DirEntry& e : changed) {
    auto it = listed.find(mem_.UpperCase(e.name));
    if (it != listed.end()) {
      merged[it->second].attributes = e.attributes;
    } else {
      merged.push_back(e);
    }
  }
  entries->swap(merged);
  return Status::OK();
}

Status OverlayEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  if (InMemory(path)) return mem_.GetAttributes(path, attributes);
  if (Gone(path)) return Status::NotFound("attributes", path, "file not found");
  return target()->GetAttributes(path, attributes);
}

Status OverlayEnv::GetFileSize(const std::string& path, uint64_t* size) {
  if (InMemory(path)) return mem_.GetFileSize(path, size);
  if (Gone(path)) return Status::NotFound("size", path, "file not found");
  return target()->GetFileSize(path, size);
}

Status OverlayEnv::ReadFile(const std::string& path, std::string* content) {
  if (InMemory(path)) return mem_.ReadFile(path, content);
  if (Gone(path)) return Status::NotFound("read", path, "file not found");
  return target()->ReadFile(path, content);
}

Status OverlayEnv::SetBits(const std::string& path, uint32_t attributes, bool archive_only) {
  Status s = Lift("set-attributes", path);
  if (!s.ok()) return s;
  uint32_t before = 0;
  mem_.GetAttributes(path, &before);
  s = archive_only ? mem_.SetArchiveOnly(path) : mem_.SetAttributes(path, attributes);
  uint32_t after = 0;
  if (s.ok() && mem_.GetAttributes(path, &after).ok() && after != before &&
      !(after & kAttrDirectory))
    Changed(mem_.PathAsMade(path));
  return s;
}

Status OverlayEnv::SetArchiveOnly(const std::string& path) { return SetBits(path, 0, true); }

Status OverlayEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  return SetBits(path, attributes, false);
}

Status OverlayEnv::CreateDirectory(const std::string& path) {
  Status s = Lift("mkdir", path);
  if (s.ok()) s = mem_.CreateDirectory(path);
  if (s.ok()) gone_.erase(mem_.Key(path));
  return s;
}

Status OverlayEnv::Write(const char* op, const std::string& path, const std::string& content,
                         bool append) {
  Status s = Lift(op, path);
  if (!s.ok()) return s;
  s = append ? mem_.AppendFile(path, content) : mem_.ReplaceFile(path, content);
  if (!s.ok()) return As(op, path, s);
  gone_.erase(mem_.Key(path));
  Changed(mem_.PathAsMade(path));
  return s;
}

Status OverlayEnv::ReplaceFile(const std::string& path, const std::string& content) {
  return Write("replace", path, content, false);
}

// The pieces stay in memory, as the whole file would, and go in by
// ReplaceFile: a change of the view like any other.
Status OverlayEnv::NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) {
  file->reset();
  Status s = Lift("replace", path);
  std::unique_ptr<ReplacementFile> probe;
  if (s.ok()) s = mem_.NewReplacement(path, &probe);
  if (!s.ok()) return As("replace", path, s);
  *file = std::make_unique<WholeReplacement>(this, path);
  return s;
}

Status OverlayEnv::AppendFile(const std::string& path, const std::string& content) {
  return Write("append", path, content, true);
}

Status OverlayEnv::AppendFileSynced(const std::string& path, const std::string& content) {
  return Write("append", path, content, true);
}

Status OverlayEnv::CopyFile(const std::string& src, const std::string& dst) {
  // The source is read through the view and stays where it is.
  std::string content;
  uint32_t attributes = 0;
  Status s = GetAttributes(src, &attributes);
  if (s.ok()) s = ReadFile(src, &content);
  if (!s.ok()) return As("copy", src, s);
  s = Lift("copy", dst);
  if (!s.ok()) return s;
  s = mem_.ReplaceFile(dst, content);
  if (!s.ok()) return As("copy", dst, s);
  mem_.SetAttributes(dst, attributes);  // as the system's copy
  gone_.erase(mem_.Key(dst));
  Changed(mem_.PathAsMade(dst));
  return s;
}

Status OverlayEnv::DeleteFile(const std::string& path) {
  if (Gone(path)) return Status::NotFound("delete", path, "file not found");
  Status s = Lift("delete", path);
  const std::string named = mem_.PathAsMade(path);
  if (s.ok()) s = mem_.DeleteFile(path);
  if (!s.ok()) return s;
  gone_.insert(mem_.Key(path));
  Changed(named);
  return s;
}

// Only a folder the view shows empty goes; the folder below stays, as
// every file below does.
Status OverlayEnv::RemoveDirectory(const std::string& path) {
  uint32_t attributes = 0;
  Status s = GetAttributes(path, &attributes);
  if (!s.ok()) return As("rmdir", path, s);
  if (!(attributes & kAttrDirectory))
    return Status::IOError("rmdir", path, "The directory name is invalid.");
  std::vector<DirEntry> entries;
  s = ListDirectory(path, &entries);
  if (!s.ok()) return As("rmdir", path, s);
  if (!entries.empty()) return Status::IOError("rmdir", path, "The directory is not empty.");
  s = Lift("rmdir", path);
  if (s.ok()) s = mem_.RemoveDirectory(path);
  if (!s.ok()) return As("rmdir", path, s);
  gone_.insert(mem_.Key(path));
  return s;
}

}  // namespace vaxo
