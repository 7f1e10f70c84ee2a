// The file operations of the POSIX backend, each a walk to the host path
// and a few system calls; the pieces they are made of are listed in
// env_posix.h.
#include "platform/env_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/posix_files.h"
#include "platform/posix_names.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"
#include "platform/posix_watch.h"
#include "platform/posix_write.h"

namespace vaxo {

// The log appends to one file, entry after entry. The last append keeps
// where its walk ended and the change mark from before that walk: while no
// folder on the way and not the file itself has changed since (the mark
// stands), the walk would end at the same file with the same answers, and
// the append goes straight there: by name within its folder, kept open,
// which the mark guards as well (a folder moved or removed moves it). The
// drive's host folder (and for a relative path the current directory) is
// kept too, as the walk starts there.
struct PosixEnv::AppendMemo {
  ~AppendMemo() { Forget(); }
  void Forget() {
    path.clear();
    if (dir >= 0) close(dir);
    dir = -1;
  }
  std::mutex mu;
  std::string path, base, host, name;
  int dir = -1;
  uint64_t mark = 0;
};

PosixEnv::PosixEnv() : memo_(new AppendMemo) {}
PosixEnv::~PosixEnv() = default;

Status PosixEnv::HostPath(const char* op, const std::string& path, bool may_create,
                          std::string* host) {
  return posix::Resolve(op, path, may_create, host);
}

Status PosixEnv::ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  std::string host;
  Status s = posix::Resolve("list", dir, false, &host);
  if (!s.ok()) return s;
  std::vector<std::string> names;
  s = posix::ReadNames(dir, host, &names);
  if (!s.ok()) return s;
  for (const std::string& entry : names) {
    const std::string full = JoinHost(host, entry);
    struct stat st;
    // A dangling link or a link loop: shown as the plain file it names.
    const uint32_t attributes =
        sys::Stat(full, &st) == 0 ? posix::AttributesOf(st, full) : uint32_t(kAttrArchive);
    entries->push_back({entry, attributes});
  }
  return Status::OK();
}

Status PosixEnv::GetAttributes(const std::string& path, uint32_t* attributes) {
  std::string host;
  Status s = posix::Resolve("attributes", path, false, &host);
  if (!s.ok()) return s;
  struct stat st;
  if (sys::Stat(host, &st) != 0) return sys::Error("stat", path, errno);
  *attributes = posix::AttributesOf(st, host);
  return Status::OK();
}

Status PosixEnv::SetArchiveOnly(const std::string& path) {
  std::string host;
  Status s = posix::Resolve("set-attributes", path, false, &host);
  if (!s.ok()) return s;
  return posix::ClearAttributes(path, host);
}

Status PosixEnv::SetAttributes(const std::string& path, uint32_t attributes) {
  std::string host;
  Status s = posix::Resolve("set-attributes", path, false, &host);
  if (!s.ok()) return s;
  return posix::SetAttributesOf(path, host, attributes);
}

Status PosixEnv::CreateDirectory(const std::string& path) {
  std::string host;
  Status s = posix::Resolve("mkdir", path, true, &host);
  if (!s.ok()) return s;
  struct stat st;
  if (sys::Stat(host, &st) == 0) {
    return S_ISDIR(st.st_mode) ? Status::OK()
                               : Status::IOError("mkdir", path, std::strerror(EEXIST));
  }
  s = posix::CheckWritableDirectory("mkdir", path, HostDirname(host));
  if (!s.ok()) return s;
  if (sys::Mkdir(host, 0755) != 0) return sys::Error("mkdir", path, errno);
  posix::SyncDirectory(HostDirname(host));
  return Status::OK();
}

Status PosixEnv::GetFileSize(const std::string& path, uint64_t* size) {
  std::string host;
  Status s = posix::Resolve("size", path, false, &host);
  if (!s.ok()) return s;
  struct stat st;
  if (sys::Stat(host, &st) != 0) return sys::Error("stat", path, errno);
  if (S_ISDIR(st.st_mode)) return Status::NotFound("size", path, std::strerror(EISDIR));
  *size = uint64_t(st.st_size);
  return Status::OK();
}

