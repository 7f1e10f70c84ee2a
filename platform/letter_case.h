// Letter case as the system has it for its 8-bit texts: code page 1252,
// the code page of the Windows installations this program runs on. Besides
// a to z it has the accented letters of 0xE0 to 0xFE (0xE4, a umlaut,
// becomes 0xC4), s, oe and z with caron (0x9A, 0x9C, 0x9E) and y diaeresis
// (0xFF, upper case 0x9F); sharp s and the micro sign have none.
#pragma once

#include <string>

namespace vaxo {

/// `c` in upper case by code page 1252.
char UpperCp1252(char c);

/// Every byte of `text` by UpperCp1252.
std::string UpperCaseCp1252(std::string text);

}  // namespace vaxo
