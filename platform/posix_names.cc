#include "platform/posix_names.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix_path.h"
#include "platform/posix_sys.h"

namespace vaxo {
namespace posix {

Status DriveRoot(const char* op, const std::string& path, char drive, std::string* root) {
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
  std::string dir = sys::HomeDirectory();
  for (const char* name : {".upgrade_vaxo", "drive_c"}) {
    dir = JoinHost(dir, name);
    struct stat st;
    if (sys::Stat(dir, &st) == 0) continue;
    if (sys::Mkdir(dir, 0755) != 0 && errno != EEXIST) return sys::Error("mkdir", path, errno);
  }
  *root = dir;
  return Status::OK();
}

Status ReadNames(const std::string& path, const std::string& dir, std::vector<std::string>* names) {
  DIR* d = sys::OpenDir(dir);
  if (!d) return sys::Error("opendir", path, errno);
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
  if (err != 0) return sys::Error("readdir", path, err);
  return Status::OK();
}

Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host,
               std::string* name) {
  if (path.find('\0') != std::string::npos) return Status::NotFound(op, path, "invalid name");
  const WindowsPathParts parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? sys::CurrentDirectory() : std::string());
  std::string current;
  Status s = DriveRoot(op, path, parts.drive, &current);
  if (!s.ok()) return s;
  std::string last;
  for (size_t i = 0; i < parts.names.size(); ++i) {
    const std::string& wanted = parts.names[i];
    const std::string exact = JoinHost(current, wanted);
    struct stat st;
    if (sys::Lstat(exact, &st) == 0) {
      current = exact;
      last = wanted;
      continue;
    }
    if (errno != ENOENT) return sys::Error("stat", path, errno);
    std::vector<std::string> names;
    s = ReadNames(path, current, &names);
    if (!s.ok()) return s;
    const std::string match = PickCaseMatch(names, wanted);
    if (!match.empty()) {
      current = JoinHost(current, match);
      last = match;
    } else if (may_create && i + 1 == parts.names.size()) {
      current = exact;
      last = wanted;
    } else {
      return Status::NotFound(op, path, std::strerror(ENOENT));
    }
  }
  *host = current;
  if (name) *name = last;
  return Status::OK();
}

Status SpelledHostPath(const char* op, const std::string& path, std::string* host) {
  if (path.find('\0') != std::string::npos) return Status::NotFound(op, path, "invalid name");
  const WindowsPathParts parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? sys::CurrentDirectory() : std::string());
  Status s = DriveRoot(op, path, parts.drive, host);
  if (!s.ok()) return s;
  for (const std::string& name : parts.names) *host = JoinHost(*host, name);
  return Status::OK();
}

}  // namespace posix
}  // namespace vaxo
