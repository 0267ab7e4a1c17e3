// Text at the boundary to Qt: the window logic speaks UTF-8.
#pragma once

#include <QString>
#include <string_view>

namespace kd::qt {

inline QString FromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace kd::qt
