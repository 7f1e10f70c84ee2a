// The value transfer: carries the lines of a few variables from one
// machine-data file into another. Two calls, as the upgrade makes them:
//
//   TARGET | TEMPLATE | DATAFILE /DAT   collect: TARGET receives, for each
//                                       variable named in TEMPLATE, its line
//                                       from DATAFILE.
//   TARGET | VALUES /DAT                apply: each line of VALUES replaces
//                                       the line of its variable in TARGET,
//                                       or is appended where TARGET lacks it.
//
// Fields are separated by " | "; paths may hold blanks. Every file is
// written atomically.
#pragma once

#include <string>
#include <vector>

namespace vaxo {

struct ValXferResult {
  int exit_code = 0;
  std::string message;  ///< for standard error when exit_code is not 0
};

/// Splits the command-line tail into its fields and runs the transfer.
ValXferResult RunValXfer(const std::string& command_tail);

/// The variable a line sets: the text before "=" without blanks, upper
/// case; empty for blank lines and comments.
std::string ValueKey(const std::string& line);

}  // namespace vaxo
