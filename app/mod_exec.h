// Runs a child program and waits for its end.
#pragma once

#include <cstdint>
#include <string>

namespace vaxo {

/// Starts `application` (its full path, so a program directory with blanks
/// can never start another program) with `strCommand` as its whole command
/// line, waits without a time limit and returns the child's exit code; 0
/// when it could not be started.
int32_t RunAndWait(const std::string& application, const std::string& strCommand);

}  // namespace vaxo
