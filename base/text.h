// Byte-text helpers shared by every subsystem. A text is 8-bit bytes; upper
// case means the letters a to z made A to Z, every other byte stays; a blank
// is the space character (32) only.
#pragma once

#include <string>
#include <string_view>

namespace vaxo {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

inline std::string UCase(std::string s) {
  for (char& c : s) c = UpperAscii(c);
  return s;
}

inline std::string TrimLeftSpaces(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

inline std::string TrimRightSpaces(const std::string& s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

/// The text without the blanks at its ends, as a piece of it.
inline std::string_view Trimmed(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string_view();
  return s.substr(b, s.find_last_not_of(' ') + 1 - b);
}

inline std::string TrimSpaces(const std::string& s) { return std::string(Trimmed(s)); }

inline bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The bytes as text where each byte is the character of the same number (as
// JSON and HTML want their text), and back. Bytes below 0x80 stay as they are.
// The runs below 0x80 go in whole.
inline void AppendLatin1AsUtf8(std::string_view bytes, std::string* text) {
  size_t from = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) continue;
    text->append(bytes.data() + from, i - from);
    const char two[] = {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
    text->append(two, 2);
    from = i + 1;
  }
  text->append(bytes.data() + from, bytes.size() - from);
}

inline std::string Latin1ToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  AppendLatin1AsUtf8(bytes, &text);
  return text;
}

inline std::string Utf8ToLatin1(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c >= 0xC0 && c <= 0xC3 && i + 1 < text.size()) {
      bytes += char(((c & 0x03) << 6) | (text[++i] & 0x3F));
    } else {
      bytes += char(c);
    }
  }
  return bytes;
}

}  // namespace vaxo
