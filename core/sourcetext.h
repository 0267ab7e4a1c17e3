// Export files as the readers see them: Windows-1252 text.
#pragma once

#include <string>
#include <string_view>

#include "largetext.h"

namespace kd {

// Exports are Windows-1252, but today's programs and spreadsheets also save UTF-8 (with or
// without a byte-order mark) and UTF-16 with a byte-order mark. Such text is converted to
// Windows-1252, characters it lacks becoming "?". Everything else is returned byte for byte.
std::string DecodeSourceText(std::string bytes);

// The whole file at `path`, decoded as above. Throws FileError when it cannot be opened.
LargeText LoadSourceText(std::string_view path);

}  // namespace kd
