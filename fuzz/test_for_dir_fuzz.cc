// The form's directory test over any text, on a small in-memory tree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "paths/ui.h"
#include "platform/mem_env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vaxo;
  static MemEnv* env = [] {
    auto* e = new MemEnv();
    e->AddDirectory("C:\\ZEL_OLDINST\\ZEL\\R1\\VAXO");
    e->AddDirectory("C:\\ZEL\\ROBOTER\\ZEL\\STEU");
    e->AddFile("C:\\ZEL\\file.txt", "x");
    e->AddFile("D:\\.hidden\\a", "x", kAttrHidden);
    Env::SetDefault(e);
    LogToNowhere();
    return e;
  }();
  const std::string path(reinterpret_cast<const char*>(data), size);
  UI form;
  const bool found = form.TestForDir(path);
  VAXO_FUZZ_CHECK(form.TestForDir(path) == found);  // asks, changes nothing
  // Every existing directory given with its drive is found (named with "\"
  // only and without "." or ".." parts, which the file system resolves by the text alone while
  // the test asks for each part on the way).
  if (path.size() > 3 && path[1] == ':' && path[2] == '\\' && env->DirectoryExists(path) &&
      path.find("\\\\") == std::string::npos && path.find("\\.") == std::string::npos &&
      path.find('/') == std::string::npos && path.back() != '\\' &&
      path.find_first_of("*?") == std::string::npos)
    VAXO_FUZZ_CHECK(found);
  std::string copy = path;
  const std::string drive = form.removeDrive(copy);
  if (path.find('\\') == std::string::npos) {
    VAXO_FUZZ_CHECK(drive == path && copy == path);
  } else {
    VAXO_FUZZ_CHECK(drive + copy == path);
  }
  const int32_t last = form.FindLastBackSlash(path);
  VAXO_FUZZ_CHECK(last == 0 ? path.find('\\') == std::string::npos
                            : path[size_t(last - 1)] == '\\');
  VAXO_FUZZ_CHECK(form.getShortName(path) == (last == 0 ? path : path.substr(size_t(last))));
  return 0;
}
