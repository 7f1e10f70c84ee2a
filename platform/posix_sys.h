// The system calls of the POSIX backend, each made in one place. A test may
// put a hook in front of them to fail any call the way a full disk or a
// failing device fails it, or to cut writes into small pieces, so that a
// failure can strike in the middle of a file: no wrapper around the Env
// reaches that far down. Nothing but such a test sets the hook.
//
// Every function answers as the call it is named after: -1 (or nullptr)
// with errno set on failure.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

#include "platform/status.h"

namespace vaxo {
namespace sys {

/// The failed operation `op` on the Windows path `path` with the reason for
/// `err`: a missing name is NotFound, a read-only file system
/// ReadOnlyMedium, anything else an I/O error.
Status Error(const char* op, const std::string& path, int err);
/// What Windows answers for a read-only file or directory; the kernel would
/// let root through, so the check is the backend's own.
Status AccessDenied(const char* op, const std::string& path);
/// The answer for what is neither a file nor a folder (a FIFO, a device):
/// Windows has no such entries.
Status NotAFile(const char* op, const std::string& path);

/// The host's current directory ("/" when it cannot be told).
std::string CurrentDirectory();
/// $HOME, else the user's home directory from the password database.
std::string HomeDirectory();
struct Fault {
  int error = 0;         ///< errno the call fails with; 0: the call is made
  size_t max_write = 0;  ///< for "write": at most this many bytes at once; 0: all
};

/// Called with the call's name ("stat" for lstat and stat, "opendir",
/// "open" (mkostemp too), "read", "write", "fsync", "chmod" (fchmod too),
/// "close", "rename", "unlink", "rmdir", "removexattr", "readlink", "mkdir",
/// "spawn") and the host path it works on.
using Hook = std::function<Fault(const char* call, const std::string& host)>;
/// Installs `hook` (nullptr: none) for every thread of the process.
void SetHook(Hook hook);

/// The two signals a write may raise: SIGXFSZ past the file-size limit,
/// SIGPIPE into a pipe nobody reads.
constexpr int kWriteSignals[] = {SIGXFSZ, SIGPIPE};
/// Ignores them for the whole process, so that such a write fails with its
/// error (EFBIG, EPIPE) instead of ending the process.
void IgnoreWriteSignals();

int Lstat(const std::string& host, struct stat* st);
int Stat(const std::string& host, struct stat* st);
int Open(const std::string& host, int flags, mode_t mode = 0);
/// openat on `name` in the folder `dir`; `host` is the whole host path.
int OpenAt(int dir, const std::string& name, const std::string& host, int flags, mode_t mode = 0);
/// mkostemp on `templ` (ending in "XXXXXX"), which receives the name.
int MakeTemp(std::string* templ, int flags);
DIR* OpenDir(const std::string& host);
ssize_t Read(int fd, void* buf, size_t n, const std::string& host);
ssize_t Write(int fd, const void* buf, size_t n, const std::string& host);
int Fsync(int fd, const std::string& host);
int Fchmod(int fd, mode_t mode, const std::string& host);
int Chmod(const std::string& host, mode_t mode);
int Close(int fd, const std::string& host);
int Rename(const std::string& from, const std::string& to);
int Unlink(const std::string& host);
int RemoveXattr(const std::string& host, const char* name);
ssize_t ReadLink(const std::string& host, char* buf, size_t n);
int Mkdir(const std::string& host, mode_t mode);
int Rmdir(const std::string& host);
/// posix_spawn; the error number is returned, as posix_spawn does. The
/// child starts with the write signals at their defaults, as any program
/// expects them.
int Spawn(pid_t* pid, const std::string& program, const posix_spawn_file_actions_t* actions,
          char* const argv[], char* const envp[]);

}  // namespace sys
}  // namespace vaxo
