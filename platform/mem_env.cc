#include "platform/mem_env.h"

#include "platform/letter_case.h"

namespace vaxo {

MemEnv::MemEnv() = default;
MemEnv::~MemEnv() = default;

// Upper-cased (code page 1252, as the system matches names), "\"-separated, no empty or "."
// components, no trailing "\". A path without a drive lies below the current directory, one that
// starts with "\" on its drive.
std::string MemEnv::UpperCase(const std::string& text) {
  return letter_case_ ? letter_case_->UpperCase(text) : UpperCaseCp1252(text);
}

std::string MemEnv::Key(const std::string& path) const {
  const std::string full = FullForm(path);
  return letter_case_ ? letter_case_->UpperCase(full) : UpperCaseCp1252(full);
}

std::string MemEnv::FullPath(const std::string& path) {
  const std::string full = FullForm(path);
  return full.size() == 2 ? full + "\\" : full;
}

std::string MemEnv::FullForm(const std::string& path) const {
  std::string p = path;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  std::string drive = current_directory_.substr(0, 2);
  if (p.size() >= 2 && p[1] == ':') {
    drive = p.substr(0, 2);
    p = p.substr(2);
  } else if (p.empty() || p[0] != '\\') {
    p = current_directory_.substr(2) + "\\" + p;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= p.size()) {
    size_t j = p.find('\\', i);
    if (j == std::string::npos) j = p.size();
    std::string part = p.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string key = drive;
  for (const auto& part : parts) key += "\\" + part;
  return key;
}

std::string MemEnv::Parent(const std::string& key) {
  size_t p = key.rfind('\\');
  return p == std::string::npos ? std::string() : key.substr(0, p);
}

MemEnv::Node* MemEnv::Find(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

const MemEnv::Node* MemEnv::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void MemEnv::AddDirectory(const std::string& path) {
  std::string key = Key(path);
  std::string parent = Parent(key);
  if (!parent.empty()) AddDirectory(parent);
  Node& n = nodes_[key];
  if (n.path.empty()) n.path = key.size() == 2 ? key : path;
  if (!n.is_dir) n.attributes = kAttrDirectory;  // a folder there keeps its own
  n.is_dir = true;
}

void MemEnv::AddFile(const std::string& path, const std::string& content, uint32_t attributes) {
  std::string key = Key(path);
  AddDirectory(Parent(key));
  Node& n = nodes_[key];
  if (n.path.empty()) n.path = path;
  n.is_dir = false;
  n.attributes = attributes;
  n.content = content;
}

Status MemEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  Node* n = Find(path);
  if (!n) return Status::NotFound("set-attributes", path, "file not found");
  attributes &= kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  n->attributes = n->is_dir ? (attributes & ~uint32_t(kAttrArchive)) | kAttrDirectory : attributes;
  return Status::OK();
}

Status MemEnv::CreateDirectory(const std::string& path) {
  const std::string key = Key(path);
  const Node* n = Find(path);
  if (n) return n->is_dir ? Status::OK() : Status::IOError("mkdir", path, "a file of that name");
  const Node* parent = Find(Parent(key));
  if (!parent || !parent->is_dir) return Status::NotFound("mkdir", path, "directory not found");
  if (parent->attributes & kAttrReadOnly) return Status::IOError("mkdir", path, "access denied");
  AddDirectory(path);
  return Status::OK();
}

bool MemEnv::FileExists(const std::string& path) const {
  const Node* n = Find(path);
  return n && !n->is_dir;
}

std::string MemEnv::FileContent(const std::string& path) const {
  const Node* n = Find(path);
  return n && !n->is_dir ? n->content : std::string();
}

uint32_t MemEnv::Attributes(const std::string& path) const {
  const Node* n = Find(path);
  return n ? n->attributes : 0;
}

std::string MemEnv::PathAsMade(const std::string& path) const {
  const Node* n = Find(path);
  return n ? n->path : std::string();
}

std::vector<std::string> MemEnv::FilesBelow(const std::string& dir) const {
  std::string prefix = Key(dir) + "\\";
  std::vector<std::string> out;
  for (const auto& kv : nodes_) {
    if (!kv.second.is_dir && kv.first.compare(0, prefix.size(), prefix) == 0)
      out.push_back(kv.second.path);
  }
  return out;
}

Status MemEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  const Node* d = Find(dir);
  if (!d) return Status::NotFound("list", dir, "directory not found");
  if (!d->is_dir) return Status::IOError("list", dir, "not a directory");
  std::string prefix = Key(dir) + "\\";
  for (const auto& kv : nodes_) {
    const std::string& key = kv.first;
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    if (key.find('\\', prefix.size()) != std::string::npos) continue;
    const std::string& stored = kv.second.path;
    size_t slash = stored.find_last_of("\\/");
    entries->push_back(
        {slash == std::string::npos ? stored : stored.substr(slash + 1), kv.second.attributes});
  }
  return Status::OK();
}

Status MemEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  const Node* n = Find(path);
  if (!n) return Status::NotFound("attributes", path, "file not found");
  *attributes = n->attributes;
  return Status::OK();
}

Status MemEnv::SetArchiveOnly(const std::string& path) {
  Node* n = Find(path);
  if (!n) return Status::NotFound("set-attributes", path, "file not found");
  n->attributes = n->is_dir ? kAttrDirectory : kAttrArchive;
  return Status::OK();
}

