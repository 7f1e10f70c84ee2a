// The process-wide exit code of a run: 0 at the start, raised to 1 or 2 by
// the passes and the upgrade engine; the value assigned last stands.
#pragma once

#include <cstdint>

namespace vaxo {

extern int32_t ExitCode;

}  // namespace vaxo
