// Agenda: the employee file "Personaldaten.csv", semicolon-separated without quotes, a column
// line first and one line per employee. Fields are taken by their position; the column line is
// not interpreted. An employee line carries 80 or more columns.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {
namespace {

// Columns of the export (0 is the text before the first semicolon).
constexpr int kPersonnelNumber = 0;     // "Personalnummer"
constexpr int kSurname = 2;             // "Nachname"
constexpr int kFirstName = 3;           // "Vorname"
constexpr int kStreet = 7;              // "Straße"
constexpr int kHouseNumber = 8;         // "Hausnummer"
constexpr int kPostcode = 9;            // "PLZ"
constexpr int kTown = 10;               // "Ort"
constexpr int kEntryDate = 13;          // "Eintritt"
constexpr int kBirthDate = 15;          // "Geburtsdatum"
constexpr int kBankName = 23;           // "Bankbezeichnung"
constexpr int kIban = 24;               // "IBAN-Nummer"
constexpr int kBic = 25;                // "BIC (SWIFT-Code)"
constexpr int kTaxId = 29;              // "Identifikationsnummer"
constexpr int kTaxClass = 36;           // "Steuerklasse"
constexpr int kChildAllowance = 38;     // "Kinderfreibetrag"
constexpr int kReligion = 40;           // "Religion Mitarbeiter"
constexpr int kSpouseReligion = 41;     // "Religion Ehegatte"
constexpr int kInsuranceNumber = 56;    // "SV-Nummer"
constexpr int kActivityKey = 57;        // "Tätigkeitsschlüssel"
constexpr int kJobTitle = 58;           // "Beruf"
constexpr int kSchooling = 59;          // "Abschluss Schule"
constexpr int kTraining = 60;           // "Abschluss Beruf"
constexpr int kLeasedLabour = 61;       // "AN-Überlassung"
constexpr int kContractForm = 62;       // "Form-Vertrag"
constexpr int kPersonGroup = 63;        // "Personengruppe"
constexpr int kContributionGroup = 79;  // "Beitragsgruppenschlüssel"

// Only an IBAN longer than this, counted as exported (blanks included), gives a bank line.
constexpr std::size_t kShortestIban = 8;

bool IsEmployeeLine(std::string_view line) {
  return line.size() >= 2 && StartsWithDigit(line);
}

// Agenda writes confessions as words; Kandrel knows the two-letter codes.
std::string_view ReligionCode(std::string_view religion) {
  if (religion == "r\xF6misch-katholisch") return "RK";
  if (religion == "evangelisch") return "EV";
  return religion;
}

// The employee's confession, with the spouse's appended as "RK/EV" when both are two-letter
// codes that differ. No confession of the employee means no church tax at all.
void AddChurchValue(std::string_view employeeReligion, std::string_view spouseReligion,
                    RecordBuilder& record) {
  const std::string_view employee = ReligionCode(employeeReligion);
  const std::string_view spouse = ReligionCode(spouseReligion);
  if (employee.empty() || employee == "keine") {
    record.Add("Kirche", "");
  } else if (employee.size() == 2 && spouse.size() == 2 && employee != spouse) {
    record.AddJoined("Kirche", {employee, "/", spouse});
  } else {
    record.Add("Kirche", employee);
  }
}

// Agenda marks flat-rate taxed employees by a tax class of 0 (or none); Kandrel expects "EP".
std::string_view TaxClass(std::string_view taxClass) {
  if (LeadingInteger(taxClass) < 1) return "EP";
  return taxClass;
}

// The activity key is spread over five columns of the export; joined they form the key.
void AddActivityKey(const Columns& columns, RecordBuilder& record) {
  record.AddJoined("Taet", {columns[kActivityKey], columns[kSchooling], columns[kTraining],
                            columns[kLeasedLabour], columns[kContractForm]});
}

void BuildRecord(const Columns& columns, RecordBuilder& record) {
  record.Clear();
  record.Add("PNr", columns[kPersonnelNumber])
      .AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]})
      .AddJoined("Str", {columns[kStreet], " ", columns[kHouseNumber]})
      .AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]})
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle]);
  AddChurchValue(columns[kReligion], columns[kSpouseReligion], record);
  record.Add("IdNr", columns[kTaxId]);
  AddActivityKey(columns, record);
  record.Add("BG", columns[kContributionGroup])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowance])
      .Add("PG", columns[kPersonGroup]);
}

void AddBankConnection(ReaderContext& context, const Columns& columns, BankConnection& bank) {
  if (columns[kIban].size() <= kShortestIban) {
    return context.BankDataUnused(Warning::IbanTooShort, columns[kIban]);
  }
  bank.personnelNumber = columns[kPersonnelNumber];
  bank.holder.assign(columns[kSurname]).append(", ").append(columns[kFirstName]);
  bank.bankName = columns[kBankName];
  AssignWithoutBlanks(bank.iban, columns[kIban]);
  AssignWithoutBlanks(bank.bic, columns[kBic]);
  context.AddBankLine(bank);
}

// The names of the export's column line in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "Personalnummer"},
    {kSurname, "Nachname"},
    {kFirstName, "Vorname"},
    {kStreet, "Stra\337e"},
    {kHouseNumber, "Hausnummer"},
    {kPostcode, "PLZ"},
    {kTown, "Ort"},
    {kEntryDate, "Eintritt"},
    {kBirthDate, "Geburtsdatum"},
    {kBankName, "Bankbezeichnung"},
    {kIban, "IBAN-Nummer"},
    {kBic, "BIC (SWIFT-Code)"},
    {kTaxId, "Identifikationsnummer"},
    {kTaxClass, "Steuerklasse"},
    {kChildAllowance, "Kinderfreibetrag"},
    {kReligion, "Religion Mitarbeiter"},
    {kSpouseReligion, "Religion Ehegatte"},
    {kInsuranceNumber, "SV-Nummer"},
    {kActivityKey, "T\344tigkeitsschl\374ssel"},
    {kJobTitle, "Beruf"},
    {kSchooling, "Abschluss Schule"},
    {kTraining, "Abschluss Beruf"},
    {kLeasedLabour, "AN-\334berlassung"},
    {kContractForm, "Form-Vertrag"},
    {kPersonGroup, "Personengruppe"},
    {kContributionGroup, "Beitragsgruppenschl\374ssel"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadAgenda(ReaderContext& context) {
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

// What an Agenda export looks like: the column line first, then employee lines of 80 or more
// semicolons with the dates at columns 13 and 15 and the social insurance number at column 56.
double AgendaFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kEntryDate, FieldKind::Date},
      {kBirthDate, FieldKind::Date},
      {kIban, FieldKind::Iban},
      {kBic, FieldKind::Bic},
      {kTaxId, FieldKind::Number},
      {kTaxClass, FieldKind::TaxClass},
      {kChildAllowance, FieldKind::Decimal},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kActivityKey, FieldKind::Number},
      {kPersonGroup, FieldKind::PersonGroup},
      {kContributionGroup, FieldKind::ContributionGroup},
  };
  static constexpr std::string_view kFileNames[] = {"Personaldaten*.csv"};
  static constexpr ExportLook kLook{.semicolons = kContributionGroup + 1,
                                    .fields = kFields,
                                    .columnLineRequired = true,
                                    .columnNames = kColumnNames,
                                    .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
