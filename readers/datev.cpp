// DATEV payroll export ("LG_ASCII..._SD.txt"): one employee per line, semicolon-separated, with a
// quoted column line on top. Text fields are enclosed in double quotes, numbers and dates may
// stand bare. The quotes are blanked out before the fields are taken, so a semicolon inside
// quotes still separates. The export gives bank connections as IBAN and BIC only; the bank name
// comes from the bank code list by BIC.
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

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

// The bank names of the BICs met so far. The bank code list is asked once per distinct BIC, and
// a name already known goes into the bank line without a lookup or a copy of its own.
class BankNames {
 public:
  explicit BankNames(BankCodeTable& bankCodes) : bankCodes_(bankCodes) {}

  const std::string& Of(std::string_view bic) {
    auto known = names_.find(bic);
    if (known == names_.end()) known = names_.emplace(bic, bankCodes_.Lookup(bic)).first;
    return known->second;
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };

  BankCodeTable& bankCodes_;
  std::unordered_map<std::string, std::string, Hash, std::equal_to<>> names_;
};

// What a run keeps from one employee line to the next, so that a line is split and its record
// and bank line are built in the same buffers as the line before.
struct Workspace {
  std::string blanked;  // the line with its quotes blanked out
  Columns columns;      // the columns of `blanked`
  RecordBuilder record;
  std::string personnelNumber;
  std::string namePair;
  BankConnection bank;
};

void BlankOutQuotes(std::string_view line, std::string& text) {
  text.assign(line);
  std::replace(text.begin(), text.end(), '"', ' ');
}

// Column n of the line as loaded. Blanking out quotes moves no semicolon, so the column stands
// at the same place as in the blanked line.
std::string_view LoadedColumn(std::string_view loaded, const Workspace& work, int n) {
  const std::string_view blanked = work.columns[n];
  if (blanked.empty()) return {};
  return loaded.substr(static_cast<std::size_t>(blanked.data() - work.blanked.data()),
                       blanked.size());
}

// The export writes five-digit personnel numbers with a leading zero (00012); Kandrel works
// with four. The number is filled to four digits and its first digit dropped, so 00012 gives
// 0012 and 12 gives 012. The quotes are trimmed away before the fill, so a quoted number
// gives the same as a bare one.
void PersonnelNumber(std::string_view column, std::string& number) {
  const std::string_view trimmed = TrimView(column);
  if (trimmed.size() < 4) {
    number.assign(3 - trimmed.size(), '0').append(trimmed);  // filled to four, first dropped
  } else {
    number.assign(trimmed.substr(1));
  }
}

