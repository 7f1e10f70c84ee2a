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
  list_.clear();
  if (path_.empty()) return;
  // The directory was found holding data files before the passes; a listing
  // that fails now would skip a whole pass unnoticed, so it stops the run.
  Status status;
  list_ = ListFiles(path_, pattern_, 0, &status);
  ThrowIfError(status);
}

}  // namespace vaxo
