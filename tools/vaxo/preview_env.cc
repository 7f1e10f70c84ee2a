#include "tools/vaxo/preview_env.h"

#include "base/text.h"
#include "tools/valxfer/valxfer.h"

namespace vaxo {

namespace {

// A preview takes no lock: it writes nothing another run could spoil.
class NoLock : public EnvLock {};

std::string LastName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  return slash == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, slash);
}

}  // namespace

PreviewEnv::PreviewEnv(Env* real, std::string command_line)
    : EnvWrapper(real), command_line_(std::move(command_line)) {}

std::string PreviewEnv::Key(const std::string& path) const {
  std::string key = target()->UpperCase(path);
  for (char& c : key)
    if (c == '/') c = '\\';
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

const PreviewEnv::Node* PreviewEnv::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

PreviewEnv::Node* PreviewEnv::Touch(const std::string& path, Status* error) {
  const std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it != nodes_.end()) return &it->second;
  Node node;
  node.path = path;
  Status s = target()->GetAttributes(path, &node.attributes);
  if (s.ok()) {
    node.exists = true;
    node.is_dir = (node.attributes & kAttrDirectory) != 0;
    if (!node.is_dir) s = target()->ReadFile(path, &node.content);
  } else if (s.IsNotFound()) {
    s = Status::OK();
  }
  if (!s.ok()) {
    *error = s;
    return nullptr;
  }
  originals_[key] = node;
  return &nodes_.emplace(key, node).first->second;
}

void PreviewEnv::Changed(const std::string& path) {
  if (changed_.emplace(Key(path), true).second) events_.push_back({false, path});
}

Status PreviewEnv::Writable(const char* op, const std::string& path, Node* node) {
  if (node->exists && node->is_dir) return Status::IOError(op, path, "access denied (a directory)");
  if (node->exists && (node->attributes & kAttrReadOnly))
    return Status::IOError(op, path, "access denied (read-only)");
  if (!node->exists && !DirectoryExists(ParentOf(path)))
    return Status::NotFound(op, path, "directory not found");
  return Status::OK();
}

Status PreviewEnv::Write(const char* op, const std::string& path, const std::string& content,
                         bool append) {
  Status s;
  Node* node = Touch(path, &s);
  if (!node) return s;
  s = Writable(op, path, node);
  if (!s.ok()) return s;
  if (!node->exists) node->attributes = kAttrArchive;
  node->exists = true;
  node->content = append ? node->content + content : content;
  if (in_child_) by_child_[Key(path)] = true;
  Changed(node->path);
  return Status::OK();
}

Status PreviewEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  Status s = EnvWrapper::ListDirectory(dir, entries);
  if (!s.ok()) return s;
  const std::string parent = Key(dir);
  for (const auto& kv : nodes_) {
    const Node& node = kv.second;
    if (Key(ParentOf(node.path)) != parent) continue;
    const std::string name = target()->UpperCase(LastName(node.path));
    bool listed = false;
    for (auto e = entries->begin(); e != entries->end(); ++e) {
      if (target()->UpperCase(e->name) != name) continue;
      listed = true;
      if (node.exists) {
        e->attributes = node.attributes;
      } else {
        entries->erase(e);
      }
      break;
    }
    if (!listed && node.exists) entries->push_back({LastName(node.path), node.attributes});
  }
  return Status::OK();
}

Status PreviewEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  const Node* node = Find(path);
  if (!node) return EnvWrapper::GetAttributes(path, attributes);
  if (!node->exists) return Status::NotFound("attributes", path, "file not found");
  *attributes = node->attributes;
  return Status::OK();
}

Status PreviewEnv::SetArchiveOnly(const std::string& path) {
  Status s;
  Node* node = Touch(path, &s);
  if (!node) return s;
  if (!node->exists) return Status::NotFound("set-attributes", path, "file not found");
  const uint32_t wanted = node->is_dir ? kAttrDirectory : kAttrArchive;
  if (node->attributes != wanted) Changed(node->path);
  node->attributes = wanted;
  return Status::OK();
}

Status PreviewEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  Status s;
  Node* node = Touch(path, &s);
  if (!node) return s;
  if (!node->exists) return Status::NotFound("set-attributes", path, "file not found");
  attributes &= kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  attributes = node->is_dir ? (attributes & ~uint32_t(kAttrArchive)) | kAttrDirectory : attributes;
  if (node->attributes != attributes) Changed(node->path);
  node->attributes = attributes;
  return Status::OK();
}

