// GDI exports the employees as "Personal.csv": text fields in double quotes, number and date
// fields bare. There is no test for employee lines; every line of the file is an employee, a
// line of column names included. Only a line without any visible character is passed over, so
// that a blank line at the end of the export does not become an empty employee.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

// Columns of the export (zero-based), read with `Quoted` unless noted.
constexpr int kFirstName = 1;
constexpr int kSurname = 2;
constexpr int kStreet = 3;
constexpr int kPostcode = 5;
constexpr int kTown = 6;
constexpr int kNationality = 9;
constexpr int kBirthDate = 10;  // bare
constexpr int kEntryDate = 16;  // bare
constexpr int kBankName = 22;
constexpr int kBic = 25;
constexpr int kIban = 26;
constexpr int kInsuranceNumber = 27;
constexpr int kContributionGroup[] = {29, 30, 31, 32};
constexpr int kTaxClass = 34;
constexpr int kJobTitle = 47;
constexpr int kActivityKey[] = {46, 48, 49, 50, 51};

// The export's text fields lose their quotes and surrounding blanks.
std::string QuotedValue(const Columns& columns, int column) {
  return Trim(columns.Quoted(column));
}

std::string BareValue(const Columns& columns, int column) {
  return Trim(columns[column]);
}

template <std::size_t N>
std::string JoinedQuotedValues(const Columns& columns, const int (&parts)[N]) {
  std::string joined;
  for (const int column : parts) joined += QuotedValue(columns, column);
  return joined;
}

// Flat-rate taxed employees carry a tax class text such as "Pauschal".
std::string TaxClass(const Columns& columns) {
  const std::string taxClass = QuotedValue(columns, kTaxClass);
  if (taxClass.find("Pausch") != std::string::npos) return "EP";
  return taxClass;
}

// The IBAN stands as exported, inner blanks included, filled to 34 characters and followed by
// one blank however long it is.
std::string IbanField(std::string_view iban) {
  return PadRightNoCut(iban, 34) + ' ';
}

void AddBankConnection(ReaderContext& context, const Columns& columns,
                       const std::string& personnelNumber, const std::string& name) {
  const std::string iban = QuotedValue(columns, kIban);
  if (iban.size() <= 8) return;
  BankConnection bank;
  bank.personnelNumber = personnelNumber;
  bank.holder = name;
  bank.bankName = QuotedValue(columns, kBankName);
  bank.iban = IbanField(iban);
  bank.bic = QuotedValue(columns, kBic);
  context.AddBankLine(bank);
}

void ReadEmployee(ReaderContext& context, std::string_view sourceLine) {
  // The export leaves the last column open; an appended semicolon closes it.
  const std::string line = std::string(sourceLine) + ';';
  const Columns columns(line);

  // The personnel number stays exactly as exported, quotes and blanks included.
  const std::string personnelNumber(columns[0]);
  // Surname, ", ", first name; also the account holder of the bank line.
  const std::string name = QuotedValue(columns, kSurname) + ", " + QuotedValue(columns, kFirstName);

  RecordBuilder record;
  record.Add("PNr", personnelNumber)
      .Add("Name", name)
      .Add("Str", QuotedValue(columns, kStreet))
      .Add("Staat", QuotedValue(columns, kNationality))
      .Add("Ort", QuotedValue(columns, kPostcode) + " " + QuotedValue(columns, kTown))
      .Add("Geb", BareValue(columns, kBirthDate))
      .Add("BegB", BareValue(columns, kEntryDate))
      .Add("VNr", QuotedValue(columns, kInsuranceNumber))
      .Add("Art", QuotedValue(columns, kJobTitle))
      .Add("Taet", JoinedQuotedValues(columns, kActivityKey))
      .Add("BG", JoinedQuotedValues(columns, kContributionGroup))
      .Add("StKl", TaxClass(columns));
  context.AddRecord(record.Take());

  if (context.TakeBankData()) AddBankConnection(context, columns, personnelNumber, name);
}

}  // namespace

void ReadGdi(ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.SourceLines()) {
    if (TrimView(line).empty()) continue;
    ReadEmployee(context, line);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
