// What the fuzz targets share: an invariant check that stops the fuzzer with
// the input that broke it, and the logbook sent to nowhere.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "log/log_buch.h"

#define VAXO_FUZZ_CHECK(cond)                                                             \
  do {                                                                                    \
    if (!(cond)) {                                                                        \
      std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

namespace vaxo {

inline void LogToNowhere() {
  LogBuch().SetSink([](const std::string&) {});
  LogBuch().LogState(true);
}

}  // namespace vaxo
