#include "platform/env.h"

#include <cstdlib>

namespace vaxo {

Env* PlatformEnv();  // defined by the backend compiled into this build

namespace {
Env* g_override = nullptr;
}

Env::~Env() = default;

Env* Env::Default() { return g_override ? g_override : PlatformEnv(); }

Env* Env::SetDefault(Env* env) {
  Env* previous = Default();
  g_override = env;
  return previous;
}

void Env::EndProcess(int code) {
  ExitProcess(code);
  std::abort();  // not reached: every backend ends the process or throws
}

bool Env::NormalFileExists(const std::string& path) {
  uint32_t attributes = 0;
  if (!GetAttributes(path, &attributes).ok()) return false;
  return (attributes & (kAttrHidden | kAttrSystem | kAttrDirectory)) == 0;
}

bool Env::DirectoryExists(const std::string& path) {
  uint32_t attributes = 0;
  if (!GetAttributes(path, &attributes).ok()) return false;
  return (attributes & kAttrDirectory) != 0;
}

}  // namespace vaxo
