#include "files/text_file.h"

#include "base/text.h"
#include "files/file_list.h"
#include "platform/env.h"

namespace vaxo {

// One read, no look at the file before: what is read is what was looked at,
// even when something else takes the file's place in between.
void ReadTextFile(const std::string& file_name, std::string& text) {
  text.clear();
  std::string raw;
  const Status s = Env::Default()->ReadFile(file_name, &raw);
  if (s.IsNotFound()) return;
  ThrowIfError(s);
  // Most files are written with CR LF throughout: their bytes are their
  // text, and a copy of a whole file is spared.
  if (IsFileText(raw)) {
    text = std::move(raw);
  } else {
    text = FileText(raw);
  }
}

bool IsFileText(std::string_view bytes) {
  if (bytes.empty()) return true;
  if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) return false;
  for (size_t cr = bytes.find('\r'); cr != std::string_view::npos; cr = bytes.find('\r', cr + 2)) {
    if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') return false;
  }
  return true;
}

std::string FileText(const std::string& raw) {
  std::string text;
  text.reserve(raw.size() + raw.size() / 16 + 2);
  size_t start = 0;
  for (size_t i = raw.find('\r'); i != std::string::npos; i = raw.find('\r', start)) {
    text.append(raw, start, i - start);
    text += "\r\n";
    if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < raw.size()) {
    text.append(raw, start, std::string::npos);
    text += "\r\n";
  }
  return text;
}

std::string TextFileBytes(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t cr = text.find('\r', pos);
    if (cr == std::string::npos) {
      out.append(text, pos, std::string::npos);
      out += "\r\n";
      break;
    }
    out.append(text, pos, cr - pos);
    out += "\r\n";
    pos = cr;
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
  }
  return out;
}

bool IsFileBytes(std::string_view text) {
  // In a file text every CR begins a CR LF: a break followed by another
  // CR or LF is one of these two.
  return IsFileText(text) && text.find("\r\n\r") == std::string_view::npos &&
         text.find("\r\n\n") == std::string_view::npos;
}

void WriteTextFile(const std::string& file_name, const std::string& text) {
  // A merged text is as a rule written as it is: no copy of it is made.
  Env* env = Env::Default();
  ThrowIfError(IsFileBytes(text) ? env->ReplaceFile(file_name, text)
                                 : env->ReplaceFile(file_name, TextFileBytes(text)));
}

size_t NextLine(const std::string& text, size_t pos, std::string* line) {
  size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string::npos) {
    line->assign(text, pos, std::string::npos);
    return text.size();
  }
  line->assign(text, pos, end - pos);
  size_t next = end + 1;
  if (next < text.size() && text[next] == '\n') ++next;
  return next;
}

std::string CutFirstLine(std::string& buffer) {
  std::string line;
  size_t next = NextLine(buffer, 0, &line);
  buffer.erase(0, next);
  return line;
}

void ClearFileAttributes(const std::string& directory) {
  std::string dir = TrimSpaces(directory);
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  // "C:" alone would name the drive's current directory; the listing is of
  // "C:\*.*", the root.
  const std::string listed = dir.size() == 2 && dir[1] == ':' ? dir + "\\" : dir;
  Env* env = Env::Default();
  for (const std::string& name : ListFiles(listed, "*.*", kAttrHidden)) {
    // A file that fails is skipped; a backup that fails stops the run.
    const Status s = env->SetArchiveOnly(dir + "\\" + name);
    if (s.IsRefused()) throw RunError(s);
  }
}

}  // namespace vaxo
