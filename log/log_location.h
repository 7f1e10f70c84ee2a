// Where the run's log lies. The program writes it there, and the report
// reads it from there when it is given no other log.
#pragma once

#include <string>
#include <vector>

namespace vaxo {

/// "c:\zel\roboter\log\Upgrade_vaxo.log" when that directory exists, else
/// "c:\Upgrade_vaxo.log". The directory is never created.
std::string DefaultLogFile();
/// Both places the log can lie, the first one first.
std::vector<std::string> LogFilePlaces();

}  // namespace vaxo
