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
void AddChurchCodes(std::string_view religion, std::string_view spouseReligion,
                    RecordBuilder& record) {
  if (religion.empty()) {
    record.Add("Kirche", "--");
  } else if (religion.size() == 2 && spouseReligion.size() == 2 && religion != spouseReligion) {
    record.AddJoined("Kirche", {religion, "/", spouseReligion});
  } else {
    record.Add("Kirche", religion);
  }
}

// Flat-rate taxed employees have no tax class: anything that reads as a number below 1
// (empty, "0", a letter) becomes "EP".
std::string_view TaxClass(std::string_view taxClass) {
  if (LeadingInteger(taxClass) < 1) return "EP";
  return taxClass;
}

void AddBankConnection(ReaderContext& context, const Columns& columns,
                       std::string_view personnelNumber, BankConnection& bank) {
  if (columns[kIban].size() <= 8)
    return context.BankDataUnused(Warning::IbanTooShort, columns[kIban]);
  bank.personnelNumber = personnelNumber;
  bank.holder = columns[kAccountHolder];
  bank.bankName = columns[kBankName];
  AssignWithoutBlanks(bank.iban, columns[kIban]);
  AssignWithoutBlanks(bank.bic, columns[kBic]);
  context.AddBankLine(bank);
}

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  Columns columns;
  RecordBuilder record;
  BankConnection bank;
};

void ReadEmployee(ReaderContext& context, std::string_view line, Workspace& work) {
  const Columns& columns = work.columns.Assign(line);
  const std::string_view personnelNumber = columns[kPersonnelNumber];

  RecordBuilder& record = work.record;
  record.Clear();
  record.Add("PNr", personnelNumber)
      .AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]})
      .Add("Str", columns[kStreet])
      .AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]})
      .Add("Geb", NormalizeDate(columns[kBirthDate]))
      .Add("BegB", NormalizeDate(columns[kEntryDate]))
      .Add("BegV", NormalizeDate(columns[kInsuranceBegin]))
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle]);
  AddChurchCodes(columns[kReligion], columns[kSpouseReligion], record);
  record.Add("Taet", columns[kActivityKey])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowances]);
  context.AddRecord(record);

  if (context.TakeBankData()) AddBankConnection(context, columns, personnelNumber, work.bank);
}

// The names of the export's column line, where the export has one, in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "PersNr"}, {kFirstName, "Vorname"},
    {kSurname, "Nachname"},       {kStreet, "Strasse"},
    {kPostcode, "PLZ"},           {kTown, "Ort"},
    {kBirthDate, "Geburtsdatum"}, {kInsuranceNumber, "Versicherungsnummer"},
    {kTaxClass, "Steuerklasse"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadBbs(ReaderContext& context) {
  context.AddFlagLine();
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    if (IsEmployeeLine(line)) {
      ReadEmployee(context, line, work);
    } else {
      context.SkipNonEmployeeLine(line, IsColumnLine);
    }
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What a BBS export looks like: plain employee lines of 48 or more semicolons, a column line
// where the export has one (its names are not fixed), dates written as short as 1.4.2005 at
// columns 7, 17 and 21, and the bank connection with BIC and IBAN at columns 44 to 46.
double BbsFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kActivityKey, FieldKind::Number},
      {kJobTitle, FieldKind::Text},
      {kEntryDate, FieldKind::Date},
      {kFirstName, FieldKind::Name},
      {kSurname, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::Date},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kInsuranceBegin, FieldKind::Date},
      {kTaxClass, FieldKind::TaxClass},
      {kChildAllowances, FieldKind::Decimal},
      {kBic, FieldKind::Bic},
      {kBankName, FieldKind::Text},
      {kIban, FieldKind::Iban},
  };
  static constexpr ExportLook kLook{.semicolons = kAccountHolder + 1, .fields = kFields};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
