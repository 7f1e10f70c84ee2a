// Where the machine-data file `$MACHINE.DAT` of each installation lies, and
// the four robot variables the shift carries into the controller's one.
// The run, the shift and the report all ask here.
#pragma once

#include <string>

#include "platform/env.h"

namespace vaxo {

/// The robot variables the R1 pass shifts into the controller's file.
extern const char* const kShiftVariables[4];

/// The file's name, as the run spells it in the paths it makes.
extern const char kMachineFileName[];

/// Whether `path` names a $MACHINE.DAT (letter case as `env` sees it).
bool NamesMachineFile(Env* env, const std::string& path);

/// The controller's new $MACHINE.DAT in the destination STEU folder
/// `ziel_steu`: what the check after the shift reads and the log names.
std::string ControllerMachineFile(const std::string& ziel_steu);

/// The two files the value-transfer tool is given, taken from the paths of
/// the layout: the old robot file beside `old_path`, the controller's file
/// of the installation `new_path` (the new robot file) belongs to. Where a
/// layout has no such prefix (the flat VAXO\R1, VAXO\STEU), the run's own
/// folders are named.
std::string RobotFileForTool(Env* env, const std::string& old_path, const std::string& quelle_r1);
std::string ControllerFileForTool(Env* env, const std::string& new_path,
                                  const std::string& ziel_steu);

}  // namespace vaxo
