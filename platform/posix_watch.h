// Folder names kept between calls. A case-insensitive walk reads every
// folder on its way, and the log alone asks for the same four folders once
// an entry, so the names of a folder are read once and kept. The kernel
// (inotify) reports every change: a name made, removed or renamed in the
// folder is made or removed in the kept names too (a run replaces a data
// file by renaming over it, and its folder is not read again for that);
// the folder itself changed (its attributes, moved or removed), its names
// are forgotten and read again when next asked for. The kernel queues
// such a change before the call that made it returns, so the queue, looked
// at the start of every lookup, tells of every change made before the
// lookup, by this process or any other: a kept folder gives the answer a
// fresh read would give. The thread that first looks is signalled
// (SIGIO) when the kernel queues a change, and reads the queue only then.
//
// Where the kernel cannot watch a folder (no inotify, too many watches, no
// right to read it, a network file system, whose changes made on other
// machines raise no event here) its names are read on every lookup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vaxo {
namespace posix {

/// The names of the host folder `dir` that equal `wanted` without regard to
/// case (CaseMatches), from the kept names where they hold. 0, or the errno
/// of the failed call, named in `*call`.
int FolderMatches(const std::string& dir, const std::string& wanted,
                  std::vector<std::string>* matches, const char** call);

/// The number of changes the kernel has reported in the kept folders and
/// watched files so far, after reading its queue; 0 when nothing can be
/// kept. Equal marks taken before and after a walk: no name on its way
/// changed in between.
uint64_t ChangeMark();

/// Watches the file `host` for changes of its attributes and for its move
/// or removal (each a change of the mark); false when it cannot.
bool WatchFile(const std::string& host);

}  // namespace posix
}  // namespace vaxo
