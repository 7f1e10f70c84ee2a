// Where a Windows path of the emulation lies on the host: the drive letter
// gives a host directory, and each name below it is found spelled as given
// or else without regard to case, as Wine finds it.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vaxo {
namespace posix {

/// The host directory of `drive`: Z: is the host root, any other letter
/// the directory in VAXO_DRIVE_<LETTER>, C: by default
/// ~/.upgrade_vaxo/drive_c (made when missing). `path` is for errors.
Status DriveRoot(const char* op, const std::string& path, char drive, std::string* root);

/// A folder whose names a walk read, as it was just before: while it keeps
/// its identity and its change time, it holds the same names.
struct FolderStamp {
  std::string host;
  dev_t dev = 0;
  ino_t ino = 0;
  struct timespec ctime = {};
};

/// The folders one walk read. Not `steady` when one of them had changed in
/// the current tick of the clock that dates changes: a change right after
/// the look could carry the same time, and its stamp would not show it.
struct WalkStamps {
  std::vector<FolderStamp> folders;
  bool steady = true;
};

/// True when `stamps` is steady and every folder still is as stamped: a
/// walk through them now would read the same names.
bool StampsHold(const WalkStamps& stamps);

/// The host path that `path` names. With `may_create` the last name may be
/// missing and then keeps the spelling given. With `stamps` the walk also
/// stamps every folder whose names it reads.
Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host,
               WalkStamps* stamps = nullptr);

/// The host path of `path` with every name spelled as given, without
/// looking at the disk (but for making the default C: root). Fails as
/// Resolve does on a null byte or a drive without a root.
Status SpelledHostPath(const char* op, const std::string& path, std::string* host);

/// The names in the host directory `dir` ("." and ".." left out); `path`
/// is for errors.
Status ReadNames(const std::string& path, const std::string& dir, std::vector<std::string>* names);

}  // namespace posix
}  // namespace vaxo
