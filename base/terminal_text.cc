#include "base/terminal_text.h"

namespace vaxo {

std::string ShowControlBytes(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    const bool line_end = c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
    if ((c >= 0x20 && c != 0x7f) || c == '\t' || line_end) {
      shown += char(c);
    } else {
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 0xf];
    }
  }
  return shown;
}

}  // namespace vaxo
