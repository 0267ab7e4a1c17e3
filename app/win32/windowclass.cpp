#include "windowclass.h"

#include "widetext.h"

namespace kd::win32 {

void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
}

HWND CreateTopLevelWindow(HINSTANCE instance, const wchar_t* className, WNDPROC procedure,
                          std::string_view caption, int clientWidth, int clientHeight, HWND owner,
                          void* object) {
  RegisterWindowClass(instance, className, procedure);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DWORD extendedStyle = WS_EX_CONTROLPARENT;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
  return CreateWindowExW(extendedStyle, className, Wide(caption).c_str(), style, CW_USEDEFAULT,
                         CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
                         nullptr, instance, object);
}

HFONT MakeFont(int points, int dpi, const wchar_t* face, BYTE pitchAndFamily) {
  return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     pitchAndFamily, face);
}

void MoveDialogFocus(HWND window, WPARAM w, LPARAM l) {
  HWND next = LOWORD(l) ? reinterpret_cast<HWND>(w)
                        : GetNextDlgTabItem(window, GetFocus(), w != 0 ? TRUE : FALSE);
  if (next != nullptr) SetFocus(next);
}

bool KeepFocus(HWND window, WPARAM w, HWND& lastFocus, HWND fallback) {
  if (LOWORD(w) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus)) lastFocus = focus;
    return false;
  }
  HWND target = lastFocus != nullptr && IsWindow(lastFocus) ? lastFocus : fallback;
  if (target == nullptr) return false;
  SetFocus(target);
  return true;
}

}  // namespace kd::win32
