#include "app/file_box.h"

#include "files/file_list.h"

namespace vaxo {

void FileBox::SetPath(const std::string& path) {
  path_ = path;
  Refresh();
}

void FileBox::SetPattern(const std::string& pattern) {
  pattern_ = pattern;
  Refresh();
}

void FileBox::Refresh() {
  // A directory that cannot be listed shows an empty list.
  list_ = path_.empty() ? std::vector<std::string>() : ListFiles(path_, pattern_, 0);
}

}  // namespace vaxo
