#include "platform/env_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/posix_path.h"

extern char** environ;

namespace vaxo {

namespace {

const char kDosAttribName[] = "user.DOSATTRIB";

std::string Reason(int err) { return std::strerror(err); }

Status ErrnoStatus(const char* op, const std::string& path, int err) {
  if (err == ENOENT || err == ENOTDIR) return Status::NotFound(op, path, Reason(err));
  return Status::IOError(op, path, Reason(err));
}

// What Windows answers for a read-only file or directory; the kernel would
// let root through, so the check is ours.
Status AccessDenied(const char* op, const std::string& path) {
  return Status::IOError(op, path, "access denied");
}

std::string JoinHost(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string HostDirname(const std::string& host) {
  const size_t slash = host.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host.substr(0, slash);
}

std::string HostBasename(const std::string& host) {
  const size_t slash = host.rfind('/');
  return slash == std::string::npos ? host : host.substr(slash + 1);
}

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* pw = getpwuid(getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "/";
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// Hidden and system as Wine and Samba keep them; none where the file
// system has no extended attributes.
uint32_t DosAttribBits(const std::string& host) {
  char buf[256];
  ssize_t n = getxattr(host.c_str(), kDosAttribName, buf, sizeof buf);
  if (n < 0 && errno == ERANGE) {
    const ssize_t size = getxattr(host.c_str(), kDosAttribName, nullptr, 0);
    if (size <= 0) return 0;
    std::vector<char> big(size_t(size) + 1);
    n = getxattr(host.c_str(), kDosAttribName, big.data(), big.size());
    return n > 0 ? ParseDosAttrib(std::string(big.data(), size_t(n))) : 0;
  }
  return n > 0 ? ParseDosAttrib(std::string(buf, size_t(n))) : 0;
}

// `name` is the entry's name in its directory (empty for a drive root).
uint32_t AttributesOf(const struct stat& st, const std::string& host, const std::string& name) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
  attributes |= DosAttribBits(host);
  if (!name.empty() && name[0] == '.') attributes |= kAttrHidden;
  return attributes;
}

// Makes a finished rename last across a crash; a failure here loses nothing
// that the rename did not already show, so it is not reported.
void SyncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

PosixEnv::PosixEnv() = default;
PosixEnv::~PosixEnv() = default;

Status PosixEnv::Fault(const char* op, const std::string& host, const std::string& path) {
  if (!fault_hook_) return Status::OK();
  const Status s = fault_hook_(op, host);
  if (s.ok()) return s;
  return s.IsNotFound() ? Status::NotFound(op, path, s.reason())
                        : Status::IOError(op, path, s.reason());
}

Status PosixEnv::DriveRoot(const char* op, const std::string& path, char drive, std::string* root) {
  if (drive == 'Z') {
    *root = "/";
    return Status::OK();
  }
  const std::string variable = std::string("VAXO_DRIVE_") + drive;
  const char* mapped = std::getenv(variable.c_str());
  if (mapped && *mapped) {
    *root = mapped;
    return Status::OK();
  }
  if (drive != 'C') return Status::NotFound(op, path, std::string("no drive ") + drive + ":");
  std::string dir = HomeDirectory();
  for (const char* name : {".upgrade_vaxo", "drive_c"}) {
    dir = JoinHost(dir, name);
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) continue;
    Status s = Fault("mkdir", dir, path);
    if (!s.ok()) return s;
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return ErrnoStatus("mkdir", path, errno);
  }
  *root = dir;
  return Status::OK();
}

Status PosixEnv::ReadNames(const std::string& path, const std::string& dir,
                           std::vector<std::string>* names) {
  Status s = Fault("opendir", dir, path);
  if (!s.ok()) return s;
  DIR* d = opendir(dir.c_str());
  if (!d) return ErrnoStatus("opendir", path, errno);
  int err = 0;
  while (true) {
    errno = 0;
    const dirent* entry = readdir(d);
    if (!entry) {
      err = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
  closedir(d);
  if (err != 0) return ErrnoStatus("readdir", path, err);
  return Status::OK();
}

Status PosixEnv::HostPath(const char* op, const std::string& path, bool may_create,
                          std::string* host) {
  std::string name;
  return Resolve(op, path, may_create, host, &name);
}

Status PosixEnv::Resolve(const char* op, const std::string& path, bool may_create,
                         std::string* host, std::string* name) {
  if (path.find('\0') != std::string::npos) return Status::NotFound(op, path, "invalid name");
  const WindowsPathParts parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? CurrentDirectory() : std::string());
  std::string current;
  Status s = DriveRoot(op, path, parts.drive, &current);
  if (!s.ok()) return s;
  name->clear();
  for (size_t i = 0; i < parts.names.size(); ++i) {
    const std::string& wanted = parts.names[i];
    const std::string exact = JoinHost(current, wanted);
    s = Fault("stat", exact, path);
    if (!s.ok()) return s;
    struct stat st;
    if (lstat(exact.c_str(), &st) == 0) {
      current = exact;
      *name = wanted;
      continue;
    }
    if (errno != ENOENT) return ErrnoStatus("stat", path, errno);
    std::vector<std::string> names;
    s = ReadNames(path, current, &names);
    if (!s.ok()) return s;
    const std::string match = PickCaseMatch(names, wanted);
    if (!match.empty()) {
      current = JoinHost(current, match);
      *name = match;
    } else if (may_create && i + 1 == parts.names.size()) {
      current = exact;
      *name = wanted;
    } else {
      return Status::NotFound(op, path, Reason(ENOENT));
    }
  }
  *host = current;
  return Status::OK();
}

Status PosixEnv::FinalTarget(const std::string& path, const std::string& host,
                             std::string* final_host) {
  std::string current = host;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) return ErrnoStatus("stat", path, errno);
      *final_host = current;  // a new file, made where the link points
      return Status::OK();
    }
    if (!S_ISLNK(st.st_mode)) {
      *final_host = current;
      return Status::OK();
    }
    Status s = Fault("readlink", current, path);
    if (!s.ok()) return s;
    std::vector<char> buf(4096);
    ssize_t n;
    while ((n = readlink(current.c_str(), buf.data(), buf.size())) == ssize_t(buf.size()))
      buf.resize(buf.size() * 2);
    if (n < 0) return ErrnoStatus("readlink", path, errno);
    const std::string target(buf.data(), size_t(n));
    current = !target.empty() && target[0] == '/' ? target : JoinHost(HostDirname(current), target);
  }
  return Status::IOError("readlink", path, Reason(ELOOP));
}

