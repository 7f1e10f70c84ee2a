// Text bound for a terminal: bytes from the files the system reads (data
// values, upg lines, journal paths) must not steer it. A control byte could
// retitle the window, clear the screen or hide a line.
#pragma once

#include <string>

namespace vaxo {

/// `text` with every control byte (0x00 to 0x1F and 0x7F) but the tab and
/// the line ends ("\n", and "\r" right before it) written as "\x1b": four
/// visible characters. Every other byte stays as it is.
std::string ShowControlBytes(const std::string& text);

}  // namespace vaxo
