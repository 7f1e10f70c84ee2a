#include "platform/posix_sys.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace vaxo {
namespace sys {

namespace {

Hook& TheHook() {
  static Hook* hook = new Hook();  // lives until the process ends
  return *hook;
}

// The fault the hook asks for; a call with an error is not made.
Fault Ask(const char* call, const std::string& host) {
  const Hook& hook = TheHook();
  if (!hook) return Fault();
  Fault f = hook(call, host);
  if (f.error != 0) errno = f.error;
  return f;
}

bool Fails(const char* call, const std::string& host) { return Ask(call, host).error != 0; }

}  // namespace

void SetHook(Hook hook) { TheHook() = std::move(hook); }

Status Error(const char* op, const std::string& path, int err) {
  if (err == ENOENT || err == ENOTDIR) return Status::NotFound(op, path, std::strerror(err));
  if (err == EROFS) return Status::ReadOnlyMedium(op, path, std::strerror(err));
  return Status::IOError(op, path, std::strerror(err));
}

Status AccessDenied(const char* op, const std::string& path) {
  return Status::IOError(op, path, "access denied");
}

Status NotAFile(const char* op, const std::string& path) {
  return Status::IOError(op, path, "not a regular file");
}

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "/";
}

int Lstat(const std::string& host, struct stat* st) {
  return Fails("stat", host) ? -1 : ::lstat(host.c_str(), st);
}

int Stat(const std::string& host, struct stat* st) {
  return Fails("stat", host) ? -1 : ::stat(host.c_str(), st);
}

int Open(const std::string& host, int flags, mode_t mode) {
  return Fails("open", host) ? -1 : ::open(host.c_str(), flags, mode);
}

int OpenAt(int dir, const std::string& name, const std::string& host, int flags, mode_t mode) {
  return Fails("open", host) ? -1 : ::openat(dir, name.c_str(), flags, mode);
}

int MakeTemp(std::string* templ, int flags) {
  return Fails("open", *templ) ? -1 : ::mkostemp(&(*templ)[0], flags);
}

DIR* OpenDir(const std::string& host) {
  return Fails("opendir", host) ? nullptr : ::opendir(host.c_str());
}

ssize_t Read(int fd, void* buf, size_t n, const std::string& host) {
  return Fails("read", host) ? -1 : ::read(fd, buf, n);
}

ssize_t Write(int fd, const void* buf, size_t n, const std::string& host) {
  const Fault f = Ask("write", host);
  if (f.error != 0) return -1;
  if (f.max_write != 0 && n > f.max_write) n = f.max_write;
  return ::write(fd, buf, n);
}

int Fsync(int fd, const std::string& host) { return Fails("fsync", host) ? -1 : ::fsync(fd); }

int Fchmod(int fd, mode_t mode, const std::string& host) {
  return Fails("chmod", host) ? -1 : ::fchmod(fd, mode);
}

int Chmod(const std::string& host, mode_t mode) {
  return Fails("chmod", host) ? -1 : ::chmod(host.c_str(), mode);
}

// The descriptor is closed even when the hook fails the call: a close that
// reports an error has still released it.
int Close(int fd, const std::string& host) {
  const bool fail = Fails("close", host);
  const int saved = errno;
  const int rc = ::close(fd);
  if (fail) {
    errno = saved;
    return -1;
  }
  return rc;
}

int Rename(const std::string& from, const std::string& to) {
  return Fails("rename", from) ? -1 : ::rename(from.c_str(), to.c_str());
}

int Unlink(const std::string& host) { return Fails("unlink", host) ? -1 : ::unlink(host.c_str()); }

int RemoveXattr(const std::string& host, const char* name) {
  return Fails("removexattr", host) ? -1 : ::removexattr(host.c_str(), name);
}

ssize_t ReadLink(const std::string& host, char* buf, size_t n) {
  return Fails("readlink", host) ? -1 : ::readlink(host.c_str(), buf, n);
}

int Mkdir(const std::string& host, mode_t mode) {
  return Fails("mkdir", host) ? -1 : ::mkdir(host.c_str(), mode);
}

int Rmdir(const std::string& host) { return Fails("rmdir", host) ? -1 : ::rmdir(host.c_str()); }

void IgnoreWriteSignals() {
  for (const int signo : kWriteSignals) ::signal(signo, SIG_IGN);
}

int Spawn(pid_t* pid, const std::string& program, const posix_spawn_file_actions_t* actions,
          char* const argv[], char* const envp[]) {
  if (Fails("spawn", program)) return errno;
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signo : kWriteSignals) sigaddset(&defaults, signo);
  ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  const int err = ::posix_spawn(pid, program.c_str(), actions, &attributes, argv, envp);
  ::posix_spawnattr_destroy(&attributes);
  return err;
}

}  // namespace sys
}  // namespace vaxo
