#include "report/html_text.h"

namespace vaxo {
namespace report {

void HtmlEscape(std::string_view text, std::string* out) {
  for (char c : text) {
    switch (c) {
      case '&':
        *out += "&amp;";
        break;
      case '<':
        *out += "&lt;";
        break;
      case '>':
        *out += "&gt;";
        break;
      case '"':
        *out += "&quot;";
        break;
      default:
        *out += c;
    }
  }
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  HtmlEscape(text, &out);
  return out;
}

}  // namespace report
}  // namespace vaxo
