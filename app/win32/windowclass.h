// The window classes of the program's own top-level windows.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace kd::win32 {

// Registers `className` once per program, with the program icon, the arrow cursor and the
// button-face colour; a class already registered is left as it is.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);

}  // namespace kd::win32
