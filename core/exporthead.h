// The beginning of an export as recognition looks at it: the first bytes of the file decoded as
// a run decodes the whole file, its complete lines, and the file's name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fields.h"

namespace kd {

// Recognition reads no more than this of a file: the column line and some dozens of employee
// lines of every layout, so that it takes no time on an export of any size.
inline constexpr std::size_t kRecognitionHeadBytes = 64 * 1024;

class ExportHead {
 public:
  // At most this many lines that are not blank are looked at.
  static constexpr std::size_t kMaxLines = 200;

  // `text`: complete lines of Windows-1252 text; `fileName`: a path or a bare file name.
  ExportHead(std::string text, std::string_view fileName);
  ExportHead(const ExportHead&) = delete;
  ExportHead& operator=(const ExportHead&) = delete;

  // The first line of the file, blank or not, as the run takes it for the column line.
  std::string_view FirstLine() const { return firstLine_; }
  // The first line that is not blank, when it does not begin with a digit: the column line of
  // an export that has one. Empty otherwise.
  std::string_view ColumnLine() const { return columnLine_; }
  // The lines that are not blank, the column line included, in file order.
  const std::vector<std::string_view>& Lines() const { return lines_; }
  // The columns of Lines()[i], split once for all the layouts that look at them.
  const Columns& LineColumns(std::size_t i) const { return columns_[i]; }
  // The file's name without its folder.
  std::string_view FileName() const { return fileName_; }
  // The whole text looked at, as a reader would take it.
  std::string_view Text() const { return text_; }
  // True when the file's name matches `pattern`, both in upper case, "*" standing for any text.
  bool FileNameMatches(std::string_view pattern) const;

 private:
  std::string text_;
  std::string fileName_;
  std::string_view firstLine_;
  std::string_view columnLine_;
  std::vector<std::string_view> lines_;
  std::vector<Columns> columns_;
};

// The Windows-1252 text of the first bytes of a file as a run would decode the whole file
// (Windows-1252, UTF-8 with or without byte-order mark, UTF-16 with byte-order mark). When
// `cut` says the file goes on, only its complete lines are kept, so that neither a line nor a
// character cut at the end is looked at.
std::string DecodeHead(std::string_view bytes, bool cut);

// The head of a file from its bytes: `bytes` holds the file or its beginning (at least
// kRecognitionHeadBytes + 1 bytes of a longer file, of which the first kRecognitionHeadBytes
// are looked at).
std::string HeadOfBytes(std::string_view bytes);
// The same for text already decoded to Windows-1252 (such as a run's source text).
std::string HeadOfText(std::string_view text);
// The first kRecognitionHeadBytes + 1 bytes of the file at `path` (a UTF-8 path). Throws
// FileError when the file cannot be opened or read.
std::string ReadHeadBytes(std::string_view path);

}  // namespace kd
