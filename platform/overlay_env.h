// A view of another Env in which every change stays in memory. Reads fall
// through to the Env below until the view changes a file; its first change
// brings the file (bytes and attributes, and the folders it lies in) into an
// in-memory file system, which holds it from then on. A file deleted is
// remembered as gone. Nothing below changes. The preview runs the program's
// own run on such a view of the disk.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"
#include "platform/mem_env.h"

namespace vaxo {

class OverlayEnv : public EnvWrapper {
 public:
  /// `below` must outlive the view. `current_directory`: where paths
  /// without a drive lie, as `below` names it; empty when unknown (such
  /// paths are then kept apart from every path with a drive).
  OverlayEnv(Env* below, const std::string& current_directory);

  /// Whether the view holds `path` apart from the Env below (changed, made
  /// or deleted).
  bool Holds(const std::string& path);
  /// The name by which the view finds `path`: equal for two spellings of
  /// one file.
  std::string KeyOf(const std::string& path) const { return mem_.Key(path); }
  /// Bytes read from below to bring files into memory, all told.
  uint64_t bytes_lifted() const { return bytes_lifted_; }

  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status SetArchiveOnly(const std::string& path) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status CreateDirectory(const std::string& path) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status AppendFileSynced(const std::string& path, const std::string& content) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  Status RemoveDirectory(const std::string& path) override;
  /// Nothing: the view's replace leaves no temporary file, and whatever
  /// lies below stays.
  Status RemoveStrayTemporaries(const std::string&, std::vector<std::string>*) override {
    return Status::OK();
  }

 protected:
  /// Told after each change of a file's bytes, attributes or existence,
  /// with the path as the view first named the file (its first change, or
  /// the first attempt at one).
  virtual void Changed(const std::string& path) { (void)path; }

 private:
  bool InMemory(const std::string& path);
  bool Gone(const std::string& path) const { return gone_.count(mem_.Key(path)) > 0; }
  /// Brings `path` into memory when it lies below and is not there yet; a
  /// missing name gets its folder brought in, so that memory can make it.
  Status Lift(const char* op, const std::string& path);
  void LiftFolder(const std::string& dir);
  Status Write(const char* op, const std::string& path, const std::string& content, bool append);
  Status SetBits(const std::string& path, uint32_t attributes, bool archive_only);

  MemEnv mem_;
  std::set<std::string> gone_;  // keys of files deleted in the view
  uint64_t bytes_lifted_ = 0;
};

}  // namespace vaxo