Status PosixEnv::CheckWritableDirectory(const char* op, const std::string& path,
                                        const std::string& host) {
  Status s = Fault("stat", host, path);
  if (!s.ok()) return s;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return ErrnoStatus("stat", path, errno);
  if (!S_ISDIR(st.st_mode)) return Status::NotFound(op, path, Reason(ENOTDIR));
  if (!(st.st_mode & S_IWUSR)) return AccessDenied(op, path);
  return Status::OK();
}

Status PosixEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  std::string host, name;
  Status s = Resolve("list", dir, false, &host, &name);
  if (!s.ok()) return s;
  std::vector<std::string> names;
  s = ReadNames(dir, host, &names);
  if (!s.ok()) return s;
  for (const std::string& entry : names) {
    const std::string full = JoinHost(host, entry);
    struct stat st;
    uint32_t attributes;
    if (stat(full.c_str(), &st) == 0) {
      attributes = AttributesOf(st, full, entry);
    } else {
      // A dangling link or a link loop: shown as the plain file it names.
      attributes = kAttrArchive;
      if (entry[0] == '.') attributes |= kAttrHidden;
    }
    entries->push_back({entry, attributes});
  }
  return Status::OK();
}

Status PosixEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  std::string host, name;
  Status s = Resolve("attributes", path, false, &host, &name);
  if (!s.ok()) return s;
  s = Fault("stat", host, path);
  if (!s.ok()) return s;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return ErrnoStatus("stat", path, errno);
  *attributes = AttributesOf(st, host, name);
  return Status::OK();
}

