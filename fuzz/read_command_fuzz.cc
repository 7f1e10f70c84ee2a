// The command reader over any command line, on an in-memory installation
// pair (both layouts of the new installation, upper and lower case names).
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_list.h"
#include "fuzz/fuzz_check.h"
#include "paths/read_command.h"
#include "platform/mem_env.h"

namespace vaxo {
namespace {

MemEnv* MakeInstallation() {
  auto* e = new MemEnv();
  e->AddFile("C:\\OLD\\ZEL\\R1\\VAXO\\$machine.dat", "$A=1\r\n");
  e->AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\$machine.dat", "$A=1\r\n");
  e->AddFile("C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$machine.dat", "$A=0\r\n");
  e->AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\machine.upg", "$A=\r\n");
  e->AddFile("D:\\N2\\VAXO\\R1\\$MACHINE.DAT", "$A=0\r\n");
  e->AddFile("D:\\N2\\VAXO\\STEU\\$option.dat", "$B=0\r\n");
  e->AddFile("D:\\N2\\ZEL\\R1\\VAXO\\hidden.dat", "", kAttrHidden);
  return e;
}

bool HoldsFile(const std::string& dir) { return !ListFiles(dir, "*.*", 0).empty(); }

}  // namespace
}  // namespace vaxo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vaxo;
  static MemEnv* env = [] {
    MemEnv* e = MakeInstallation();
    Env::SetDefault(e);
    LogToNowhere();
    return e;
  }();
  const std::string command(reinterpret_cast<const char*>(data), size);
  CLSReadCommand reader;
  bool ok = false;
  try {
    ok = reader.ReadCommand(command);
  } catch (const ProcessExit& e) {
    // Without "|" the form is shown; with no terminal it ends at once.
    VAXO_FUZZ_CHECK(e.code == 0);
    VAXO_FUZZ_CHECK(command.find('|') == std::string::npos);
    return 0;
  }
  if (ok) {
    const std::string dirs[4] = {reader.GetQuelle_R1(), reader.GetQuelle_Steu(),
                                 reader.GetZiel_R1(), reader.GetZiel_Steu()};
    for (const std::string& d : dirs) {
      VAXO_FUZZ_CHECK(!d.empty());
      VAXO_FUZZ_CHECK(env->DirectoryExists(d));
      VAXO_FUZZ_CHECK(HoldsFile(d));
    }
  }
  // The installation is only looked at (attributes aside).
  VAXO_FUZZ_CHECK(env->FilesBelow("C:\\").size() == 4 && env->FilesBelow("D:\\").size() == 3);
  return 0;
}
