#include "importformat.h"

#include "text.h"

namespace kd {

std::string ConversionFlagLine(bool convertUmlauts) {
  return convertUmlauts ? "KONV=1;" : "KONV=0;";
}

std::string FormatBankLine(const BankConnection& bank) {
  std::string line;
  line.reserve(186 + bank.personnelNumber.size() + bank.iban.size() + bank.bic.size());
  AppendBankLine(line, bank);
  return line;
}

}  // namespace kd
