#include "platform/env.h"

#include <cstdlib>

#include "base/terminal_text.h"
#include "platform/letter_case.h"
#include "platform/name_order.h"

namespace vaxo {

namespace {
Env* g_set = nullptr;
}

Env::~Env() = default;

Env* Env::Installed() { return g_set; }

Env* Env::SetDefault(Env* env) {
  Env* previous = g_set;
  g_set = env;
  return previous;
}

void Env::ExitProcess(int code) {
  DoExitProcess(code);
  std::abort();  // a backend that came back must not let the caller go on
}

namespace {

// False when `path` cannot be looked at; a path that names two entries at
// once is thrown, as neither answer would be true.
bool Look(Env* env, const std::string& path, uint32_t* attributes) {
  const Status s = env->GetAttributes(path, attributes);
  if (s.IsAmbiguous()) throw RunError(s);
  return s.ok();
}

}  // namespace

Status Env::WriteShown(int stream, const std::string& text) {
  return WriteStd(stream, IsTerminal(stream) ? ShowControlBytes(text) : text);
}

bool Env::NormalFileExists(const std::string& path) {
  uint32_t attributes = 0;
  return Look(this, path, &attributes) &&
         (attributes & (kAttrHidden | kAttrSystem | kAttrDirectory)) == 0;
}

bool Env::DirectoryExists(const std::string& path) {
  uint32_t attributes = 0;
  return Look(this, path, &attributes) && (attributes & kAttrDirectory) != 0;
}

std::string Env::UpperCase(const std::string& text) { return UpperCaseCp1252(text); }

int Env::CompareNames(const std::string& a, const std::string& b) {
  return CompareNamesWordSort(a, b);
}

}  // namespace vaxo
