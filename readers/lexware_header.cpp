// Lexware export with a column line ("Personalstammblatt" exported as CSV). The first line names
// every column, so the reader finds its fields by name and the column order of the export does
// not matter. Only the personnel number, the first column, is taken by position: it has no
// semicolon in front of its name and cannot be found by name.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lexware_rules.h"
#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

using lexware::ChildAllowance;
using lexware::ContributionGroupDigits;
using lexware::InsuranceNumberWithoutBlanks;
using lexware::PersonGroup;

// Column names as they stand in the column line, with their enclosing semicolons.
constexpr std::string_view kSurname = ";Name;";
constexpr std::string_view kFirstName = ";Vorname;";
constexpr std::string_view kStreet = ";Stra\337e;";  // \337 is "ß"
constexpr std::string_view kHouseNumber = ";Hausnummer;";
constexpr std::string_view kPostcode = ";PLZ;";
constexpr std::string_view kTown = ";Ort;";
constexpr std::string_view kNationality = ";Staatsangeh\xF6rigkeit;";
constexpr std::string_view kBirthDate = ";Geb. Datum;";
constexpr std::string_view kEntryDate = ";Eintrittsdatum;";
constexpr std::string_view kPersonGroup = ";Personengruppe;";
constexpr std::string_view kInsuranceNumber = ";Sozialvers.-Nr.;";
constexpr std::string_view kJobTitle = ";Berufsbezeichnung;";
constexpr std::string_view kActivityKey = ";T\xE4tigkeitsschl\xFCssel;";
constexpr std::string_view kContributionGroups = ";Beitragsgruppen;";
constexpr std::string_view kRiskTariff = ";Gefahrentarif 1;";
constexpr std::string_view kTaxClass = ";Steuerklasse;";
constexpr std::string_view kChildren = ";Kinder;";
constexpr std::string_view kReligion = ";Konfession;";
constexpr std::string_view kSpouseReligion = ";Konfession Ehegatte;";
constexpr std::string_view kParentStatus = ";Elterneigenschaft;";
constexpr std::string_view kLevyU1 = ";Umlagepflicht U1;";
constexpr std::string_view kTaxId = ";Id-Nr;";
constexpr std::string_view kOtherSurname = ";Abweichender Name;";
constexpr std::string_view kOtherFirstName = ";Abweichender Vorname;";
constexpr std::string_view kBankName = ";Bankname;";
constexpr std::string_view kBic = ";BIC;";
constexpr std::string_view kIban = ";IBAN;";

// Finds each column name in the column line once per file and reads the data line's field under
// it, moved left by the current column shift.
class NamedColumns {
 public:
  explicit NamedColumns(ReaderContext& context)
      : header_(context.HeaderLine()), table_(context.Table()) {}

  std::string_view operator()(std::string_view name, const Columns& line) {
    return FieldUnderHeader(line, Index(name), table_.shift);
  }

 private:
  int Index(std::string_view name) {
    for (const auto& [known, index] : indices_) {
      if (known == name.data()) return index;
    }
    const int index = HeaderColumnIndex(name, header_, table_);
    indices_.emplace_back(name.data(), index);
    return index;
  }

  std::string_view header_;
  ColumnTable& table_;
  std::vector<std::pair<const char*, int>> indices_;  // by the name constants' addresses
};

// Kandrel takes personnel numbers 1 to 9998.
bool InPersonnelNumberRange(std::string_view personnelNumber) {
  const std::int64_t number = LeadingInteger(personnelNumber);
  return number >= 1 && number <= 9998;
}

// A line whose surname is empty or begins with a digit, a blank or a punctuation mark is no
// employee. The upper-case holder text is compared by unsigned character codes, so letters of
// either case and umlauts pass. Only its first character can decide against "A".
bool HasUsableSurname(std::string_view holder) {
  return UpperAscii(holder.substr(0, 1)).compare("A") >= 0;
}

