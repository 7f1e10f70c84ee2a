#include "tests/support/fault_env.h"

namespace vaxo {

Status FaultEnv::Fault(const char* op, const std::string& path) {
  ++operations_;
  return hook_ ? hook_(op, path) : Status::OK();
}

Status FaultEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  Status s = Fault("list", dir);
  return s.ok() ? EnvWrapper::ListDirectory(dir, entries) : s;
}

Status FaultEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  Status s = Fault("attributes", path);
  return s.ok() ? EnvWrapper::GetAttributes(path, attributes) : s;
}

Status FaultEnv::SetArchiveOnly(const std::string& path) {
  Status s = Fault("set-attributes", path);
  return s.ok() ? EnvWrapper::SetArchiveOnly(path) : s;
}

Status FaultEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  Status s = Fault("set-attributes", path);
  return s.ok() ? EnvWrapper::SetAttributes(path, attributes) : s;
}

Status FaultEnv::CreateDirectory(const std::string& path) {
  Status s = Fault("mkdir", path);
  return s.ok() ? EnvWrapper::CreateDirectory(path) : s;
}

Status FaultEnv::AppendFileSynced(const std::string& path, const std::string& content) {
  Status s = Fault("append", path);
  return s.ok() ? EnvWrapper::AppendFileSynced(path, content) : s;
}

Status FaultEnv::GetFileSize(const std::string& path, uint64_t* size) {
  Status s = Fault("size", path);
  return s.ok() ? EnvWrapper::GetFileSize(path, size) : s;
}

Status FaultEnv::ReadFile(const std::string& path, std::string* content) {
  Status s = Fault("read", path);
  return s.ok() ? EnvWrapper::ReadFile(path, content) : s;
}

Status FaultEnv::ReplaceFile(const std::string& path, const std::string& content) {
  Status s = Fault("replace", path);
  return s.ok() ? EnvWrapper::ReplaceFile(path, content) : s;
}

class FaultEnv::Replacement : public ReplacementFile {
 public:
  Replacement(FaultEnv* env, std::string path, std::unique_ptr<ReplacementFile> file)
      : env_(env), path_(std::move(path)), file_(std::move(file)) {}
  // A fault is the piece's failure, and so of every later call.
  Status Append(std::string_view bytes) override {
    if (failed_.ok()) failed_ = env_->Fault("replace", path_);
    return failed_.ok() ? file_->Append(bytes) : failed_;
  }
  Status Commit() override {
    if (failed_.ok()) failed_ = env_->Fault("replace", path_);
    return failed_.ok() ? file_->Commit() : failed_;
  }

 private:
  FaultEnv* env_;
  std::string path_;
  std::unique_ptr<ReplacementFile> file_;
  Status failed_;
};

Status FaultEnv::NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) {
  file->reset();
  Status s = Fault("replace", path);
  std::unique_ptr<ReplacementFile> below;
  if (s.ok()) s = EnvWrapper::NewReplacement(path, &below);
  if (s.ok()) *file = std::make_unique<Replacement>(this, path, std::move(below));
  return s;
}

Status FaultEnv::AppendFile(const std::string& path, const std::string& content) {
  Status s = Fault("append", path);
  return s.ok() ? EnvWrapper::AppendFile(path, content) : s;
}

Status FaultEnv::CopyFile(const std::string& src, const std::string& dst) {
  Status s = Fault("copy", src);
  if (s.ok()) s = Fault("copy", dst);
  return s.ok() ? EnvWrapper::CopyFile(src, dst) : s;
}

Status FaultEnv::DeleteFile(const std::string& path) {
  Status s = Fault("delete", path);
  return s.ok() ? EnvWrapper::DeleteFile(path) : s;
}

Status FaultEnv::Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) {
  Status s = Fault("lock", path);
  return s.ok() ? EnvWrapper::Lock(path, wait_ms, lock) : s;
}

int FaultEnv::RunAndWait(const std::string& application, const std::string& command_line,
                         Status* start_error) {
  Status s = Fault("run", application);
  if (s.ok()) return EnvWrapper::RunAndWait(application, command_line, start_error);
  if (start_error) *start_error = s;
  return 0;
}

}  // namespace vaxo
