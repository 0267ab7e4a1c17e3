// BBS exports the employees as plain semicolon-separated lines without quotes. Fields are taken
// by position, untrimmed; a column line, where the export has one, does not begin with a digit
// and falls away. Dates come with one- or two-digit day and month and are brought into the
// form dd.mm.yyyy.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

// Columns of the export (zero-based).
constexpr int kPersonnelNumber = 0;
constexpr int kActivityKey = 5;
constexpr int kJobTitle = 6;
constexpr int kEntryDate = 7;
constexpr int kFirstName = 9;
constexpr int kSurname = 10;
constexpr int kStreet = 11;
constexpr int kPostcode = 13;
constexpr int kTown = 14;
constexpr int kBirthDate = 17;
constexpr int kInsuranceNumber = 20;
constexpr int kInsuranceBegin = 21;
constexpr int kTaxClass = 34;
constexpr int kChildAllowances = 35;
constexpr int kReligion = 37;
constexpr int kSpouseReligion = 41;
constexpr int kBic = 44;
constexpr int kBankName = 45;
constexpr int kIban = 46;
constexpr int kAccountHolder = 47;

bool IsEmployeeLine(std::string_view line) {
  return line.size() >= 2 && StartsWithDigit(line);
}

// The employee's religion, followed by "/" and the spouse's when both are two-letter codes
// that differ; "--" when the employee has none.
std::string ChurchCodes(std::string_view religion, std::string_view spouseReligion) {
  if (religion.empty()) return "--";
  if (religion.size() == 2 && spouseReligion.size() == 2 && religion != spouseReligion) {
    return std::string(religion) + "/" + std::string(spouseReligion);
  }
  return std::string(religion);
}

// Flat-rate taxed employees have no tax class: anything that reads as a number below 1
// (empty, "0", a letter) becomes "EP".
std::string TaxClass(std::string_view taxClass) {
  if (LeadingInteger(taxClass) < 1) return "EP";
  return std::string(taxClass);
}

void AddBankConnection(ReaderContext& context, const Columns& columns,
                       std::string_view personnelNumber) {
  if (columns[kIban].size() <= 8) return;
  BankConnection bank;
  bank.personnelNumber = personnelNumber;
  bank.holder = columns[kAccountHolder];
  bank.bankName = columns[kBankName];
  bank.iban = StripBlanks(columns[kIban]);
  bank.bic = StripBlanks(columns[kBic]);
  context.AddBankLine(bank);
}

void ReadEmployee(ReaderContext& context, std::string_view line) {
  const Columns columns(line);
  const std::string_view personnelNumber = columns[kPersonnelNumber];

  RecordBuilder record;
  record.Add("PNr", personnelNumber)
      .Add("Name", columns.Field(kSurname) + ", " + columns.Field(kFirstName))
      .Add("Str", columns[kStreet])
      .Add("Ort", columns.Field(kPostcode) + " " + columns.Field(kTown))
      .Add("Geb", NormalizeDate(columns[kBirthDate]))
      .Add("BegB", NormalizeDate(columns[kEntryDate]))
      .Add("BegV", NormalizeDate(columns[kInsuranceBegin]))
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle])
      .Add("Kirche", ChurchCodes(columns[kReligion], columns[kSpouseReligion]))
      .Add("Taet", columns[kActivityKey])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowances]);
  context.AddRecord(record.Take());

  if (context.TakeBankData()) AddBankConnection(context, columns, personnelNumber);
}

}  // namespace

void ReadBbs(ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.SourceLines()) {
    if (IsEmployeeLine(line)) ReadEmployee(context, line);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