Status PreviewEnv::CreateDirectory(const std::string& path) {
  Status s;
  Node* node = Touch(path, &s);
  if (!node) return s;
  if (node->exists)
    return node->is_dir ? Status::OK() : Status::IOError("mkdir", path, "a file of that name");
  if (!DirectoryExists(ParentOf(path)))
    return Status::NotFound("mkdir", path, "directory not found");
  node->exists = node->is_dir = true;
  node->attributes = kAttrDirectory;
  return Status::OK();
}

Status PreviewEnv::GetFileSize(const std::string& path, uint64_t* size) {
  const Node* node = Find(path);
  if (!node) return EnvWrapper::GetFileSize(path, size);
  if (!node->exists || node->is_dir) return Status::NotFound("size", path, "file not found");
  *size = node->content.size();
  return Status::OK();
}

Status PreviewEnv::ReadFile(const std::string& path, std::string* content) {
  const Node* node = Find(path);
  if (!node) return EnvWrapper::ReadFile(path, content);
  if (!node->exists) return Status::NotFound("read", path, "file not found");
  if (node->is_dir) return Status::IOError("read", path, "access denied (a directory)");
  *content = node->content;
  return Status::OK();
}

Status PreviewEnv::ReplaceFile(const std::string& path, const std::string& content) {
  return Write("replace", path, content, false);
}

Status PreviewEnv::AppendFile(const std::string& path, const std::string& content) {
  return Write("append", path, content, true);
}

Status PreviewEnv::AppendFileSynced(const std::string& path, const std::string& content) {
  return Write("append", path, content, true);
}

Status PreviewEnv::CopyFile(const std::string& src, const std::string& dst) {
  std::string content;
  uint32_t attributes = 0;
  Status s = GetAttributes(src, &attributes);
  if (s.ok()) s = ReadFile(src, &content);
  if (!s.ok()) return Status::NotFound("copy", src, s.reason());
  s = Write("copy", dst, content, false);
  if (s.ok()) Touch(dst, &s)->attributes = attributes;  // as the system's copy
  return s;
}

Status PreviewEnv::DeleteFile(const std::string& path) {
  Status s;
  Node* node = Touch(path, &s);
  if (!node) return s;
  if (!node->exists) return Status::NotFound("delete", path, "file not found");
  if (node->is_dir || (node->attributes & kAttrReadOnly))
    return Status::IOError("delete", path, "access denied");
  node->exists = false;
  node->content.clear();
  Changed(node->path);
  return Status::OK();
}

Status PreviewEnv::Lock(const std::string&, int, std::unique_ptr<EnvLock>* lock) {
  lock->reset(new NoLock);
  return Status::OK();
}

int PreviewEnv::RunAndWait(const std::string& application, const std::string& command_line,
                           Status* start_error) {
  events_.push_back({true, command_line});
  if (UCase(LastName(application)) != "VALXFER.EXE") {
    if (start_error) *start_error = Status::IOError("run", application, "not started in a preview");
    return 0;
  }
  // The program's own value transfer, on this environment, where the tool
  // would run: the command line after the tool's path is its tail.
  in_child_ = true;
  const std::string tail = command_line.compare(0, application.size(), application) == 0
                               ? command_line.substr(application.size())
                               : command_line;
  const int code = RunValXfer(tail).exit_code;
  in_child_ = false;
  return code;
}

void PreviewEnv::DoExitProcess(int code) { throw ProcessExit{code}; }

PreviewEnv::FileChange PreviewEnv::ChangeOf(const std::string& path) const {
  FileChange change;
  const std::string key = Key(path);
  auto was = originals_.find(key);
  auto is = nodes_.find(key);
  if (was == originals_.end() || is == nodes_.end()) return change;
  change.existed = was->second.exists && !was->second.is_dir;
  change.exists = is->second.exists && !is->second.is_dir;
  change.before = was->second.content;
  change.after = is->second.content;
  change.attributes_before = was->second.attributes;
  change.attributes_after = is->second.attributes;
  change.by_child = by_child_.count(key) > 0;
  return change;
}

}  // namespace vaxo
