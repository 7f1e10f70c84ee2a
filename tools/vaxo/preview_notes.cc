#include "tools/vaxo/preview_notes.h"

#include "base/text.h"

namespace vaxo {

std::string LeftBehindLines(const report::FileDetails& file) {
  std::string out;
  if (!file.audited) return out;
  for (const report::LeftValue& v : file.audit.left.values)
    out += "left behind: " + std::string(v.key) + " old " + std::string(v.old_line) + " / new " +
           (v.kind == report::LeftValue::Kind::kOldOnly ? "(no line)" : std::string(v.new_line)) +
           "\n";
  return out;
}

std::string PreviewNotes::LeftBehindOf(size_t file) {
  report::FileDetails d;
  details_->Fill(file, false, &d);
  return LeftBehindLines(d);
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
    const std::string lines = LeftBehindOf(i);
    if (!lines.empty()) out += "unchanged: " + run_.files[i].new_path + "\n" + lines;
  }
  return out;
}

std::string PreviewNotes::Before(const std::string& path) {
  const int i = FileOf(path);
  return i < 0 ? "" : Unchanged(size_t(i));
}

std::string PreviewNotes::BeforeShift() {
  for (size_t i = 0; i < run_.files.size(); ++i) {
    const report::FileReport& f = run_.files[i];
    if (f.pass == report::Pass::kR1 && UCase(f.name) == "$MACHINE.DAT") return Unchanged(i);
  }
  return "";
}

std::string PreviewNotes::After(const std::string& path) {
  const int i = FileOf(path);
  if (i < 0) return "";
  shown_[size_t(i)] = true;
  return LeftBehindOf(size_t(i));
}

std::string PreviewNotes::Rest() { return Unchanged(run_.files.size()); }

}  // namespace vaxo
