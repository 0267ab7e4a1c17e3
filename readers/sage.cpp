// Sage: the employee list, semicolon-separated without quotes, its column line first and one
// line per employee. Fields are taken by their position; the export carries the bank's name
// and the IBAN but no BIC.
#include <algorithm>
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {
namespace {

// Columns of the export (0 is the text before the first semicolon).
constexpr int kPersonnelNumber = 0;     // "Pers-Nr"
constexpr int kFirstName = 1;           // "Vorname"
constexpr int kSurname = 2;             // "Name"
constexpr int kStreet = 3;              // "Straße"
constexpr int kPostcode = 4;            // "Postleitzahl"
constexpr int kTown = 5;                // "Ort"
constexpr int kNationality = 10;        // "Nationalität"
constexpr int kEntryDate = 13;          // "Eintritt"
constexpr int kBirthDate = 17;          // "Geburtsdatum"
constexpr int kBankName = 21;           // "Bank"
constexpr int kIban = 22;               // "IBAN"
constexpr int kTaxClass = 24;           // "Steuerklasse"
constexpr int kChildAllowance = 25;     // "Kinderfreibetrag"
constexpr int kFactor = 26;             // "Faktor"
constexpr int kChurchTax = 27;          // "Kirchensteuer"
constexpr int kTaxId = 30;              // "Steuer-ID"
constexpr int kInsuranceNumber = 31;    // "Rentenversicherungsnummer"
constexpr int kPersonGroup = 32;        // "Personengruppenschlüssel"
constexpr int kActivityKey = 34;        // "Tätigkeitsschlüssel"
constexpr int kJobTitle = 35;           // "Tätigkeit"
constexpr int kActivityB1 = 36;         // "B1"
constexpr int kActivityB2 = 38;         // "B2"
constexpr int kContributionGroup = 40;  // "SV-Schlüssel"
constexpr int kParentStatus = 46;       // "Elterneigenschaft"
constexpr int kHazardTariff = 54;       // "Gefahrentarifstelle"

// Only an IBAN longer than this, counted as exported (blanks included), gives a bank line.
constexpr std::size_t kShortestIban = 8;

bool IsEmployeeLine(std::string_view line) {
  return line.size() >= 2 && StartsWithDigit(line);
}

// Sage writes the nationality as a word; only German nationality is taken over, as key 000.
bool IsGerman(std::string_view nationality) {
  return nationality == "deutsch";
}

// Sage writes the confessions of a couple as "rk ev"; Kandrel joins them with a slash, and
// wants every code in capitals.
std::string ChurchValue(std::string_view churchTax) {
  std::string value(churchTax);
  if (value == "rk ev") value = "RK/EV";
  if (value == "ev rk") value = "EV/RK";
  return UpperAscii(value);
}

// Parent status is set only when the export names the tax card as its source.
std::string_view ParentStatus(std::string_view parentStatus) {
  return parentStatus == "Lohnsteuerkarte" ? "1" : "0";
}

// The factor of the factor procedure with a decimal point; a factor of 0 means none.
std::string Factor(std::string_view factor) {
  std::string value(factor);
  std::replace(value.begin(), value.end(), ',', '.');
  if (value == "0") return "";
  return value;
}

// The activity key is spread over three columns of the export; joined they form the key.
void AddActivityKey(const Columns& columns, RecordBuilder& record) {
  record.AddJoined("Taet", {columns[kActivityKey], columns[kActivityB1], columns[kActivityB2]});
}

void AddNamePair(const Columns& columns, RecordBuilder& record) {
  record.AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]});
}

