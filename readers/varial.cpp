// VARIAL exports two files of fixed-width records: "PWASCANS.EXP" with the employees, which
// the user picks as the source file, and "PWASCUEB.EXP" with their bank connections, which is
// opened by its bare name in the current directory. Fields are cut out by position; a field
// that reaches beyond the end of a line is shortened, one that starts beyond it is empty.
#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "bankcodes.h"
#include "readers.h"
#include "sourcetext.h"
#include "text.h"

namespace kd::readers {
namespace {

// A field of a fixed-width record: its first character (counted from 1) and its length.
struct Field {
  std::size_t position;
  std::size_t length;
};

std::string_view Cut(std::string_view line, Field field) {
  return kd::Cut(line, field.position, field.length);
}

// Employee file "PWASCANS.EXP". Fields marked "trimmed" lose surrounding blanks; the others are
// taken exactly as cut out.
constexpr Field kFirstCharacter{1, 1};       // line test only
constexpr Field kPersonnelNumber{10, 4};     // also the line test (position 10)
constexpr Field kSurname{16, 25};            // trimmed
constexpr Field kFirstName{44, 25};          // trimmed
constexpr Field kStreet{87, 25};             // trimmed
constexpr Field kPostcode{115, 5};           // untrimmed
constexpr Field kTown{128, 25};              // trimmed
constexpr Field kBirthDate{283, 8};          // YYYYMMDD
constexpr Field kEntryDate{299, 8};          // YYYYMMDD
constexpr Field kTaxClass{408, 1};           // "0" for flat-rate taxed employees
constexpr Field kChildAllowance{411, 4};     // number with a decimal point
constexpr Field kReligion{457, 2};           // employee's confession
constexpr Field kSpouseReligion{462, 2};     // spouse's confession
constexpr Field kContributionGroup{506, 4};  // health, pension, unemployment, care
constexpr Field kInsuranceNumber{530, 12};
constexpr Field kPersonGroup{614, 3};
constexpr Field kNationality{642, 3};
constexpr Field kTaxIdNumber{1418, 11};  // trimmed
constexpr Field kActivity{1507, 9};

// Bank connection file "PWASCUEB.EXP": every line is one connection.
constexpr std::string_view kBankConnectionFileName = "PWASCUEB.EXP";
constexpr Field kBankPersonnelNumber{10, 4};
constexpr Field kAccountHolder{79, 28};  // trimmed
constexpr Field kBic{250, 13};           // trimmed
constexpr Field kIban{268, 36};          // trimmed

// Employee lines hold the personnel number from position 10 on. The test compares character
// codes only: the 10th character must not be below "0" and the first not above "9", so a blank
// in front passes while a letter, a semicolon or an umlaut does not.
bool IsEmployeeLine(std::string_view line) {
  if (line.size() < kPersonnelNumber.position) return false;
  const auto first = static_cast<unsigned char>(Cut(line, kFirstCharacter).front());
  const auto tenth = static_cast<unsigned char>(line[kPersonnelNumber.position - 1]);
  return tenth >= '0' && first <= '9';
}

// Dates are stored as YYYYMMDD; Kandrel expects DD.MM.YYYY. A field without any date (blank
// or beyond the line's end) stays empty rather than becoming a bare "..".
std::string Date(std::string_view yyyymmdd) {
  if (TrimView(yyyymmdd).empty()) return {};
  std::string date(kd::Cut(yyyymmdd, 7, 2));
  date.append(1, '.').append(kd::Cut(yyyymmdd, 5, 2)).append(1, '.');
  date.append(kd::Cut(yyyymmdd, 1, 4));
  return date;
}

// Tax class 0 marks a flat-rate taxed employee.
std::string TaxClass(std::string_view taxClass) {
  return taxClass == "0" ? std::string("EP") : std::string(taxClass);
}

// The child allowance field holds a number with a point, such as "0005" or " 0.5". Leading
// white space is skipped, then a sign, digits and one point are read up to the first other
// character; no digits give 0. The number is written in its shortest form (at most 15
// significant digits, never an exponent for four characters) with the regional decimal
// separator. Parsing and formatting do not depend on the process locale.
std::string ChildAllowance(std::string_view field, char decimalSeparator) {
  std::size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  bool digits = false;
  bool point = false;
  for (; i < field.size(); ++i) {
    if (field[i] >= '0' && field[i] <= '9') {
      digits = true;
    } else if (field[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  double value = 0.0;
  if (digits) {
    const std::string_view number = field.substr(start, i - start);
    std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    // "-0" and "-.0" are no negative allowance: Kandrel gets 0.
    if (negative && value != 0.0) value = -value;
  }
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  for (char& c : text) {
    if (c == '.') c = decimalSeparator;
  }
  return text;
}

// The employee's confession, then "/" and the spouse's when there is one, both in upper case.
std::string ChurchCode(std::string_view religion, std::string_view spouseReligion) {
  std::string church = UpperAscii(TrimView(religion));
  const std::string spouse = UpperAscii(TrimView(spouseReligion));
  if (!spouse.empty()) church.append(1, '/').append(spouse);
  return church;
}

// A "1" for pension insurance in the contribution group key means the second begin date is
// the entry date too. A missing character matches nothing.
bool HasPensionBegin(std::string_view contributionGroup) {
  return contributionGroup.size() >= 2 && contributionGroup[1] == '1';
}

// A "6" for health insurance marks a marginal employment, insured with fund 19.
bool IsMarginalEmployment(std::string_view contributionGroup) {
  return !contributionGroup.empty() && contributionGroup[0] == '6';
}

void ReadEmployee(ReaderContext& context, std::string_view line) {
  const std::string_view contributionGroup = Cut(line, kContributionGroup);
  const std::string entryDate = Date(Cut(line, kEntryDate));
  const std::string taxClass = TaxClass(Cut(line, kTaxClass));

  RecordBuilder record;
  record.Add("PNr", Cut(line, kPersonnelNumber))
      .Add("Name", Trim(Cut(line, kSurname)) + ", " + Trim(Cut(line, kFirstName)))
      .Add("Str", TrimView(Cut(line, kStreet)))
      .Add("Ort", std::string(Cut(line, kPostcode)) + " " + Trim(Cut(line, kTown)))
      .Add("Geb", Date(Cut(line, kBirthDate)))
      .Add("BegB", entryDate);
  if (HasPensionBegin(contributionGroup)) record.Add("BegV", entryDate);
  if (IsMarginalEmployment(contributionGroup)) record.AddItems("KK=19;KKU=19;");
  record.Add("BG", contributionGroup)
      .Add("VNr", Cut(line, kInsuranceNumber))
      .Add("PG", Cut(line, kPersonGroup))
      .Add("StKl", taxClass);
  if (taxClass != "EP") {
    record.Add("KiFr", ChildAllowance(Cut(line, kChildAllowance), context.DecimalSeparator()));
  }
  record.Add("IdNr", TrimView(Cut(line, kTaxIdNumber)))
      .Add("Kirche", ChurchCode(Cut(line, kReligion), Cut(line, kSpouseReligion)))
      .Add("Taet", Cut(line, kActivity))
      .AddItems("OW=1;")
      .Add("Staat", Cut(line, kNationality));
  context.AddRecord(record);
}

// The BIC serves only to find the bank's name; the savings bank of Oldenburg is named without
// asking the table.
std::string BankName(std::string_view bic, BankCodeTable& table) {
  if (bic == "BRLADE21LZO") return "Landessparkasse zu Oldenburg";
  return table.Lookup(bic);
}

// One bank line per connection with an IBAN of more than eight characters.
void ReadBankConnections(ReaderContext& context) {
  BankCodeTable table(context.ReadBareFile(kBankCodeListName, BareFileHome::Program));
  // The protocol names the file by the path it was read from: another client's file of the same
  // name may lie elsewhere.
  std::string path;
  const std::string contents =
      DecodeSourceText(context.ReadBareFile(kBankConnectionFileName, BareFileHome::Source, &path));
  for (const std::string_view line : context.Lines(contents, path)) {
    const std::string_view iban = TrimView(Cut(line, kIban));
    const std::string_view bic = TrimView(Cut(line, kBic));
    const std::string bankName = BankName(bic, table);
    if (iban.size() <= 8) {
      context.Skip(TrimView(line).empty() ? SkipReason::EmptyLine : SkipReason::NoUsableIban);
      continue;
    }
    if (bankName.empty()) context.BankDataUnused(Warning::BicNotInBankCodeList, bic);
    BankConnection bank;
    bank.personnelNumber = std::string(Cut(line, kBankPersonnelNumber));
    bank.holder = Trim(Cut(line, kAccountHolder));
    bank.bankName = bankName;
    bank.iban = StripBlanks(iban);
    context.AddBankLine(bank);
  }
  context.SaveBankFile();
}

}  // namespace

void ReadVarial(ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.Lines()) {
    if (!IsEmployeeLine(line)) {
      context.SkipLine(line, SkipReason::PositionTest);
      continue;
    }
    ReadEmployee(context, line);
  }
  if (context.TakeBankData()) ReadBankConnections(context);
}

// What a VARIAL employee file looks like: fixed-width records of about 1,500 characters with
// the personnel number at position 10, the names and the address in blank-filled fields, the
// dates as YYYYMMDD. Its bank connection file, with records of some 300 characters, is not an
// employee file and does not fit.
double VarialFit(const ExportHead& head) {
  static constexpr std::pair<Field, FieldKind> kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::CompactDate},
      {kEntryDate, FieldKind::CompactDate},
      {kTaxClass, FieldKind::TaxClass},
      {kChildAllowance, FieldKind::Decimal},
      {kContributionGroup, FieldKind::ContributionGroup},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
      {kPersonGroup, FieldKind::PersonGroup},
      {kNationality, FieldKind::Number},
      {kTaxIdNumber, FieldKind::Number},
      {kActivity, FieldKind::Number},
  };
  static constexpr std::string_view kFileNames[] = {"PWASCANS*.EXP"};
  const std::size_t fullLength = kActivity.position + kActivity.length - 1;
  const std::size_t lengthToTaxId = kTaxIdNumber.position + kTaxIdNumber.length - 1;
  ExportTally tally;
  for (const std::string_view line : head.Lines()) {
    if (!IsEmployeeLine(line)) {
      tally.OtherLine();
      continue;
    }
    tally.EmployeeLine(line.size() >= fullLength ? 1 : line.size() >= lengthToTaxId ? 0.9 : 0);
    for (const auto& [field, kind] : kFields) {
      tally.Check(Cut(line, field), kind, FieldForm::BlankFilled);
    }
  }
  return WithFileNameHint(head, tally.Fit(), kFileNames);
}

}  // namespace kd::readers
