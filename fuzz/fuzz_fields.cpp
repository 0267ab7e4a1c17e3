// Arbitrary lines and column numbers through the field functions and the text operations the
// readers build on. Layout of the input:
//   bytes 0-1  column number n, little endian, read as n % 1030 - 3 (so -3 .. 1026)
//   byte 2     fill width (0-15) and, in bit 4, the column shift of the Lexware table
//   rest       a column line and a data line, split at the first line feed
// Two implementations of the column rule (FieldNo and the split-once Columns) must agree, and
// every operation must keep its documented shape.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fields.h"
#include "fuzz_support.h"
#include "importformat.h"
#include "sourcetext.h"
#include "text.h"

namespace {

using kdfuzz::Require;

void CheckColumns(std::string_view line, int n, std::size_t width) {
  const kd::Columns columns(line);
  std::size_t semicolons = 0;
  for (const char c : line) semicolons += c == ';';
  Require(static_cast<std::size_t>(columns.Count()) == semicolons, "one column per semicolon");

  // Every column up to a bound, the chosen one and the ones around the end.
  const int last = columns.Count();
  auto check = [&](int k) {
    const std::string field = kd::FieldNo(line, k, width);
    Require(field == columns.Field(k, width), "FieldNo and Columns agree");
    Require(kd::QuotedFieldNo(line, k) == columns.Quoted(k), "QuotedFieldNo and Columns agree");
    Require(field.size() >= width, "the fill width is reached");
    const std::string_view view = columns[k];
    Require(view.empty() || (view.data() >= line.data() &&
                             view.data() + view.size() <= line.data() + line.size()),
            "a column lies inside its line");
    Require(view.find(';') == std::string_view::npos, "a column holds no semicolon");
    if (k >= 0) Require(kd::FieldAt(line, k - 1, width) == field, "FieldAt(k - 1) is FieldNo(k)");
    if (k < 0 || k >= last) Require(view.empty(), "an unclosed column is empty");
  };
  for (int k = -1; k <= last + 1 && k < 64; ++k) check(k);
  check(n);
  check(last);
}

void CheckHeaderLookup(std::string_view header, std::string_view dataLine, int n, std::size_t width,
                       int shift) {
  std::string headerLine(header);
  headerLine += ';';
  kd::ColumnTable table;
  kd::FillColumnTable(headerLine, table);
  table.shift = shift;
  int recorded = 0;
  for (const int position : table.positions) {
    if (position == 0) break;
    Require(position >= 1 && static_cast<std::size_t>(position) <= header.size() &&
                header[static_cast<std::size_t>(position) - 1] == ';',
            "the column table records semicolons of the line");
    ++recorded;
  }
  for (int k = recorded; k < kd::ColumnTable::kEntries; ++k) {
    Require(table.positions[static_cast<std::size_t>(k)] == 0, "entries after the last are 0");
  }
  // A name taken from the header itself, and the raw data line as a name.
  const std::string name = ";" + kd::FieldNo(headerLine, n < 0 ? 0 : n % 600) + ";";
  const std::string found = kd::FieldByHeader(name, dataLine, headerLine, table, width);
  Require(found.empty() || found.size() >= width, "a found column is filled");
  kd::FieldByHeader(dataLine, dataLine, headerLine, table, width);
  kd::FieldByHeader({}, dataLine, headerLine, table, width);
}

void CheckTextOperations(std::string_view text, int n, std::size_t width) {
  const std::string stripped = kd::StripBlanks(text);
  std::size_t blanks = 0;
  for (const char c : text) blanks += c == ' ';
  Require(stripped.size() == text.size() - blanks && stripped.find(' ') == std::string::npos,
          "StripBlanks removes the blanks and nothing else");

  const std::string date = kd::NormalizeDate(text);
  const std::size_t d1 = text.find('.');
  if (d1 != std::string_view::npos && text.find('.', d1 + 1) != std::string_view::npos) {
    Require(date.size() <= 10, "a normalized date has at most ten characters");
  } else {
    Require(date == text, "a text with fewer than two dots stays");
  }

  const std::string digit = kd::TaxClassWordToDigit(text);
  Require(digit.empty() || (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '6'),
          "a tax class is 1 to 6");

  kdfuzz::QuietUi ui;
  const std::string number = kd::CheckPersonnelNumber(text, ui);
  Require(number.size() == std::min<std::size_t>(text.size(), 4) &&
              text.substr(text.size() - number.size()) == number,
          "a personnel number keeps its last four characters");
  Require(ui.messages == (text.size() > 4 ? 1 : 0), "a shortened number is reported once");

  const std::string_view trimmed = kd::TrimView(text);
  Require(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) >= 33 &&
                              static_cast<unsigned char>(trimmed.back()) >= 33),
          "Trim removes control characters and blanks at both ends");
  Require(kd::UpperAscii(text).size() == text.size(), "UpperAscii keeps the length");
  kd::LeadingInteger(text);

  const std::size_t pos = static_cast<std::size_t>(n < 0 ? -n : n);
  const std::string_view cut = kd::Cut(text, pos, width);
  Require(cut.size() <= width, "Cut gives at most the length asked for");
  Require(kd::PadRight(text, width).size() == width, "PadRight gives exactly the width");
  Require(kd::PadRightNoCut(text, width).size() == std::max(width, text.size()),
          "PadRightNoCut never cuts");
  Require(kd::PadLeftNoCut(text, width).size() == std::max(width, text.size()),
          "PadLeftNoCut never cuts");

  Require(kd::Utf8ToCp1252(kd::Cp1252ToUtf8(text)) == text,
          "Windows-1252 survives the way through UTF-8 and back");
  const std::string oem = kd::CharToOem(text);
  Require(oem.size() == text.size(), "the OEM conversion keeps the length");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      Require(oem[i] == text[i], "the OEM conversion keeps plain characters");
    }
  }

  const std::string decoded = kd::DecodeSourceText(std::string(text));
  bool high = false;
  for (const char c : text) high = high || static_cast<unsigned char>(c) >= 0x80;
  if (!high) Require(decoded == text, "plain text is read byte for byte");

  std::size_t covered = 0;
  for (const std::string_view line : kd::SplitLines(text)) {
    Require(line.find_first_of("\r\n") == std::string_view::npos, "a line holds no line break");
    Require(line.data() >= text.data() && line.data() + line.size() <= text.data() + text.size(),
            "a line lies inside the text");
    covered += line.size();
  }
  Require(covered <= text.size(), "the lines are parts of the text");
}

