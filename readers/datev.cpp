// DATEV payroll export ("LG_ASCII..._SD.txt"): one employee per line, semicolon-separated, with a
// quoted column line on top. Text fields are enclosed in double quotes, numbers and dates may
// stand bare. The quotes are blanked out before the fields are taken, so a semicolon inside
// quotes still separates. The export gives bank connections as IBAN and BIC only; the bank name
// comes from the bank code list by BIC.
#include <string>
#include <string_view>

#include "bankcodes.h"
#include "fields.h"
#include "importformat.h"
#include "readers.h"
#include "text.h"

namespace kd::readers {
namespace {

// Columns of an employee line (column 0 is the text before the first semicolon). The export
// names columns 0 to 42 in its column line; the later ones are known by position only.
constexpr int kPersonnelNumber = 4;     // "Personalnummer"
constexpr int kSurname = 5;             // "Familienname"
constexpr int kFirstName = 6;           // "Vorname"
constexpr int kStreet = 7;              // "Straße/Postfach"
constexpr int kPostcode = 9;            // "PLZ"
constexpr int kTown = 10;               // "Ort"
constexpr int kBirthDate = 11;          // Geburtsdatum
constexpr int kInsuranceNumber = 13;    // "Versicherungsnummer"
constexpr int kNationality = 15;        // "Staatsangehörigkeit"
constexpr int kIban = 18;               // "IBAN"
constexpr int kBic = 19;                // "BIC"
constexpr int kEntryDate = 21;          // "Eintrittsdatum"
constexpr int kJobTitle = 23;           // "Berufsbezeichnung"
constexpr int kPersonGroup = 25;        // "Personengruppenschlüssel"
constexpr int kActivity = 26;           // "Tätigkeitsmerkmal"
constexpr int kContributionGroup = 29;  // "Beitragsgruppenschlüssel"
constexpr int kLevies = 30;             // Umlagepflicht
constexpr int kTaxId = 50;
constexpr int kTaxClass = 51;
constexpr int kChildAllowances = 53;
constexpr int kChurch = 58;
constexpr int kSpouseChurch = 59;
constexpr int kCostCentre = 119;
constexpr int kWorkingTime = 121;

// Person group of marginal employment: flat-rate tax and the fixed health insurance fund.
constexpr std::string_view kMarginalPersonGroup = "109";

// An IBAN of at most this many characters is no bank connection.
constexpr std::size_t kUnusableIbanLength = 8;

std::string BlankOutQuotes(std::string_view line) {
  std::string text(line);
  for (char& c : text) {
    if (c == '"') c = ' ';
  }
  return text;
}

// The export writes five-digit personnel numbers with a leading zero (00012); Kandrel works
// with four. The number is filled to four digits and its first digit dropped, so 00012 gives
// 0012 and 12 gives 012. The quotes are trimmed away before the fill, so a quoted number
// gives the same as a bare one.
std::string PersonnelNumber(std::string_view column) {
  std::string number = Trim(column);
  if (number.size() < 4) number.insert(0, 4 - number.size(), '0');
  return number.substr(1);
}

bool IsGerman(std::string_view nationality) {
  return UpperAscii(nationality).find("DEUTSCH") != std::string::npos;
}

// Church code of the employee: ev and rk (any spelling that begins so) become EV and RK,
// no confession "--"; other codes are taken as they stand.
std::string EmployeeChurch(std::string_view column) {
  if (column.starts_with("ev")) return "EV";
  if (column.starts_with("rk")) return "RK";
  if (column.empty()) return "--";
  return std::string(column);
}

// Church code of the spouse, appended directly to the employee's: ev and rk with a slash, other
// codes without one, none at all when the column is empty.
std::string SpouseChurch(std::string_view column) {
  if (column.starts_with("ev")) return "/EV";
  if (column.starts_with("rk")) return "/RK";
  return std::string(column);
}

// The levy column may name U1 and U2 together ("12"); each gives its own Uml item.
std::string LevyItems(std::string_view column) {
  std::string items;
  if (column.find('1') != std::string_view::npos) items += "Uml=1;";
  if (column.find('2') != std::string_view::npos) items += "Uml=2;";
  return items;
}

bool IsMarginalEmployment(std::string_view personGroup) {
  return personGroup == kMarginalPersonGroup;
}

// The tax class is taken from the line as loaded, quotes kept. Marginal employees without a
// tax class (empty or 0) are taxed at the flat rate, "EP".
std::string TaxClass(std::string_view loadedTaxClass, std::string_view personGroup) {
  std::string taxClass = Trim(loadedTaxClass);
  if ((taxClass.empty() || taxClass == "0") && IsMarginalEmployment(personGroup)) return "EP";
  return taxClass;
}

// Decimal numbers come with a comma; Kandrel reads a point.
std::string CommaToPoint(std::string value) {
  const std::size_t comma = value.find(',');
  if (comma != std::string::npos) value[comma] = '.';
  return value;
}

void ReadEmployee(ReaderContext& context, BankCodeTable& bankCodes, std::string_view loaded) {
  const std::string line = BlankOutQuotes(loaded);
  const Columns columns(line);
  const auto field = [&columns](int n) { return Trim(columns[n]); };

  const std::string personnelNumber = PersonnelNumber(columns[kPersonnelNumber]);
  const std::string namePair = field(kSurname) + ", " + field(kFirstName);
  const std::string personGroup = field(kPersonGroup);

  RecordBuilder record;
  record.Add("PNr", personnelNumber);
  record.Add("Name", namePair);
  record.Add("Str", field(kStreet));
  if (IsGerman(field(kNationality))) record.AddItems("Staat=000;");
  record.Add("Ort", field(kPostcode) + " " + field(kTown));
  record.Add("Geb", field(kBirthDate));
  record.Add("BegB", field(kEntryDate));
  record.Add("VNr", field(kInsuranceNumber));
  record.Add("Art", field(kJobTitle));
  record.Add("Kirche", EmployeeChurch(field(kChurch)) + SpouseChurch(field(kSpouseChurch)));
  record.Add("Taet", field(kActivity));
  record.Add("BG", field(kContributionGroup));
  record.AddItems(LevyItems(field(kLevies)));
  record.Add("StKl", TaxClass(Columns(loaded)[kTaxClass], personGroup));
  record.Add("KiFr", CommaToPoint(field(kChildAllowances)));
  record.Add("PG", personGroup);
  if (IsMarginalEmployment(personGroup)) record.AddItems("KK=19;KKU=19;");
  record.Add("IdNr", field(kTaxId));
  record.Add("WAZ", CommaToPoint(field(kWorkingTime)));
  record.Add("KSt", field(kCostCentre));
  context.AddRecord(record.Take());

  if (!context.TakeBankData()) return;
  BankConnection bank;
  bank.bankName = bankCodes.Lookup(field(kBic));
  const std::string iban = field(kIban);
  if (iban.size() <= kUnusableIbanLength) return;
  bank.personnelNumber = personnelNumber;
  bank.holder = namePair;
  bank.iban = StripBlanks(iban);
  // The BIC served only to find the bank name; the line leaves it blank.
  context.AddBankLine(bank);
}

}  // namespace

void ReadDatev(ReaderContext& context) {
  context.AddFlagLine();
  // Loaded before the first employee whatever the bank setting: without the list the run ends
  // here and writes nothing.
  BankCodeTable bankCodes(context.ReadBareFile(kBankCodeListName));

  for (const std::string_view line : context.SourceLines()) {
    if (!StartsWithDigit(line)) continue;  // the column line, empty lines
    ReadEmployee(context, bankCodes, line);
  }

  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