Status PosixEnv::SetArchiveOnly(const std::string& path) {
  std::string host;
  Status s = HostPath("set-attributes", path, false, &host);
  if (!s.ok()) return s;
  s = Fault("stat", host, path);
  if (!s.ok()) return s;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return ErrnoStatus("stat", path, errno);
  if (!(st.st_mode & S_IWUSR)) {
    s = Fault("chmod", host, path);
    if (!s.ok()) return s;
    if (chmod(host.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
      return ErrnoStatus("chmod", path, errno);
  }
  s = Fault("removexattr", host, path);
  if (!s.ok()) return s;
  if (removexattr(host.c_str(), kDosAttribName) != 0 && errno != ENODATA && errno != ENOTSUP)
    return ErrnoStatus("removexattr", path, errno);
  return Status::OK();
}

Status PosixEnv::GetFileSize(const std::string& path, uint64_t* size) {
  std::string host;
  Status s = HostPath("size", path, false, &host);
  if (!s.ok()) return s;
  s = Fault("stat", host, path);
  if (!s.ok()) return s;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return ErrnoStatus("stat", path, errno);
  if (S_ISDIR(st.st_mode)) return Status::NotFound("size", path, Reason(EISDIR));
  *size = uint64_t(st.st_size);
  return Status::OK();
}

Status PosixEnv::ReadHost(const char* op, const std::string& path, const std::string& host,
                          std::string* content, unsigned* mode) {
  Status s = Fault("open", host, path);
  if (!s.ok()) return s;
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoStatus("open", path, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int err = errno;
    close(fd);
    return ErrnoStatus("stat", path, err);
  }
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    return AccessDenied(op, path);
  }
  std::string bytes;
  bytes.reserve(size_t(st.st_size));
  char buf[65536];
  while (true) {
    s = Fault("read", host, path);
    if (!s.ok()) break;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      s = ErrnoStatus("read", path, errno);
      break;
    }
    if (n == 0) break;
    bytes.append(buf, size_t(n));
  }
  close(fd);
  if (!s.ok()) return s;
  if (mode) *mode = unsigned(st.st_mode & 07777);
  content->swap(bytes);
  return Status::OK();
}

Status PosixEnv::ReadFile(const std::string& path, std::string* content) {
  std::string host;
  Status s = HostPath("read", path, false, &host);
  if (!s.ok()) return s;
  return ReadHost("read", path, host, content, nullptr);
}

Status PosixEnv::WriteAll(int fd, const std::string& bytes, const std::string& host,
                          const std::string& path) {
  size_t done = 0;
  while (done < bytes.size()) {
    Status s = Fault("write", host, path);
    if (!s.ok()) return s;
    const size_t piece = std::min(bytes.size() - done, write_chunk_);
    const ssize_t n = write(fd, bytes.data() + done, piece);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus("write", path, errno);
    }
    if (n == 0) return Status::IOError("write", path, "nothing written");
    done += size_t(n);
  }
  return Status::OK();
}

// The content goes to a fresh file beside the target, which is renamed over
// the target only when complete and on disk: readers see the old or the new
// content, never a part, and a failure leaves nothing behind.
Status PosixEnv::WriteAtomically(const char* op, const std::string& path,
                                 const std::string& content, const unsigned* mode) {
  std::string host, target;
  Status s = HostPath(op, path, true, &host);
  if (s.ok()) s = FinalTarget(path, host, &target);
  if (s.ok()) s = Fault("stat", target, path);
  if (!s.ok()) return s;
  mode_t new_mode;
  struct stat st;
  if (stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return AccessDenied(op, path);
    new_mode = st.st_mode & 07777;
  } else if (errno == ENOENT) {
    new_mode = 0644 & ~CurrentUmask();
  } else {
    return ErrnoStatus("stat", path, errno);
  }
  if (mode) new_mode = mode_t(*mode);
  const std::string dir = HostDirname(target);
  s = CheckWritableDirectory(op, path, dir);
  if (!s.ok()) return s;

  // The name is cut so that the temporary name stays within NAME_MAX.
  std::string temp = JoinHost(dir, "." + HostBasename(target).substr(0, 200) + ".vaxo-XXXXXX");
  s = Fault("open", temp, path);
  if (!s.ok()) return s;
  const int fd = mkostemp(&temp[0], O_CLOEXEC);
  if (fd < 0) return ErrnoStatus("open", path, errno);

  s = WriteAll(fd, content, temp, path);
  if (s.ok()) s = Fault("fsync", temp, path);
  if (s.ok() && fsync(fd) != 0) s = ErrnoStatus("fsync", path, errno);
  if (s.ok()) s = Fault("chmod", temp, path);
  if (s.ok() && fchmod(fd, new_mode) != 0) s = ErrnoStatus("chmod", path, errno);
  if (s.ok()) s = Fault("close", temp, path);
  if (close(fd) != 0 && s.ok()) s = ErrnoStatus("close", path, errno);
  if (s.ok()) s = Fault("rename", temp, path);
  if (s.ok() && rename(temp.c_str(), target.c_str()) != 0) s = ErrnoStatus("rename", path, errno);
  if (!s.ok()) {
    unlink(temp.c_str());
    return s;
  }
  SyncDirectory(dir);
  return Status::OK();
}

