#include "platform/posix_names.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/posix_path.h"
#include "platform/posix_sys.h"
#include "platform/posix_watch.h"

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

namespace {

// When the walk fails at the root of `drive` (host folder `root`), the real
// cause may be the mapping itself: a drive mapped to a folder that is not
// there. OK when the root is a folder.
Status CheckDrive(const char* op, const std::string& path, char drive, const std::string& root) {
  struct stat st;
  const bool exists = sys::Stat(root, &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return Status::OK();
  return Status::NotFound(op, path,
                          std::string("drive ") + drive + ": is " + root + " (VAXO_DRIVE_" + drive +
                              "), which " + (exists ? "is no folder" : "does not exist"));
}

}  // namespace

int ListNames(const std::string& dir, std::vector<std::string>* names, const char** call) {
  *call = "opendir";
  DIR* d = sys::OpenDir(dir);
  if (!d) return errno;
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
  *call = "readdir";
  return err;
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
    // No folder holds a longer name, and a lookup would only not find it.
    if (name.size() > NAME_MAX) return Status::IOError(op, path, std::strerror(ENAMETOOLONG));
  }
  return Status::OK();
}

// The entry of the host directory `dir` that `wanted` names, found without
// regard to case ("" when there is none). The whole directory is read even
// when the name is there as spelled: a second name that differs only in
// case (new and NEW side by side) makes the lookup fail, naming both, as
// either one could be the wrong installation. A directory that may be
// passed but not read gives the name as spelled, or none.
Status FindEntry(const char* op, const std::string& path, const std::string& dir,
                 const std::string& wanted, std::string* found) {
  found->clear();
  std::vector<std::string> matches;
  const char* call = nullptr;
  const int err = FolderMatches(dir, wanted, &matches, &call);
  if (err == EACCES) {
    struct stat st;
    if (sys::Lstat(JoinHost(dir, wanted), &st) == 0) {
      *found = wanted;
    } else if (errno != ENOENT) {
      return sys::Error("stat", path, errno);
    }
    return Status::OK();
  }
  if (err != 0) return sys::Error(call, path, err);
  if (matches.size() > 1) {
    std::string reason =
        (matches.size() == 2 ? std::string("two") : std::to_string(matches.size())) +
        " names differ only in letter case:";
    for (size_t i = 0; i < matches.size(); ++i) reason += (i ? ", " : " ") + matches[i];
    return Status::Ambiguous(op, path, reason);
  }
  if (!matches.empty()) *found = matches.front();
  return Status::OK();
}

}  // namespace

Status ReadNames(const std::string& path, const std::string& dir, std::vector<std::string>* names) {
  const char* call = nullptr;
  const int err = ListNames(dir, names, &call);
  return err == 0 ? Status::OK() : sys::Error(call, path, err);
}

Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host) {
  WindowsPathParts parts;
  Status s = NamesOf(op, path, &parts);
  if (!s.ok()) return s;
  std::string current;
  s = DriveRoot(op, path, parts.drive, &current);
  if (!s.ok()) return s;
  if (parts.names.empty()) {
    s = CheckDrive(op, path, parts.drive, current);
    if (!s.ok()) return s;
  }
  for (size_t i = 0; i < parts.names.size(); ++i) {
    std::string found;
    s = FindEntry(op, path, current, parts.names[i], &found);
    if (!s.ok()) {
      const Status drive = i == 0 ? CheckDrive(op, path, parts.drive, current) : Status::OK();
      return drive.ok() ? s : drive;
    }
    if (!found.empty()) {
      current = JoinHost(current, found);
    } else if (may_create && i + 1 == parts.names.size()) {
      current = JoinHost(current, parts.names[i]);
    } else {
      return Status::NotFound(op, path, std::strerror(ENOENT));
    }
  }
  *host = current;
  return Status::OK();
}

Status SpellingBase(const char* op, const std::string& path, std::string* base) {
  Status s = DriveRoot(op, path, WindowsDriveOf(path), base);
  if (s.ok() && IsRelativeWindowsPath(path))
    *base += std::string(1, '\0') + sys::CurrentDirectory();
  return s;
}

}  // namespace posix
}  // namespace vaxo
