// Writing files so that nothing is ever half written: a replacement goes to
// a fresh file beside the target and is renamed over it when complete and
// on disk; an append that fails half-way is taken back.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace vaxo {
namespace posix {

/// Puts `content` in the place of the file `path` (host path `target`, the
/// end of any links): readers see the old or the new content, never a
/// part, and a failure leaves nothing behind. The file keeps its mode and
/// its hidden and system bits, as Windows keeps them when a file is
/// replaced; a copy gives `*mode` and the bits of `*attributes` instead. A
/// new file gets 0644 less the umask.
Status WriteAtomically(const char* op, const std::string& path, const std::string& target,
                       const std::string& content, const unsigned* mode = nullptr,
                       const uint32_t* attributes = nullptr);

/// Appends `content` to the existing or new regular file `target` in one
/// piece: after a failure the file ends where it ended before. Anything
/// but a regular file there is refused. With `existing` no file is made
/// (a missing one is NotFound), and a read-only one is refused.
Status AppendAll(const std::string& path, const std::string& target, const std::string& content,
                 bool existing = false);

}  // namespace posix
}  // namespace vaxo
