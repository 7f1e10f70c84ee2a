// The upgrade engine over three texts taken from the input: a first byte
// choosing check mode, then old text, new text and upg-file separated by
// the bytes 0x00 '|' 0x00.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/mem_env.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace {

const std::string kSeparator("\0|\0", 3);

// Lines as the engine takes them apart: CR LF, CR or LF ends a line; lines
// of spaces only (or empty) are left out.
std::vector<std::string> NonBlankLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
  }
  return lines;
}

std::string Normal(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == ' ') continue;
    out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  }
  return out;
}

void Check(const std::string& old_text, const std::string& new_text, const std::string& upg,
           bool check_mode) {
  CLSVaxoUpg engine;
  std::string merged = old_text;
  bool flag = check_mode;
  engine.Upgrade("$FUZZ.DAT", merged, new_text, upg, flag);
  VAXO_FUZZ_CHECK(flag == check_mode);  // only read

  // One line per non-blank new line, each ended by CR LF, nothing else.
  const std::vector<std::string> new_lines = NonBlankLines(new_text);
  std::vector<std::string> out_lines;
  size_t pos = 0;
  while (pos < merged.size()) {
    const size_t crlf = merged.find("\r\n", pos);
    VAXO_FUZZ_CHECK(crlf != std::string::npos);
    const std::string line = merged.substr(pos, crlf - pos);
    VAXO_FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    out_lines.push_back(line);
    pos = crlf + 2;
  }
  VAXO_FUZZ_CHECK(out_lines.size() == new_lines.size());

  // A line that holds no rule's key (spaces and case aside), or that is a
  // comment, is not touched.
  std::vector<std::string> keys;
  for (const std::string& rule : NonBlankLines(upg)) {
    const std::string key = Normal(
        rule.substr(0, rule.find('=') == std::string::npos ? rule.size() : rule.find('=') + 1));
    if (!key.empty()) keys.push_back(key);
  }
  for (size_t i = 0; i < new_lines.size(); ++i) {
    const std::string n = Normal(new_lines[i]);
    bool named = false;
    if (n.empty() || n[0] != ';') {
      for (const std::string& k : keys) {
        if (n.find(k) != std::string::npos) {
          named = true;
          break;
        }
      }
    }
    if (!named) VAXO_FUZZ_CHECK(out_lines[i] == new_lines[i]);
  }

  // The same texts give the same result.
  CLSVaxoUpg again;
  std::string merged2 = old_text;
  again.Upgrade("$FUZZ.DAT", merged2, new_text, upg, flag);
  VAXO_FUZZ_CHECK(merged2 == merged);
}

}  // namespace
}  // namespace vaxo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vaxo;
  static MemEnv* env = [] {
    auto* e = new MemEnv();
    Env::SetDefault(e);
    LogToNowhere();
    return e;
  }();
  (void)env;
  if (size == 0) return 0;
  const bool check_mode = (data[0] & 1) != 0;
  std::string in(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string parts[3];
  for (int i = 0; i < 2; ++i) {
    const size_t sep = in.find(kSeparator);
    if (sep == std::string::npos) {
      parts[i] = in;
      in.clear();
      continue;
    }
    parts[i] = in.substr(0, sep);
    in = in.substr(sep + kSeparator.size());
  }
  parts[2] = in;
  Check(parts[0], parts[1], parts[2], check_mode);
  Check(parts[0], parts[1], parts[2], !check_mode);
  return 0;
}
