// The program's own top-level windows: their window classes, their creation, the routing of
// their messages to the object a window belongs to, and the keyboard and font rules their
// controls share.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string_view>

namespace kd::win32 {

// Registers `className` once per program, with the program icon, the arrow cursor and the
// button-face colour; a class already registered is left as it is.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);

// A sizeable top-level window of the class `className` (registered with `procedure` if it is not
// yet), hidden, with `caption` (UTF-8) and a client area of `clientWidth` by `clientHeight`
// pixels. `owner` (null for none) keeps it in front of itself and takes it along when it goes;
// `object` is what the window belongs to (see RoutedProcedure). Null when it failed.
HWND CreateTopLevelWindow(HINSTANCE instance, const wchar_t* className, WNDPROC procedure,
                          std::string_view caption, int clientWidth, int clientHeight, HWND owner,
                          void* object);

// A normal-weight font of `points` on a screen of `dpi` dots per inch.
HFONT MakeFont(int points, int dpi, const wchar_t* face, BYTE pitchAndFamily);

// WM_NEXTDLGCTL, which a multi-line edit control sends for the tab key: the focus moves on as in
// a dialog.
void MoveDialogFocus(HWND window, WPARAM w, LPARAM l);

// WM_ACTIVATE: the control of `window` that has the focus is kept in `lastFocus` when another
// window comes to the front, and gets the focus back when this one does (`fallback` when there
// is none). True when it set the focus: the message is then handled.
bool KeepFocus(HWND window, WPARAM w, HWND& lastFocus, HWND fallback);

// The window procedure of a class whose windows each belong to an object of type Window, handed
// to CreateWindowExW as its last argument: the object learns its window's handle (`handle`)
// with WM_NCCREATE, before any other message, and gets every message (`onMessage`) until
// WM_NCDESTROY; after that the window no longer points at the object, nor the handle at the
// window.
template <class Window, HWND Window::*handle, LRESULT (Window::*onMessage)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK RoutedProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  Window* object = nullptr;
  if (message == WM_NCCREATE) {
    object = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    object->*handle = window;
  } else {
    object = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (object == nullptr) return DefWindowProcW(window, message, w, l);
  const LRESULT result = (object->*onMessage)(message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    object->*handle = nullptr;
  }
  return result;
}

}  // namespace kd::win32
