// The file list `FileBox` of the progress form: the bare names of the plain
// files of one directory (no hidden or system files, no directories) that
// match one of its patterns, sorted by name without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vaxo {

class FileBox {
 public:
  /// Setting the directory or the pattern fills the list anew.
  void SetPath(const std::string& path);
  void SetPattern(const std::string& pattern);
  int32_t ListCount() const { return static_cast<int32_t>(list_.size()); }
  const std::string& List(int32_t i) const { return list_[i]; }

 private:
  void Refresh();

  std::string path_;
  std::string pattern_ = "*.*";
  std::vector<std::string> list_;
};

}  // namespace vaxo
