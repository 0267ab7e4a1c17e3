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

  std::string operator()(std::string_view name, const Columns& line) {
    return std::string(FieldUnderHeader(line, Index(name), table_.shift));
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
// either case and umlauts pass.
bool HasUsableSurname(std::string_view holder) {
  return UpperAscii(holder).compare("A") >= 0;
}

// A social insurance number of 1 to 13 characters with a person group beginning with "1"
// switches the reader to the column shift: from then on every value is read one column left of
// its name, for the rest of this line and all following lines of the file. The number is read
// once more under the shift and kept as it then reads.
std::string ReadInsuranceNumber(const Columns& line, std::string_view personGroup,
                                NamedColumns& column, ReaderContext& context) {
  std::string number = column(kInsuranceNumber, line);
  if (!number.empty() && number.size() <= 13 && personGroup.substr(0, 1) == "1") {
    context.Table().shift = 1;
    number = column(kInsuranceNumber, line);
  }
  return number;
}

// "0 Büro": the risk tariff key in front of its description.
std::string RiskTariffKey(std::string_view tariff) {
  const std::size_t blank = tariff.find(' ');
  return blank == std::string_view::npos ? std::string() : std::string(tariff.substr(0, blank));
}

// Tax class "P" is written as "EP".
std::string TaxClass(std::string_view taxClass) {
  return taxClass == "P" ? std::string("EP") : std::string(taxClass);
}

// The employee's religion, and the spouse's after "/" unless Lexware writes "--" or nothing.
std::string Religion(std::string_view own, std::string_view spouse) {
  std::string result(own);
  if (spouse != "--" && !spouse.empty()) result.append(1, '/').append(spouse);
  return result;
}

void AddBankConnection(const Columns& line, const std::string& personnelNumber,
                       const std::string& holder, NamedColumns& named, ReaderContext& context) {
  const auto column = [&](std::string_view name) { return named(name, line); };
  BankConnection bank;
  bank.personnelNumber = personnelNumber;
  bank.holder = holder;
  const std::string otherHolder = column(kOtherSurname) + ", " + column(kOtherFirstName);
  if (otherHolder.size() > 5) bank.holder = otherHolder;
  // The export also has "Bankleitzahl" and "Kontonummer"; Kandrel gets IBAN and BIC only.
  const std::string iban = column(kIban);
  if (iban.size() <= 8) return;
  bank.bankName = column(kBankName);
  bank.iban = StripBlanks(iban);
  bank.bic = StripBlanks(column(kBic));
  context.AddBankLine(bank);
}

void ReadEmployee(const Columns& line, NamedColumns& named, ReaderContext& context) {
  const auto column = [&](std::string_view name) { return named(name, line); };

  const std::string personnelNumber = CheckPersonnelNumber(line[0], context.Ui());
  if (!InPersonnelNumberRange(personnelNumber)) return;
  const std::string holder = column(kSurname) + ", " + column(kFirstName);
  if (!HasUsableSurname(holder)) return;

  RecordBuilder record;
  record.Add("PNr", personnelNumber);
  record.Add("Name", holder);
  record.Add("Str", column(kStreet) + " " + column(kHouseNumber));
  record.Add("Ort", column(kPostcode) + " " + column(kTown));
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
  const std::string groups = column(kContributionGroups);
  if (groups.size() > 6) record.Add("BG", ContributionGroupDigits(groups));
  record.Add("GTS", RiskTariffKey(column(kRiskTariff)));
  record.Add("StKl", TaxClass(column(kTaxClass)));
  record.Add("KiFr", ChildAllowance(column(kChildren)));
  record.Add("Kirche", Religion(column(kReligion), column(kSpouseReligion)));
  record.Add("Eltern", column(kParentStatus) == "ja" ? "1" : "0");
  record.Add("Uml", column(kLevyU1) == "ja" ? "1" : "2");
  record.Add("IdNr", column(kTaxId));
  context.AddRecord(record.Take());

  if (context.TakeBankData()) AddBankConnection(line, personnelNumber, holder, named, context);
}

}  // namespace

void ReadLexwareHeader(ReaderContext& context) {
  context.AddFlagLine();
  FillColumnTable(context.HeaderLine(), context.Table());
  NamedColumns named(context);
  std::string closed;
  for (const std::string_view line : context.SourceLines()) {
    // Employee lines begin with their personnel number; the column line does not. A line saved
    // by a spreadsheet lacks the closing semicolon; it is closed like the column line so that
    // its last column is read too.
    if (line.size() < 2 || !StartsWithDigit(line)) continue;
    closed.assign(line).append(1, ';');
    ReadEmployee(Columns(closed), named, context);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