Status PosixEnv::ReplaceFile(const std::string& path, const std::string& content) {
  return WriteAtomically("replace", path, content, nullptr);
}

Status PosixEnv::SpelledHostPath(const char* op, const std::string& path, std::string* host) {
  if (path.find('\0') != std::string::npos) return Status::NotFound(op, path, "invalid name");
  const WindowsPathParts parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? CurrentDirectory() : std::string());
  Status s = DriveRoot(op, path, parts.drive, host);
  if (!s.ok()) return s;
  for (const std::string& name : parts.names) *host = JoinHost(*host, name);
  return Status::OK();
}

Status PosixEnv::AppendFile(const std::string& path, const std::string& content) {
  std::string host, target;
  struct stat st;
  // The log appends to one file entry after entry. When that file exists
  // spelled exactly as given, the walk of Resolve would find every name on
  // its first lstat and end at this very host path, and a regular file is
  // its own final target: one lstat stands for the walk and the stats after
  // it. Anything else (a link, a directory, a missing name, another case on
  // disk) takes the full way below, so nothing is remembered between calls.
  // The walk would fail the same way on a null byte or a missing drive.
  Status s = SpelledHostPath("append", path, &host);
  if (s.ok()) s = Fault("stat", host, path);
  if (!s.ok()) return s;
  if (lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    if (!(st.st_mode & S_IWUSR)) return AccessDenied("append", path);
    target = host;
  }
  if (target.empty()) {
    s = HostPath("append", path, true, &host);
    if (s.ok()) s = FinalTarget(path, host, &target);
    if (s.ok()) s = Fault("stat", target, path);
    if (!s.ok()) return s;
    if (stat(target.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return AccessDenied("append", path);
    } else if (errno == ENOENT) {
      s = CheckWritableDirectory("append", path, HostDirname(target));
      if (!s.ok()) return s;
    } else {
      return ErrnoStatus("stat", path, errno);
    }
  }
  s = Fault("open", target, path);
  if (!s.ok()) return s;
  const int fd = open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoStatus("open", path, errno);
  // A write that fails half-way is taken back, so that the file still ends
  // where it ended before (for the log: with a whole entry).
  const off_t end = lseek(fd, 0, SEEK_END);
  s = WriteAll(fd, content, target, path);
  if (!s.ok() && end >= 0 && ftruncate(fd, end) != 0) {
    // Nothing more can be done; the write's own failure is reported.
  }
  if (s.ok()) s = Fault("close", target, path);
  if (close(fd) != 0 && s.ok()) s = ErrnoStatus("close", path, errno);
  return s;
}

Status PosixEnv::CopyFile(const std::string& src, const std::string& dst) {
  std::string host, content;
  unsigned mode = 0;
  Status s = HostPath("copy", src, false, &host);
  if (s.ok()) s = ReadHost("copy", src, host, &content, &mode);
  if (!s.ok()) return s;
  return WriteAtomically("copy", dst, content, &mode);
}

Status PosixEnv::DeleteFile(const std::string& path) {
  std::string host;
  Status s = HostPath("delete", path, false, &host);
  if (s.ok()) s = Fault("stat", host, path);
  if (!s.ok()) return s;
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return ErrnoStatus("stat", path, errno);
  if (S_ISDIR(st.st_mode)) return AccessDenied("delete", path);
  // Read-only is the attribute of what a link points to, as everywhere.
  if (stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR))
    return AccessDenied("delete", path);
  s = CheckWritableDirectory("delete", path, HostDirname(host));
  if (s.ok()) s = Fault("unlink", host, path);
  if (!s.ok()) return s;
  if (unlink(host.c_str()) != 0) return ErrnoStatus("unlink", path, errno);
  return Status::OK();
}

