// The one door to the operating system. Everything the system asks of
// Windows (files, attributes, listings, processes, time, the event pump)
// goes through an Env, in Windows terms: paths carry a drive letter and "\"
// separators and are matched without regard to letter case.
//
// One backend a file, each defining Env::Default: env_posix.cc (Windows
// semantics emulated on a Unix file system) and env_win32.cc (the real
// calls); mem_env.cc is a whole file system in memory, for tests.
// EnvWrapper (env_wrapper.h) forwards every call to another Env, so a
// test or a tool overrides only the calls it changes.
//
// How a run ends: a failure that no part of the run takes as a result is
// thrown as RunError (status.h) and ends the run in its frame; the process
// itself ends only through ExitProcess.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace vaxo {

/// Windows file attribute bits.
enum FileAttr : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
};

/// A lock taken by Env::Lock; let go when destroyed (or when the process
/// ends, however it ends).
class EnvLock {
 public:
  virtual ~EnvLock() = default;
};

/// A file written piece by piece in the place of another (Env::NewReplacement):
/// the pieces go to a temporary file beside the target, which takes the
/// target's place on Commit. Until then the target keeps its old content;
/// one let go without a Commit that succeeded leaves no trace.
class ReplacementFile {
 public:
  virtual ~ReplacementFile() = default;
  /// Adds `bytes` at the end. After a failure every later call fails.
  virtual Status Append(std::string_view bytes) = 0;
  /// Puts what was appended in the target's place, flushed to disk, as
  /// ReplaceFile does; after a failure the target holds its old content.
  virtual Status Commit() = 0;
};

