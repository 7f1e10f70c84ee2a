// Writing files so that nothing is ever half written: a replacement goes to
// a fresh file beside the target and is renamed over it when complete and
// on disk; an append that fails half-way is taken back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/env.h"
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

/// WriteAtomically piece by piece: the temporary file is made by Open and
/// takes the pieces as they come; Commit gives it the mode and bits and
/// renames it over the target. Errors name `op` and `path`.
class AtomicFile : public ReplacementFile {
 public:
  static Status Open(const char* op, const std::string& path, const std::string& target,
                     const unsigned* mode, const uint32_t* attributes,
                     std::unique_ptr<AtomicFile>* file);
  ~AtomicFile() override;  // removes the temporary file unless committed

  Status Append(std::string_view bytes) override;
  Status Commit() override;

 private:
  AtomicFile() = default;
  void Discard();

  const char* op_ = "";
  std::string path_, target_, dir_, temp_;
  unsigned mode_ = 0;
  uint32_t dos_ = 0;
  int fd_ = -1;
  bool committed_ = false;
  Status failed_;  // the first failure, given again by every later call
};

/// Where AppendAll may write: a file there or a new one; only a file
/// already there (a missing one is NotFound, a read-only one refused); or a
/// file found a regular, writable one before and watched since, which
/// needs no look (a missing one is NotFound).
enum class AppendTo { kFileOrNew, kExistingFile, kCheckedFile };

/// Appends `content` to the regular file `target` in one piece: after a
/// failure the file ends where it ended before. Anything but a regular
/// file there is refused. With `sync` the bytes (and a new file's folder
/// entry) are on disk first. Given `dir` (a descriptor of the folder of
/// `target`) and the `name` of `target` in it, the file is opened by name
/// within that folder.
Status AppendAll(const std::string& path, const std::string& target, const std::string& content,
                 AppendTo to = AppendTo::kFileOrNew, bool sync = false, int dir = -1,
                 const std::string* name = nullptr);

}  // namespace posix
}  // namespace vaxo