int PosixEnv::RunAndWait(const std::string& application, const std::string& command_line,
                         Status* start_error) {
  std::string host;
  Status s = HostPath("run", application, false, &host);
  if (s.ok()) s = Fault("spawn", host, application);
  if (!s.ok()) {
    if (start_error) *start_error = s;
    return 0;
  }
  // Straight to the program, never through a shell: the command line holds
  // "$" and "|", which must reach the child unchanged.
  std::string program = host;
  std::string argument = ChildArgument(application, command_line);
  std::vector<char*> argv{&program[0]};
  if (!argument.empty()) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t pid;
  const int err = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (err != 0) {
    if (start_error) *start_error = ErrnoStatus("run", application, err);
    return 0;
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
    if (errno != EINTR) {
      if (start_error) *start_error = ErrnoStatus("wait", application, errno);
      return 0;
    }
  }
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return 0;
}

void PosixEnv::DoExitProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

std::string FormatTimestamp(const std::tm& t, const std::string& date_format,
                            const std::string& time_format) {
  const bool midnight = t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0;
  const std::string format = midnight ? date_format : date_format + " " + time_format;
  char buf[256];
  const size_t n = std::strftime(buf, sizeof buf, format.c_str(), &t);
  std::string text(buf, n);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string PosixEnv::LocalTimestamp() {
  static const bool locale_taken = std::setlocale(LC_TIME, "") != nullptr;
  (void)locale_taken;
  std::string date_format = "%d.%m.%Y", time_format = "%H:%M:%S";
  const char* locale = std::setlocale(LC_TIME, nullptr);
  // The C locales (C, POSIX, C.UTF-8) carry no regional settings of their
  // own; their two-digit year would only lose information.
  const bool plain = !locale || std::strcmp(locale, "POSIX") == 0 || std::strcmp(locale, "C") == 0 ||
                     std::strncmp(locale, "C.", 2) == 0;
  if (!plain) {
    const std::string d = nl_langinfo(D_FMT), t = nl_langinfo(T_FMT);
    if (!d.empty()) date_format = d;
    if (!t.empty()) time_format = t;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatTimestamp(local, date_format, time_format);
}

std::string PosixEnv::ProgramDirectory() {
  std::vector<char> buf(4096);
  ssize_t n;
  while ((n = readlink("/proc/self/exe", buf.data(), buf.size())) == ssize_t(buf.size()))
    buf.resize(buf.size() * 2);
  if (n <= 0) return "Z:";
  const std::string dir =
      HostToWindowsPath(HostDirname(std::string(buf.data(), size_t(n))), "/", HomeDirectory());
  return dir == "Z:\\" ? "Z:" : dir;
}

std::string PosixEnv::CommandLineTail() {
  std::string raw;
  const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      raw.append(buf, size_t(n));
    }
    close(fd);
  }
  return PresentCommandLine(JoinArguments(raw), CurrentDirectory(), HomeDirectory());
}

std::string PosixEnv::SystemPath(const std::string& text) {
  return PresentPath(text, CurrentDirectory(), HomeDirectory());
}

Status PosixEnv::WriteStd(int stream, const std::string& bytes) {
  const int fd = stream == 2 ? 2 : 1;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::IOError("write", fd == 2 ? "standard error" : "standard output",
                             Reason(errno));
    }
    done += size_t(n);
  }
  return Status::OK();
}

bool PosixEnv::IsTerminal(int stream) { return isatty(stream) == 1; }

bool PosixEnv::ReadStdinLine(std::string* line) {
  std::string text;
  int c;
  bool any = false, ended = false;
  while ((c = std::getc(stdin)) != EOF) {
    any = true;
    if (c == '\n') {
      ended = true;
      break;
    }
    text += char(c);
  }
  if (!any) return false;
  if (ended && !text.empty() && text.back() == '\r') text.pop_back();
  *line = text;
  return true;
}

Env* Env::Default() {
  if (Env* installed = Installed()) return installed;
  static PosixEnv* env = new PosixEnv();  // never deleted: lives until the process ends
  return env;
}

}  // namespace vaxo
