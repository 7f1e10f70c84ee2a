// Windows semantics on a Unix file system, the way Wine emulates them.
//
// Drive letters map to host directories: Z: is the host root, C: the
// directory in VAXO_DRIVE_C (default ~/.upgrade_vaxo/drive_c, created when
// missing), any other letter the directory in VAXO_DRIVE_<LETTER>; a letter
// without a mapping does not exist. Names are matched without regard to
// case, an exact match first; names no Windows folder can hold (with "\",
// ":", "|", a control character...) are not there. Read-only is the missing
// owner write bit; hidden and system live in the extended attribute
// "user.DOSATTRIB", and nothing else makes a file hidden (a name beginning
// with "." is an ordinary name, as on Windows). Since the program may run
// as root, read-only files and directories are refused here rather than
// left to the permission checks of the kernel.
//
// The process-wide PosixEnv (Env::Default) ignores SIGXFSZ and SIGPIPE
// when it is made: a write past the file-size limit or into a closed pipe
// then fails with its error, and the run ends as on every other failure
// (its log entry, exit code 3, no temporary file left) instead of the
// process dying in the middle of a write. So every program's main touches
// Env::Default() first; a started child gets both signals back at their
// defaults.
//
// The pieces: posix_names (drives and the name walk), posix_files
// (attributes and links), posix_write (atomic replacement and append),
// posix_lock.cc (locks between processes), posix_child.cc (the child
// process), posix_console.cc (time, the program's surroundings, the
// console), posix_sys (the system calls).
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "platform/env.h"

namespace vaxo {

class PosixEnv : public Env {
 public:
  PosixEnv();
  ~PosixEnv() override;

  /// The host path that `path` names. With `may_create` the last name may
  /// be missing and then keeps the spelling given.
  Status HostPath(const char* op, const std::string& path, bool may_create, std::string* host);

  // --- Env ----------------------------------------------------------------
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
  Status RemoveStrayTemporaries(const std::string& path,
                                std::vector<std::string>* removed) override;
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override;
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override;
  void DoExitProcess(int code) override;
  std::string LocalTimestamp() override;
  std::string SortableLocalTime() override;
  std::string ProgramDirectory() override;
  std::string CommandLineTail() override;
  void ProcessEvents() override {}
  std::string SystemPath(const std::string& text) override;
  std::string FullPath(const std::string& path) override;
  Status WriteStd(int stream, const std::string& bytes) override;
  bool IsTerminal(int stream) override;
  bool ReadStdinLine(std::string* line) override;

 private:
  struct AppendMemo;

  /// Reads the regular file `host` whole; its mode into `*mode` when given.
  Status ReadHost(const char* op, const std::string& path, const std::string& host,
                  std::string* content, unsigned* mode);
  /// The end of the links of `path` and whether a replacement may go there.
  Status WriteTarget(const char* op, const std::string& path, std::string* target);
  Status Append(const std::string& path, const std::string& content, bool sync);

  std::unique_ptr<AppendMemo> memo_;  ///< where the last append's walk ended
};

/// The local date and time of `t` with the given strftime formats: date,
/// one blank, time; the date alone at exactly midnight.
std::string FormatTimestamp(const std::tm& t, const std::string& date_format,
                            const std::string& time_format);

}  // namespace vaxo
