// The field functions that every reader shares. A line is split at every semicolon; no quoting
// is recognised. Column 0 is the text before the first semicolon, column n the text between the
// n-th and the (n+1)-th semicolon. A column exists only when a semicolon closes it: any column
// the line does not close reads as empty text, and no read ever goes outside the line.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

class UserInterface;

// Text of column n (n >= 0), filled on the left with "0" up to `width` characters (0 = none).
// A longer text is not cut.
std::string FieldNo(std::string_view line, int n, std::size_t width = 0);

// Column n without its first and its last character (whatever they are): the enclosing double
// quotes of a quoted field fall away. A field of fewer than two characters gives empty text.
std::string QuotedFieldNo(std::string_view line, int n);

// Column k + 1, filled with "0" up to `width`. Index -1 reads column 0.
std::string FieldAt(std::string_view line, int k, std::size_t width = 0);

// A line split once into its columns, for readers that take many fields of one line. Gives
// exactly what FieldNo and QuotedFieldNo give for the same line.
class Columns {
 public:
  Columns() = default;
  explicit Columns(std::string_view line);
  // A copy holds this line's columns only, not the room kept for longer lines.
  Columns(const Columns& other);
  Columns& operator=(const Columns& other);
  Columns(Columns&& other) noexcept;
  Columns& operator=(Columns&& other) noexcept;
  // Splits another line, keeping the room of the earlier split: a reader that takes one line
  // after the other splits them all with one object.
  Columns& Assign(std::string_view line);
  // Splits the line as if a semicolon were appended to it: its last column is closed too.
  // Gives the columns Assign gives for the line with ";" appended, without copying the line;
  // Line() is the line as passed.
  Columns& AssignClosed(std::string_view line);
  // Column n as a view into the line (empty when the line does not close it).
  std::string_view operator[](int n) const;
  std::string Field(int n, std::size_t width = 0) const;
  std::string Quoted(int n) const;
  // Number of closed columns (the number of semicolons of the line).
  int Count() const { return static_cast<int>(count_); }
  std::string_view Line() const { return line_; }

 private:
  std::string_view line_;
  // The 0-based offsets of the line's semicolons are the first `count_`; the rest is room kept
  // for the next line, so that splitting a line writes its offsets without growing the list.
  std::vector<std::size_t> semicolons_;
  std::size_t count_ = 0;
};

// The Lexware column line: the first line of the file with ";" appended, the 1-based positions
// of its first 500 semicolons (the appended one is not entered) and the column shift.
struct ColumnTable {
  static constexpr int kEntries = 500;
  std::array<int, kEntries> positions{};  // 0 after the last recorded semicolon
  int shift = 0;
};

// Fills `table` from `headerLine` (the first line with ";" appended) and sets the shift to 0.
void FillColumnTable(std::string_view headerLine, ColumnTable& table);

// The table entry of the column whose name (with its enclosing semicolons) stands first in
// `headerLine`, or -1 when the name is absent or not right after a recorded semicolon. It
// depends on the column line only, so a reader can find it once per file.
int HeaderColumnIndex(std::string_view name, std::string_view headerLine, const ColumnTable& table);

// The data line's column under table entry `index` (from HeaderColumnIndex), moved left by
// `shift`: the column after the (index - shift + 1)-th semicolon, column 0 for index - shift = -1.
// Empty text for index -1.
std::string_view FieldUnderHeader(const Columns& line, int index, int shift);

// The data line's column whose name (passed with its enclosing semicolons, e.g. ";Name;")
// stands first in `headerLine`, moved left by the table's shift; empty text when the name is
// absent or not right after a recorded semicolon.
std::string FieldByHeader(std::string_view name, std::string_view dataLine,
                          std::string_view headerLine, const ColumnTable& table,
                          std::size_t width = 0);

// The text without any blank (code 32); tabs and other white space stay.
std::string StripBlanks(std::string_view text);
// The same into `target`, which keeps its room for the next line.
void AssignWithoutBlanks(std::string& target, std::string_view text);

// A date with two dots and day and month of one or two digits as dd.mm.yyyy; up to four year
// characters are kept, anything after them is dropped. Fewer than two dots: unchanged.
std::string NormalizeDate(std::string_view text);

// "EINS" .. "SECHS" (exact, with "FÜNF" in Windows-1252) to "1" .. "6"; anything else empty.
std::string TaxClassWordToDigit(std::string_view text);

// A personnel number of more than four characters is cut to its last four, with the notice
// box "Hinweis" shown before returning; a shorter one is returned unchanged.
std::string CheckPersonnelNumber(std::string_view number, UserInterface& ui);

}  // namespace kd
