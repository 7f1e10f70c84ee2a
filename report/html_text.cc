#include "report/html_text.h"

namespace vaxo {
namespace report {

// The runs between markup characters go in whole.
void HtmlEscape(std::string_view text, std::string* out) {
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char* entity;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      default:
        continue;
    }
    out->append(text.data() + from, i - from);
    *out += entity;
    from = i + 1;
  }
  out->append(text.data() + from, text.size() - from);
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  HtmlEscape(text, &out);
  return out;
}

}  // namespace report
}  // namespace vaxo
