// The environment of a preview: the run's own code runs on it unchanged, on
// a view of the disk that keeps every change in memory (overlay_env.h).
// Nothing on disk changes: no data file, no attribute, no log, no value
// file, no lock file. The value-transfer tool is not started; where the run
// starts ValXfer.exe, the program's own value transfer works out what it
// would write, on this environment.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/overlay_env.h"

namespace vaxo {

class PreviewEnv : public OverlayEnv {
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

  /// A file as it was before the run (on disk) and as the run left it.
  struct FileChange {
    bool existed = false, exists = false;
    std::string before, after;
    uint32_t attributes_before = 0, attributes_after = 0;
    bool by_child = false;  // the value transfer wrote it
  };
  FileChange ChangeOf(const std::string& path);

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

 protected:
  void Changed(const std::string& path) override;

 private:
  std::string command_line_;
  std::vector<Event> events_;
  std::set<std::string> changed_, by_child_;
  bool in_child_ = false;
};

}  // namespace vaxo
