// Export files as the readers see them: Windows-1252 text.
#pragma once

#include <string>
#include <string_view>

#include "filesystem.h"
#include "largetext.h"

namespace kd {

// Exports are Windows-1252, but today's programs and spreadsheets also save UTF-8 (with or
// without a byte-order mark) and UTF-16 with a byte-order mark. Such text is converted to
// Windows-1252, characters it lacks becoming "?". Everything else is returned byte for byte.
std::string DecodeSourceText(std::string bytes);

// An export's whole text as the readers see it: the file's own bytes, or their Windows-1252
// conversion.
class SourceText {
 public:
  SourceText() = default;
  explicit SourceText(LargeText text) : text_(std::move(text)) {}

  std::string_view View() const { return {text_.data(), text_.size()}; }

 private:
  LargeText text_;
};

// The whole file at `path` as read in one snapshot, decoded as above. Throws FileError when it
// cannot be opened or changed while it was read.
SourceText LoadSourceText(FileSystem& files, std::string_view path);

}  // namespace kd
