#include "base/terminal_text.h"

#include <gtest/gtest.h>

namespace vaxo {
namespace {

TEST(ShowControlBytesTest, EveryControlByteButTabAndLineEndsIsEscaped) {
  const struct {
    std::string text, shown;
  } rows[] = {
      {"$TITLE=\x1b]0;pwned\x07\x1b[2J\n", "$TITLE=\\x1b]0;pwned\\x07\\x1b[2J\n"},
      {"a\tb\r\nc\n", "a\tb\r\nc\n"},           // tab and line ends stay
      {"line\rhidden\n", "line\\x0dhidden\n"},  // a CR that would overwrite
      {"end\r", "end\\x0d"},                    // a CR with no line after it
      {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7f"},
      {"\xe4\xf6\xfc \xa7 \x80\xff", "\xe4\xf6\xfc \xa7 \x80\xff"},  // 8-bit text stays
  };
  for (const auto& row : rows) EXPECT_EQ(ShowControlBytes(row.text), row.shown);
  for (int c = 0; c < 0x20; ++c) {
    if (c == '\t' || c == '\n') continue;
    const std::string shown = ShowControlBytes(std::string(1, char(c)) + "x");
    EXPECT_EQ(shown.size(), 5u) << c;
    EXPECT_EQ(shown.find_first_of(std::string("\x00\x1b", 2)), std::string::npos) << c;
  }
}

}  // namespace
}  // namespace vaxo
