#include "tools/vaxo/output_target.h"

namespace vaxo {

Status CheckOutputTarget(Env* env, const std::string& path) {
  uint32_t attributes = 0;
  const Status s = env->GetAttributes(path, &attributes);
  if (s.IsNotFound()) return Status::OK();
  if (!s.ok()) return s;
  if (attributes & kAttrDirectory) return Status::IOError("write", path, "a folder, not a file");
  // An append of nothing opens without waiting and refuses what is no file.
  const Status append = env->AppendFile(path, std::string());
  return append.ok() ? append : Status::IOError("write", path, append.reason());
}

}  // namespace vaxo
