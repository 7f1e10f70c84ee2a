#include "log/log_location.h"

#include "platform/env.h"

namespace vaxo {

std::vector<std::string> LogFilePlaces() {
  return {"c:\\zel\\roboter\\log\\Upgrade_vaxo.log", "c:\\Upgrade_vaxo.log"};
}

std::string DefaultLogFile() {
  if (Env::Default()->DirectoryExists("c:\\zel\\roboter\\log")) return LogFilePlaces()[0];
  return LogFilePlaces()[1];
}

}  // namespace vaxo
