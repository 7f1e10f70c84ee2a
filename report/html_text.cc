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

std::string PageHead(std::string_view title) {
  std::string head = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="windows-1252">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";
  HtmlEscape(title, &head);
  head += R"(</title>
<style>
body { font: 14px/1.4 Arial, Helvetica, sans-serif; color: #222; margin: 1.5em; max-width: 70em; }
)";
  return head;
}

}  // namespace report
}  // namespace vaxo
