// Text at the boundary to the Windows API: the window logic speaks UTF-8 with "\n" between
// lines, Windows UTF-16 with "\r\n" in its edit controls.
#pragma once

#include <string>
#include <string_view>

namespace kd::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// "\n" to "\r\n" and back (a lone "\r" is kept as it is).
std::wstring WithCrLf(std::wstring_view text);
std::wstring WithoutCr(std::wstring_view text);

}  // namespace kd::win32