Status MemEnv::GetFileSize(const std::string& path, uint64_t* size) {
  const Node* n = Find(path);
  if (!n || n->is_dir) return Status::NotFound("size", path, "file not found");
  *size = n->content.size();
  return Status::OK();
}

Status MemEnv::ReadFile(const std::string& path, std::string* content) {
  const Node* n = Find(path);
  if (!n) return Status::NotFound("read", path, "file not found");
  if (n->is_dir) return Status::IOError("read", path, "access denied (a directory)");
  *content = n->content;
  return Status::OK();
}

Status MemEnv::Refusal(const char* op, const std::string& path) const {
  const Node* parent = Find(Parent(Key(path)));
  if (!parent || !parent->is_dir) return Status::NotFound(op, path, "directory not found");
  const Node* n = Find(path);
  if (n && n->is_dir) return Status::IOError(op, path, "access denied (a directory)");
  if (n && (n->attributes & kAttrReadOnly))
    return Status::IOError(op, path, "access denied (read-only)");
  return Status::OK();
}

Status MemEnv::WriteNode(const char* op, const std::string& path, const std::string& content,
                         bool append) {
  const Status refused = Refusal(op, path);
  if (!refused.ok()) return refused;
  const std::string key = Key(path);
  Node* n = Find(path);
  if (!n) {
    n = &nodes_[key];
    n->path = path;
    n->attributes = kAttrArchive;
  }
  if (append) {
    n->content += content;
  } else {
    n->content = content;
  }
  return Status::OK();
}

Status MemEnv::ReplaceFile(const std::string& path, const std::string& content) {
  return WriteNode("replace", path, content, false);
}

Status MemEnv::NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) {
  file->reset();
  const Status s = Refusal("replace", path);
  if (s.ok()) *file = std::make_unique<WholeReplacement>(this, path);
  return s;
}

Status WholeReplacement::Append(std::string_view bytes) {
  if (done_) return Status::IOError("replace", path_, "written already");
  bytes_.append(bytes.data(), bytes.size());
  return Status::OK();
}

Status WholeReplacement::Commit() {
  if (done_) return Status::IOError("replace", path_, "written already");
  done_ = true;
  const Status s = env_->ReplaceFile(path_, bytes_);
  bytes_ = std::string();
  return s;
}

Status MemEnv::AppendFile(const std::string& path, const std::string& content) {
  return WriteNode("append", path, content, true);
}

Status MemEnv::CopyFile(const std::string& src, const std::string& dst) {
  const Node* from = Find(src);
  if (!from || from->is_dir) return Status::NotFound("copy", src, "file not found");
  std::string content = from->content;
  uint32_t attributes = from->attributes;
  Status s = WriteNode("copy", dst, content, false);
  if (s.ok()) Find(dst)->attributes = attributes;
  return s;
}

Status MemEnv::DeleteFile(const std::string& path) {
  Node* n = Find(path);
  if (!n || n->is_dir) return Status::NotFound("delete", path, "file not found");
  if (n->attributes & kAttrReadOnly)
    return Status::IOError("delete", path, "access denied (read-only)");
  nodes_.erase(Key(path));
  return Status::OK();
}

Status MemEnv::RemoveDirectory(const std::string& path) {
  const Node* n = Find(path);
  if (!n) return Status::NotFound("rmdir", path, "directory not found");
  if (!n->is_dir) return Status::IOError("rmdir", path, "The directory name is invalid.");
  const std::string key = Key(path), below = key + "\\";
  auto next = nodes_.lower_bound(below);
  if (next != nodes_.end() && next->first.compare(0, below.size(), below) == 0)
    return Status::IOError("rmdir", path, "The directory is not empty.");
  nodes_.erase(key);
  return Status::OK();
}

namespace {

// Lets go of its key; the set outlives the environment if the lock does.
class MemLock : public EnvLock {
 public:
  MemLock(std::shared_ptr<std::set<std::string>> locks, std::string key)
      : locks_(std::move(locks)), key_(std::move(key)) {}
  ~MemLock() override { locks_->erase(key_); }

 private:
  std::shared_ptr<std::set<std::string>> locks_;
  std::string key_;
};

}  // namespace

Status MemEnv::Lock(const std::string& path, int /*wait_ms*/, std::unique_ptr<EnvLock>* lock) {
  const std::string key = Key(path);
  if (!locks_->insert(key).second) return Status::Busy("lock", path, "in use by another run");
  lock->reset(new MemLock(locks_, key));
  return Status::OK();
}

int MemEnv::RunAndWait(const std::string& application, const std::string& command_line,
                       Status* start_error) {
  children_.emplace_back(application, command_line);
  if (!child_hook_) {
    if (start_error) *start_error = Status::NotFound("run", application, "program not found");
    return 0;
  }
  return child_hook_(application, command_line);
}

Status MemEnv::WriteStd(int stream, const std::string& bytes) {
  (stream == 1 ? std_out_ : std_err_) += bytes;
  return Status::OK();
}

bool MemEnv::ReadStdinLine(std::string* line) {
  if (stdin_lines_.empty()) return false;
  *line = stdin_lines_.front();
  stdin_lines_.erase(stdin_lines_.begin());
  return true;
}

void MemEnv::DoExitProcess(int code) { throw ProcessExit{code}; }

}  // namespace vaxo
