#include "exporthead.h"

#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

bool MatchesPattern(std::string_view text, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return text == pattern;
  const std::string_view prefix = pattern.substr(0, star);
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  pattern.remove_prefix(star + 1);
  for (std::size_t from = 0; from <= text.size(); ++from) {
    if (MatchesPattern(text.substr(from), pattern)) return true;
  }
  return false;
}

// The text up to and with its last line break; all of it when it has none.
std::string_view UpToLastLineBreak(std::string_view text) {
  const std::size_t end = text.find_last_of("\r\n");
  return end == std::string_view::npos ? text : text.substr(0, end + 1);
}

// The bytes without a UTF-8 sequence that the end cuts short.
std::string_view WithoutCutSequence(std::string_view bytes) {
  for (std::size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
    const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t length = 1;
    if (b >= 0xF0) {
      length = 4;
    } else if (b >= 0xE0) {
      length = 3;
    } else if (b >= 0xC0) {
      length = 2;
    }
    return length > back ? bytes.substr(0, bytes.size() - back) : bytes;
  }
  return bytes;
}

}  // namespace

ExportHead::ExportHead(std::string text, std::string_view fileName)
    : text_(std::move(text)), fileName_(PathName(fileName)) {
  const std::vector<std::string_view> lines = SplitLines(text_);
  if (!lines.empty()) firstLine_ = lines.front();
  for (const std::string_view line : lines) {
    if (TrimView(line).empty()) continue;
    if (lines_.empty() && !StartsWithDigit(line)) columnLine_ = line;
    lines_.push_back(line);
    if (lines_.size() == kMaxLines) break;
  }
  // Split in one scratch object and copied: each line's columns get one block of their own.
  columns_.reserve(lines_.size());
  Columns scratch;
  for (const std::string_view line : lines_) columns_.push_back(scratch.Assign(line));
}

bool ExportHead::FileNameMatches(std::string_view pattern) const {
  return MatchesPattern(UpperAscii(fileName_), UpperAscii(pattern));
}

std::string DecodeHead(std::string_view bytes, bool cut) {
  const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  if (utf16) {
    if (bytes.size() % 2 != 0) bytes.remove_suffix(1);
    const std::string text = DecodeSourceText(std::string(bytes));
    return cut ? std::string(UpToLastLineBreak(text)) : text;
  }
  if (cut) bytes = UpToLastLineBreak(bytes);
  return DecodeSourceText(std::string(WithoutCutSequence(bytes)));
}

std::string HeadOfBytes(std::string_view bytes) {
  const bool cut = bytes.size() > kRecognitionHeadBytes;
  return DecodeHead(bytes.substr(0, kRecognitionHeadBytes), cut);
}

std::string HeadOfText(std::string_view text) {
  std::string_view head = text.substr(0, kRecognitionHeadBytes);
  if (text.size() > kRecognitionHeadBytes) head = UpToLastLineBreak(head);
  return std::string(head);
}

std::string ReadHeadBytes(std::string_view path) {
  FileSystem& files = DiskFiles();
  if (!RegularFileExists(path)) throw FileError::CannotOpen(path, Missing(files, path));
  Outcome why;
  const std::unique_ptr<InputFile> in = files.Open(std::string(path), why);
  if (!in) throw FileError::CannotOpen(path, why);
  std::string bytes(kRecognitionHeadBytes + 1, '\0');
  std::size_t have = 0;
  std::size_t got = 1;
  while (have < bytes.size() && got != 0) {
    why = in->Read(bytes.data() + have, bytes.size() - have, got);
    if (!why.Ok()) throw FileError::CannotOpen(path, why);
    have += got;
  }
  bytes.resize(have);
  return bytes;
}

}  // namespace kd
