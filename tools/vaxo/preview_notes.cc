#include "tools/vaxo/preview_notes.h"

#include "base/text.h"

namespace vaxo {

std::string LeftBehindLines(const report::FileReport& file) {
  std::string out;
  if (!file.left_behind) return out;
  for (const report::LeftValue& v : *file.left_behind)
    out += "left behind: " + v.key + " old " + v.old_line + " / new " +
           (v.kind == report::LeftValue::Kind::kOldOnly ? "(no line)" : v.new_line) + "\n";
  return out;
}

int PreviewNotes::FileOf(const std::string& path) const {
  const std::string upper = UCase(path);
  for (size_t i = 0; i < run_.files.size(); ++i)
    if (!shown_[i] && UCase(run_.files[i].new_path) == upper) return int(i);
  return -1;
}

std::string PreviewNotes::Unchanged(size_t end) {
  std::string out;
  for (size_t i = 0; i < end; ++i) {
    if (shown_[i]) continue;
    shown_[i] = true;
    const std::string lines = LeftBehindLines(run_.files[i]);
    if (!lines.empty()) out += "unchanged: " + run_.files[i].new_path + "\n" + lines;
  }
  return out;
}

std::string PreviewNotes::Before(const std::string& path) {
  const int i = FileOf(path);
  return i < 0 ? "" : Unchanged(size_t(i));
}

std::string PreviewNotes::After(const std::string& path) {
  const int i = FileOf(path);
  if (i < 0) return "";
  shown_[size_t(i)] = true;
  return LeftBehindLines(run_.files[size_t(i)]);
}

std::string PreviewNotes::Rest() { return Unchanged(run_.files.size()); }

}  // namespace vaxo