// Any spelling of "deutsch": the letters a-z count as A-Z.
bool IsGerman(std::string_view nationality) {
  constexpr std::string_view kGerman = "DEUTSCH";
  const auto sameLetter = [](char c, char upper) {
    return (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == upper;
  };
  return std::search(nationality.begin(), nationality.end(), kGerman.begin(), kGerman.end(),
                     sameLetter) != nationality.end();
}

// Church code of the employee: ev and rk (any spelling that begins so) become EV and RK,
// no confession "--"; other codes are taken as they stand.
std::string_view EmployeeChurch(std::string_view column) {
  if (column.starts_with("ev")) return "EV";
  if (column.starts_with("rk")) return "RK";
  if (column.empty()) return "--";
  return column;
}

// Church code of the spouse, appended directly to the employee's: ev and rk with a slash, other
// codes without one, none at all when the column is empty.
std::string_view SpouseChurch(std::string_view column) {
  if (column.starts_with("ev")) return "/EV";
  if (column.starts_with("rk")) return "/RK";
  return column;
}

// The levy column may name U1 and U2 together ("12"); each gives its own Uml item.
void AddLevyItems(std::string_view column, RecordBuilder& record) {
  if (column.find('1') != std::string_view::npos) record.AddItems("Uml=1;");
  if (column.find('2') != std::string_view::npos) record.AddItems("Uml=2;");
}

bool IsMarginalEmployment(std::string_view personGroup) {
  return personGroup == kMarginalPersonGroup;
}

// The tax class is taken from the line as loaded, quotes kept. Marginal employees without a
// tax class (empty or 0) are taxed at the flat rate, "EP".
std::string_view TaxClass(std::string_view loadedTaxClass, std::string_view personGroup) {
  const std::string_view taxClass = TrimView(loadedTaxClass);
  if ((taxClass.empty() || taxClass == "0") && IsMarginalEmployment(personGroup)) return "EP";
  return taxClass;
}

// Decimal numbers come with a comma; Kandrel reads a point.
void AddDecimal(std::string_view key, std::string_view value, RecordBuilder& record) {
  const std::size_t comma = value.find(',');
  if (comma == std::string_view::npos) {
    record.Add(key, value);
  } else {
    record.AddJoined(key, {value.substr(0, comma), ".", value.substr(comma + 1)});
  }
}

void ReadEmployee(ReaderContext& context, BankNames& bankNames, std::string_view loaded,
                  Workspace& work) {
  BlankOutQuotes(loaded, work.blanked);
  const Columns& columns = work.columns.Assign(work.blanked);
  const auto field = [&columns](int n) { return TrimView(columns[n]); };

  PersonnelNumber(columns[kPersonnelNumber], work.personnelNumber);
  work.namePair.assign(field(kSurname)).append(", ").append(field(kFirstName));
  const std::string_view personGroup = field(kPersonGroup);

  RecordBuilder& record = work.record;
  record.Clear();
  record.Add("PNr", work.personnelNumber);
  record.Add("Name", work.namePair);
  record.Add("Str", field(kStreet));
  if (IsGerman(field(kNationality))) record.AddItems("Staat=000;");
  record.AddJoined("Ort", {field(kPostcode), " ", field(kTown)});
  record.Add("Geb", field(kBirthDate));
  record.Add("BegB", field(kEntryDate));
  record.Add("VNr", field(kInsuranceNumber));
  record.Add("Art", field(kJobTitle));
  record.AddJoined("Kirche", {EmployeeChurch(field(kChurch)), SpouseChurch(field(kSpouseChurch))});
  record.Add("Taet", field(kActivity));
  record.Add("BG", field(kContributionGroup));
  AddLevyItems(field(kLevies), record);
  record.Add("StKl", TaxClass(LoadedColumn(loaded, work, kTaxClass), personGroup));
  AddDecimal("KiFr", field(kChildAllowances), record);
  record.Add("PG", personGroup);
  if (IsMarginalEmployment(personGroup)) record.AddItems("KK=19;KKU=19;");
  record.Add("IdNr", field(kTaxId));
  AddDecimal("WAZ", field(kWorkingTime), record);
  record.Add("KSt", field(kCostCentre));
  context.AddRecord(record);
  // A dropped first digit other than 0 changes the number (12345 gives 2345): the protocol says
  // so, as for a shortened Lexware number.
  const std::string_view exported = field(kPersonnelNumber);
  if (exported.size() > work.personnelNumber.size() && exported.front() != '0') {
    context.Warn(Warning::PersonnelNumberShortened, exported);
  }

  if (!context.TakeBankData()) return;
  const std::string_view iban = field(kIban);
  if (iban.size() <= kUnusableIbanLength)
    return context.BankDataUnused(Warning::IbanTooShort, iban);
  BankConnection& bank = work.bank;
  const std::string_view bic = field(kBic);
  bank.bankName = bankNames.Of(bic);
  if (bank.bankName.empty()) context.BankDataUnused(Warning::BicNotInBankCodeList, bic);
  bank.personnelNumber = work.personnelNumber;
  bank.holder = work.namePair;
  AssignWithoutBlanks(bank.iban, iban);
  // The BIC served only to find the bank name; the line leaves it blank.
  context.AddBankLine(bank);
}

// The names of the export's column line in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "Personalnummer"},
    {kSurname, "Familienname"},
    {kFirstName, "Vorname"},
    {kStreet, "Stra\337e/Postfach"},
    {kPostcode, "PLZ"},
    {kTown, "Ort"},
    {kBirthDate, "Geburtsdatum"},
    {kInsuranceNumber, "Versicherungsnummer"},
    {kNationality, "Staatsangeh\366rigkeit"},
    {kIban, "IBAN"},
    {kBic, "BIC"},
    {kEntryDate, "Eintrittsdatum"},
    {kJobTitle, "Berufsbezeichnung"},
    {kPersonGroup, "Personengruppenschl\374ssel"},
    {kActivity, "T\344tigkeitsmerkmal"},
    {kContributionGroup, "Beitragsgruppenschl\374ssel"},
    {kLevies, "Umlagepflicht"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadDatev(ReaderContext& context) {
  context.AddFlagLine();
  // Loaded before the first employee whatever the bank setting: without the list the run ends
  // here and writes nothing.
  BankCodeTable bankCodes(context.ReadBareFile(kBankCodeListName, BareFileHome::Program));

  BankNames bankNames(bankCodes);
  Workspace work;
  for (const std::string_view line : context.Lines()) {
    if (!StartsWithDigit(line)) {  // the column line, empty lines
      context.SkipNonEmployeeLine(line, IsColumnLine);
      continue;
    }
    ReadEmployee(context, bankNames, line, work);
  }

  if (context.TakeBankData()) context.SaveBankFile();
}

// What a DATEV export looks like: the quoted column line first, then employee lines of 122 or
// more semicolons that begin with the adviser's and the client's number; names and other texts
// stand in double quotes, numbers and dates quoted or bare.
double DatevFit(const ExportHead& head) {
  constexpr int kAdviserNumber = 0;
  constexpr int kClientNumber = 1;
  static constexpr FieldLook kFields[] = {
      {kAdviserNumber, FieldKind::Number, FieldForm::QuotedOrBare},
      {kClientNumber, FieldKind::Number, FieldForm::QuotedOrBare},
      {kPersonnelNumber, FieldKind::Number, FieldForm::QuotedOrBare},
      {kSurname, FieldKind::Name, FieldForm::Quoted},
      {kFirstName, FieldKind::Name, FieldForm::Quoted},
      {kStreet, FieldKind::Text, FieldForm::Quoted},
      {kPostcode, FieldKind::Postcode, FieldForm::QuotedOrBare},
      {kTown, FieldKind::Name, FieldForm::Quoted},
      {kBirthDate, FieldKind::Date, FieldForm::QuotedOrBare},
      {kInsuranceNumber, FieldKind::InsuranceNumber, FieldForm::QuotedOrBare},
      {kIban, FieldKind::Iban, FieldForm::QuotedOrBare},
      {kBic, FieldKind::Bic, FieldForm::QuotedOrBare},
      {kEntryDate, FieldKind::Date, FieldForm::QuotedOrBare},
      {kJobTitle, FieldKind::Text, FieldForm::Quoted},
      {kPersonGroup, FieldKind::PersonGroup, FieldForm::QuotedOrBare},
      {kContributionGroup, FieldKind::ContributionGroup, FieldForm::QuotedOrBare},
      {kTaxId, FieldKind::Number, FieldForm::QuotedOrBare},
      {kTaxClass, FieldKind::TaxClass, FieldForm::QuotedOrBare},
      {kChildAllowances, FieldKind::Decimal, FieldForm::QuotedOrBare},
  };
  static constexpr std::string_view kFileNames[] = {"LG_ASCII*_SD.txt"};
  static constexpr ExportLook kLook{.semicolons = kWorkingTime + 1,
                                    .fields = kFields,
                                    .columnLineRequired = true,
                                    .columnNames = kColumnNames,
                                    .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