void CheckBankLine(std::string_view line) {
  const kd::Columns columns(line);
  kd::BankConnection bank;
  bank.personnelNumber = columns.Field(0);
  bank.holder = columns.Field(1);
  bank.bankCode = columns.Field(2);
  bank.accountNumber = columns.Field(3);
  bank.bankName = columns.Field(4);
  bank.iban = columns.Field(5);
  bank.bic = columns.Field(6);
  const std::string formatted = kd::FormatBankLine(bank);
  Require(!formatted.empty() && formatted.back() == 'E', "a bank line ends with E");
  if (bank.personnelNumber.size() <= 5 && bank.bankCode.size() <= 8 && bank.iban.size() <= 35 &&
      bank.bic.size() <= 14) {
    Require(formatted.size() == 186, "a bank line whose fields fit has 186 characters");
    Require(formatted[135] == '0', "position 136 holds 0");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int n = static_cast<int>((data[0] | (data[1] << 8)) % 1030) - 3;
  const std::size_t width = data[2] & 0x0F;
  const int shift = (data[2] & 0x10) != 0 ? 1 : 0;
  const std::string_view rest = kdfuzz::AsText(data + 3, size - 3);
  const std::size_t split = rest.find('\n');
  const std::string_view header = rest.substr(0, split);
  const std::string_view dataLine = split == std::string_view::npos ? rest : rest.substr(split + 1);

  CheckColumns(dataLine, n, width);
  CheckColumns(header, n, width);
  CheckHeaderLookup(header, dataLine, n, width, shift);
  CheckTextOperations(rest, n, width);
  CheckBankLine(dataLine);
  return 0;
}
