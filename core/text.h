// Small text operations on single-byte Windows-1252 text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

// Removes all leading and trailing characters with a code below 33 (blanks and control
// characters); inner blanks stay.
std::string Trim(std::string_view text);
std::string_view TrimView(std::string_view text);

// Upper case of the letters a-z only; every other byte stays as it is.
std::string UpperAscii(std::string_view text);
// The two texts are the same when their letters a-z are compared in upper case, as UpperAscii
// gives them, without a copy.
bool SameUpperAscii(std::string_view a, std::string_view b);

// Reads a leading integer: leading white space, an optional sign, then the digits up to the
// first other character. No digits give 0. A number too large saturates at the limits of
// int64 instead of overflowing.
std::int64_t LeadingInteger(std::string_view text);

// `time` as a calendar date and time of the local time zone.
std::tm LocalCalendarTime(std::time_t time);

// True for the digits "0" to "9".
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// True when `text` begins with a digit "0" to "9".
inline bool StartsWithDigit(std::string_view text) {
  return !text.empty() && IsDigit(text.front());
}

// True when `text` is not empty and holds digits only.
inline bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// Splits file contents into lines at CRLF, LF or a lone CR. A final line break starts no
// extra line; empty contents have no lines. The views point into `contents`.
std::vector<std::string_view> SplitLines(std::string_view contents);

// The lines of file contents one after the other, split as SplitLines splits them, without a
// list of them all: an export of millions of short lines costs no memory per line. The one
// pass that finds the line breaks also tells whether a line holds another control character
// (a byte below 32, or 127).
class LineCursor {
 public:
  explicit LineCursor(std::string_view contents) : contents_(contents) {}
  // The next line into `line`; false after the last one.
  bool Next(std::string_view& line);
  // True when the line Next gave last holds a control character.
  bool ControlCharacterInLine() const { return control_; }

 private:
  std::string_view contents_;
  std::size_t start_ = 0;
  bool control_ = false;
};

// Text of `text` cut to at most `width` characters and filled with blanks on the right.
std::string PadRight(std::string_view text, std::size_t width);
// Text filled with blanks on the right to at least `width` characters; never cut.
std::string PadRightNoCut(std::string_view text, std::size_t width);
// Text filled with blanks on the left to at least `width` characters; never cut.
std::string PadLeftNoCut(std::string_view text, std::size_t width);

// Characters of `text` from 1-based position `pos`, at most `len` of them; positions beyond
// the end are left out.
std::string_view Cut(std::string_view text, std::size_t pos, std::size_t len);

// Windows-1252 to UTF-8 for everything shown to a person (messages, memos, console). Bytes
// that Windows-1252 leaves undefined map to the C1 control of the same code.
std::string Cp1252ToUtf8(std::string_view text);
// The Windows-1252 byte of a Unicode code point; "?" for one that Windows-1252 lacks.
char UnicodeToCp1252(char32_t cp);
// UTF-8 to Windows-1252 for what a person typed or a path the system gave. Characters that
// Windows-1252 lacks, and malformed sequences, become "?".
std::string Utf8ToCp1252(std::string_view text);
// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);
// The same for a text that must arrive unchanged, such as a path: false when a character has no
// Windows-1252 code or the UTF-8 is malformed (`out` then holds the text with "?").
bool Utf8ToCp1252Exact(std::string_view text, std::string& out);

// Windows-1252 to the OEM code page 850 of German Windows, byte for byte. Bytes below 0x80
// stay; 0xA0-0xFF map as in code page 850; 0x80-0x9F, which code page 850 lacks, become the
// nearest plain character.
std::string CharToOem(std::string_view text);
void CharToOemInPlace(char* text, std::size_t size);

}  // namespace kd
