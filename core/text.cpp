#include "text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace kd {

std::string_view TrimView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) < 33) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) < 33) --end;
  return {text.data() + begin, end - begin};
}

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

bool SameUpperAscii(std::string_view a, std::string_view b) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return upper(x) == upper(y); });
}

std::tm LocalCalendarTime(std::time_t time) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &time);
#else
  localtime_r(&time, &local);
#endif
  return local;
}

std::int64_t LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (saturated) continue;
    const int digit = text[i] - '0';
    if (value > (kMax - digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 + digit;
  }
  if (saturated) return negative ? kMin : kMax;
  return negative ? -value : value;
}

namespace {

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// The position of the first control character at or after `from`; `size` when there is none.
std::size_t NextControl(const unsigned char* text, std::size_t from, std::size_t size) {
  std::size_t i = from;
#if defined(__SSE2__) || defined(_M_X64)
  // Sixteen bytes at a time: a byte is below 32 when min(byte, 31) is the byte itself.
  const __m128i below = _mm_set1_epi8(0x1F);
  const __m128i del = _mm_set1_epi8(0x7F);
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(bytes, below), bytes), _mm_cmpeq_epi8(bytes, del));
    if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
      return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
  }
#endif
  while (i < size && !IsControl(text[i])) ++i;
  return i;
}

}  // namespace

bool LineCursor::Next(std::string_view& line) {
  const std::size_t n = contents_.size();
  if (start_ >= n) return false;
  const auto* text = reinterpret_cast<const unsigned char*>(contents_.data());
  control_ = false;
  std::size_t end = NextControl(text, start_, n);
  while (end < n && text[end] != '\r' && text[end] != '\n') {
    control_ = true;
    end = NextControl(text, end + 1, n);
  }
  line = contents_.substr(start_, end - start_);
  start_ = end + 1;
  if (end < n && text[end] == '\r' && start_ < n && text[start_] == '\n') ++start_;
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view contents) {
  std::vector<std::string_view> lines;
  LineCursor cursor(contents);
  for (std::string_view line; cursor.Next(line);) lines.push_back(line);
  return lines;
}

std::string PadRight(std::string_view text, std::size_t width) {
  std::string result(text.substr(0, width));
  result.resize(width, ' ');
  return result;
}

std::string PadRightNoCut(std::string_view text, std::size_t width) {
  std::string result(text);
  if (result.size() < width) result.resize(width, ' ');
  return result;
}

std::string PadLeftNoCut(std::string_view text, std::size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string_view Cut(std::string_view text, std::size_t pos, std::size_t len) {
  if (pos == 0 || pos > text.size()) return {};
  return text.substr(pos - 1, len);
}

namespace {

// Unicode code points of Windows-1252 bytes 0x80-0x9F.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Code page 850 bytes for Windows-1252 bytes 0x80-0xFF.
constexpr std::array<unsigned char, 128> kOem = {
    // 0x80-0x9F: no such characters in code page 850; the nearest plain character.
    'E', '?', ',', 0x9F, '"', '.', '+', '+', '^', '%', 'S', '<', 'O', '?', 'Z', '?',   //
    '?', '\'', '\'', '"', '"', 'o', '-', '-', '~', 'T', 's', '>', 'o', '?', 'z', 'Y',  //
    // 0xA0-0xFF as in code page 850.
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98};

}  // namespace

char UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  // The other characters of the code page are C1 controls or lie between U+0152 and U+2122: most
  // of Unicode needs no look into the table.
  if ((cp >= 0x100 && cp < 0x152) || cp > 0x2122) return '?';
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else if (b < 0xA0) {
      AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

namespace {

// UTF-8 to Windows-1252; `exact` becomes false when a character had to be replaced by "?".
std::string ConvertUtf8(std::string_view text, bool& exact) {
  exact = true;
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    if ((b & 0xE0) == 0xC0) {
      len = 2;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      cp = b & 0x07;
    } else {
      out.push_back('?');
      exact = false;
      ++i;
      continue;
    }
    bool ok = i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) {
        ok = false;
      } else {
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (!ok) {
      out.push_back('?');
      exact = false;
      ++i;
      continue;
    }
    const char converted = UnicodeToCp1252(cp);
    if (converted == '?' && cp != U'?') exact = false;
    out.push_back(converted);
    i += len;
  }
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string Utf8ToCp1252(std::string_view text) {
  bool exact = true;
  return ConvertUtf8(text, exact);
}

bool Utf8ToCp1252Exact(std::string_view text, std::string& out) {
  bool exact = true;
  out = ConvertUtf8(text, exact);
  return exact;
}

void CharToOemInPlace(char* text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) text[i] = static_cast<char>(kOem[b - 0x80]);
  }
}

std::string CharToOem(std::string_view text) {
  std::string out(text);
  CharToOemInPlace(out.data(), out.size());
  return out;
}

}  // namespace kd