// A social insurance number of 1 to 13 characters with a person group beginning with "1"
// switches the reader to the column shift: from then on every value is read one column left of
// its name, for the rest of this line and all following lines of the file. The number is read
// once more under the shift and kept as it then reads.
std::string_view ReadInsuranceNumber(const Columns& line, std::string_view personGroup,
                                     NamedColumns& column, ReaderContext& context) {
  std::string_view number = column(kInsuranceNumber, line);
  if (!number.empty() && number.size() <= 13 && personGroup.substr(0, 1) == "1") {
    if (context.Table().shift != 1) context.Warn(Warning::ColumnShift);
    context.Table().shift = 1;
    number = column(kInsuranceNumber, line);
  }
  return number;
}

// "0 Büro": the risk tariff key in front of its description.
std::string_view RiskTariffKey(std::string_view tariff) {
  const std::size_t blank = tariff.find(' ');
  return blank == std::string_view::npos ? std::string_view() : tariff.substr(0, blank);
}

// Tax class "P" is written as "EP".
std::string_view TaxClass(std::string_view taxClass) {
  return taxClass == "P" ? "EP" : taxClass;
}

// The employee's religion, and the spouse's after "/" unless Lexware writes "--" or nothing.
void AddReligion(std::string_view own, std::string_view spouse, RecordBuilder& record) {
  if (spouse != "--" && !spouse.empty()) {
    record.AddJoined("Kirche", {own, "/", spouse});
  } else {
    record.Add("Kirche", own);
  }
}

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  Columns line;
  RecordBuilder record;
  std::string holder;
  BankConnection bank;
};

void AddBankConnection(const Columns& line, std::string_view personnelNumber,
                       std::string_view holder, NamedColumns& named, BankConnection& bank,
                       ReaderContext& context) {
  const auto column = [&](std::string_view name) { return named(name, line); };
  // The export also has "Bankleitzahl" and "Kontonummer"; Kandrel gets IBAN and BIC only.
  const std::string_view iban = column(kIban);
  if (iban.size() <= 8) return context.BankDataUnused(Warning::IbanTooShort, iban);
  bank.personnelNumber = personnelNumber;
  bank.holder.assign(column(kOtherSurname)).append(", ").append(column(kOtherFirstName));
  if (bank.holder.size() <= 5) bank.holder = holder;  // no other holder named
  bank.bankName = column(kBankName);
  AssignWithoutBlanks(bank.iban, iban);
  AssignWithoutBlanks(bank.bic, column(kBic));
  context.AddBankLine(bank);
}

void ReadEmployee(const Columns& line, NamedColumns& named, Workspace& work,
                  ReaderContext& context) {
  const auto column = [&](std::string_view name) { return named(name, line); };

  const std::string personnelNumber = CheckPersonnelNumber(line[0], context.Ui());
  if (!InPersonnelNumberRange(personnelNumber)) {
    return context.Skip(SkipReason::PersonnelNumberOutOfRange);
  }
  const std::string& holder =
      work.holder.assign(column(kSurname)).append(", ").append(column(kFirstName));
  if (!HasUsableSurname(holder)) return context.Skip(SkipReason::SurnameNotUsable);

  RecordBuilder& record = work.record;
  record.Clear();
  record.Add("PNr", personnelNumber);
  record.Add("Name", holder);
  record.AddJoined("Str", {column(kStreet), " ", column(kHouseNumber)});
  record.AddJoined("Ort", {column(kPostcode), " ", column(kTown)});
  if (column(kNationality) == "Deutschland") record.AddItems("Staat=000;");
  record.Add("Geb", column(kBirthDate));
  record.Add("BegB", column(kEntryDate));
  const std::string personGroup = PersonGroup(column(kPersonGroup));
  record.Add("PG", personGroup);
  record.Add("VNr",
             InsuranceNumberWithoutBlanks(ReadInsuranceNumber(line, personGroup, named, context)));
  record.Add("Art", column(kJobTitle));
  // Read again: the insurance number may just have shifted the columns.
  record.Add("PG", PersonGroup(column(kPersonGroup)));
  record.Add("Taet", column(kActivityKey));
  const std::string_view groups = column(kContributionGroups);
  if (groups.size() > 6) record.Add("BG", ContributionGroupDigits(groups));
  record.Add("GTS", RiskTariffKey(column(kRiskTariff)));
  record.Add("StKl", TaxClass(column(kTaxClass)));
  record.Add("KiFr", ChildAllowance(column(kChildren)));
  AddReligion(column(kReligion), column(kSpouseReligion), record);
  record.Add("Eltern", column(kParentStatus) == "ja" ? "1" : "0");
  record.Add("Uml", column(kLevyU1) == "ja" ? "1" : "2");
  record.Add("IdNr", column(kTaxId));
  context.AddRecord(record);
  if (personnelNumber.size() != line[0].size()) {
    context.Warn(Warning::PersonnelNumberShortened, line[0]);
  }

  if (context.TakeBankData()) {
    AddBankConnection(line, personnelNumber, holder, named, work.bank, context);
  }
}