struct DirEntry {
  std::string name;  ///< bare name as stored on disk
  uint32_t attributes = 0;
};

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env();

  /// The process-wide instance: the one set by SetDefault, else the
  /// platform's own (defined by the backend compiled into the build).
  static Env* Default();
  /// Makes `env` the process-wide instance (nullptr: back to the platform's
  /// own) and returns the one set before (nullptr when none was).
  static Env* SetDefault(Env* env);

  // --- files and directories -------------------------------------------

  /// All entries of `dir` ("." and ".." left out), in no particular order.
  virtual Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) = 0;
  /// Attributes of an existing file or directory; NotFound when missing.
  virtual Status GetAttributes(const std::string& path, uint32_t* attributes) = 0;
  /// Sets the attributes of `path` to archive only (clears read-only,
  /// hidden and system).
  virtual Status SetArchiveOnly(const std::string& path) = 0;
  /// Gives `path` the read-only, hidden, system and archive bits of
  /// `attributes` (a directory stays a directory).
  virtual Status SetAttributes(const std::string& path, uint32_t attributes) = 0;
  /// Makes the folder `path` in an existing folder; ok when it is there.
  virtual Status CreateDirectory(const std::string& path) = 0;
  virtual Status GetFileSize(const std::string& path, uint64_t* size) = 0;
  /// Reads the whole file, bytes unchanged.
  virtual Status ReadFile(const std::string& path, std::string* content) = 0;
  /// Creates the file or replaces its content atomically: after a failure
  /// the file holds its old content and no temporary file is left.
  virtual Status ReplaceFile(const std::string& path, const std::string& content) = 0;
  /// ReplaceFile for content made piece by piece, too large to hold whole:
  /// fails as ReplaceFile does (op "replace") where the target refuses it,
  /// and gives a ReplacementFile for the pieces otherwise.
  virtual Status NewReplacement(const std::string& path,
                                std::unique_ptr<ReplacementFile>* file) = 0;
  /// Appends to the file, creating it when missing.
  virtual Status AppendFile(const std::string& path, const std::string& content) = 0;
  /// AppendFile, and the bytes are on disk when it returns (the file's
  /// entry in its folder too, when the append made the file).
  virtual Status AppendFileSynced(const std::string& path, const std::string& content) = 0;
  /// Copies `src` over `dst` (replacing it atomically when it exists).
  virtual Status CopyFile(const std::string& src, const std::string& dst) = 0;
  virtual Status DeleteFile(const std::string& path) = 0;
  /// Removes the empty folder `path`; NotFound when it is missing, a
  /// failure when it is no folder or holds anything.
  virtual Status RemoveDirectory(const std::string& path) = 0;
  /// Removes the temporary files that an atomic replace of `path`, stopped
  /// half-way (a killed process), left beside it: only names this backend
  /// gives its own temporary files, nothing else. Their paths go to
  /// `removed`. A backend whose replace leaves nothing removes nothing.
  virtual Status RemoveStrayTemporaries(const std::string& path,
                                        std::vector<std::string>* removed) {
    (void)path;
    (void)removed;
    return Status::OK();
  }

  /// Takes the lock that belongs to the file `path` for all processes of
  /// the machine, waiting up to `wait_ms` milliseconds while another
  /// process holds it; Busy when it still does. Windows: a named mutex;
  /// the emulation: flock on `path` + ".lock" (made when missing).
  virtual Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) = 0;

  /// True when `path` names a file that is not hidden, not a system file
  /// and not a directory. A path that names two entries at once (status
  /// Ambiguous) is thrown as RunError: neither answer would be true.
  bool NormalFileExists(const std::string& path);
  bool DirectoryExists(const std::string& path);

  // --- processes --------------------------------------------------------

  /// Starts `application` (full path of the program) with the whole
  /// `command_line` as the child receives it, waits for its end and returns
  /// its exit code; 0 when it could not be started (then `*start_error`, if
  /// given, says why).
  virtual int RunAndWait(const std::string& application, const std::string& command_line,
                         Status* start_error) = 0;
  /// Ends the process with `code`: the one way a program ends. Never
  /// returns; environments of tests throw ProcessExit instead, which only
  /// the test catches.
  [[noreturn]] void ExitProcess(int code);

  // --- the program and its surroundings ----------------------------------

  /// Local date and time in the user's regional settings: short date, one
  /// blank, long time; the date alone at exactly midnight.
  virtual std::string LocalTimestamp() = 0;
  /// The local time as "YYYYMMDD-HHMMSS", for names that sort by time.
  virtual std::string SortableLocalTime() = 0;
  /// Directory of the program's own executable, without trailing "\".
  virtual std::string ProgramDirectory() = 0;
  /// The command line after the program's own name, as the process got it.
  virtual std::string CommandLineTail() = 0;
  /// Lets the user interface process its pending events (repaint included).
  virtual void ProcessEvents() = 0;
  /// Records `text` as an error in the system's log, where it can be found
  /// when no window and no standard error is left to show it (Windows: the
  /// Application event log, source "Upgrade Vaxo"). Elsewhere nothing: the
  /// program there always has standard error.
  virtual void ReportError(const std::string& text) { (void)text; }
  /// A path as the user or a command line gave it, in the system's form
  /// (a host path of the emulation becomes a drive path; Windows: unchanged).
  virtual std::string SystemPath(const std::string& text) { return text; }
  /// `path` resolved from the current folder (and its drive's) as the
  /// system would: a drive, the root's "\", no "." or ".." names. Names keep
  /// their spelling. What is already full comes back as it is.
  virtual std::string FullPath(const std::string& path) { return path; }

  // --- the system's notion of text ------------------------------------------

  /// `text` with its letters in upper case as the system has them in its
  /// 8-bit code page (Windows: CharUpperBuffA); elsewhere code page 1252.
  virtual std::string UpperCase(const std::string& text);
  /// The order of two names in the system's file list: <0, 0 (equal but
  /// for letter case), >0 (Windows: CompareStringA in the user's locale,
  /// case ignored); elsewhere its order for printable ASCII (name_order.h).
  virtual int CompareNames(const std::string& a, const std::string& b);

  // --- the console ----------------------------------------------------------

  /// Writes bytes unchanged to standard output (1) or standard error (2).
  virtual Status WriteStd(int stream, const std::string& bytes) = 0;
  /// True when standard input (0), output (1) or error (2) is a terminal.
  virtual bool IsTerminal(int stream) = 0;
  /// Writes `text` to standard output (1) or standard error (2): on a
  /// terminal with its control bytes shown escaped (ShowControlBytes, so
  /// that bytes from a file cannot steer the terminal), elsewhere unchanged.
  Status WriteShown(int stream, const std::string& text);
  /// Reads one line from standard input without its line end; false at the
  /// end of the input.
  virtual bool ReadStdinLine(std::string* line) = 0;

 protected:
  /// The instance SetDefault installed; nullptr when none.
  static Env* Installed();
  /// What ExitProcess does in this environment; must not return.
  virtual void DoExitProcess(int code) = 0;
};

/// Makes `env` the process-wide Env for as long as it lives.
class ScopedDefaultEnv {
 public:
  explicit ScopedDefaultEnv(Env* env) : previous_(Env::SetDefault(env)) {}
  ~ScopedDefaultEnv() { Env::SetDefault(previous_); }
  ScopedDefaultEnv(const ScopedDefaultEnv&) = delete;
  ScopedDefaultEnv& operator=(const ScopedDefaultEnv&) = delete;

 private:
  Env* previous_;
};

/// Thrown by the ExitProcess of environments that keep the process going
/// (tests, the preview) in place of ending the process.
struct ProcessExit {
  int code;
};

}  // namespace vaxo
