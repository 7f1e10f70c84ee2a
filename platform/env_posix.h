// Windows semantics on a Unix file system, the way Wine emulates them.
//
// Drive letters map to host directories: Z: is the host root, C: the
// directory in VAXO_DRIVE_C (default ~/.upgrade_vaxo/drive_c, created when
// missing), any other letter the directory in VAXO_DRIVE_<LETTER>; a letter
// without a mapping does not exist. Names are matched without regard to
// case, an exact match first. Read-only is the missing owner write bit;
// hidden and system live in the extended attribute "user.DOSATTRIB", and a
// name beginning with "." counts as hidden. Since the program may run as
// root, read-only files and directories are refused here rather than left
// to the permission checks of the kernel.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>

#include "platform/env.h"

namespace vaxo {

class PosixEnv : public Env {
 public:
  /// Called with the system call's name ("stat", "opendir", "open", "read",
  /// "write", "fsync", "chmod", "rename", "unlink", "removexattr",
  /// "readlink", "mkdir", "close", "spawn") and the host path before the
  /// call is made; a status that is not ok fails the call with its reason.
  using FaultHook = std::function<Status(const std::string& op, const std::string& host_path)>;

  PosixEnv();
  ~PosixEnv() override;

  void set_fault_hook(FaultHook hook) { fault_hook_ = std::move(hook); }
  /// Largest piece handed to one write(); tests make it small so that a
  /// failure can strike in the middle of a file.
  void set_write_chunk(size_t bytes) { write_chunk_ = bytes > 0 ? bytes : 1; }

  /// The host path that `path` names. With `may_create` the last name may
  /// be missing and then keeps the spelling given.
  Status HostPath(const char* op, const std::string& path, bool may_create, std::string* host);

  // --- Env ----------------------------------------------------------------
  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status SetArchiveOnly(const std::string& path) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override;
  void DoExitProcess(int code) override;
  std::string LocalTimestamp() override;
  std::string ProgramDirectory() override;
  std::string CommandLineTail() override;
  void ProcessEvents() override {}
  std::string SystemPath(const std::string& text) override;
  Status WriteStd(int stream, const std::string& bytes) override;
  bool IsTerminal(int stream) override;
  bool ReadStdinLine(std::string* line) override;

 private:
  Status Fault(const char* op, const std::string& host, const std::string& path);
  Status DriveRoot(const char* op, const std::string& path, char drive, std::string* root);
  /// HostPath that also gives the last name as found on disk (empty for a
  /// drive root).
  Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host,
                 std::string* name);
  /// The host path of `path` with every name spelled as given, without
  /// looking at the disk (but for making the default C: root). Fails as
  /// Resolve does on a null byte or a drive without a root.
  Status SpelledHostPath(const char* op, const std::string& path, std::string* host);
  Status ReadNames(const std::string& path, const std::string& dir,
                   std::vector<std::string>* names);
  /// Where a chain of symbolic links ends (the path itself when no link).
  Status FinalTarget(const std::string& path, const std::string& host, std::string* final_host);
  Status CheckWritableDirectory(const char* op, const std::string& path, const std::string& host);
  Status ReadHost(const char* op, const std::string& path, const std::string& host,
                  std::string* content, unsigned* mode);
  Status WriteAll(int fd, const std::string& bytes, const std::string& host,
                  const std::string& path);
  Status WriteAtomically(const char* op, const std::string& path, const std::string& content,
                         const unsigned* mode);

  FaultHook fault_hook_;
  size_t write_chunk_ = size_t(1) << 20;
};

/// The local date and time of `t` with the given strftime formats: date,
/// one blank, time; the date alone at exactly midnight.
std::string FormatTimestamp(const std::tm& t, const std::string& date_format,
                            const std::string& time_format);

}  // namespace vaxo