// The run chose this layout because the first line names "Wohnland;LKZ;": it is the column line.
bool IsColumnLine(std::string_view line) {
  return LexwareHeaderApplies(std::string(line) + ";");
}

}  // namespace

void ReadLexwareHeader(ReaderContext& context) {
  context.AddFlagLine();
  FillColumnTable(context.HeaderLine(), context.Table());
  NamedColumns named(context);
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    // Employee lines begin with their personnel number; the column line does not. A line saved
    // by a spreadsheet lacks the closing semicolon; it is split as if closed like the column
    // line, so that its last column is read too.
    if (line.size() < 2 || !StartsWithDigit(line)) {
      context.SkipNonEmployeeLine(line, IsColumnLine);
      continue;
    }
    ReadEmployee(work.line.AssignClosed(line), named, work, context);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What a Lexware export with its column line looks like: the first line names the columns,
// "Wohnland;LKZ;" among them, and the employee lines hold under those names what the names
// say. The names are looked up as the reader looks them up.
double LexwareHeaderFit(const ExportHead& head) {
  const std::string header = std::string(head.FirstLine()) + ";";
  if (!LexwareHeaderApplies(header)) return 0;
  // Every column the reader takes by name, with what it holds where that tells the layout apart.
  struct NamedColumn {
    std::string_view name;
    std::optional<FieldKind> kind;
  };
  static constexpr NamedColumn kColumns[] = {
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kHouseNumber, {}},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kNationality, {}},
      {kBirthDate, FieldKind::Date},
      {kEntryDate, FieldKind::Date},
      {kPersonGroup, FieldKind::PersonGroup},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kJobTitle, {}},
      {kActivityKey, {}},
      {kContributionGroups, FieldKind::ContributionGroup},
      {kRiskTariff, {}},
      {kTaxClass, {}},
      {kChildren, FieldKind::Decimal},
      {kReligion, {}},
      {kSpouseReligion, {}},
      {kParentStatus, {}},
      {kLevyU1, {}},
      {kTaxId, FieldKind::Number},
      {kOtherSurname, {}},
      {kOtherFirstName, {}},
      {kBankName, {}},
      {kBic, FieldKind::Bic},
      {kIban, FieldKind::Iban},
  };
  static constexpr std::string_view kFileNames[] = {"*Personalstammblatt*"};

  ColumnTable table;
  FillColumnTable(header, table);
  // The column under a name: the one after the semicolon that opens the name; -1 without it.
  const auto columnOf = [&](std::string_view name) {
    const int index = HeaderColumnIndex(name, header, table);
    return index < 0 ? -1 : index + 1;
  };
  std::array<ColumnName, std::size(kColumns)> names{};
  std::vector<FieldLook> fields = {{0, FieldKind::Number}};  // the personnel number
  int lastColumn = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = kColumns[i].name;
    const int column = columnOf(name);
    names[i] = {column, name.substr(1, name.size() - 2)};
    lastColumn = std::max(lastColumn, column);
    if (column >= 0 && kColumns[i].kind) fields.push_back({column, *kColumns[i].kind});
  }
  const ExportLook look{.semicolons = lastColumn + 1,
                        .fields = fields,
                        .columnLineRequired = true,
                        .columnNames = names,
                        .fileNames = kFileNames};
  return FitOf(head, look);
}

}  // namespace kd::readers
