// Directory listings the way the system sees them on every platform: the
// platform lists all entries, and the pattern match and the order are ours,
// so Windows and the emulation agree on which files a pattern finds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vaxo {

/// Windows wildcard match of one pattern: "*" any run, "?" one character,
/// letters A to Z compared without regard to case. "*.*" matches every name.
bool WildcardMatch(const std::string& pattern, const std::string& name);

/// True when `name` matches one of `patterns` (joined by ";").
bool MatchesPatterns(const std::string& patterns, const std::string& name);

/// The patterns of the two passes' file lists.
extern const char kSteuDataPattern[];  ///< "$*.dat"
extern const char kR1DataPattern[];    ///< "$*.dat;*.servo"

/// Orders names as the system's file list does (Env::CompareNames: the
/// word sort, letter case ignored), the names as stored breaking ties.
bool FileNameLess(const std::string& a, const std::string& b);

/// The names in `dir` that match one of `patterns` (joined by ";"), sorted
/// by FileNameLess. Entries that are hidden, system or directories appear
/// only when their bits are in `allowed` (an attribute mask);
/// plain files always do. A listing failure gives an empty list and is
/// reported in `*status` when given; a folder whose path names two entries
/// at once is thrown as RunError instead, as the run cannot tell which.
std::vector<std::string> ListFiles(const std::string& dir, const std::string& patterns,
                                   uint32_t allowed, Status* status = nullptr);

/// First match of `path_pattern` (a directory, "\" and one pattern), or the
/// empty text; entries filtered as in ListFiles.
std::string FindFirst(const std::string& path_pattern, uint32_t allowed, Status* status = nullptr);

}  // namespace vaxo
