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
std::string ReligionCode(std::string_view religion) {
  if (religion == "r\xF6misch-katholisch") return "RK";
  if (religion == "evangelisch") return "EV";
  return std::string(religion);
}

// The employee's confession, with the spouse's appended as "RK/EV" when both are two-letter
// codes that differ. No confession of the employee means no church tax at all.
std::string ChurchValue(std::string_view employeeReligion, std::string_view spouseReligion) {
  const std::string employee = ReligionCode(employeeReligion);
  const std::string spouse = ReligionCode(spouseReligion);
  if (employee.empty() || employee == "keine") return "";
  if (employee.size() == 2 && spouse.size() == 2 && employee != spouse) {
    return employee + "/" + spouse;
  }
  return employee;
}

// Agenda marks flat-rate taxed employees by a tax class of 0 (or none); Kandrel expects "EP".
std::string TaxClass(std::string_view taxClass) {
  if (LeadingInteger(taxClass) < 1) return "EP";
  return std::string(taxClass);
}

// The activity key is spread over five columns of the export; joined they form the key.
std::string ActivityKey(const Columns& columns) {
  std::string key(columns[kActivityKey]);
  key.append(columns[kSchooling])
      .append(columns[kTraining])
      .append(columns[kLeasedLabour])
      .append(columns[kContractForm]);
  return key;
}

std::string NamePair(const Columns& columns) {
  return std::string(columns[kSurname]) + ", " + std::string(columns[kFirstName]);
}

std::string BuildRecord(const Columns& columns) {
  RecordBuilder record;
  record.Add("PNr", columns[kPersonnelNumber])
      .Add("Name", NamePair(columns))
      .Add("Str", std::string(columns[kStreet]) + " " + std::string(columns[kHouseNumber]))
      .Add("Ort", std::string(columns[kPostcode]) + " " + std::string(columns[kTown]))
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber])
      .Add("Art", columns[kJobTitle])
      .Add("Kirche", ChurchValue(columns[kReligion], columns[kSpouseReligion]))
      .Add("IdNr", columns[kTaxId])
      .Add("Taet", ActivityKey(columns))
      .Add("BG", columns[kContributionGroup])
      .Add("StKl", TaxClass(columns[kTaxClass]))
      .Add("KiFr", columns[kChildAllowance])
      .Add("PG", columns[kPersonGroup]);
  return record.Take();
}

void AddBankConnection(ReaderContext& context, const Columns& columns) {
  if (columns[kIban].size() <= kShortestIban) return;
  BankConnection bank;
  bank.personnelNumber = std::string(columns[kPersonnelNumber]);
  bank.holder = NamePair(columns);
  bank.bankName = std::string(columns[kBankName]);
  bank.iban = StripBlanks(columns[kIban]);
  bank.bic = StripBlanks(columns[kBic]);
  context.AddBankLine(bank);
}

}  // namespace

void ReadAgenda(ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.SourceLines()) {
    if (!IsEmployeeLine(line)) continue;
    const Columns columns(line);
    context.AddRecord(BuildRecord(columns));
    if (context.TakeBankData()) AddBankConnection(context, columns);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
