#include "paths/machine_file.h"

#include "files/datei_fct.h"

namespace vaxo {

const char* const kShiftVariables[4] = {"$ROB_STOPPED", "$ROB_CAL", "$PRO_ACT", "$PRO_MOVE"};
const char kMachineFileName[] = "$machine.dat";

bool NamesMachineFile(Env* env, const std::string& path) {
  return env->UpperCase(path).find("$MACHINE.DAT") != std::string::npos;
}

std::string ControllerMachineFile(const std::string& ziel_steu) {
  return CLSDateiFct().MakeFileName(ziel_steu, kMachineFileName);
}

std::string RobotFileForTool(Env* env, const std::string& old_path, const std::string& quelle_r1) {
  const size_t p = env->UpperCase(old_path).find("\\$MACHINE.DAT");
  if (p != std::string::npos) return old_path.substr(0, p + 1) + kMachineFileName;
  return quelle_r1 + "\\" + kMachineFileName;
}

std::string ControllerFileForTool(Env* env, const std::string& new_path,
                                  const std::string& ziel_steu) {
  const size_t p = env->UpperCase(new_path).find("\\R1\\VAXO\\$MACHINE.DAT");
  if (p != std::string::npos) return new_path.substr(0, p + 1) + "STEU\\Vaxo\\" + kMachineFileName;
  return ziel_steu + "\\" + kMachineFileName;
}

}  // namespace vaxo
