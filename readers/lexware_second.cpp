// Lexware export in the fixed column order (every Lexware file whose column line lacks
// "Wohnland;LKZ;"). Fields are taken by column number; a column line, where the export has
// one, falls away because it does not begin with a digit. This layout carries bank code and
// account number instead of IBAN and BIC.
#include <string>
#include <string_view>

#include "lexware_rules.h"
#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

using lexware::ChildAllowance;
using lexware::ContributionGroupDigits;
using lexware::InsuranceNumberWithoutBlanks;
using lexware::PersonGroup;

// Column numbers of the export (column 0 is the personnel number).
constexpr int kSurname = 1;
constexpr int kFirstName = 2;
constexpr int kStreet = 6;
constexpr int kHouseNumber = 7;
constexpr int kPostcode = 9;
constexpr int kTown = 10;
constexpr int kNationality = 16;
constexpr int kBirthDate = 17;
constexpr int kEntryDate = 18;
constexpr int kBankName = 26;
constexpr int kBankCode = 27;
constexpr int kAccountNumber = 28;
constexpr int kOtherSurname = 30;
constexpr int kOtherFirstName = 31;
constexpr int kInsuranceNumber = 46;
constexpr int kActivityKey = 54;
constexpr int kJobTitle = 57;
constexpr int kPersonGroup = 58;
constexpr int kContributionGroups = 60;
constexpr int kTaxTable = 78;
constexpr int kTaxClass = 79;
constexpr int kChildren = 80;
constexpr int kReligion = 84;
constexpr int kSpouseReligion = 85;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The tax table ("Allgemeine Tabelle", "Besondere Tabelle") and the tax class stand in two
// columns; Kandrel marks the special table with "B" in front of the class. The item is left out
// when neither column says anything, and written empty when the class is missing.
void AddTaxClass(std::string_view taxTable, std::string_view taxClass, RecordBuilder& record) {
  const bool namesTable = Contains(taxTable, "Tabell");
  if (!namesTable && taxClass.empty()) return;
  std::string value;
  if (!taxClass.empty()) {
    if (namesTable && Contains(taxTable, "Besond")) value = "B";
    value += taxClass;
  }
  record.Add("StKl", value);
}

// The employee's religion, and the spouse's after "/" unless Lexware writes "--". An empty
// spouse column still gets the "/".
void AddReligion(std::string_view own, std::string_view spouse, RecordBuilder& record) {
  if (spouse == "--") {
    record.Add("Kirche", own);
  } else {
    record.AddJoined("Kirche", {own, "/", spouse});
  }
}

// The account holder is the employee unless the export names another holder: "surname, first
// name" of the other holder, when that is longer than five characters.
void AssignHolder(const Columns& columns, std::string& holder) {
  holder.assign(columns[kOtherSurname]).append(", ").append(columns[kOtherFirstName]);
  if (holder.size() > 5) return;
  holder.assign(columns[kSurname]).append(", ").append(columns[kFirstName]);
}

void AddBankConnection(const Columns& columns, BankConnection& bank, ReaderContext& context) {
  // Only a German bank code of exactly 8 characters makes a usable bank connection.
  if (columns[kBankCode].size() != 8) {
    return context.BankDataUnused(Warning::BankCodeNotEight, columns[kBankCode]);
  }
  bank.personnelNumber = columns[0];
  AssignHolder(columns, bank.holder);
  bank.bankCode = columns[kBankCode];
  bank.accountNumber = columns[kAccountNumber];
  bank.bankName = columns[kBankName];
  context.AddBankLine(bank);
}

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  Columns columns;
  RecordBuilder record;
  BankConnection bank;
};

// A line saved by a spreadsheet lacks the closing semicolon; the line is split as if closed,
// which keeps its last column.
void ReadEmployee(std::string_view line, Workspace& work, ReaderContext& context) {
  const Columns& columns = work.columns.AssignClosed(line);

  RecordBuilder& record = work.record;
  record.Clear();
  // The personnel number is taken whole: this layout neither tests nor shortens it.
  record.Add("PNr", columns[0]);
  record.AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]});
  record.AddJoined("Str", {columns[kStreet], " ", columns[kHouseNumber]});
  record.AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]});
  if (columns[kNationality] == "Deutschland") record.AddItems("Staat=000;");
  record.Add("Geb", columns[kBirthDate]);
  record.Add("BegB", columns[kEntryDate]);
  record.Add("VNr", InsuranceNumberWithoutBlanks(columns[kInsuranceNumber]));
  record.Add("Art", columns[kJobTitle]);
  record.Add("PG", PersonGroup(columns[kPersonGroup]));
  record.Add("Taet", columns[kActivityKey]);
  const std::string_view groups = columns[kContributionGroups];
  if (groups.size() > 6) record.Add("BG", ContributionGroupDigits(groups));
  AddTaxClass(columns[kTaxTable], columns[kTaxClass], record);
  record.Add("KiFr", ChildAllowance(columns[kChildren]));
  AddReligion(columns[kReligion], columns[kSpouseReligion], record);
  context.AddRecord(record);

  if (context.TakeBankData()) AddBankConnection(columns, work.bank, context);
}

// The names of the export's column line, where the export has one, in their columns.
constexpr ColumnName kColumnNames[] = {
    {0, "Personalnummer"},
    {kSurname, "Nachname"},
    {kFirstName, "Vorname"},
    {kStreet, "Stra\337e"},
    {kPostcode, "PLZ"},
    {kTown, "Ort"},
    {kBirthDate, "Geburtsdatum"},
    {kEntryDate, "Eintrittsdatum"},
    {kInsuranceNumber, "Sozialversicherungsnummer"},
    {kTaxClass, "Steuerklasse"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadLexwareSecond(ReaderContext& context) {
  context.AddFlagLine();
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    // Employee lines begin with their personnel number; the column line does not.
    if (StartsWithDigit(line)) {
      ReadEmployee(line, work, context);
    } else {
      context.SkipNonEmployeeLine(line, IsColumnLine);
    }
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What the second Lexware layout looks like: a first line without "Wohnland;LKZ;", employee
// lines of 86 or more semicolons with the dates at columns 17 and 18, the bank code at column
// 27 and the social insurance number, written with blanks, at column 46.
double LexwareSecondFit(const ExportHead& head) {
  if (LexwareHeaderApplies(std::string(head.FirstLine()) + ";")) return 0;
  constexpr int kPersonnelNumber = 0;
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::Date},
      {kEntryDate, FieldKind::Date},
      {kBankName, FieldKind::Text},
      {kBankCode, FieldKind::BankCode},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kActivityKey, FieldKind::Number},
      {kJobTitle, FieldKind::Text},
      {kPersonGroup, FieldKind::PersonGroup},
      {kContributionGroups, FieldKind::ContributionGroup},
      {kTaxClass, FieldKind::TaxClass},
      {kChildren, FieldKind::Decimal},
  };
  static constexpr ExportLook kLook{.semicolons = kSpouseReligion + 1, .fields = kFields};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
