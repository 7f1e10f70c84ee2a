// An Env that forwards every call to another one. A subclass overrides only
// the calls it changes: a test that fails one operation, a recorder, or a
// tool that keeps the run's changes to itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {

class EnvWrapper : public Env {
 public:
  /// Forwards to `target`, which must outlive the wrapper.
  explicit EnvWrapper(Env* target) : target_(target) {}

  Env* target() const { return target_; }

  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    return target_->ListDirectory(dir, entries);
  }
  Status GetAttributes(const std::string& path, uint32_t* attributes) override {
    return target_->GetAttributes(path, attributes);
  }
  Status SetArchiveOnly(const std::string& path) override { return target_->SetArchiveOnly(path); }
  Status SetAttributes(const std::string& path, uint32_t attributes) override {
    return target_->SetAttributes(path, attributes);
  }
  Status CreateDirectory(const std::string& path) override {
    return target_->CreateDirectory(path);
  }
  Status GetFileSize(const std::string& path, uint64_t* size) override {
    return target_->GetFileSize(path, size);
  }
  Status ReadFile(const std::string& path, std::string* content) override {
    return target_->ReadFile(path, content);
  }
  Status ReplaceFile(const std::string& path, const std::string& content) override {
    return target_->ReplaceFile(path, content);
  }
  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override {
    return target_->NewReplacement(path, file);
  }
  Status AppendFile(const std::string& path, const std::string& content) override {
    return target_->AppendFile(path, content);
  }
  Status AppendFileSynced(const std::string& path, const std::string& content) override {
    return target_->AppendFileSynced(path, content);
  }
  Status CopyFile(const std::string& src, const std::string& dst) override {
    return target_->CopyFile(src, dst);
  }
  Status DeleteFile(const std::string& path) override { return target_->DeleteFile(path); }
  Status RemoveDirectory(const std::string& path) override {
    return target_->RemoveDirectory(path);
  }
  Status RemoveStrayTemporaries(const std::string& path,
                                std::vector<std::string>* removed) override {
    return target_->RemoveStrayTemporaries(path, removed);
  }
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override {
    return target_->Lock(path, wait_ms, lock);
  }
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override {
    return target_->RunAndWait(application, command_line, start_error);
  }
  void DoExitProcess(int code) override { target_->ExitProcess(code); }
  std::string LocalTimestamp() override { return target_->LocalTimestamp(); }
  std::string SortableLocalTime() override { return target_->SortableLocalTime(); }
  std::string ProgramDirectory() override { return target_->ProgramDirectory(); }
  std::string CommandLineTail() override { return target_->CommandLineTail(); }
  void ProcessEvents() override { target_->ProcessEvents(); }
  void ReportError(const std::string& text) override { target_->ReportError(text); }
  std::string SystemPath(const std::string& text) override { return target_->SystemPath(text); }
  std::string FullPath(const std::string& path) override { return target_->FullPath(path); }
  std::string UpperCase(const std::string& text) override { return target_->UpperCase(text); }
  int CompareNames(const std::string& a, const std::string& b) override {
    return target_->CompareNames(a, b);
  }
  Status WriteStd(int stream, const std::string& bytes) override {
    return target_->WriteStd(stream, bytes);
  }
  bool IsTerminal(int stream) override { return target_->IsTerminal(stream); }
  bool ReadStdinLine(std::string* line) override { return target_->ReadStdinLine(line); }

 private:
  Env* target_;
};

}  // namespace vaxo
