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
    // A name no Windows folder can hold ("a\\..\\x", "a|b") is not there at
    // all: listed, it would be taken apart as a path.
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && IsWindowsName(name)) names->push_back(name);
  }
  closedir(d);
  if (err != 0) return sys::Error("readdir", path, err);
  return Status::OK();
}

namespace {

// What Windows answers for a path that holds a name no folder can hold.
Status InvalidName(const char* op, const std::string& path) {
  return Status::IOError(op, path,
                         "The filename, directory name, or volume label syntax is incorrect.");
}

// The names of `path` below its drive; a NUL, which would end the path for
// the system, or a name no folder can hold make it an invalid name.
Status NamesOf(const char* op, const std::string& path, WindowsPathParts* parts) {
  if (path.find('\0') != std::string::npos) return InvalidName(op, path);
  *parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? sys::CurrentDirectory() : std::string());
  for (const std::string& name : parts->names) {
    if (!IsWindowsName(name)) return InvalidName(op, path);
  }
  return Status::OK();
}

}  // namespace

Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host) {
  WindowsPathParts parts;
  Status s = NamesOf(op, path, &parts);
  if (!s.ok()) return s;
  std::string current;
  s = DriveRoot(op, path, parts.drive, &current);
  if (!s.ok()) return s;
  for (size_t i = 0; i < parts.names.size(); ++i) {
    const std::string& wanted = parts.names[i];
    const std::string exact = JoinHost(current, wanted);
    struct stat st;
    if (sys::Lstat(exact, &st) == 0) {
      current = exact;
      continue;
    }
    if (errno != ENOENT) return sys::Error("stat", path, errno);
    std::vector<std::string> names;
    s = ReadNames(path, current, &names);
    if (!s.ok()) return s;
    const std::string match = PickCaseMatch(names, wanted);
    if (!match.empty()) {
      current = JoinHost(current, match);
    } else if (may_create && i + 1 == parts.names.size()) {
      current = exact;
    } else {
      return Status::NotFound(op, path, std::strerror(ENOENT));
    }
  }
  *host = current;
  return Status::OK();
}

Status SpelledHostPath(const char* op, const std::string& path, std::string* host) {
  WindowsPathParts parts;
  Status s = NamesOf(op, path, &parts);
  if (!s.ok()) return s;
  s = DriveRoot(op, path, parts.drive, host);
  if (!s.ok()) return s;
  for (const std::string& name : parts.names) *host = JoinHost(*host, name);
  return Status::OK();
}

}  // namespace posix
}  // namespace vaxo
