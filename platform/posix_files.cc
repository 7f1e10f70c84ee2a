#include "platform/posix_files.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/env.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"

namespace vaxo {
namespace posix {

namespace {

const char kDosAttribName[] = "user.DOSATTRIB";

}  // namespace

uint32_t DosAttributes(const std::string& host) {
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

Status SetDosAttributes(int fd, uint32_t attributes, const std::string& path) {
  if ((attributes & (kAttrHidden | kAttrSystem)) == 0) return Status::OK();
  const std::string value = FormatDosAttrib(attributes);
  if (fsetxattr(fd, kDosAttribName, value.data(), value.size(), 0) != 0)
    return sys::Error("setxattr", path, errno);
  return Status::OK();
}

uint32_t AttributesOf(const struct stat& st, const std::string& host) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
  return attributes | DosAttributes(host);
}

Status SetAttributesOf(const std::string& path, const std::string& host, uint32_t attributes) {
  struct stat st;
  if (sys::Stat(host, &st) != 0) return sys::Error("stat", path, errno);
  const mode_t mode = st.st_mode & 07777;
  const mode_t wanted = (attributes & kAttrReadOnly) ? mode & ~mode_t(0222) : mode | S_IWUSR;
  if (wanted != mode && sys::Chmod(host, wanted) != 0) return sys::Error("chmod", path, errno);
  const uint32_t dos = attributes & (kAttrHidden | kAttrSystem);
  if (dos == 0) {
    // User attributes exist on files and folders only: elsewhere (a FIFO, a
    // device) there is nothing to clear, and a read refuses what is no file.
    const bool has_none = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
    if (sys::RemoveXattr(host, kDosAttribName) != 0 && errno != ENODATA && errno != ENOTSUP &&
        !(errno == EPERM && has_none))
      return sys::Error("removexattr", path, errno);
    return Status::OK();
  }
  const std::string value = FormatDosAttrib(dos);
  if (setxattr(host.c_str(), kDosAttribName, value.data(), value.size(), 0) != 0)
    return sys::Error("setxattr", path, errno);
  return Status::OK();
}

Status ClearAttributes(const std::string& path, const std::string& host) {
  return SetAttributesOf(path, host, kAttrArchive);
}

Status FinalTarget(const std::string& path, const std::string& host, std::string* final_host) {
  std::string current = host;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (sys::Lstat(current, &st) != 0) {
      if (errno != ENOENT) return sys::Error("stat", path, errno);
      *final_host = current;  // a new file, made where the link points
      return Status::OK();
    }
    if (!S_ISLNK(st.st_mode)) {
      *final_host = current;
      return Status::OK();
    }
    std::vector<char> buf(4096);
    ssize_t n;
    while ((n = sys::ReadLink(current, buf.data(), buf.size())) == ssize_t(buf.size()))
      buf.resize(buf.size() * 2);
    if (n < 0) return sys::Error("readlink", path, errno);
    const std::string target(buf.data(), size_t(n));
    current = !target.empty() && target[0] == '/' ? target : JoinHost(HostDirname(current), target);
  }
  return Status::IOError("readlink", path, std::strerror(ELOOP));
}

Status CheckWritableDirectory(const char* op, const std::string& path, const std::string& host) {
  struct stat st;
  if (sys::Stat(host, &st) != 0) return sys::Error("stat", path, errno);
  if (!S_ISDIR(st.st_mode)) return Status::NotFound(op, path, std::strerror(ENOTDIR));
  if (!(st.st_mode & S_IWUSR)) return sys::AccessDenied(op, path);
  return Status::OK();
}

void SyncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace posix
}  // namespace vaxo
