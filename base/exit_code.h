// The process-wide exit code of a run: 0 at the start, raised to 1 or 2 by
// the passes, which apply what the upgrade engine hands back; the value
// assigned last stands.
#pragma once

#include <cstdint>

namespace vaxo {

extern int32_t ExitCode;

/// Applies an exit code a step hands back: 0 (none) leaves the run's as it
/// is, any other is assigned.
inline void ApplyExitCode(int32_t code) {
  if (code != 0) ExitCode = code;
}

}  // namespace vaxo
