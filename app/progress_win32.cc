// The progress form `TAV_C1` of the Windows program: a fixed window with the
// label `Information` and the progress bar in the frame "Info". It is drawn
// only while the run lets pending events be processed (StepProgress and the
// upgrade engine pump them through Env::ProcessEvents).
//
// Closing the window does not stop the run at once: a file half written
// would be lost. The request is noted, the pass sees it between two files
// (CloseRequested) and ends the run there.
#include "app/progress_win32.h"

// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
// clang-format on

#include <commctrl.h>
#include <stdlib.h>

#include <cmath>
#include <exception>
#include <string>

#include "app/progress_view.h"
#include "platform/win32_form.h"

namespace vaxo {

namespace {

const char kClassName[] = "VaxoProgressForm";
const char kCaption[] = "Upgrade Vaxo";

class Win32Progress : public ProgressView {
 public:
  void Show(float min, float max, float value) override {
    if (!window_) Create();
    if (bar_) ::SendMessageA(bar_, PBM_SETRANGE32, Whole(min), Whole(max));
    SetValue(value);
    if (window_) {
      ::ShowWindow(window_, SW_SHOWNORMAL);
      ::UpdateWindow(window_);
    }
  }

  void SetCaption(const std::string& caption) override {
    if (information_) ::SetWindowTextA(information_, caption.c_str());
  }

  void SetValue(float value) override {
    if (bar_) ::SendMessageA(bar_, PBM_SETPOS, Whole(value), 0);
  }

  bool CloseRequested() const override { return close_requested_; }

  void ShowStopped(const std::string& message) override {
    ::MessageBoxA(window_, message.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }

 private:
  static int Whole(float v) { return static_cast<int>(std::lround(v)); }

  // Sizes in twips, relative to the client area or, for the bar, its frame.
  void Create() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    RegisterFormClass(kClassName, &Win32Progress::WindowProc);

    const Twips t;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r = {0, 0, t.X(5265), t.Y(2250)};
    ::AdjustWindowRect(&r, style, FALSE);
    const int width = r.right - r.left, height = r.bottom - r.top;
    // Top first, then left, from the screen and the form's outer size.
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    window_ = ::CreateWindowExA(0, kClassName, kCaption, style, left, top, width, height, nullptr,
                                nullptr, instance, this);
    // Without a display there is no window; the run goes on all the same.
    if (!window_) return;

    HFONT gui_font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf = {};
    lf.lfHeight = -::MulDiv(975, t.dpi_y, 7200);  // 9.75 pt
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
    label_font_ = ::CreateFontIndirectA(&lf);

    const int frame_left = 120, frame_top = 1080;
    HWND frame = Child("BUTTON", "Info", BS_GROUPBOX, frame_left, frame_top, 5055, 855, t);
    ::SendMessageA(frame, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font), FALSE);
    information_ = Child("STATIC", "", SS_LEFT | SS_NOPREFIX, 120, 480, 5055, 375, t);
    ::SendMessageA(information_, WM_SETFONT,
                   reinterpret_cast<WPARAM>(label_font_ ? label_font_ : gui_font), FALSE);
    bar_ = Child(PROGRESS_CLASSA, "", 0, frame_left + 120, frame_top + 360, 4815, 375, t);
    // The frame is drawn beneath the bar, never over it.
    ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  HWND Child(const char* cls, const char* text, DWORD style, int left, int top, int width,
             int height, const Twips& t) {
    return ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, t.X(left), t.Y(top),
                             t.X(width), t.Y(height), window_, nullptr, ::GetModuleHandleA(nullptr),
                             nullptr);
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Progress*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_CLOSE && self) {
      // The run ends between two files (see the top of this file).
      self->close_requested_ = true;
      return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wparam, lparam);
  }

  HWND window_ = nullptr;
  HWND information_ = nullptr;
  HWND bar_ = nullptr;
  HFONT label_font_ = nullptr;
  bool close_requested_ = false;
};

}  // namespace

void InitWin32Program() {
  // No "insert a disk" or crash dialogue, and no abort message box: a run
  // from a command line ends with its exit code, whatever fails.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  _set_error_mode(_OUT_TO_STDERR);
  std::set_terminate([] { ::ExitProcess(3); });

  // The forms are laid out in twips with the display's real DPI, so the
  // system must not scale the program's pixels a second time.
  using SetDpiAware = BOOL(WINAPI*)();
  HMODULE user32 = ::GetModuleHandleA("user32.dll");
  FARPROC set_dpi_aware = user32 ? ::GetProcAddress(user32, "SetProcessDPIAware") : nullptr;
  if (set_dpi_aware) reinterpret_cast<SetDpiAware>(reinterpret_cast<void*>(set_dpi_aware))();

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
}

ProgressView* Win32ProgressView() {
  static Win32Progress* view = new Win32Progress();  // lives until the process ends
  return view;
}

}  // namespace vaxo
