#include "backup/set_paths.h"

namespace vaxo {
namespace backup {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool IsPlainFullPath(const std::string& path) {
  size_t start = 0;
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    start = 3;
  } else if (path.compare(0, 2, "\\\\") == 0) {
    start = 2;
  } else {
    return false;
  }
  if (start == path.size() || path.find('/') != std::string::npos) return false;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (name.empty() || name == "." || name == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsDataFileName(Env* env, const std::string& name) {
  const std::string upper = env->UpperCase(name);
  return (upper.size() >= 5 && upper[0] == '$' && EndsWith(upper, ".DAT")) ||
         (upper.size() >= 6 && EndsWith(upper, ".SERVO"));
}

bool IsPackName(const std::string& name) {
  if (name.size() < 5 || name.size() > 24 || name.compare(0, 4, "pre-") != 0) return false;
  for (size_t i = 4; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

}  // namespace backup
}  // namespace vaxo
