// SBS exports its employee table as "Tabelle2929.csv": a column line beginning with
// "Firmen-Nr." and one plain semicolon-separated line per employee, the company number first.
// The table holds no bank connections; this reader never writes a bank file.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

// Columns of the export (zero-based); column 0, the company number, is not taken over.
constexpr int kCompanyNumber = 0;
constexpr int kPersonnelNumber = 1;
constexpr int kSurname = 2;
constexpr int kFirstName = 3;
constexpr int kStreet = 4;
constexpr int kPostcode = 5;
constexpr int kTown = 6;
constexpr int kBirthDate = 7;
constexpr int kEntryDate = 11;
constexpr int kTaxClass = 12;
constexpr int kActivityKey = 19;
constexpr int kNationality = 20;
constexpr int kInsuranceNumber = 22;
constexpr int kChildAllowances = 23;
constexpr int kPersonGroup = 26;
constexpr int kContributionGroup = 27;
constexpr int kTaxId = 31;

// SBS writes 0 where Kandrel expects a key of its own. Only the exact text "0" (or "900") is
// replaced; the same number with leading zeros or blanks stays as it is.

// Nationality 0 is German nationality.
std::string_view Nationality(std::string_view value) {
  return value == "0" ? "000" : value;
}

// Tax class 0 marks a flat-rate taxed employee.
std::string_view TaxClass(std::string_view value) {
  return value == "0" ? "EP" : value;
}

// Person group 900 is taken over as 000.
std::string_view PersonGroup(std::string_view value) {
  return value == "900" ? "000" : value;
}

// Contribution group 0 stands for all four branches free of contributions.
std::string_view ContributionGroup(std::string_view value) {
  return value == "0" ? "0000" : value;
}

bool IsEmployeeLine(std::string_view line) {
  return StartsWithDigit(line);
}

void ReadEmployee(ReaderContext& context, const Columns& columns, RecordBuilder& record) {
  record.Clear();
  record.Add("PNr", columns[kPersonnelNumber])
      .AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]})
      .Add("Str", columns[kStreet])
      .AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]})
      .Add("Staat", Nationality(columns[kNationality]))
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Taet", columns[kActivityKey])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowances])
      .Add("PG", PersonGroup(columns[kPersonGroup]))
      .Add("BG", ContributionGroup(columns[kContributionGroup]))
      .Add("IdNr", columns[kTaxId]);
  context.AddRecord(record);
}

// The names of the export's column line in their columns.
constexpr ColumnName kColumnNames[] = {
    {kCompanyNumber, "Firmen-Nr."},
    {kPersonnelNumber, "Personal-Nr."},
    {kSurname, "Nachname"},
    {kFirstName, "Vorname"},
    {kStreet, "Stra\337e"},
    {kPostcode, "Deutsche PLZ"},
    {kTown, "Wohnort"},
    {kBirthDate, "Geburtsdatum"},
    {kEntryDate, "Eintritts-Datum"},
    {kTaxClass, "Steuerklasse"},
    {kActivityKey, "T\344tigkeits-Schl."},
    {kNationality, "Staatsangeh\366rigk."},
    {kInsuranceNumber, "Sozialversich.Nr."},
    {kChildAllowances, "Kinderfreibetr\344ge"},
    {kPersonGroup, "Personengruppe"},
    {kContributionGroup, "Beitragsgruppe"},
    {kTaxId, "TIN Steuer-Ident."},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadSbs(ReaderContext& context) {
  context.AddFlagLine();
  // Kept from one employee line to the next: every line is split and its record built in the
  // same buffers.
  Columns columns;
  RecordBuilder record;
  for (const std::string_view line : context.Lines()) {
    if (IsEmployeeLine(line)) {
      ReadEmployee(context, columns.Assign(line), record);
    } else {
      context.SkipNonEmployeeLine(line, IsColumnLine);
    }
  }
}

// What an SBS export looks like: the column line beginning with "Firmen-Nr.", then employee
// lines of 32 semicolons that begin with the company number, the personnel number second.
double SbsFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kCompanyNumber, FieldKind::Number},
      {kPersonnelNumber, FieldKind::Number},
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::Date},
      {kEntryDate, FieldKind::Date},
      {kTaxClass, FieldKind::TaxClass},
      {kActivityKey, FieldKind::Number},
      {kNationality, FieldKind::Number},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kChildAllowances, FieldKind::Decimal},
      {kPersonGroup, FieldKind::PersonGroup},
      {kContributionGroup, FieldKind::ContributionGroup},
      {kTaxId, FieldKind::Number},
  };
  static constexpr std::string_view kFileNames[] = {"Tabelle2929*.csv"};
  static constexpr ExportLook kLook{.semicolons = kTaxId + 1,
                                    .fields = kFields,
                                    .columnLineRequired = true,
                                    .columnNames = kColumnNames,
                                    .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
