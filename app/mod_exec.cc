#include "app/mod_exec.h"

#include "platform/env.h"

namespace vaxo {

int32_t RunAndWait(const std::string& application, const std::string& strCommand) {
  // The start is not checked: a child that cannot start gives 0.
  return Env::Default()->RunAndWait(application, strCommand, nullptr);
}

}  // namespace vaxo
