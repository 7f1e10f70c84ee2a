// Form geometry is given in twips (1/1440 inch); the native windows convert
// it with the display's real resolution. Windows builds only.
#pragma once

#include <windows.h>

namespace vaxo {

struct Twips {
  int dpi_x = 96, dpi_y = 96;
  Twips() {
    HDC screen = ::GetDC(nullptr);
    if (screen) {
      dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
      dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
      ::ReleaseDC(nullptr, screen);
    }
  }
  int X(int twips) const { return ::MulDiv(twips, dpi_x, 1440); }
  int Y(int twips) const { return ::MulDiv(twips, dpi_y, 1440); }
};

}  // namespace vaxo
