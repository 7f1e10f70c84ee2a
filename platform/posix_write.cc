#include "platform/posix_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix_files.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"

namespace vaxo {
namespace posix {

namespace {

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

Status WriteAll(int fd, std::string_view bytes, const std::string& host, const std::string& path,
                size_t* written = nullptr) {
  size_t done = 0;
  if (written) *written = 0;
  while (done < bytes.size()) {
    const size_t piece = std::min(bytes.size() - done, size_t(1) << 20);
    const ssize_t n = sys::Write(fd, bytes.data() + done, piece, host);
    if (n < 0) {
      if (errno == EINTR) continue;
      return sys::Error("write", path, errno);
    }
    if (n == 0) return Status::IOError("write", path, "nothing written");
    done += size_t(n);
    if (written) *written = done;
  }
  return Status::OK();
}

}  // namespace

Status AtomicFile::Open(const char* op, const std::string& path, const std::string& target,
                        const unsigned* mode, const uint32_t* attributes,
                        std::unique_ptr<AtomicFile>* file) {
  file->reset();
  mode_t new_mode;
  uint32_t dos = 0;
  struct stat st;
  if (sys::Stat(target, &st) == 0) {
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return sys::AccessDenied(op, path);
    new_mode = st.st_mode & 07777;
    dos = DosAttributes(target);
  } else if (errno == ENOENT) {
    new_mode = 0644 & ~CurrentUmask();
  } else {
    return sys::Error("stat", path, errno);
  }
  if (mode) new_mode = mode_t(*mode);
  if (attributes) dos = *attributes;
  const std::string dir = HostDirname(target);
  Status s = CheckWritableDirectory(op, path, dir);
  if (!s.ok()) return s;

  // The temporary name holds a ":", which no Windows folder can hold, so
  // no listing of the emulation shows the file, not even when a crash
  // leaves it behind. A file system that refuses ":" (FAT) gets a "."
  // there: a name that no data-file pattern matches. The name is cut so
  // that it stays within NAME_MAX.
  const std::string stem = JoinHost(dir, HostBasename(target).substr(0, 200));
  std::string temp = stem + ":vaxo-XXXXXX";
  int fd = sys::MakeTemp(&temp, O_CLOEXEC);
  if (fd < 0 && errno == EINVAL) {
    temp = stem + ".vaxo-XXXXXX";
    fd = sys::MakeTemp(&temp, O_CLOEXEC);
  }
  if (fd < 0) return sys::Error("open", path, errno);
  std::unique_ptr<AtomicFile> made(new AtomicFile);
  made->op_ = op;
  made->path_ = path;
  made->target_ = target;
  made->dir_ = dir;
  made->temp_ = std::move(temp);
  made->mode_ = unsigned(new_mode);
  made->dos_ = dos;
  made->fd_ = fd;
  *file = std::move(made);
  return Status::OK();
}

AtomicFile::~AtomicFile() {
  if (!committed_) Discard();
}

void AtomicFile::Discard() {
  if (fd_ >= 0) sys::Close(fd_, temp_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

Status AtomicFile::Append(std::string_view bytes) {
  if (!failed_.ok()) return failed_;
  if (committed_) return failed_ = Status::IOError(op_, path_, "written already");
  const Status s = WriteAll(fd_, bytes, temp_, path_);
  if (!s.ok()) {
    failed_ = s;
    Discard();
  }
  return s;
}

Status AtomicFile::Commit() {
  if (!failed_.ok()) return failed_;
  if (committed_) return failed_ = Status::IOError(op_, path_, "written already");
  Status s;
  if (sys::Fsync(fd_, temp_) != 0) s = sys::Error("fsync", path_, errno);
  if (s.ok() && sys::Fchmod(fd_, mode_t(mode_), temp_) != 0) s = sys::Error("chmod", path_, errno);
  if (s.ok()) s = SetDosAttributes(fd_, dos_, path_);
  if (sys::Close(fd_, temp_) != 0 && s.ok()) s = sys::Error("close", path_, errno);
  fd_ = -1;
  if (s.ok() && sys::Rename(temp_, target_) != 0) s = sys::Error("rename", path_, errno);
  if (!s.ok()) {
    failed_ = s;
    Discard();
    return s;
  }
  committed_ = true;
  SyncDirectory(dir_);
  return Status::OK();
}

Status WriteAtomically(const char* op, const std::string& path, const std::string& target,
                       const std::string& content, const unsigned* mode,
                       const uint32_t* attributes) {
  std::unique_ptr<AtomicFile> file;
  Status s = AtomicFile::Open(op, path, target, mode, attributes, &file);
  if (s.ok()) s = file->Append(content);
  if (s.ok()) s = file->Commit();
  return s;
}

Status AppendAll(const std::string& path, const std::string& target, const std::string& content,
                 AppendTo to, bool sync, int dir, const std::string* name) {
  const bool existing = to != AppendTo::kFileOrNew;
  struct stat st;
  const bool made = sync && !existing && sys::Lstat(target, &st) != 0;
  // As a read: an open that cannot block (a FIFO without a reader fails it
  // with ENXIO), and the descriptor looked at.
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | (existing ? 0 : O_CREAT);
  const int fd = dir >= 0 && name ? sys::OpenAt(dir, *name, target, flags, 0644)
                                  : sys::Open(target, flags, 0644);
  if (fd < 0)
    return errno == ENXIO ? sys::NotAFile("append", path) : sys::Error("open", path, errno);
  Status s;
  if (to == AppendTo::kCheckedFile) {
    // Nothing to look at; a failed write's end is found after it.
  } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    s = sys::NotAFile("append", path);
  } else if (existing && !(st.st_mode & S_IWUSR)) {
    s = sys::AccessDenied("append", path);
  }
  if (!s.ok()) {
    close(fd);
    return s;
  }
  // A write that fails half-way is taken back, so that the file still ends
  // where it ended before (for the log: with a whole entry).
  size_t written = 0;
  s = WriteAll(fd, content, target, path, &written);
  if (!s.ok()) {
    const bool known = to != AppendTo::kCheckedFile || fstat(fd, &st) == 0;
    const off_t end = to == AppendTo::kCheckedFile ? st.st_size - off_t(written) : st.st_size;
    if (known && ftruncate(fd, end) != 0) {
      // Nothing more can be done; the write's own failure is reported.
    }
  }
  if (s.ok() && sync && sys::Fsync(fd, target) != 0) s = sys::Error("fsync", path, errno);
  if (sys::Close(fd, target) != 0 && s.ok()) s = sys::Error("close", path, errno);
  if (s.ok() && made) SyncDirectory(HostDirname(target));
  return s;
}

}  // namespace posix
}  // namespace vaxo
