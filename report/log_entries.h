// The log taken apart into its entries, by the layouts the logbook writes:
// "    M" (info), the four lines of a title, "!!! M !!!" (error),
// "### M ###" (warning), "??? M ???" (any other type). A line that fits
// none of them is an entry of its own kind, so a reader can pass over it.
#pragma once

#include <cstddef>
#include <string_view>

namespace vaxo {
namespace report {

struct LogEntry {
  enum class Type { kInfo, kTitle, kError, kWarning, kOther, kUnknown };
  Type type;
  std::string_view message;  ///< view into the log text; the whole line for kUnknown
  size_t line;               ///< number (from 1) of the entry's first line
};

/// The entries of a log one after the other, as views into its text. Lines
/// end with LF; a CR before it is dropped.
class LogEntries {
 public:
  explicit LogEntries(std::string_view log) : log_(log) {}
  /// The next entry into `*entry`; false at the end of the log.
  bool Next(LogEntry* entry);

 private:
  /// The line that starts at `pos`, without its end, and where the next
  /// one starts; false at the end.
  bool LineAt(size_t pos, std::string_view* line, size_t* next) const;

  std::string_view log_;
  size_t pos_ = 0;
  size_t line_ = 0;  // lines read so far
};

}  // namespace report
}  // namespace vaxo
