// An Env that can fail any file operation or child start of the one it
// wraps, and counts them: the fault injection of the tests, from a single
// failing call up to every operation of a whole run failing in turn.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"

namespace vaxo {

class FaultEnv : public EnvWrapper {
 public:
  /// Called before each operation with its kind ("list", "attributes",
  /// "set-attributes" (archive only or given bits), "mkdir", "size",
  /// "read", "replace" (a replacement piece by piece: its start, each
  /// piece and its commit), "append" (synced or not), "copy" (once for the
  /// source, once for the destination), "delete", "lock", "run")
  /// and its path; a status that is not ok is the operation's result.
  using Hook = std::function<Status(const std::string& op, const std::string& path)>;

  explicit FaultEnv(Env* target) : EnvWrapper(target) {}

  void set_hook(Hook hook) { hook_ = std::move(hook); }
  /// Operations seen so far.
  long operations() const { return operations_; }

  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status SetArchiveOnly(const std::string& path) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status CreateDirectory(const std::string& path) override;
  Status AppendFileSynced(const std::string& path, const std::string& content) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override;
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override;

 private:
  class Replacement;
  Status Fault(const char* op, const std::string& path);

  Hook hook_;
  long operations_ = 0;
};

}  // namespace vaxo