Status PosixEnv::ReadHost(const char* op, const std::string& path, const std::string& host,
                          std::string* content, unsigned* mode) {
  // One open that cannot block (a FIFO put in the file's place would wait
  // for a writer forever), and what it opened is looked at through the
  // descriptor: a check of the path before could see another file.
  const int fd = sys::Open(host, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return sys::Error("open", path, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int err = errno;
    close(fd);
    return sys::Error("stat", path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return S_ISDIR(st.st_mode) ? sys::AccessDenied(op, path) : sys::NotAFile(op, path);
  }
  std::string bytes;
  bytes.reserve(size_t(st.st_size));
  char buf[65536];
  Status s;
  while (true) {
    const ssize_t n = sys::Read(fd, buf, sizeof buf, host);
    if (n < 0) {
      if (errno == EINTR) continue;
      s = sys::Error("read", path, errno);
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
  Status s = posix::Resolve("read", path, false, &host);
  if (!s.ok()) return s;
  return ReadHost("read", path, host, content, nullptr);
}

Status PosixEnv::WriteTarget(const char* op, const std::string& path, std::string* target) {
  std::string host;
  Status s = posix::Resolve(op, path, true, &host);
  if (s.ok()) s = posix::FinalTarget(path, host, target);
  if (!s.ok()) return s;
  // As a read: a FIFO or a device is no file, and is not replaced by one.
  struct stat st;
  if (sys::Stat(*target, &st) != 0)
    return errno == ENOENT ? Status::OK() : sys::Error("stat", path, errno);
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return sys::NotAFile(op, path);
  return Status::OK();
}

Status PosixEnv::ReplaceFile(const std::string& path, const std::string& content) {
  std::string target;
  Status s = WriteTarget("replace", path, &target);
  if (!s.ok()) return s;
  return posix::WriteAtomically("replace", path, target, content);
}

Status PosixEnv::NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) {
  file->reset();
  std::string target;
  Status s = WriteTarget("replace", path, &target);
  std::unique_ptr<posix::AtomicFile> atomic;
  if (s.ok()) s = posix::AtomicFile::Open("replace", path, target, nullptr, nullptr, &atomic);
  if (s.ok()) *file = std::move(atomic);
  return s;
}

Status PosixEnv::AppendFile(const std::string& path, const std::string& content) {
  return Append(path, content, false);
}

Status PosixEnv::AppendFileSynced(const std::string& path, const std::string& content) {
  return Append(path, content, true);
}

Status PosixEnv::Append(const std::string& path, const std::string& content, bool sync) {
  // A drive without a root fails below, as every walk does.
  std::string base;
  const bool based = posix::SpellingBase("append", path, &base).ok();
  std::lock_guard<std::mutex> lock(memo_->mu);
  AppendMemo& memo = *memo_;
  const uint64_t mark = posix::ChangeMark();
  Status s;
  if (based && mark != 0 && memo.mark == mark && memo.path == path && memo.base == base) {
    s = posix::AppendAll(path, memo.host, content, posix::AppendTo::kCheckedFile, sync, memo.dir,
                         &memo.name);
    if (!s.IsNotFound()) return s;
  }
  memo.Forget();
  struct stat st;
  std::string host, target;
  s = posix::Resolve("append", path, true, &host);
  if (s.ok()) s = posix::FinalTarget(path, host, &target);
  if (!s.ok()) return s;
  // Watched before it is looked at, so that a change after the look moves
  // the mark; a file made here moves it anyway, and the next append looks.
  const bool watched = target == host && posix::WatchFile(target);
  if (sys::Stat(target, &st) == 0) {
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return sys::AccessDenied("append", path);
  } else if (errno == ENOENT) {
    s = posix::CheckWritableDirectory("append", path, HostDirname(target));
    if (!s.ok()) return s;
  } else {
    return sys::Error("stat", path, errno);
  }
  s = posix::AppendAll(path, target, content, posix::AppendTo::kFileOrNew, sync);
  const int dir = s.ok() && watched && based
                      ? sys::Open(HostDirname(host), O_PATH | O_DIRECTORY | O_CLOEXEC)
                      : -1;
  if (dir >= 0) {
    memo.dir = dir;
    memo.name = HostBasename(host);
    memo.path = path;
    memo.base = base;
    memo.host = host;
    memo.mark = mark;
  }
  return s;
}

Status PosixEnv::CopyFile(const std::string& src, const std::string& dst) {
  std::string host, content, target;
  unsigned mode = 0;
  Status s = posix::Resolve("copy", src, false, &host);
  if (s.ok()) s = ReadHost("copy", src, host, &content, &mode);
  if (s.ok()) s = WriteTarget("copy", dst, &target);
  if (!s.ok()) return s;
  // The copy takes the source's attributes, as the system's copy does.
  const uint32_t attributes = posix::DosAttributes(host);
  return posix::WriteAtomically("copy", dst, target, content, &mode, &attributes);
}

Status PosixEnv::DeleteFile(const std::string& path) {
  std::string host;
  Status s = posix::Resolve("delete", path, false, &host);
  if (!s.ok()) return s;
  struct stat st;
  if (sys::Lstat(host, &st) != 0) return sys::Error("stat", path, errno);
  if (S_ISDIR(st.st_mode)) return sys::AccessDenied("delete", path);
  // Read-only is the attribute of what a link points to, as everywhere.
  if (stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR))
    return sys::AccessDenied("delete", path);
  s = posix::CheckWritableDirectory("delete", path, HostDirname(host));
  if (!s.ok()) return s;
  if (sys::Unlink(host) != 0) return sys::Error("unlink", path, errno);
  return Status::OK();
}

Status PosixEnv::RemoveDirectory(const std::string& path) {
  std::string host;
  Status s = posix::Resolve("rmdir", path, false, &host);
  if (!s.ok()) return s;
  struct stat st;
  if (sys::Lstat(host, &st) != 0) return sys::Error("stat", path, errno);
  if (!S_ISDIR(st.st_mode)) return Status::IOError("rmdir", path, "The directory name is invalid.");
  if (sys::Rmdir(host) != 0) return sys::Error("rmdir", path, errno);
  posix::SyncDirectory(HostDirname(host));
  return Status::OK();
}

// WriteAtomically's temporary files: the target's name (its first 200
// bytes) and ":vaxo-" or ".vaxo-" with six letters or digits after. The
// ":" keeps them out of every listing, so they are looked for by name.
Status PosixEnv::RemoveStrayTemporaries(const std::string& path,
                                        std::vector<std::string>* removed) {
  std::string host;
  Status s = posix::Resolve("list", path, true, &host);
  if (s.IsNotFound()) return Status::OK();  // no folder, no temporary file in it
  if (!s.ok()) return s;
  const std::string dir = HostDirname(host);
  const std::string stem = UpperCase(HostBasename(host).substr(0, 200));
  DIR* d = sys::OpenDir(dir);
  if (!d) return sys::Error("opendir", path, errno);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(d)) names.push_back(entry->d_name);
  closedir(d);
  const size_t slash = path.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  for (const std::string& name : names) {
    if (name.size() != stem.size() + 12 || UpperCase(name.substr(0, stem.size())) != stem ||
        (name[stem.size()] != ':' && name[stem.size()] != '.') ||
        name.compare(stem.size() + 1, 5, "vaxo-") != 0 ||
        !std::all_of(name.end() - 6, name.end(), [](char c) { return std::isalnum(uint8_t(c)); }))
      continue;
    const std::string temp = JoinHost(dir, name);
    struct stat st;
    if (sys::Lstat(temp, &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (sys::Unlink(temp) != 0) return sys::Error("unlink", folder + name, errno);
    removed->push_back(folder + name);
  }
  return Status::OK();
}

Env* Env::Default() {
  if (Env* installed = Installed()) return installed;
  // Never deleted: lives until the process ends. Made, it sets up the
  // process (see env_posix.h).
  static PosixEnv* env = [] {
    sys::IgnoreWriteSignals();
    return new PosixEnv();
  }();
  return env;
}

}  // namespace vaxo
