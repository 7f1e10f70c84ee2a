#include "platform/letter_case.h"

namespace vaxo {

char UpperCp1252(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) return char(u - 0x20);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return char(u - 0x10);  // s, oe, z with caron
  if (u == 0xFF) return char(0x9F);                                // y diaeresis
  return c;
}

std::string UpperCaseCp1252(std::string text) {
  for (char& c : text) c = UpperCp1252(c);
  return text;
}

}  // namespace vaxo
