#include "importformat.h"

#include <algorithm>

#include "text.h"

namespace kd {

std::string ConversionFlagLine(bool convertUmlauts) {
  return convertUmlauts ? "KONV=1;" : "KONV=0;";
}

namespace {

// Appends `text` cut to `width` characters and filled with blanks on the right.
void AppendField(std::string& line, std::string_view text, std::size_t width) {
  const std::size_t n = std::min(text.size(), width);
  line.append(text.data(), n).append(width - n, ' ');
}

// Appends `text` whole, filled with blanks on the right to at least `width` characters.
void AppendFilled(std::string& line, std::string_view text, std::size_t width) {
  line.append(text);
  if (text.size() < width) line.append(width - text.size(), ' ');
}

}  // namespace

std::string FormatBankLine(const BankConnection& bank) {
  std::string line;
  line.reserve(186 + bank.personnelNumber.size() + bank.iban.size() + bank.bic.size());
  if (bank.personnelNumber.size() < 5) line.append(5 - bank.personnelNumber.size(), ' ');
  line += bank.personnelNumber;
  line += ' ';
  AppendField(line, bank.holder, 28);
  AppendField(line, bank.bankCode, 8);
  line += ' ';
  AppendField(line, bank.accountNumber, 13);
  AppendField(line, bank.bankName, 28);
  line.append(51, ' ');
  line += '0';
  AppendFilled(line, bank.iban, 35);
  AppendFilled(line, bank.bic, 14);
  line += 'E';
  return line;
}

}  // namespace kd
