// EXACT exports its employee list as "persli.txt": semicolon-separated text without quoting,
// every field (the last one too) closed by a semicolon, optionally below a line of column
// names. Employee lines begin with a digit; the cost centre travels in front of the
// personnel number.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {
namespace {

// Columns of persli.txt, numbered from 0 as the export's column line names them.
constexpr int kPersonnelNumber = 0;     // "PNR."
constexpr int kSurname = 1;             // "NAME"
constexpr int kFirstName = 2;           // "VORNAME"
constexpr int kStreet = 3;              // "STRASSE"
constexpr int kPostcode = 4;            // "PLZ"
constexpr int kTown = 5;                // "ORT"
constexpr int kBirthDate = 6;           // "GEB."
constexpr int kInsuranceNumber = 7;     // "SV-NR."
constexpr int kJobTitle = 8;            // "BERUF"
constexpr int kEntryDate = 9;           // "EINTRITT"
constexpr int kBankName = 11;           // "BANK"
constexpr int kBankCode = 12;           // "BLZ"
constexpr int kAccountNumber = 13;      // "KTONR."
constexpr int kMunicipalityKey = 14;    // "AGS"
constexpr int kTaxClass = 15;           // "LSTKL"
constexpr int kChildAllowance = 16;     // "KI.FR."
constexpr int kReligion = 17;           // "RELI"
constexpr int kNationality = 18;        // "STAAT"
constexpr int kPersonGroup = 19;        // "PGR"
constexpr int kActivity = 20;           // "TAET"
constexpr int kContributionGroup = 21;  // "BGS"
constexpr int kTransitionZone = 23;     // "GZ"

// A German bank code has exactly eight digits; other lengths give no bank line.
constexpr std::size_t kBankCodeLength = 8;

struct PersonnelNumber {
  std::string_view costCentre;  // empty when the number carries none
  std::string_view number;
};

// A six-character number holds a two-character cost centre in front, a five-character number
// a one-character cost centre; every other number is the personnel number itself.
PersonnelNumber SplitCostCentre(std::string_view text) {
  if (text.size() == 6) return {text.substr(0, 2), text.substr(2)};
  if (text.size() == 5) return {text.substr(0, 1), text.substr(1)};
  return {std::string_view(), text};
}

// EXACT writes the religion as a word; its first two letters give Kandrel's code. Anything
// else is passed on as exported.
std::string_view ChurchCode(std::string_view religion) {
  if (religion.starts_with("ev")) return "EV";
  if (religion.starts_with("ka")) return "RK";
  if (religion.starts_with("./")) return "--";
  return religion;
}

// The transition zone column holds "GL..." for employees in the low-wage transition zone.
std::string_view TransitionZone(std::string_view marker) {
  return marker.starts_with("GL") ? "1" : "0";
}

// Tax class 0 marks a flat-rate taxed employee.
std::string_view TaxClass(std::string_view taxClass) {
  return taxClass == "0" ? "EP" : taxClass;
}

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  Columns columns;
  RecordBuilder record;
  BankConnection bank;
};

void AddBankConnection(ReaderContext& context, const Columns& columns,
                       std::string_view personnelNumber, BankConnection& bank) {
  if (columns[kBankCode].size() != kBankCodeLength) {
    return context.BankDataUnused(Warning::BankCodeNotEight, columns[kBankCode]);
  }
  bank.personnelNumber = personnelNumber;
  bank.holder.assign(columns[kSurname]).append(", ").append(columns[kFirstName]);
  bank.bankCode = columns[kBankCode];
  bank.accountNumber = columns[kAccountNumber];
  bank.bankName = columns[kBankName];
  context.AddBankLine(bank);
}

void ReadEmployee(ReaderContext& context, std::string_view line, Workspace& work) {
  const Columns& columns = work.columns.Assign(line);
  const PersonnelNumber personnel = SplitCostCentre(columns[kPersonnelNumber]);

  RecordBuilder& record = work.record;
  record.Clear();
  if (!personnel.costCentre.empty()) record.Add("KSt", personnel.costCentre);
  record.Add("PNr", personnel.number)
      .AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]})
      .Add("Str", columns[kStreet])
      .AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]})
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle])
      .Add("Kirche", ChurchCode(columns[kReligion]))
      .Add("GZ", TransitionZone(columns[kTransitionZone]))
      .Add("Taet", columns[kActivity])
      .Add("BG", columns[kContributionGroup])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowance])
      .Add("AGS", columns[kMunicipalityKey])
      .Add("PG", columns[kPersonGroup])
      .Add("Staat", columns[kNationality]);
  context.AddRecord(record);

  if (context.TakeBankData()) AddBankConnection(context, columns, personnel.number, work.bank);
}

// The names of the export's column line in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "PNR."},  {kSurname, "NAME"},           {kFirstName, "VORNAME"},
    {kStreet, "STRASSE"},        {kPostcode, "PLZ"},           {kTown, "ORT"},
    {kBirthDate, "GEB."},        {kInsuranceNumber, "SV-NR."}, {kJobTitle, "BERUF"},
    {kEntryDate, "EINTRITT"},    {kBankName, "BANK"},          {kBankCode, "BLZ"},
    {kAccountNumber, "KTONR."},  {kMunicipalityKey, "AGS"},    {kTaxClass, "LSTKL"},
    {kChildAllowance, "KI.FR."}, {kReligion, "RELI"},          {kNationality, "STAAT"},
    {kPersonGroup, "PGR"},       {kActivity, "TAET"},          {kContributionGroup, "BGS"},
    {kTransitionZone, "GZ"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadExact(ReaderContext& context) {
  context.AddFlagLine();
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    // The column line and empty lines do not begin with a digit.
    if (!StartsWithDigit(line)) {
      context.SkipNonEmployeeLine(line, IsColumnLine);
      continue;
    }
    ReadEmployee(context, line, work);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What an EXACT export looks like: employee lines of 24 or more semicolons with the birth date,
// the social insurance number and the entry date at columns 6, 7 and 9, and the bank code at
// column 12; the column line, where there is one, in capitals.
double ExactFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number}, {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},         {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::Date},         {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kEntryDate, FieldKind::Date},         {kBankCode, FieldKind::BankCode},
      {kMunicipalityKey, FieldKind::Number}, {kTaxClass, FieldKind::TaxClass},
      {kChildAllowance, FieldKind::Decimal}, {kPersonGroup, FieldKind::PersonGroup},
      {kActivity, FieldKind::Number},        {kContributionGroup, FieldKind::ContributionGroup},
  };
  static constexpr std::string_view kFileNames[] = {"persli*.txt"};
  static constexpr ExportLook kLook{.semicolons = kTransitionZone + 1,
                                    .fields = kFields,
                                    .columnNames = kColumnNames,
                                    .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
