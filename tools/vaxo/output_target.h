// A file that an option names for vaxo to write (--log, --html, --json).
#pragma once

#include <string>

#include "platform/env.h"

namespace vaxo {

/// OK when `path` is missing or a regular file that takes bytes; else why
/// not (a folder, a FIFO, a device): such a target is refused before
/// anything is written, and never opened in a way that could wait on it.
Status CheckOutputTarget(Env* env, const std::string& path);

}  // namespace vaxo
