// Byte-text helpers shared by every subsystem. A text is 8-bit bytes; upper
// case means the letters a to z made A to Z, every other byte stays; a blank
// is the space character (32) only.
#pragma once

#include <string>

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

inline std::string TrimSpaces(const std::string& s) { return TrimRightSpaces(TrimLeftSpaces(s)); }

inline bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace vaxo
