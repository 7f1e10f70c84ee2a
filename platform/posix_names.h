// Where a Windows path of the emulation lies on the host: the drive letter
// gives a host directory, and each name below it is found spelled as given
// or else without regard to case, as Wine finds it.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace vaxo {
namespace posix {

/// The host directory of `drive`: Z: is the host root, any other letter
/// the directory in VAXO_DRIVE_<LETTER>, C: by default
/// ~/.upgrade_vaxo/drive_c (made when missing). `path` is for errors.
Status DriveRoot(const char* op, const std::string& path, char drive, std::string* root);

/// The host path that `path` names. With `may_create` the last name may be
/// missing and then keeps the spelling given. The names of the folders on
/// the way are read once and kept while they hold (posix_watch.h).
Status Resolve(const char* op, const std::string& path, bool may_create, std::string* host);

/// What decides, besides the text of `path`, where its names lie on the
/// host: the host directory of its drive, and for a relative path the
/// current directory too. Two equal paths with equal bases name the same
/// host path, without a look at the disk (but for making the default C:
/// root). Fails as Resolve does on a drive without a root.
Status SpellingBase(const char* op, const std::string& path, std::string* base);

/// The names in the host directory `dir` ("." and ".." left out); `path`
/// is for errors.
Status ReadNames(const std::string& path, const std::string& dir, std::vector<std::string>* names);
/// The same names read now; 0, or the errno of the failed call, named in
/// `*call`.
int ListNames(const std::string& dir, std::vector<std::string>* names, const char** call);

}  // namespace posix
}  // namespace vaxo
