#include "sourcetext.h"

#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

bool HasHighBytes(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

std::string Utf16ToCp1252(std::string_view bytes, bool bigEndian) {
  const auto unit = [&](std::size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        i += 2;
        out.push_back('?');
        continue;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      out.push_back('?');
      continue;
    }
    out.push_back(UnicodeToCp1252(cp));
  }
  if (i < bytes.size()) out.push_back('?');  // a dangling odd byte
  return out;
}

// The Windows-1252 text of Unicode text; false for text that is read as it stands.
bool ConvertUnicode(std::string_view view, std::string& converted) {
  if (view.starts_with("\xEF\xBB\xBF")) {
    converted = Utf8ToCp1252(view.substr(3));
  } else if (view.starts_with("\xFF\xFE")) {
    converted = Utf16ToCp1252(view.substr(2), false);
  } else if (view.starts_with("\xFE\xFF")) {
    converted = Utf16ToCp1252(view.substr(2), true);
  } else if (HasHighBytes(view) && IsValidUtf8(view)) {
    converted = Utf8ToCp1252(view);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string DecodeSourceText(std::string bytes) {
  std::string converted;
  return ConvertUnicode(bytes, converted) ? converted : bytes;
}

SourceText LoadSourceText(FileSystem& files, std::string_view path) {
  LargeText bytes = ReadLargeFile(files, path);
  std::string converted;
  if (!ConvertUnicode({bytes.data(), bytes.size()}, converted)) return SourceText(std::move(bytes));
  return SourceText(LargeText(converted.data(), converted.size()));
}

}  // namespace kd
