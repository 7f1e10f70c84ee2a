// The log taken apart into its entries, by the layouts the logbook writes:
// "    M" (info), the four lines of a title, "!!! M !!!" (error),
// "### M ###" (warning), "??? M ???" (any other type). A line that fits
// none of them is kept as an entry of its own kind, so a reader can pass
// over it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace vaxo {
namespace report {

struct LogEntry {
  enum class Type { kInfo, kTitle, kError, kWarning, kOther, kUnknown };
  Type type;
  std::string_view message;  ///< view into the log text; the whole line for kUnknown
  size_t line;               ///< number (from 1) of the entry's first line
};

/// The entries of `log`, in order. Lines end with LF, a CR before it is
/// dropped. The views point into `log`.
std::vector<LogEntry> SplitLogEntries(std::string_view log);

}  // namespace report
}  // namespace vaxo
