#include "log/log_location.h"

#include "platform/env.h"

namespace vaxo {

std::string DefaultLogFile() {
  if (Env::Default()->DirectoryExists("c:\\zel\\roboter\\log"))
    return "c:\\zel\\roboter\\log\\Upgrade_vaxo.log";
  return "c:\\Upgrade_vaxo.log";
}

}  // namespace vaxo
