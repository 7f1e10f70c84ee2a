// A unified diff of two texts, as `diff -u` writes it: "---" and "+++" with
// the file's path, hunks with three lines of context. The lines are the
// texts' lines with their CR: the diff applied with `patch` gives the new
// bytes exactly, a last line without a line end included.
#pragma once

#include <string>

namespace vaxo {

/// The diff of `before` and `after` under the name `path`; empty when the
/// two are the same. `existed`: whether there was a file before at all.
std::string UnifiedDiff(const std::string& path, const std::string& before,
                        const std::string& after, bool existed);

}  // namespace vaxo
