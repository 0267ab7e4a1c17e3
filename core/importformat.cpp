#include "importformat.h"

#include "text.h"

namespace kd {

std::string ConversionFlagLine(bool convertUmlauts) {
  return convertUmlauts ? "KONV=1;" : "KONV=0;";
}

std::string FormatBankLine(const BankConnection& bank) {
  std::string line;
  line.reserve(190);
  line += PadLeftNoCut(bank.personnelNumber, 5);
  line += ' ';
  line += PadRight(bank.holder, 28);
  line += PadRight(bank.bankCode, 8);
  line += ' ';
  line += PadRight(bank.accountNumber, 13);
  line += PadRight(bank.bankName, 28);
  line.append(51, ' ');
  line += '0';
  line += PadRightNoCut(bank.iban, 35);
  line += PadRightNoCut(bank.bic, 14);
  line += 'E';
  return line;
}

}  // namespace kd
