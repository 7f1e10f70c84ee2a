// The path-settings form `UI` as a native window: the frame "Path Settings"
// with the two path rows, and Exit and Run below it. The window is modal
// over the program's other windows of this thread (the progress form): they
// are disabled while it is shown. Its logic is `UI`; this file only shows
// it, copies the text boxes into it and presses its buttons.
#include "paths/ui_win32.h"

// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
// clang-format on

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paths/ui.h"
#include "paths/ui_front_end.h"
#include "platform/win32_form.h"

namespace vaxo {

namespace {

const char kClassName[] = "VaxoPathSettingsForm";

enum ControlId {
  kSrcPathId = 101,
  kBrowseSrcId,
  kDestPathId,
  kBrowseDestId,
  kLeaveId,
  kRunId,
};

std::string WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthA(hwnd);
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(hwnd, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

// The visible top-level windows of this thread: the owner of the form and
// the windows to disable while it is shown.
BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM lparam) {
  if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
    reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(hwnd);
  return TRUE;
}

class Win32UI : public UIFrontEnd {
 public:
  void ShowModal(UI& form) override {
    std::vector<HWND> others;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectVisible, reinterpret_cast<LPARAM>(&others));
    owner_ = others.empty() ? nullptr : others.front();
    form_ = &form;
    ended_ = false;
    if (!Create()) return;  // no display: the form counts as closed

    for (HWND w : others) ::EnableWindow(w, FALSE);
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::SetForegroundWindow(window_);
    ::SetFocus(src_path_);
    MSG msg;
    while (!ended_) {
      const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {  // WM_QUIT: pass it on to whoever pumps next
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got < 0) break;
      if (::IsDialogMessageA(window_, &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    // Give the owner back its input before the form goes, so that the
    // system does not activate some other program's window.
    for (HWND w : others) ::EnableWindow(w, TRUE);
    ::DestroyWindow(window_);
    window_ = nullptr;
    form_ = nullptr;
  }

 private:
  bool Create() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    RegisterFormClass(kClassName, &Win32UI::WindowProc);

    const Twips t;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT r = {0, 0, t.X(8130), t.Y(2685)};
    ::AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    window_ = ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, UI::kCaption,
                                style, left, top, width, height, owner_, nullptr, instance, this);
    if (!window_) return false;

    font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    // The frame's controls are placed relative to the frame.
    const int fx = 120, fy = 120;
    HWND frame = Child("BUTTON", UI::kFrameCaption, BS_GROUPBOX, 0, fx, fy, 7695, 1455, t);
    Label(UI::kSourceLabel, fx + 480, fy + 360, 735, 255, t);
    src_path_ = Child("EDIT", form_->SrcPath.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, kSrcPathId,
                      fx + 1320, fy + 360, 4575, 285, t);
    Child("BUTTON", "Browse", WS_TABSTOP | BS_PUSHBUTTON, kBrowseSrcId, fx + 6120, fy + 360, 1215,
          375, t);
    Label(UI::kDestinationLabel, fx + 240, fy + 960, 975, 255, t);
    dest_path_ = Child("EDIT", form_->DestPath.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, kDestPathId,
                       fx + 1320, fy + 960, 4575, 285, t);
    Child("BUTTON", "Browse", WS_TABSTOP | BS_PUSHBUTTON, kBrowseDestId, fx + 6120, fy + 960, 1215,
          375, t);
    Child("BUTTON", UI::kLeaveCaption, WS_TABSTOP | BS_PUSHBUTTON, kLeaveId, 4920, 1920, 1215, 495,
          t);
    Child("BUTTON", UI::kRunCaption, WS_TABSTOP | BS_PUSHBUTTON, kRunId, 6600, 1920, 1215, 495, t);
    // The frame is drawn beneath the controls it holds, never over them.
    ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
  }

  // A caption that the display's font makes wider than its box grows to the
  // left, so it still ends where the text box begins and is read whole.
  void Label(const char* text, int left, int top, int width, int height, const Twips& t) {
    HWND label =
        Child("STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, left, top, width, height, t);
    HDC dc = label ? ::GetDC(label) : nullptr;
    if (!dc) return;
    HGDIOBJ old = ::SelectObject(dc, font_);
    SIZE extent = {0, 0};
    ::GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    const int box = t.X(width);
    if (extent.cx > box) {
      const int grow = std::min(static_cast<int>(extent.cx) - box + 2, t.X(left));
      ::SetWindowPos(label, nullptr, t.X(left) - grow, t.Y(top), box + grow, t.Y(height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  HWND Child(const char* cls, const char* text, DWORD style, int id, int left, int top, int width,
             int height, const Twips& t) {
    const DWORD ex_style = lstrcmpA(cls, "EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
    HWND hwnd = ::CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, t.X(left),
                                  t.Y(top), t.X(width), t.Y(height), window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd) ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return hwnd;
  }

  void OnCommand(int id) {
    switch (id) {
      case kBrowseSrcId:
        BrowseInto("Select Source Path", src_path_);
        break;
      case kBrowseDestId:
        BrowseInto("Select Destination Path", dest_path_);
        break;
      case kLeaveId:
        form_->Leave();  // ends the program
        break;
      case kRunId:
        OnRun();
        break;
      default:
        break;  // Enter and Escape press no button of this form
    }
  }

  void OnRun() {
    form_->SrcPath = WindowText(src_path_);
    form_->DestPath = WindowText(dest_path_);
    const std::string message = form_->Run();
    if (message.empty()) {
      ::ShowWindow(window_, SW_HIDE);
      ended_ = true;
      return;
    }
    // No title of its own: the box carries the program's caption.
    const std::string title = owner_ ? WindowText(owner_) : std::string();
    ::MessageBoxA(window_, message.c_str(), title.empty() ? nullptr : title.c_str(), MB_OK);
  }

  void BrowseInto(const char* title, HWND edit) {
    const std::string chosen = Browse(title);
    if (!chosen.empty()) ::SetWindowTextA(edit, chosen.c_str());
  }

  // The system's folder picker; the chosen directory, or the empty text
  // when the person cancelled.
  std::string Browse(const std::string& DLGTitle) {
    const HRESULT com = ::CoInitialize(nullptr);
    BROWSEINFOA info = {};
    info.hwndOwner = window_;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = DLGTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;
    PIDLIST_ABSOLUTE item = ::SHBrowseForFolderA(&info);
    std::string buffer(512, ' ');
    std::string result;
    if (item && ::SHGetPathFromIDListA(item, &buffer[0]))
      result = buffer.substr(0, buffer.find('\0'));
    if (item) ::CoTaskMemFree(item);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return result;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32UI*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && self->form_) {
      switch (msg) {
        case WM_COMMAND:
          if (HIWORD(wparam) == BN_CLICKED) self->OnCommand(LOWORD(wparam));
          return 0;
        case WM_CLOSE:
          // Closed without Run: the display ends, isCorrupted stays True.
          ::ShowWindow(hwnd, SW_HIDE);
          self->ended_ = true;
          return 0;
        default:
          break;
      }
    }
    return ::DefWindowProcA(hwnd, msg, wparam, lparam);
  }

  UI* form_ = nullptr;
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HWND src_path_ = nullptr;
  HWND dest_path_ = nullptr;
  HFONT font_ = nullptr;
  bool ended_ = false;
};

}  // namespace

UIFrontEnd* Win32UIFrontEnd() {
  static Win32UI* front_end = new Win32UI();  // lives until the process ends
  return front_end;
}

}  // namespace vaxo
