#include "report/html_text.h"

#include <cstdint>
#include <cstring>

namespace vaxo {
namespace report {

namespace {

// Whether a byte of the word is '&', '<', '>' or '"': eight bytes at a time,
// as a page's text has a markup character seldom.
bool AnyMarkup(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  uint64_t zero = 0;
  for (const uint64_t c : {uint64_t('&'), uint64_t('<'), uint64_t('>'), uint64_t('"')}) {
    const uint64_t x = word ^ (c * kOnes);
    zero |= (x - kOnes) & ~x & kHighs;
  }
  return zero != 0;
}

const char* EntityOf(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return nullptr;
  }
}

}  // namespace

// The runs between markup characters go in whole.
void HtmlEscape(std::string_view text, std::string* out) {
  size_t from = 0, i = 0;
  while (i < text.size()) {
    uint64_t word;
    if (i + 8 <= text.size() && (std::memcpy(&word, text.data() + i, 8), !AnyMarkup(word))) {
      i += 8;
      continue;
    }
    if (const char* entity = EntityOf(text[i])) {
      out->append(text.data() + from, i - from);
      *out += entity;
      from = i + 1;
    }
    ++i;
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
