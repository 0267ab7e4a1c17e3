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

// The export's text fields lose their quotes (the first and the last character, whatever they
// are) and surrounding blanks.
std::string_view QuotedValue(const Columns& columns, int column) {
  const std::string_view field = columns[column];
  if (field.size() < 2) return {};
  return TrimView(field.substr(1, field.size() - 2));
}

std::string_view BareValue(const Columns& columns, int column) {
  return TrimView(columns[column]);
}

// The quoted values of several columns one after the other, in `joined`.
template <std::size_t N>
const std::string& JoinedQuotedValues(const Columns& columns, const int (&parts)[N],
                                      std::string& joined) {
  joined.clear();
  for (const int column : parts) joined.append(QuotedValue(columns, column));
  return joined;
}

// Flat-rate taxed employees carry a tax class text such as "Pauschal".
std::string_view TaxClass(const Columns& columns) {
  const std::string_view taxClass = QuotedValue(columns, kTaxClass);
  if (taxClass.find("Pausch") != std::string_view::npos) return "EP";
  return taxClass;
}

// The IBAN stands as exported, inner blanks included, filled to 34 characters and followed by
// one blank however long it is.
void AssignIbanField(std::string_view iban, std::string& field) {
  field.assign(iban);
  if (field.size() < 34) field.append(34 - field.size(), ' ');
  field.append(1, ' ');
}

void AddBankConnection(ReaderContext& context, const Columns& columns,
                       std::string_view personnelNumber, BankConnection& bank) {
  const std::string_view iban = QuotedValue(columns, kIban);
  if (iban.size() <= 8) return context.BankDataUnused(Warning::IbanTooShort, iban);
  bank.personnelNumber = personnelNumber;
  // Surname, ", ", first name, as in the record.
  bank.holder.assign(QuotedValue(columns, kSurname))
      .append(", ")
      .append(QuotedValue(columns, kFirstName));
  bank.bankName = QuotedValue(columns, kBankName);
  AssignIbanField(iban, bank.iban);
  bank.bic = QuotedValue(columns, kBic);
  context.AddBankLine(bank);
}

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  Columns columns;
  RecordBuilder record;
  std::string joined;
  BankConnection bank;
};

void ReadEmployee(ReaderContext& context, std::string_view line, Workspace& work) {
  // The export leaves the last column open; the line is split as if a semicolon closed it.
  const Columns& columns = work.columns.AssignClosed(line);

  // The personnel number stays exactly as exported, quotes and blanks included.
  const std::string_view personnelNumber = columns[0];

  RecordBuilder& record = work.record;
  record.Clear();
  record.Add("PNr", personnelNumber)
      .AddJoined("Name", {QuotedValue(columns, kSurname), ", ", QuotedValue(columns, kFirstName)})
      .Add("Str", QuotedValue(columns, kStreet))
      .Add("Staat", QuotedValue(columns, kNationality))
      .AddJoined("Ort", {QuotedValue(columns, kPostcode), " ", QuotedValue(columns, kTown)})
      .Add("Geb", BareValue(columns, kBirthDate))
      .Add("BegB", BareValue(columns, kEntryDate))
      .Add("VNr", QuotedValue(columns, kInsuranceNumber))
      .Add("Art", QuotedValue(columns, kJobTitle))
      .Add("Taet", JoinedQuotedValues(columns, kActivityKey, work.joined))
      .Add("BG", JoinedQuotedValues(columns, kContributionGroup, work.joined))
      .Add("StKl", TaxClass(columns));
  context.AddRecord(record);

  if (context.TakeBankData()) AddBankConnection(context, columns, personnelNumber, work.bank);
}

}  // namespace

void ReadGdi(ReaderContext& context) {
  context.AddFlagLine();
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    if (TrimView(line).empty()) {
      context.SkipLine(line, SkipReason::BlankLine);
      continue;
    }
    ReadEmployee(context, line, work);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What a GDI export looks like: no column line, every line an employee with 51 or more
// semicolons of its own; the texts in double quotes, the dates at columns 10 and 16 bare.
double GdiFit(const ExportHead& head) {
  constexpr int kPersonnelNumber = 0;
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number, FieldForm::QuotedOrBare},
      {kFirstName, FieldKind::Name, FieldForm::Quoted},
      {kSurname, FieldKind::Name, FieldForm::Quoted},
      {kStreet, FieldKind::Text, FieldForm::Quoted},
      {kPostcode, FieldKind::Postcode, FieldForm::Quoted},
      {kTown, FieldKind::Name, FieldForm::Quoted},
      {kNationality, FieldKind::Number, FieldForm::Quoted},
      {kBirthDate, FieldKind::Date},
      {kEntryDate, FieldKind::Date},
      {kBankName, FieldKind::Text, FieldForm::Quoted},
      {kBic, FieldKind::Bic, FieldForm::Quoted},
      {kIban, FieldKind::Iban, FieldForm::Quoted},
      {kInsuranceNumber, FieldKind::InsuranceNumber, FieldForm::Quoted},
      {kContributionGroup[0], FieldKind::Number, FieldForm::Quoted},
      {kContributionGroup[3], FieldKind::Number, FieldForm::Quoted},
      {kActivityKey[0], FieldKind::Number, FieldForm::Quoted},
      {kJobTitle, FieldKind::Text, FieldForm::Quoted},
  };
  static constexpr std::string_view kFileNames[] = {"Personal.csv"};
  static constexpr ExportLook kLook{.semicolons = kActivityKey[4] + 1,
                                    .everyLineIsEmployee = true,
                                    .fields = kFields,
                                    .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
