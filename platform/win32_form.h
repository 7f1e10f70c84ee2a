// What the native forms share: geometry given in twips (1/1440 inch),
// converted with the display's real resolution, and a window class with the
// dialogue colour. Windows builds only.
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

inline void RegisterFormClass(const char* name, WNDPROC proc) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));  // the program's own, if it has one
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  ::RegisterClassA(&wc);  // a second registration fails harmlessly
}

}  // namespace vaxo
