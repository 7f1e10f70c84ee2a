// What the emulation keeps of a file besides its bytes: the DOS attributes
// (read-only is the missing owner write bit, hidden and system live in the
// extended attribute "user.DOSATTRIB" as Wine and Samba keep them), and
// where a chain of symbolic links ends.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace vaxo {
namespace posix {

/// The attributes of the file or directory `host` with the status `st`.
/// Hidden is what the extended attribute says: a name beginning with "."
/// is an ordinary name, as on Windows.
uint32_t AttributesOf(const struct stat& st, const std::string& host);

/// Hidden and system of `host` (none where the file system keeps no
/// extended attributes).
uint32_t DosAttributes(const std::string& host);
/// Gives the open file `fd` the hidden and system bits of `attributes`
/// (nothing to do when neither is set).
Status SetDosAttributes(int fd, uint32_t attributes, const std::string& path);

/// Gives `host` read-only, hidden and system as `attributes` has them
/// (ClearAttributes: none of them); `path` is for errors.
Status SetAttributesOf(const std::string& path, const std::string& host, uint32_t attributes);
Status ClearAttributes(const std::string& path, const std::string& host);

/// Where a chain of symbolic links starting at `host` ends (`host` itself
/// when it is no link; a missing end is where a new file would be made).
Status FinalTarget(const std::string& path, const std::string& host, std::string* final_host);

/// Ok when `host` is a directory that Windows would let `op` write into.
Status CheckWritableDirectory(const char* op, const std::string& path, const std::string& host);

/// Makes a finished rename in `dir` last across a crash. A failure here
/// loses nothing that the rename did not already show, so it is not
/// reported.
void SyncDirectory(const std::string& dir);

}  // namespace posix
}  // namespace vaxo
