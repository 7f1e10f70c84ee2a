// The environment of a preview: the run's own code runs on it unchanged,
// reads go to the real disk unless the run changed the file, and every
// change stays in memory. Nothing on disk changes: no data file, no
// attribute, no log, no value file, no lock file. The value-transfer tool
// is not started; where the run starts ValXfer.exe, the program's own
// value transfer works out what it would write, on this environment.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"

namespace vaxo {

class PreviewEnv : public EnvWrapper {
 public:
  /// `real`: the disk; `command_line`: what the run reads as its own.
  PreviewEnv(Env* real, std::string command_line);

  /// What the run did, in its order: the first change of a file, or the
  /// start of a child (its command line).
  struct Event {
    bool child = false;
    std::string text;  // the file's path or the child's command line
  };
  const std::vector<Event>& events() const { return events_; }

  /// A file as it was before the run and as the run left it.
  struct FileChange {
    bool existed = false, exists = false;
    std::string before, after;
    uint32_t attributes_before = 0, attributes_after = 0;
    bool by_child = false;  // the value transfer wrote it
  };
  FileChange ChangeOf(const std::string& path) const;

  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status SetArchiveOnly(const std::string& path) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status CreateDirectory(const std::string& path) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status AppendFileSynced(const std::string& path, const std::string& content) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override;
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override;
  void DoExitProcess(int code) override;
  std::string CommandLineTail() override { return command_line_; }
  /// A stopped run reaches the system's event log on Windows; a preview
  /// tells only its own output.
  void ReportError(const std::string&) override {}
  /// The run's last line on a terminal names a log that is not written.
  bool IsTerminal(int stream) override {
    return stream == 2 ? false : EnvWrapper::IsTerminal(stream);
  }

 private:
  struct Node {
    std::string path;  // as the run named it first, or as found on disk
    bool exists = false, is_dir = false;
    std::string content;
    uint32_t attributes = 0;
  };
  /// The path as the disk tells names apart: letter case as the system has it.
  std::string Key(const std::string& path) const;
  /// The node of `path`, read from the disk the first time; null when
  /// the disk cannot tell (the error in `*error`).
  Node* Touch(const std::string& path, Status* error);
  const Node* Find(const std::string& path) const;
  Status Writable(const char* op, const std::string& path, Node* node);
  /// The first change of `path` takes its place among the events.
  void Changed(const std::string& path);
  Status Write(const char* op, const std::string& path, const std::string& content, bool append);

  std::string command_line_;
  std::map<std::string, Node> nodes_, originals_;
  std::vector<Event> events_;
  std::map<std::string, bool> by_child_, changed_;
  bool in_child_ = false;
};

}  // namespace vaxo
