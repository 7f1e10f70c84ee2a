#include "base/exit_code.h"

namespace vaxo {

int32_t ExitCode = 0;

}  // namespace vaxo