void BuildRecord(const Columns& columns, RecordBuilder& record) {
  record.Clear();
  record.Add("PNr", columns[kPersonnelNumber]);
  AddNamePair(columns, record);
  record.Add("Str", columns[kStreet]).AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]});
  if (IsGerman(columns[kNationality])) record.AddItems("Staat=000;");
  record.Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle])
      .Add("Kirche", ChurchValue(columns[kChurchTax]))
      .Add("IdNr", columns[kTaxId]);
  AddActivityKey(columns, record);
  record.Add("BG", columns[kContributionGroup])
      .Add("BegV", columns[kEntryDate])
      .Add("GTS", columns[kHazardTariff])
      .AddItems("Uml=1;")
      .Add("Eltern", ParentStatus(columns[kParentStatus]))
      .Add("StKl", TaxClassWordToDigit(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowance])
      .Add("PG", columns[kPersonGroup])
      .Add("Faktor", Factor(columns[kFactor]));
}

void AddBankConnection(ReaderContext& context, const Columns& columns, BankConnection& bank) {
  if (columns[kIban].size() <= kShortestIban) {
    return context.BankDataUnused(Warning::IbanTooShort, columns[kIban]);
  }
  bank.personnelNumber = columns[kPersonnelNumber];
  bank.holder.assign(columns[kSurname]).append(", ").append(columns[kFirstName]);
  bank.bankName = columns[kBankName];
  AssignWithoutBlanks(bank.iban, columns[kIban]);
  context.AddBankLine(bank);
}

// The names of the export's column line in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "Pers-Nr"},
    {kFirstName, "Vorname"},
    {kSurname, "Name"},
    {kStreet, "Stra\337e"},
    {kPostcode, "Postleitzahl"},
    {kTown, "Ort"},
    {kNationality, "Nationalit\344t"},
    {kEntryDate, "Eintritt"},
    {kBirthDate, "Geburtsdatum"},
    {kBankName, "Bank"},
    {kIban, "IBAN"},
    {kTaxClass, "Steuerklasse"},
    {kChildAllowance, "Kinderfreibetrag"},
    {kFactor, "Faktor"},
    {kChurchTax, "Kirchensteuer"},
    {kTaxId, "Steuer-ID"},
    {kInsuranceNumber, "Rentenversicherungsnummer"},
    {kPersonGroup, "Personengruppenschl\374ssel"},
    {kActivityKey, "T\344tigkeitsschl\374ssel"},
    {kJobTitle, "T\344tigkeit"},
    {kActivityB1, "B1"},
    {kActivityB2, "B2"},
    {kContributionGroup, "SV-Schl\374ssel"},
    {kParentStatus, "Elterneigenschaft"},
    {kHazardTariff, "Gefahrentarifstelle"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadSage(ReaderContext& context) {
  context.AddFlagLine();
  // Kept from one employee line to the next, so that every line is split and its record and
  // bank line are built in the same buffers.
  Columns columns;
  RecordBuilder record;
  BankConnection bank;
  for (const std::string_view line : context.Lines()) {
    if (!IsEmployeeLine(line)) {
      context.SkipNonEmployeeLine(line, IsColumnLine);
      continue;
    }
    columns.Assign(line);
    BuildRecord(columns, record);
    context.AddRecord(record);
    if (context.TakeBankData()) AddBankConnection(context, columns, bank);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What a Sage export looks like: the column line first, then employee lines of 55 or more
// semicolons with the dates at columns 13 and 17, the IBAN at column 22 and the tax class
// written as a word at column 24.
double SageFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kFirstName, FieldKind::Name},
      {kSurname, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kEntryDate, FieldKind::Date},
      {kBirthDate, FieldKind::Date},
      {kIban, FieldKind::Iban},
      {kTaxClass, FieldKind::TaxClassWord},
      {kChildAllowance, FieldKind::Decimal},
      {kFactor, FieldKind::Decimal},
      {kTaxId, FieldKind::Number},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kPersonGroup, FieldKind::PersonGroup},
      {kActivityKey, FieldKind::Number},
      {kContributionGroup, FieldKind::ContributionGroup},
  };
  static constexpr ExportLook kLook{.semicolons = kHazardTariff + 1,
                                    .fields = kFields,
                                    .columnLineRequired = true,
                                    .columnNames = kColumnNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
