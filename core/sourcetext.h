// Export files as the readers see them: Windows-1252 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "largetext.h"
#include "mappedfile.h"

namespace kd {

// Exports are Windows-1252, but today's programs and spreadsheets also save UTF-8 (with or
// without a byte-order mark) and UTF-16 with a byte-order mark. Such text is converted to
// Windows-1252, characters it lacks becoming "?". Everything else is returned byte for byte.
std::string DecodeSourceText(std::string bytes);

// An export's whole text as the readers see it: the file's own bytes, mapped where the system
// allows it, or their Windows-1252 conversion.
class SourceText {
 public:
  SourceText() = default;
  explicit SourceText(LargeText text) : text_(std::move(text)) {}
  explicit SourceText(MappedFile mapped) : mapped_(std::move(mapped)) {}

  std::string_view View() const {
    return mapped_ ? mapped_->View() : std::string_view(text_.data(), text_.size());
  }
  // True when the file was shortened while it was being read: its text is then not to be used.
  bool Damaged() const { return mapped_ && mapped_->Damaged(); }

 private:
  LargeText text_;
  std::optional<MappedFile> mapped_;
};

// The whole file at `path`, decoded as above. Throws FileError when it cannot be opened.
SourceText LoadSourceText(std::string_view path);

}  // namespace kd
