// Recognition of the program that made an export: the samples, exports of every layout that the
// tests generate with varied content, files of other kinds, and the pieces recognition is built
// from.
#include "recognition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "plausibility.h"
#include "readers.h"
#include "test_support.h"
#include "text.h"
#include "textfile.h"

namespace {

using kdtest::PrintTo;

using kdtest::ReadFile;

// Test texts are written in UTF-8; exports are Windows-1252.
std::string W(std::string_view utf8) {
  return kd::Utf8ToCp1252(utf8);
}

// ---------------------------------------------------------------------------------------------
// Employees with varied content

struct Employee {
  int number = 0;
  std::string surname, firstName, street, houseNumber, postcode, town, jobTitle, bankName;
  int birth[3] = {}, entry[3] = {};  // day, month, year
  std::string insuranceNumber;       // "12010270M001"
  std::string iban, bic, bankCode, account, taxClass, childAllowance, religion, spouseReligion;
  std::string personGroup, contributionGroup, activityKey, taxId;
};

template <typename T>
const T& Pick(std::mt19937& random, const std::vector<T>& values) {
  return values[random() % values.size()];
}

std::string Digits(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += static_cast<char>('0' + random() % 10);
  return text;
}

std::string TwoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

// `number` with the one last digit that makes it pass `valid`, or with `wrong` one that fails.
template <typename Valid>
std::string WithCheckDigit(const std::string& number, Valid valid, bool wrong = false) {
  for (char digit = '0'; digit <= '9'; ++digit) {
    if (valid(number + digit) != wrong) return number + digit;
  }
  return number + "0";
}

// An employee; with `wrongCheckDigits` the insurance number and the tax identification number
// carry a wrong check digit, as an old program may have stored them.
Employee MakeEmployee(std::mt19937& random, int index, bool wrongCheckDigits = false) {
  static const std::vector<std::string> kSurnames = {
      W("Müller"), W("Schäfer"), W("Weiß"),  W("Özdemir"), "Kowalczyk",  "Nguyen",
      W("Groß"),   "Becker",     "Hoffmann", W("Löffler"), "Di Stefano", "Meyer-Lansky"};
  static const std::vector<std::string> kFirstNames = {
      W("Jürgen"), "Anna-Lena", "Mehmet", "Katharina", W("Zoë"), "Piotr", "Hans Peter", "Ute"};
  static const std::vector<std::string> kStreets = {
      "Hauptstr.", W("Lindenstraße"), "Am Wall", W("Königsallee"), "Weg", W("Schloßplatz")};
  static const std::vector<std::string> kTowns = {
      "Stuttgart", W("Köln"), W("München"), "Frankfurt am Main", "Halle (Saale)", "Oldenburg"};
  static const std::vector<std::string> kJobs = {
      "Koch", "Lagerist", W("Bürokauffrau"), "Elektroniker", "Fachinformatiker Systemintegration"};
  static const std::vector<std::string> kBanks = {"Sparkasse KölnBonn", "Hamburger Sparkasse",
                                                  "ING-DiBa", W("Volksbank Müritz eG")};
  static const std::vector<std::string> kBics = {"HASPDEHHXXX", "SOLADEST600", "COLSDE33XXX",
                                                 "INGDDEFF", "GENODEF1WRN"};
  Employee e;
  e.number = 1 + index * 7 + static_cast<int>(random() % 5);
  e.surname = Pick(random, kSurnames);
  e.firstName = Pick(random, kFirstNames);
  e.street = Pick(random, kStreets);
  e.houseNumber = std::to_string(1 + random() % 120) + (random() % 4 == 0 ? "a" : "");
  e.postcode = TwoDigits(1 + random() % 99) + Digits(random, 3);
  e.town = Pick(random, kTowns);
  e.jobTitle = Pick(random, kJobs);
  e.bankName = Pick(random, kBanks);
  e.birth[0] = 1 + random() % 28, e.birth[1] = 1 + random() % 12, e.birth[2] = 1950 + random() % 55;
  e.entry[0] = 1 + random() % 28, e.entry[1] = 1 + random() % 12, e.entry[2] = 1990 + random() % 34;
  // Numbers as they are given out: an area number that exists, the birth date, the check digit.
  e.insuranceNumber = WithCheckDigit(
      Pick(random, std::vector<std::string>{"12", "15", "18", "24", "53", "65"}) +
          TwoDigits(e.birth[0]) + TwoDigits(e.birth[1]) + TwoDigits(e.birth[2] % 100) +
          static_cast<char>('A' + random() % 26) + Digits(random, 2),
      [](const std::string& n) {
        return kd::CheckInsuranceNumber(n) == kd::InsuranceNumberProblem::None;
      },
      wrongCheckDigits);
  e.iban = "DE" + Digits(random, 20);
  e.bic = Pick(random, kBics);
  e.bankCode = TwoDigits(10 + random() % 80) + Digits(random, 6);
  e.account = Digits(random, 6 + random() % 5);
  e.taxClass = std::to_string(1 + random() % 6);
  e.childAllowance = Pick(random, std::vector<std::string>{"0,0", "0,5", "1,0", "2,5", "0"});
  e.religion = Pick(random, std::vector<std::string>{"ev", "rk", ""});
  e.spouseReligion = Pick(random, std::vector<std::string>{"ev", "rk", ""});
  e.personGroup = Pick(random, std::vector<std::string>{"101", "109", "102", "900"});
  e.contributionGroup = Pick(random, std::vector<std::string>{"1111", "6500", "0110", "1101"});
  e.activityKey = Digits(random, 9);
  // Ten digits of which one occurs twice, the first not 0, then the check digit.
  std::string digits = "0123456789";
  do {
    std::shuffle(digits.begin(), digits.end(), random);
  } while (digits[0] == '0');
  e.taxId = WithCheckDigit(
      digits.substr(0, 9) + digits[random() % 9],
      [](const std::string& n) { return kd::CheckTaxId(n) == kd::TaxIdProblem::None; },
      wrongCheckDigits);
  return e;
}

std::string Date(const int (&date)[3], bool shortForm) {
  if (shortForm) {
    return std::to_string(date[0]) + "." + std::to_string(date[1]) + "." + std::to_string(date[2]);
  }
  return TwoDigits(date[0]) + "." + TwoDigits(date[1]) + "." + std::to_string(date[2]);
}

// What a generated export puts into a field.
enum class F {
  Number,
  Surname,
  FirstName,
  Street,
  StreetAndNumber,
  HouseNumber,
  Postcode,
  Town,
  Birth,
  BirthShort,
  Entry,
  EntryShort,
  Insurance,
  InsuranceSpaced,
  Iban,
  IbanGrouped,
  Bic,
  BankName,
  BankCode,
  Account,
  TaxClass,
  TaxClassWord,
  TaxTable,
  ChildAllowance,
  Religion,
  SpouseReligion,
  PersonGroup,
  ContributionGroup,
  ContributionSpaced,
  ActivityKey,
  ActivityShort,
  TaxId,
  JobTitle,
  German,
  Germany,
  NationalityKey,
  Company,
  Digit,
  Yes,
};

std::string Value(const Employee& e, F field, std::mt19937& random) {
  static const char* const kWords[] = {"EINS", "ZWEI", "DREI", "VIER", "F\xDCNF", "SECHS"};
  switch (field) {
    case F::Number:
      return std::to_string(e.number);
    case F::Surname:
      return e.surname;
    case F::FirstName:
      return e.firstName;
    case F::Street:
      return e.street;
    case F::StreetAndNumber:
      return e.street + " " + e.houseNumber;
    case F::HouseNumber:
      return e.houseNumber;
    case F::Postcode:
      return e.postcode;
    case F::Town:
      return e.town;
    case F::Birth:
      return Date(e.birth, false);
    case F::BirthShort:
      return Date(e.birth, random() % 2 == 0);
    case F::Entry:
      return Date(e.entry, false);
    case F::EntryShort:
      return Date(e.entry, random() % 2 == 0);
    case F::Insurance:
      return e.insuranceNumber;
    case F::InsuranceSpaced:
      return e.insuranceNumber.substr(0, 2) + " " + e.insuranceNumber.substr(2, 6) + " " +
             e.insuranceNumber.substr(8, 1) + " " + e.insuranceNumber.substr(9);
    case F::Iban:
      return e.iban;
    case F::IbanGrouped: {
      std::string grouped;
      for (std::size_t i = 0; i < e.iban.size(); i += 4) {
        grouped += (i == 0 ? "" : " ") + e.iban.substr(i, 4);
      }
      return grouped;
    }
    case F::Bic:
      return e.bic;
    case F::BankName:
      return e.bankName;
    case F::BankCode:
      return e.bankCode;
    case F::Account:
      return e.account;
    case F::TaxClass:
      return e.taxClass;
    case F::TaxClassWord:
      return kWords[random() % 6];
    case F::TaxTable:
      return random() % 3 == 0 ? "Besondere Tabelle" : "Allgemeine Tabelle";
    case F::ChildAllowance:
      return e.childAllowance;
    case F::Religion:
      return e.religion;
    case F::SpouseReligion:
      return e.spouseReligion;
    case F::PersonGroup:
      return e.personGroup;
    case F::ContributionGroup:
      return e.contributionGroup;
    case F::ContributionSpaced:
      return {e.contributionGroup[0], ' ', e.contributionGroup[1], ' ',
              e.contributionGroup[2], ' ', e.contributionGroup[3]};
    case F::ActivityKey:
      return e.activityKey;
    case F::ActivityShort:
      return e.activityKey.substr(0, 5);
    case F::TaxId:
      return e.taxId;
    case F::JobTitle:
      return e.jobTitle;
    case F::German:
      return "deutsch";
    case F::Germany:
      return "Deutschland";
    case F::NationalityKey:
      return random() % 4 == 0 ? "163" : "000";
    case F::Company:
      return "1";
    case F::Digit:
      return std::to_string(random() % 10);
    case F::Yes:
      return random() % 2 == 0 ? "ja" : "nein";
  }
  return {};
}

// Fields that no layout needs to tell itself apart: what the columns nobody reads hold.
std::string Filler(std::mt19937& random) {
  static const std::vector<std::string> kFillers = {
      "", "", "", "ja", "nein", "40,00", "Vertrieb", "1", "AOK", "0711 2284417", W("Überweisung")};
  return Pick(random, kFillers);
}

// ---------------------------------------------------------------------------------------------
// Generated exports

struct Placed {
  int column;
  F field;
};

enum class Quotes { None, Datev, Gdi };

// An export of semicolon-separated columns as its program writes it.
struct SemicolonLayout {
  std::vector<Placed> fields;
  std::vector<std::pair<int, std::string>> names;  // the column line's names (others "Feld n")
  int columns = 0;                                 // columns of the usual export
  bool closesLastColumn = true;
  bool hasColumnLine = true;
  Quotes quotes = Quotes::None;
};

// What one generated export varies.
struct Variant {
  const char* name;
  bool columnLine = true;  // only layouts that may lack it leave it out
  int extraColumns = 0;    // optional columns after the usual ones
  // Share of fields left empty, other than the personnel number, the names and the birth date,
  // which every export gives every employee.
  double emptyShare = 0;
  bool blankLines = false;
  int employees = 6;
  unsigned seed = 1;
  bool wrongCheckDigits = false;
};

bool IsTextField(F field) {
  switch (field) {
    case F::Surname:
    case F::FirstName:
    case F::Street:
    case F::StreetAndNumber:
    case F::Town:
    case F::BankName:
    case F::JobTitle:
    case F::Religion:
    case F::SpouseReligion:
    case F::German:
    case F::TaxTable:
    case F::Bic:
    case F::Iban:
    case F::IbanGrouped:
    case F::Insurance:
    case F::Postcode:
    case F::NationalityKey:
    case F::ActivityKey:
    case F::ActivityShort:
    case F::ContributionGroup:
    case F::Digit:
    case F::TaxClass:
    case F::Number:
      return true;
    default:
      return false;
  }
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// The export's lines, the names of its employees as the import file writes them
// ("Name=<surname>, <first name>;") in `names`.
std::vector<std::string> Generate(const SemicolonLayout& layout, const Variant& variant,
                                  std::vector<std::string>& names) {
  std::mt19937 random(variant.seed);
  const int columns = layout.columns + variant.extraColumns;
  std::vector<std::string> lines;
  if (layout.hasColumnLine && variant.columnLine) {
    std::vector<std::string> header(columns);
    for (int c = 0; c < columns; ++c) header[c] = "Feld " + std::to_string(c);
    for (const auto& [column, name] : layout.names) header[column] = name;
    std::string line;
    for (int c = 0; c < columns; ++c) {
      const bool bare = layout.quotes != Quotes::Datev || header[c] == "Geburtsdatum" ||
                        header[c] == "Umlagepflicht";
      line += (c == 0 ? "" : ";") + (bare ? header[c] : Quoted(header[c]));
    }
    lines.push_back(line + (layout.closesLastColumn ? ";" : ""));
  }
  for (int i = 0; i < variant.employees; ++i) {
    const Employee e = MakeEmployee(random, i, variant.wrongCheckDigits);
    names.push_back("Name=" + e.surname + ", " + e.firstName + ";");
    std::vector<std::string> cells(columns);
    std::vector<bool> text(columns, layout.quotes == Quotes::Gdi);
    for (int c = 0; c < columns; ++c) cells[c] = Filler(random);
    for (const Placed& placed : layout.fields) {
      const bool name = placed.field == F::Number || placed.field == F::Surname ||
                        placed.field == F::FirstName || placed.field == F::Birth ||
                        placed.field == F::BirthShort;
      const bool empty = placed.column != 0 && !name &&
                         std::uniform_real_distribution<>(0, 1)(random) < variant.emptyShare;
      cells[placed.column] = empty ? std::string() : Value(e, placed.field, random);
      text[placed.column] = IsTextField(placed.field);
    }
    std::string line;
    for (int c = 0; c < columns; ++c) {
      // The first column stays bare: an employee line begins with a digit.
      std::string cell = cells[c];
      if (layout.quotes == Quotes::Gdi && text[c] && c != 0) cell = Quoted(cell);
      if (layout.quotes == Quotes::Datev && text[c] && c != 0 && !cell.empty()) cell = Quoted(cell);
      line += (c == 0 ? "" : ";") + cell;
    }
    lines.push_back(line + (layout.closesLastColumn ? ";" : ""));
    if (variant.blankLines && i % 2 == 0) lines.emplace_back(random() % 2 == 0 ? "" : "   ");
  }
  if (variant.blankLines) lines.emplace_back("");
  return lines;
}

SemicolonLayout AgendaLayout() {
  return {{{0, F::Number},          {1, F::Yes},
           {2, F::Surname},         {3, F::FirstName},
           {7, F::Street},          {8, F::HouseNumber},
           {9, F::Postcode},        {10, F::Town},
           {13, F::Entry},          {15, F::Birth},
           {19, F::German},         {23, F::BankName},
           {24, F::Iban},           {25, F::Bic},
           {29, F::TaxId},          {36, F::TaxClass},
           {38, F::ChildAllowance}, {40, F::Religion},
           {41, F::SpouseReligion}, {56, F::Insurance},
           {57, F::ActivityShort},  {58, F::JobTitle},
           {59, F::Digit},          {60, F::Digit},
           {61, F::Digit},          {62, F::Digit},
           {63, F::PersonGroup},    {79, F::ContributionGroup}},
          {{0, "Personalnummer"},
           {1, "Anrede"},
           {2, "Nachname"},
           {3, "Vorname"},
           {7, W("Straße")},
           {8, "Hausnummer"},
           {9, "PLZ"},
           {10, "Ort"},
           {13, "Eintritt"},
           {15, "Geburtsdatum"},
           {23, "Bankbezeichnung"},
           {24, "IBAN-Nummer"},
           {25, "BIC (SWIFT-Code)"},
           {29, "Identifikationsnummer"},
           {36, "Steuerklasse"},
           {38, "Kinderfreibetrag"},
           {40, "Religion Mitarbeiter"},
           {41, "Religion Ehegatte"},
           {56, "SV-Nummer"},
           {57, W("Tätigkeitsschlüssel")},
           {58, "Beruf"},
           {59, "Abschluss Schule"},
           {60, "Abschluss Beruf"},
           {61, W("AN-Überlassung")},
           {62, "Form-Vertrag"},
           {63, "Personengruppe"},
           {79, W("Beitragsgruppenschlüssel")}},
          81,
          false};
}

SemicolonLayout BbsLayout() {
  return {{{0, F::Number},       {1, F::Company},          {5, F::ActivityKey},
           {6, F::JobTitle},     {7, F::EntryShort},       {9, F::FirstName},
           {10, F::Surname},     {11, F::StreetAndNumber}, {13, F::Postcode},
           {14, F::Town},        {17, F::BirthShort},      {19, F::German},
           {20, F::Insurance},   {21, F::EntryShort},      {23, F::ContributionGroup},
           {24, F::PersonGroup}, {34, F::TaxClass},        {35, F::ChildAllowance},
           {37, F::Religion},    {41, F::SpouseReligion},  {44, F::Bic},
           {45, F::BankName},    {46, F::IbanGrouped}},
          {{0, "PersNr"}, {9, "Vorname"}, {10, "Nachname"}, {17, "Geburtsdatum"}, {46, "IBAN"}},
          50};
}

SemicolonLayout DatalineLayout() {
  return {{{0, F::Number},
           {1, F::Surname},
           {2, F::FirstName},
           {6, F::StreetAndNumber},
           {7, F::Postcode},
           {8, F::Town},
           {9, F::Birth},
           {11, F::German},
           {14, F::Entry},
           {16, F::Insurance},
           {17, F::TaxClass},
           {18, F::ChildAllowance}},
          {{0, "Personalnummer"}, {1, "Name"}, {2, "Vorname"}, {9, "Geburtsdatum"}},
          20};
}

SemicolonLayout DatevLayout() {
  SemicolonLayout layout{{{0, F::Number},
                          {1, F::Number},
                          {3, F::Company},
                          {4, F::Number},
                          {5, F::Surname},
                          {6, F::FirstName},
                          {7, F::StreetAndNumber},
                          {9, F::Postcode},
                          {10, F::Town},
                          {11, F::Birth},
                          {13, F::Insurance},
                          {15, F::German},
                          {18, F::IbanGrouped},
                          {19, F::Bic},
                          {21, F::Entry},
                          {23, F::JobTitle},
                          {25, F::PersonGroup},
                          {26, F::ActivityKey},
                          {29, F::ContributionGroup},
                          {30, F::Digit},
                          {50, F::TaxId},
                          {51, F::TaxClass},
                          {53, F::ChildAllowance},
                          {58, F::Religion},
                          {59, F::SpouseReligion},
                          {119, F::Digit},
                          {121, F::Digit}},
                         {{0, "Beraternummer"},
                          {1, "Mandantennummer"},
                          {4, "Personalnummer"},
                          {5, "Familienname"},
                          {6, "Vorname"},
                          {7, W("Straße/Postfach")},
                          {9, "PLZ"},
                          {10, "Ort"},
                          {11, "Geburtsdatum"},
                          {13, "Versicherungsnummer"},
                          {15, W("Staatsangehörigkeit")},
                          {18, "IBAN"},
                          {19, "BIC"},
                          {21, "Eintrittsdatum"},
                          {23, "Berufsbezeichnung"},
                          {25, W("Personengruppenschlüssel")},
                          {26, W("Tätigkeitsmerkmal")},
                          {29, W("Beitragsgruppenschlüssel")},
                          {30, "Umlagepflicht"}},
                         125};
  layout.quotes = Quotes::Datev;
  return layout;
}

SemicolonLayout ExactLayout() {
  return {{{0, F::Number},          {1, F::Surname},      {2, F::FirstName},
           {3, F::StreetAndNumber}, {4, F::Postcode},     {5, F::Town},
           {6, F::Birth},           {7, F::Insurance},    {8, F::JobTitle},
           {9, F::Entry},           {11, F::BankName},    {12, F::BankCode},
           {13, F::Account},        {14, F::TaxId},       {15, F::TaxClass},
           {16, F::ChildAllowance}, {17, F::Religion},    {18, F::NationalityKey},
           {19, F::PersonGroup},    {20, F::ActivityKey}, {21, F::ContributionGroup}},
          {{0, "PNR."},    {1, "NAME"},    {2, "VORNAME"}, {3, "STRASSE"}, {4, "PLZ"},
           {5, "ORT"},     {6, "GEB."},    {7, "SV-NR."},  {8, "BERUF"},   {9, "EINTRITT"},
           {10, "STATUS"}, {11, "BANK"},   {12, "BLZ"},    {13, "KTONR."}, {14, "AGS"},
           {15, "LSTKL"},  {16, "KI.FR."}, {17, "RELI"},   {18, "STAAT"},  {19, "PGR"},
           {20, "TAET"},   {21, "BGS"},    {22, "UML"},    {23, "GZ"},     {24, "BL"}},
          25};
}

SemicolonLayout GdiLayout() {
  SemicolonLayout layout{
      {{0, F::Number},    {1, F::FirstName},      {2, F::Surname},        {3, F::StreetAndNumber},
       {5, F::Postcode},  {6, F::Town},           {9, F::NationalityKey}, {10, F::Birth},
       {16, F::Entry},    {22, F::BankName},      {23, F::BankCode},      {25, F::Bic},
       {26, F::Iban},     {27, F::Insurance},     {29, F::Digit},         {30, F::Digit},
       {31, F::Digit},    {32, F::Digit},         {34, F::TaxClass},      {35, F::ChildAllowance},
       {36, F::Religion}, {46, F::ActivityShort}, {47, F::JobTitle},      {48, F::Digit},
       {49, F::Digit},    {50, F::Digit},         {51, F::Digit}},
      {},
      52,
      false,
      false};
  layout.quotes = Quotes::Gdi;
  return layout;
}

SemicolonLayout LexwareSecondLayout() {
  return {{{0, F::Number},
           {1, F::Surname},
           {2, F::FirstName},
           {6, F::Street},
           {7, F::HouseNumber},
           {9, F::Postcode},
           {10, F::Town},
           {11, F::Germany},
           {16, F::Germany},
           {17, F::Birth},
           {18, F::Entry},
           {26, F::BankName},
           {27, F::BankCode},
           {28, F::Account},
           {46, F::InsuranceSpaced},
           {54, F::ActivityShort},
           {57, F::JobTitle},
           {58, F::PersonGroup},
           {60, F::ContributionSpaced},
           {78, F::TaxTable},
           {79, F::TaxClass},
           {80, F::ChildAllowance},
           {84, F::Religion},
           {85, F::SpouseReligion},
           {86, F::TaxId}},
          {{0, "Personalnummer"},
           {1, "Nachname"},
           {2, "Vorname"},
           {6, W("Straße")},
           {9, "PLZ"},
           {10, "Ort"},
           {17, "Geburtsdatum"},
           {18, "Eintrittsdatum"}},
          87};
}

SemicolonLayout SageLayout() {
  return {{{0, F::Number},
           {1, F::FirstName},
           {2, F::Surname},
           {3, F::StreetAndNumber},
           {4, F::Postcode},
           {5, F::Town},
           {10, F::German},
           {13, F::Entry},
           {17, F::Birth},
           {21, F::BankName},
           {22, F::IbanGrouped},
           {24, F::TaxClassWord},
           {25, F::ChildAllowance},
           {26, F::ChildAllowance},
           {27, F::Religion},
           {30, F::TaxId},
           {31, F::Insurance},
           {32, F::PersonGroup},
           {34, F::ActivityShort},
           {35, F::JobTitle},
           {36, F::Digit},
           {38, F::Digit},
           {40, F::ContributionGroup},
           {54, F::Digit}},
          {{0, "Pers-Nr"},
           {1, "Vorname"},
           {2, "Name"},
           {3, W("Straße")},
           {4, "Postleitzahl"},
           {5, "Ort"},
           {10, W("Nationalität")},
           {13, "Eintritt"},
           {17, "Geburtsdatum"},
           {21, "Bank"},
           {22, "IBAN"},
           {24, "Steuerklasse"},
           {25, "Kinderfreibetrag"},
           {26, "Faktor"},
           {27, "Kirchensteuer"},
           {30, "Steuer-ID"},
           {31, "Rentenversicherungsnummer"},
           {32, W("Personengruppenschlüssel")},
           {34, W("Tätigkeitsschlüssel")},
           {35, W("Tätigkeit")},
           {36, "B1"},
           {38, "B2"},
           {40, W("SV-Schlüssel")},
           {46, "Elterneigenschaft"},
           {54, "Gefahrentarifstelle"}},
          56};
}

SemicolonLayout SbsLayout() {
  return {{{0, F::Company},
           {1, F::Number},
           {2, F::Surname},
           {3, F::FirstName},
           {4, F::StreetAndNumber},
           {5, F::Postcode},
           {6, F::Town},
           {7, F::Birth},
           {11, F::Entry},
           {12, F::TaxClass},
           {16, F::Religion},
           {19, F::ActivityKey},
           {20, F::NationalityKey},
           {22, F::Insurance},
           {23, F::ChildAllowance},
           {26, F::PersonGroup},
           {27, F::ContributionGroup},
           {31, F::TaxId}},
          {{0, "Firmen-Nr."},
           {1, "Personal-Nr."},
           {2, "Nachname"},
           {3, "Vorname"},
           {4, W("Straße")},
           {5, "Deutsche PLZ"},
           {6, "Wohnort"},
           {7, "Geburtsdatum"},
           {8, "Geburtsort"},
           {9, "Familienstand"},
           {10, "Geschlecht"},
           {11, "Eintritts-Datum"},
           {12, "Steuerklasse"},
           {19, W("Tätigkeits-Schl.")},
           {20, W("Staatsangehörigk.")},
           {22, "Sozialversich.Nr."},
           {23, W("Kinderfreibeträge")},
           {26, "Personengruppe"},
           {27, "Beitragsgruppe"},
           {31, "TIN Steuer-Ident."}},
          32};
}

// Lexware's export with a column line: the reader's columns and some others in an order of
// their own (different with every seed), "Wohnland;LKZ" side by side; `optional` of the other
// columns are left out.
std::vector<std::string> GenerateLexwareHeader(const Variant& variant,
                                               std::vector<std::string>& names) {
  std::mt19937 random(variant.seed);
  std::vector<std::pair<std::string, F>> columns = {
      {"Name", F::Surname},
      {"Vorname", F::FirstName},
      {W("Straße"), F::Street},
      {"Hausnummer", F::HouseNumber},
      {"PLZ", F::Postcode},
      {"Ort", F::Town},
      {"Wohnland;LKZ", F::Germany},
      {W("Staatsangehörigkeit"), F::Germany},
      {"Geb. Datum", F::Birth},
      {"Eintrittsdatum", F::Entry},
      {"Personengruppe", F::PersonGroup},
      {"Sozialvers.-Nr.", F::InsuranceSpaced},
      {"Berufsbezeichnung", F::JobTitle},
      {W("Tätigkeitsschlüssel"), F::ActivityShort},
      {"Beitragsgruppen", F::ContributionSpaced},
      {"Steuerklasse", F::TaxClass},
      {"Kinder", F::ChildAllowance},
      {"Konfession", F::Religion},
      {"Konfession Ehegatte", F::SpouseReligion},
      {"Elterneigenschaft", F::Yes},
      {"Umlagepflicht U1", F::Yes},
      {"Id-Nr", F::TaxId},
      // Optional columns: the bank connection and others.
      {"Bankname", F::BankName},
      {"Bankleitzahl", F::BankCode},
      {"Kontonummer", F::Account},
      {"BIC", F::Bic},
      {"IBAN", F::IbanGrouped},
      {"Anrede", F::Yes},
      {"Geschlecht", F::Yes},
      {"Krankenkasse", F::BankName},
      {"Austrittsdatum", F::Yes},
      {"Abweichender Name", F::Yes}};
  // `extraColumns` counts the optional columns left out (at most all ten), then the order is
  // shuffled.
  columns.resize(columns.size() - std::min<std::size_t>(variant.extraColumns, 10));
  std::shuffle(columns.begin(), columns.end(), random);
  std::string header = "Personalnummer";
  for (const auto& column : columns) header += ";" + column.first;
  std::vector<std::string> lines = {header};
  for (int i = 0; i < variant.employees; ++i) {
    const Employee e = MakeEmployee(random, i, variant.wrongCheckDigits);
    names.push_back("Name=" + e.surname + ", " + e.firstName + ";");
    std::string line = std::to_string(e.number);
    for (const auto& [name, field] : columns) {
      const bool keep = field == F::Surname || field == F::FirstName || field == F::Birth ||
                        std::uniform_real_distribution<>(0, 1)(random) >= variant.emptyShare;
      line += ';';
      if (keep) line += Value(e, field, random);
      if (name == "Wohnland;LKZ") line += ";D";
    }
    lines.push_back(line + ";");
    if (variant.blankLines && i % 2 == 0) lines.emplace_back();
  }
  return lines;
}

// VARIAL's employee file: fixed-width records, dates as YYYYMMDD, a semicolon after the
// fields; `extraColumns` characters more at the end of every record.
std::vector<std::string> GenerateVarial(const Variant& variant, std::vector<std::string>& names) {
  std::mt19937 random(variant.seed);
  std::vector<std::string> lines;
  const auto put = [](std::string& line, std::size_t position, std::string_view text) {
    line.replace(position - 1, text.size(), text);
  };
  for (int i = 0; i < variant.employees; ++i) {
    const Employee e = MakeEmployee(random, i, variant.wrongCheckDigits);
    names.push_back("Name=" + e.surname + ", " + e.firstName + ";");
    const auto maybe = [&](std::string text) {
      return std::uniform_real_distribution<>(0, 1)(random) < variant.emptyShare ? std::string()
                                                                                 : text;
    };
    const auto compact = [](const int(&date)[3]) {
      return std::to_string(date[2]) + TwoDigits(date[1]) + TwoDigits(date[0]);
    };
    std::string line(1516 + variant.extraColumns, ' ');
    for (const std::size_t semicolon : {9,   14,  41,  69,  86,  112, 120, 127, 153,  291, 307,
                                        409, 415, 459, 464, 510, 542, 617, 645, 1429, 1516}) {
      line[semicolon - 1] = ';';
    }
    put(line, 1, "00000017");
    put(line, 10, std::string(4 - std::to_string(e.number).size(), '0') + std::to_string(e.number));
    put(line, 16, e.surname);
    put(line, 44, e.firstName);
    put(line, 87, maybe(e.street + " " + e.houseNumber));
    put(line, 115, maybe(e.postcode));
    put(line, 128, maybe(e.town));
    put(line, 283, compact(e.birth));
    put(line, 299, maybe(compact(e.entry)));
    put(line, 408, maybe(e.taxClass));
    put(line, 411, maybe(e.childAllowance == "0,5" ? " 0.5" : "0000"));
    put(line, 457, maybe(e.religion));
    put(line, 506, maybe(e.contributionGroup));
    put(line, 530, maybe(e.insuranceNumber));
    put(line, 614, maybe(e.personGroup));
    put(line, 642, maybe("000"));
    put(line, 1418, maybe(e.taxId));
    put(line, 1507, maybe(e.activityKey));
    lines.push_back(line);
    if (variant.blankLines && i % 2 == 0) lines.emplace_back();
  }
  return lines;
}

// ---------------------------------------------------------------------------------------------
// The encodings an export comes in

enum class Encoding { Windows1252, Utf8, Utf8WithBom, Utf16WithBom };

std::string Encode(const std::string& cp1252, Encoding encoding) {
  const std::string utf8 = kd::Cp1252ToUtf8(cp1252);
  switch (encoding) {
    case Encoding::Windows1252:
      return cp1252;
    case Encoding::Utf8:
      return utf8;
    case Encoding::Utf8WithBom:
      return "\xEF\xBB\xBF" + utf8;
    case Encoding::Utf16WithBom: {
      std::string out = "\xFF\xFE";
      for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c = b;
        int length = 1;
        if (b >= 0xE0) {
          c = b & 0x0F, length = 3;
        } else if (b >= 0xC0) {
          c = b & 0x1F, length = 2;
        }
        for (int k = 1; k < length; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
        i += length;
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
      }
      return out;
    }
  }
  return cp1252;
}

const char* EncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::Windows1252:
      return "Windows-1252";
    case Encoding::Utf8:
      return "UTF-8";
    case Encoding::Utf8WithBom:
      return "UTF-8 with BOM";
    case Encoding::Utf16WithBom:
      return "UTF-16 with BOM";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// Every layout, generated with varied content, is recognised as its own

struct GeneratedLayout {
  const char* program;  // as the window's list writes it
  const char* layout;
  bool columnLineOptional;
  std::function<std::vector<std::string>(const Variant&, std::vector<std::string>&)> generate;
  const char* fileName = "export.csv";
};

GeneratedLayout FromSemicolons(const char* program, const char* layoutName, bool optional,
                               SemicolonLayout (*layout)()) {
  return {program, layoutName, optional,
          [layout](const Variant& variant, std::vector<std::string>& names) {
            return Generate(layout(), variant, names);
          }};
}

std::vector<GeneratedLayout> Layouts() {
  return {
      FromSemicolons("Agenda", "", false, AgendaLayout),
      FromSemicolons("BBS", "", true, BbsLayout),
      FromSemicolons("Dataline", "", true, DatalineLayout),
      FromSemicolons("Datev", "", false, DatevLayout),
      FromSemicolons("Exact", "", true, ExactLayout),
      FromSemicolons("GDI", "", false, GdiLayout),
      {"Lexware", "Personalstammblatt", false, GenerateLexwareHeader},
      FromSemicolons("Lexware", "feste Spaltenfolge", true, LexwareSecondLayout),
      FromSemicolons("sage", "", false, SageLayout),
      FromSemicolons("SBS", "", false, SbsLayout),
      {"VARIAL", "", false, GenerateVarial},
  };
}

const Variant kVariants[] = {
    {"Plain"},
    {"OneEmployee", true, 0, 0, false, 1, 2},
    {"ManyEmployees", true, 0, 0, false, 60, 3},
    {"ExtraColumns", true, 7, 0, false, 6, 4},
    {"ManyExtraColumns", true, 40, 0.1, false, 6, 5},
    {"EmptyFields", true, 0, 0.4, false, 8, 6},
    {"MostFieldsEmpty", true, 2, 0.7, false, 12, 7},
    {"BlankLines", true, 0, 0.1, true, 6, 8},
    {"NoColumnLine", false, 0, 0, false, 6, 9},
    {"NoColumnLineEmptyFields", false, 3, 0.4, true, 6, 10},
    {"WrongCheckDigits", true, 0, 0.1, false, 8, 15, true},
};

struct GeneratedCase {
  std::size_t layout;
  Variant variant;
};

void PrintTo(const GeneratedCase& c, std::ostream* os) {
  const GeneratedLayout layout = Layouts()[c.layout];
  *os << layout.program << " " << layout.layout << " " << c.variant.name;
}

std::string CaseName(const ::testing::TestParamInfo<GeneratedCase>& info) {
  const GeneratedLayout layout = Layouts()[info.param.layout];
  std::string name = std::string(layout.program) + layout.layout + "_" + info.param.variant.name;
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }),
             name.end());
  return name;
}

std::vector<GeneratedCase> GeneratedCases() {
  std::vector<GeneratedCase> cases;
  const std::vector<GeneratedLayout> layouts = Layouts();
  for (std::size_t l = 0; l < layouts.size(); ++l) {
    for (const Variant& variant : kVariants) {
      if (!variant.columnLine && !layouts[l].columnLineOptional) continue;
      cases.push_back({l, variant});
    }
  }
  return cases;
}

class GeneratedExportTest : public ::testing::TestWithParam<GeneratedCase> {};

TEST_P(GeneratedExportTest, IsRecognisedAsItsProgramInEveryEncoding) {
  const GeneratedLayout layout = Layouts()[GetParam().layout];
  std::vector<std::string> names;
  const std::string text = kdtest::CrlfLines(layout.generate(GetParam().variant, names));
  for (const Encoding encoding :
       {Encoding::Windows1252, Encoding::Utf8, Encoding::Utf8WithBom, Encoding::Utf16WithBom}) {
    const kd::Recognition r = kd::readers::Recognize(Encode(text, encoding), layout.fileName);
    EXPECT_EQ(r.program, layout.program)
        << EncodingName(encoding) << ", fit " << r.fit << ", next " << r.nextFit;
    EXPECT_EQ(r.layout, layout.layout) << EncodingName(encoding);
    EXPECT_GE(r.fit - r.nextFit, kd::kClearLead) << EncodingName(encoding);
  }
}

// The generated exports are what the readers read: converted with the recognised program, every
// employee's name reaches the import file.
TEST_P(GeneratedExportTest, ConvertsWithTheRecognisedProgram) {
  const GeneratedLayout layout = Layouts()[GetParam().layout];
  std::vector<std::string> names;
  const std::string text = kdtest::CrlfLines(layout.generate(GetParam().variant, names));
  const kd::Recognition r = kd::readers::Recognize(Encode(text, Encoding::Utf8), "export.csv");
  ASSERT_TRUE(r.Recognised());
  kdtest::ConversionHarness run;
  kdtest::WriteFile(run.bareDir.File("BLZ_20170904.txt"), "");
  ASSERT_EQ(run.Run(r.program, Encode(text, Encoding::Utf8)), kd::RunResult::Written);
  const std::string import = run.ImportFile();
  for (const std::string& name : names) EXPECT_NE(import.find(name), std::string::npos) << name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, GeneratedExportTest, ::testing::ValuesIn(GeneratedCases()),
                         CaseName);

// ---------------------------------------------------------------------------------------------
// The samples

struct SampleCase {
  std::string file;  // below the samples folder
  std::string program;
  std::string layout;
};

void PrintTo(const SampleCase& c, std::ostream* os) {
  *os << c.file;
}

class SampleRecognitionTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleRecognitionTest, IsRecognisedAsItsProgram) {
  const std::string path = std::string(KDIMPORT_SAMPLES_DIR) + "/" + GetParam().file;
  const kd::Recognition r = kd::readers::RecognizeFile(path);
  EXPECT_EQ(r.program, GetParam().program) << "fit " << r.fit << ", next " << r.nextFit;
  EXPECT_EQ(r.layout, GetParam().layout);
}

const SampleCase kSamples[] = {
    {"agenda/Personaldaten.csv", "Agenda", ""},
    {"bbs/Personal.csv", "BBS", ""},
    {"dataline/Personalstammdaten.dat", "Dataline", ""},
    {"datev/LG_ASCII_12345_SD.txt", "Datev", ""},
    {"exact/persli.txt", "Exact", ""},
    {"gdi/Personal.csv", "GDI", ""},
    {"lexware/Personalstammblatt.csv", "Lexware", "Personalstammblatt"},
    {"lexware/Personalstammblatt_Protokoll.csv", "Lexware", "Personalstammblatt"},
    {"lexware/Lexware_Mitarbeiter.csv", "Lexware", "feste Spaltenfolge"},
    {"sage/Mitarbeiterliste.csv", "sage", ""},
    {"sbs/Tabelle2929.csv", "SBS", ""},
    {"varial/PWASCANS.EXP", "VARIAL", ""},
    // VARIAL's bank connection file is no employee export.
    {"varial/PWASCUEB.EXP", "", ""},
};

std::string SampleName(const SampleCase& c) {
  std::string name = c.file;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleRecognitionTest, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return SampleName(info.param); });

// Exports changed the way real ones are: recognised as their program, or as none, never as
// another program. A column is put in ("Neu" in the column line, "X9" below) or taken out after
// the n-th semicolon of every line.
enum class Change { NoColumnLine, Insert, Remove, NamesChanged, CutShort, Doubled, WithTheNext };

struct ChangeCase {
  const char* what;
  Change change;
  int column = 0;
};

const ChangeCase kChanges[] = {
    {"NoColumnLine", Change::NoColumnLine},      {"ColumnInsertedEarly", Change::Insert, 2},
    {"ColumnInsertedLater", Change::Insert, 12}, {"ColumnRemovedEarly", Change::Remove, 2},
    {"ColumnRemovedLater", Change::Remove, 12},  {"NamesChanged", Change::NamesChanged},
    {"LinesCutShort", Change::CutShort},         {"JoinedWithItself", Change::Doubled},
    {"JoinedWithTheNext", Change::WithTheNext},
};

std::string Changed(const std::string& text, const ChangeCase& c, const std::string& next) {
  std::vector<std::string> out;
  bool first = true;
  for (const std::string_view view : kd::SplitLines(text)) {
    std::string line(view);
    const bool columnLine = std::exchange(first, false) && !kd::StartsWithDigit(line);
    std::size_t at = 0;
    for (int n = 0; n < c.column && at != std::string::npos; ++n) {
      at = line.find(';', at);
      at += at != std::string::npos;
    }
    const std::size_t end = at == std::string::npos ? at : line.find(';', at);
    if (c.change == Change::NoColumnLine && columnLine) continue;
    if (c.change == Change::Insert && at != std::string::npos) {
      line.insert(at, columnLine ? "Neu;" : "X9;");
    }
    if (c.change == Change::Remove && end != std::string::npos) line.erase(at, end + 1 - at);
    if (c.change == Change::CutShort) line.resize(line.size() / 2);
    if (c.change == Change::NamesChanged && columnLine) {
      const std::size_t columns = 1 + std::count(line.begin(), line.end(), ';');
      line = "Spalte 1";
      for (std::size_t n = 2; n <= columns; ++n) line += ";Spalte " + std::to_string(n);
    }
    out.push_back(line);
  }
  return kdtest::CrlfLines(out) + (c.change == Change::Doubled       ? text
                                   : c.change == Change::WithTheNext ? next
                                                                     : "");
}

class ChangedExportTest : public ::testing::TestWithParam<std::tuple<std::size_t, ChangeCase>> {};

TEST_P(ChangedExportTest, IsItsProgramOrNoneNeverAnother) {
  const std::size_t count = std::size(kSamples) - 1;  // the exports, not the bank file
  const SampleCase& sample = kSamples[std::get<0>(GetParam())];
  const SampleCase& next = kSamples[(std::get<0>(GetParam()) + 1) % count];
  const ChangeCase& change = std::get<1>(GetParam());
  const std::string text = ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/" + sample.file);
  const std::string nextText = ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/" + next.file);
  const std::string name = sample.file.substr(sample.file.find('/') + 1);
  const kd::Recognition r = kd::readers::Recognize(Changed(text, change, nextText), name);
  const std::string program(r.program);
  EXPECT_TRUE(program.empty() || program == sample.program ||
              (change.change == Change::WithTheNext && program == next.program))
      << "recognised as " << program << ", fit " << r.fit << ", next " << r.nextFit;
}

INSTANTIATE_TEST_SUITE_P(Samples, ChangedExportTest,
                         ::testing::Combine(::testing::Range<std::size_t>(0,
                                                                          std::size(kSamples) - 1),
                                            ::testing::ValuesIn(kChanges)),
                         [](const auto& info) {
                           return SampleName(kSamples[std::get<0>(info.param)]) + "_" +
                                  std::get<1>(info.param).what;
                         });

// Every sample file is in the table above, so a new sample cannot go unrecognised unnoticed.
TEST(SampleRecognition, EverySampleExportIsInTheTable) {
  for (const auto& dir : std::filesystem::directory_iterator(KDIMPORT_SAMPLES_DIR)) {
    if (!dir.is_directory() || dir.path().filename() == "kandrel") continue;
    for (const auto& file : std::filesystem::directory_iterator(dir.path())) {
      if (!file.is_regular_file()) continue;
      const std::string name =
          dir.path().filename().string() + "/" + file.path().filename().string();
      EXPECT_TRUE(std::any_of(std::begin(kSamples), std::end(kSamples), [&](const SampleCase& c) {
        return c.file == name;
      })) << name;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Every export read with every program: with its own program an ordinary export converts without
// a question, whatever its check digits; with another program the run asks before it writes,
// and without "Ja" (the command line without --force) both old files stay as they were.

struct ExportCase {
  std::string what;
  std::string program;  // the program that made it, as the window's list writes it
  std::string text;
  std::string fileName;
  bool ordinary;  // as its program writes it, not changed afterwards
  bool wrongCheckDigits = false;
};

void PrintTo(const ExportCase& c, std::ostream* os) {
  *os << c.what;
}

std::vector<ExportCase> ExportCases() {
  std::vector<ExportCase> cases;
  const std::vector<GeneratedLayout> layouts = Layouts();
  const ChangeCase changes[] = {kChanges[0], kChanges[1], kChanges[3], kChanges[6]};
  for (const GeneratedCase& c : GeneratedCases()) {
    const GeneratedLayout& layout = layouts[c.layout];
    std::vector<std::string> names;
    const std::string text = kdtest::CrlfLines(layout.generate(c.variant, names));
    const std::string what = CaseName({c, 0});
    cases.push_back(
        {what, layout.program, text, layout.fileName, true, c.variant.wrongCheckDigits});
    if (std::string_view(c.variant.name) != "EmptyFields") continue;
    for (const ChangeCase& change : changes) {
      cases.push_back({what + "_" + change.what, layout.program, Changed(text, change, ""),
                       layout.fileName, false});
    }
  }
  for (std::size_t i = 0; i + 1 < std::size(kSamples); ++i) {
    const SampleCase& sample = kSamples[i];
    const std::string text = ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/" + sample.file);
    const std::string name = sample.file.substr(sample.file.find('/') + 1);
    cases.push_back({SampleName(sample), sample.program, text, name, true});
    for (const ChangeCase& change : changes) {
      cases.push_back({SampleName(sample) + "_" + change.what, sample.program,
                       Changed(text, change, ""), name, false});
    }
  }
  return cases;
}

class EveryProgramTest : public ::testing::TestWithParam<ExportCase> {};

TEST_P(EveryProgramTest, OnlyItsOwnProgramWritesWithoutTheQuestion) {
  const ExportCase& c = GetParam();
  for (const std::string_view program : kd::kProgramNames) {
    kdtest::ConversionHarness run;
    run.bank = "Ja";
    run.ui.answer = false;
    kdtest::WriteFile(run.dir.File("KDIMPORT.TXT"), "alt\r\n");
    kdtest::WriteFile(run.dir.File("Bank-18"), "alt\r\n");
    kdtest::WriteFile(run.bareDir.File("BLZ_20170904.txt"), "");
    kdtest::WriteFile(run.bareDir.File("PWASCUEB.EXP"), "");
    const kd::RunResult result = run.Run(program, c.text, c.fileName);
    const std::string asked = run.ui.questions.empty() ? "" : run.ui.questions[0].text;
    if (program == c.program) {
      if (!c.ordinary) continue;
      EXPECT_EQ(asked, "") << "read as its own program " << program;
      EXPECT_EQ(result, kd::RunResult::Written) << program;
      // Wrong check digits are hints, never a reason to ask.
      if (c.wrongCheckDigits) {
        EXPECT_GT(run.protocol.Warnings(kd::Warning::InsuranceNumber), 0u);
      }
      continue;
    }
    const std::string written = run.ImportFile();
    EXPECT_EQ(result, kd::RunResult::Stopped)
        << "read as " << program << ": "
        << kdtest::Printable(written.substr(0, written.find('\n', written.find('\n') + 1)));
    EXPECT_EQ(written, "alt\r\n") << program;
    EXPECT_EQ(run.BankFile(), "alt\r\n") << program;
  }
}

INSTANTIATE_TEST_SUITE_P(Exports, EveryProgramTest, ::testing::ValuesIn(ExportCases()),
                         [](const auto& info) { return info.param.what; });

// A sample export grown beyond what recognition reads is recognised from its beginning, the line
// and the UTF-8 character cut at the end of that beginning included.
TEST(SampleRecognition, BigExportIsRecognisedFromItsBeginning) {
  const std::string sample =
      kd::Cp1252ToUtf8(ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/sbs/Tabelle2929.csv"));
  const std::vector<std::string_view> lines = kd::SplitLines(sample);
  std::string big(lines[0]);
  big += "\r\n";
  for (std::size_t i = 0; big.size() < 3 * kd::kRecognitionHeadBytes; ++i) {
    big.append(lines[1 + i % (lines.size() - 1)]).append("\r\n");
  }
  // Blanks in front of the column line move an umlaut's two bytes across the end of the
  // beginning read.
  const std::size_t umlaut = big.rfind("\xC3", kd::kRecognitionHeadBytes - 1);
  big.insert(0, std::string(kd::kRecognitionHeadBytes - umlaut - 1, ' '));
  ASSERT_EQ(static_cast<unsigned char>(big[kd::kRecognitionHeadBytes - 1]), 0xC3);
  EXPECT_EQ(kd::readers::Recognize(big, "Tabelle.csv").program, "SBS");
}

// ---------------------------------------------------------------------------------------------
// Files of other kinds name no program

struct OtherCase {
  const char* what;
  std::function<std::string()> contents;
  const char* fileName = "export.csv";
};

void PrintTo(const OtherCase& c, std::ostream* os) {
  *os << c.what << " named " << c.fileName;
}

std::string BankStatement(bool quoted, int columns) {
  std::mt19937 random(11);
  std::string text =
      "Buchungstag;Valuta;Auftraggeber/Empf\xE4nger;Buchungstext;Verwendungszweck;IBAN;BIC;"
      "Betrag;W\xE4hrung";
  for (int c = 9; c < columns; ++c) text += ";Info " + std::to_string(c);
  text += "\r\n";
  for (int i = 0; i < 25; ++i) {
    std::vector<std::string> cells = {TwoDigits(1 + i % 28) + ".03.2024",
                                      TwoDigits(1 + i % 28) + ".03.2024",
                                      W("Stadtwerke Köln"),
                                      "Lastschrift",
                                      "Abschlag " + std::to_string(i),
                                      "DE" + Digits(random, 20),
                                      "COLSDE33XXX",
                                      "-" + std::to_string(20 + i) + ",50",
                                      "EUR"};
    while (static_cast<int>(cells.size()) < columns) cells.push_back(Digits(random, 3));
    std::string line;
    for (const std::string& cell : cells) {
      line += (line.empty() ? "" : ";") + (quoted ? Quoted(cell) : cell);
    }
    text += line + "\r\n";
  }
  return text;
}

std::string AddressList(bool numbered) {
  std::mt19937 random(12);
  std::string text = numbered ? "Nr;Name;Vorname;Stra\xDF"
                                "e;PLZ;Ort;Telefon;Geburtstag\r\n"
                              : "Name;Vorname;Stra\xDF"
                                "e;PLZ;Ort;Telefon\r\n";
  for (int i = 0; i < 20; ++i) {
    const Employee e = MakeEmployee(random, i);
    text += (numbered ? std::to_string(i + 1) + ";" : std::string()) + e.surname + ";" +
            e.firstName + ";" + e.street + " " + e.houseNumber + ";" + e.postcode + ";" + e.town +
            ";0711 " + Digits(random, 6) + (numbered ? ";" + Date(e.birth, false) : "") + "\r\n";
  }
  return text;
}

// The lines of two programs' exports in turn, without a column line: both layouts fit, neither
// clearly. BBS lines with 37 optional columns have the semicolons of Lexware's second layout;
// Dataline's lines with 5 have those of EXACT.
std::string TwoProgramsMixed(SemicolonLayout (*first)(), int firstExtra,
                             SemicolonLayout (*second)(), int secondExtra) {
  std::vector<std::string> names;
  const std::vector<std::string> a =
      Generate(first(), {"First", false, firstExtra, 0, false, 8, 13}, names);
  const std::vector<std::string> b =
      Generate(second(), {"Second", false, secondExtra, 0, false, 8, 14}, names);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < a.size(); ++i) {
    lines.push_back(a[i]);
    lines.push_back(b[i]);
  }
  return kdtest::CrlfLines(lines);
}

std::string BbsAndLexwareMixed() {
  return TwoProgramsMixed(BbsLayout, 37, LexwareSecondLayout, 0);
}

std::string DatalineAndExactMixed() {
  return TwoProgramsMixed(DatalineLayout, 5, ExactLayout, 0);
}

class OtherFileTest : public ::testing::TestWithParam<OtherCase> {};

std::string OtherName(const ::testing::TestParamInfo<OtherCase>& info) {
  return info.param.what;
}

TEST_P(OtherFileTest, NamesNoProgram) {
  const kd::Recognition r = kd::readers::Recognize(GetParam().contents(), GetParam().fileName);
  EXPECT_FALSE(r.Recognised()) << r.program << ", fit " << r.fit;
  EXPECT_EQ(r.program, "");
  EXPECT_EQ(r.layout, "");
}

INSTANTIATE_TEST_SUITE_P(
    Others, OtherFileTest,
    ::testing::Values(
        OtherCase{"EmptyFile", [] { return std::string(); }},
        OtherCase{"BlankLinesOnly", [] { return std::string("\r\n \r\n\t\r\n"); }},
        OtherCase{"BankStatement", [] { return BankStatement(false, 9); }},
        OtherCase{"QuotedBankStatement", [] { return BankStatement(true, 9); }},
        OtherCase{"WideBankStatement", [] { return BankStatement(false, 60); }},
        OtherCase{"WideQuotedBankStatement", [] { return BankStatement(true, 130); }},
        OtherCase{"AddressList", [] { return AddressList(false); }},
        OtherCase{"NumberedAddressList", [] { return AddressList(true); }},
        OtherCase{
            "Letter",
            [] { return std::string("Sehr geehrte Damen und Herren,\r\nanbei die Liste.\r\n"); }},
        OtherCase{"ColumnLineOfNoProgram", [] { return std::string("A;B;C;D;E;F\r\n"); }},
        OtherCase{"BbsAndLexwareMixed", BbsAndLexwareMixed},
        OtherCase{"DatalineAndExactMixed", DatalineAndExactMixed},
        // The file's name alone never decides.
        OtherCase{"SbsNameOnBankStatement", [] { return BankStatement(false, 33); },
                  "Tabelle2929.csv"},
        OtherCase{"VarialNameOnAddressList", [] { return AddressList(true); }, "PWASCANS.EXP"},
        OtherCase{"BinaryBytes",
                  [] {
                    std::mt19937 random(14);
                    std::string bytes(4096, '\0');
                    for (char& b : bytes) b = static_cast<char>(random());
                    return bytes;
                  }}),
    OtherName);

// A mixed file is refused because two layouts fit about equally, not because none fits.
TEST(Recognition, TwoLayoutsFittingAlikeNameNone) {
  for (const std::string& text : {BbsAndLexwareMixed(), DatalineAndExactMixed()}) {
    const kd::ExportHead head(text, "export.csv");
    const std::vector<kd::LayoutFit> fits = kd::RankLayouts(head, kd::readers::Table());
    ASSERT_GE(fits.size(), 2u);
    EXPECT_GE(fits[0].fit, kd::kRecognisedFit) << fits[0].reader->program;
    EXPECT_GE(fits[1].fit, kd::kRecognisedFit) << fits[1].reader->program;
    EXPECT_LT(fits[0].fit - fits[1].fit, kd::kClearLead);
    const kd::Recognition r = kd::Recognize(head, kd::readers::Table());
    EXPECT_FALSE(r.Recognised());
    EXPECT_EQ(r.fit, fits[0].fit);
    EXPECT_EQ(r.nextFit, fits[1].fit);
  }
}

// ---------------------------------------------------------------------------------------------
// The pieces

struct KindCase {
  kd::FieldKind kind;
  std::vector<std::string> fitting;
  std::vector<std::string> notFitting;
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << "kind " << static_cast<int>(c.kind) << ", fitting [" << kdtest::Printable(c.fitting[0])
      << "] ...";
}

class FieldKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(FieldKindTest, TellsItsFieldsFromOthers) {
  for (const std::string& value : GetParam().fitting) {
    EXPECT_TRUE(kd::FieldFits(value, GetParam().kind)) << value;
  }
  for (const std::string& value : GetParam().notFitting) {
    EXPECT_FALSE(kd::FieldFits(value, GetParam().kind)) << value;
  }
}

using kd::FieldKind;
INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldKindTest,
    ::testing::Values(
        KindCase{
            FieldKind::Number, {"0", "1001", "00001", "12345678901"}, {"", "12a", "1 2", "-1"}},
        KindCase{
            FieldKind::Decimal, {"0", "1,0", "0,5", "2.5", "0,912"}, {"1,", ",5", "1,0,0", "a"}},
        KindCase{FieldKind::Date,
                 {"01.02.1970", "1.2.1970", "31.12.99", "7.10.1971"},
                 {"1970-02-01", "32.01.1970", "01.13.1970", "1.2.197", "01.02", "0.1.1970"}},
        KindCase{
            FieldKind::CompactDate, {"19700201", "20241231"}, {"1970021", "19701301", "17000101"}},
        KindCase{FieldKind::Postcode, {"12345", "1010"}, {"123", "123456", "D-1234"}},
        KindCase{FieldKind::InsuranceNumber,
                 {"12010270M001", "12 010270 M 001", "65140368h012"},
                 {"12010270001", "1201027MM001", "12010270M0012"}},
        KindCase{FieldKind::Iban,
                 {"DE39200505501234567897", "DE02 2005 0550 1207 3344 55", "AT611904300234573201"},
                 {"de39200505501234567897", "DE3920050550", "D839200505501234567897"}},
        KindCase{FieldKind::Bic,
                 {"HASPDEHHXXX", "INGDDEFF", "BYLADEM1001"},
                 {"Personal", "HASPDEHH12", "HASP1EHHXXX"}},
        KindCase{FieldKind::BankCode, {"20050550"}, {"2005055", "200505501"}},
        KindCase{FieldKind::TaxClass, {"0", "1", "6"}, {"7", "10", "P"}},
        KindCase{FieldKind::TaxClassWord, {"EINS", "sechs", "F\xDCNF", "f\xFCnf"}, {"1", "SIEBEN"}},
        KindCase{FieldKind::PersonGroup, {"101", "900"}, {"10", "1010"}},
        KindCase{FieldKind::ContributionGroup,
                 {"1111", "0110", "1 1 1 1", "0"},
                 {"111", "1 1 11", "00"}},
        KindCase{FieldKind::Name,
                 {W("Müller"), "Anna-Lena", "Frankfurt am Main", "D"},
                 {"Hauptstr. 1", "12345", "."}},
        KindCase{FieldKind::Text, {"Hauptstr. 1", "Koch"}, {"12345", "01.02.1970"}}));

struct FormCase {
  const char* field;
  kd::FieldForm form;
  int fits;  // 1 fits, 0 does not, -1 tells nothing
};

void PrintTo(const FormCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.field) << "] form " << static_cast<int>(c.form);
}

class FieldFormTest : public ::testing::TestWithParam<FormCase> {};

// One field checked alone: an ExportTally over a single employee line of full shape shows
// whether it fitted (1), did not (0) or told nothing (0.5).
TEST_P(FieldFormTest, FieldsFitTheWayTheLayoutWritesThem) {
  kd::ExportTally tally;
  tally.EmployeeLine(1);
  tally.Check(GetParam().field, kd::FieldKind::Name, GetParam().form);
  const double expected = GetParam().fits < 0 ? 0.5 : GetParam().fits;
  EXPECT_DOUBLE_EQ(tally.Fit(), expected) << GetParam().field;
}

using kd::FieldForm;
INSTANTIATE_TEST_SUITE_P(
    Forms, FieldFormTest,
    ::testing::Values(
        FormCase{"Muster", FieldForm::Bare, 1}, FormCase{" Muster ", FieldForm::Bare, 1},
        FormCase{"Muster   ", FieldForm::Bare, 0}, FormCase{"\"Muster\"", FieldForm::Bare, 0},
        FormCase{"\"\"", FieldForm::Bare, 0}, FormCase{"", FieldForm::Bare, -1},
        FormCase{"  ", FieldForm::Bare, -1}, FormCase{"\" Muster \"", FieldForm::Quoted, 1},
        FormCase{"Muster", FieldForm::Quoted, 0}, FormCase{"\"\"", FieldForm::Quoted, -1},
        FormCase{"\"12\"", FieldForm::Quoted, 0},
        FormCase{"\"Muster\"", FieldForm::QuotedOrBare, 1},
        FormCase{"Muster", FieldForm::QuotedOrBare, 1},
        FormCase{"\"\"", FieldForm::QuotedOrBare, -1},
        FormCase{"  Muster                 ", FieldForm::BlankFilled, 1},
        FormCase{"\"Muster\"   ", FieldForm::BlankFilled, 0},
        FormCase{"                         ", FieldForm::BlankFilled, -1}));

TEST(ExportTally, LinesOfTheWrongShapeAndOtherLinesLowerTheFit) {
  kd::ExportTally tally;
  EXPECT_EQ(tally.Fit(), 0);  // no employee line
  tally.EmployeeLine(1);
  tally.EmployeeLine(0);
  tally.Check("1", kd::FieldKind::Number);
  tally.Check("x", kd::FieldKind::Number);
  tally.Check("01.02.1970", kd::FieldKind::Date);  // weighs twice
  tally.OtherLine();
  tally.OtherLine();
  // shape 1/2, fields 3/4 of their weight, employee lines 2 of 4: 0.5 * 0.75 * 0.75
  EXPECT_DOUBLE_EQ(tally.Fit(), 0.5 * 0.75 * 0.75);
}

TEST(LineShape, ALineMayLeaveItsLastColumnOpen) {
  EXPECT_EQ(kd::LineShape(32, 32), 1);
  EXPECT_EQ(kd::LineShape(40, 32), 1);
  EXPECT_EQ(kd::LineShape(31, 32), 0.9);
  EXPECT_EQ(kd::LineShape(30, 32), 0);
}

TEST(ColumnLineFit, NamesCountInTheirColumnsOnly) {
  const kd::ColumnName names[] = {{0, "PNR."}, {1, "NAME"}, {2, "VORNAME"}, {-1, "ORT"}};
  EXPECT_DOUBLE_EQ(kd::ColumnLineFit("PNR.;NAME;VORNAME", names), 0.75);
  EXPECT_DOUBLE_EQ(kd::ColumnLineFit("\"pnr.\" ; Name;x;VORNAME;", names), 0.5);
  EXPECT_DOUBLE_EQ(kd::ColumnLineFit("NAME;PNR.;VORNAME", names), 0.25);
  EXPECT_DOUBLE_EQ(kd::ColumnLineFit("", names), 0);
}

struct HeadCase {
  const char* what;
  std::string text;
  std::string firstLine;
  std::string columnLine;
  std::size_t lines;
};

class ExportHeadTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(ExportHeadTest, SeesTheLinesAsTheRunDoes) {
  const kd::ExportHead head(GetParam().text, "x.csv");
  EXPECT_EQ(head.FirstLine(), GetParam().firstLine);
  EXPECT_EQ(head.ColumnLine(), GetParam().columnLine);
  EXPECT_EQ(head.Lines().size(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ExportHeadTest,
    ::testing::Values(HeadCase{"Empty", "", "", "", 0},
                      HeadCase{"ColumnLine", "A;B\r\n1;2\r\n2;3", "A;B", "A;B", 3},
                      HeadCase{"NoColumnLine", "1;2\n2;3\n", "1;2", "", 2},
                      HeadCase{"BlankFirstLine", "\r\n  \r\nA;B\r1;2\r\n", "", "A;B", 2},
                      HeadCase{"BlankLinesBetween", "A;\r\n\r\n1;\r\n\t\r\n2;", "A;", "A;", 3},
                      HeadCase{"QuotedColumnLine", "\"A\";\"B\"\n1;2", "\"A\";\"B\"", "\"A\";\"B\"",
                               2}),
    kdtest::kCaseName);

TEST(ExportHead, KeepsAtMostItsLineLimit) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "1;2\n";
  EXPECT_EQ(kd::ExportHead(text, "x").Lines().size(), kd::ExportHead::kMaxLines);
}

TEST(ExportHead, FileNameIsMatchedWithoutFolderInAnyCase) {
  const std::string folder =
      std::string("Daten") + kd::kPathSeparator + "Export" + kd::kPathSeparator;
  const kd::ExportHead head("", folder + "lg_ascii_12345_sd.TXT");
  EXPECT_EQ(head.FileName(), "lg_ascii_12345_sd.TXT");
  EXPECT_TRUE(head.FileNameMatches("LG_ASCII*_SD.txt"));
  EXPECT_TRUE(head.FileNameMatches("*.txt"));
  EXPECT_FALSE(head.FileNameMatches("LG_ASCII*_SD.csv"));
  EXPECT_FALSE(head.FileNameMatches("lg_ascii"));
  EXPECT_TRUE(kd::ExportHead("", "/tmp/Personalstammblatt 2018.csv")
                  .FileNameMatches("*Personalstammblatt*"));
}

TEST(FileNameHint, RaisesOnlyAFitThatIsAlreadyClear) {
  const kd::ExportHead head("", "/x/persli.txt");
  const std::string_view names[] = {"persli*.txt"};
  const std::string_view others[] = {"Tabelle2929*.csv"};
  EXPECT_DOUBLE_EQ(kd::WithFileNameHint(head, 0.7, names), 0.8);
  EXPECT_DOUBLE_EQ(kd::WithFileNameHint(head, 0.95, names), 1.0);
  EXPECT_DOUBLE_EQ(kd::WithFileNameHint(head, 0.55, names), 0.55);
  EXPECT_DOUBLE_EQ(kd::WithFileNameHint(head, 0.7, others), 0.7);
}

// A reader whose every line gives a plausible record.
void PlausibleReader(kd::ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.Lines()) {
    kd::RecordBuilder record;
    record.Add("PNr", line.substr(0, 1)).Add("Geb", "01.02.1970");
    context.AddRecord(record);
  }
}

// The file name tips a layout that leads by content, but not clearly enough, over the edge; it
// never decides between layouts that fit alike.
TEST(FileNameHint, TipsALeadButNeverDecidesATie) {
  const kd::ReaderEntry table[] = {
      {"EXACT", false, nullptr, PlausibleReader, {[](const kd::ExportHead&) { return 0.7; }}},
      {"SBS", false, nullptr, PlausibleReader, {[](const kd::ExportHead& head) {
         static constexpr std::string_view kNames[] = {"Tabelle2929*.csv"};
         return kd::WithFileNameHint(head, head.Lines().empty() ? 0.7 : 0.78, kNames);
       }}},
  };
  EXPECT_FALSE(kd::Recognize(kd::ExportHead("", "Tabelle2929.csv"), table).Recognised());
  EXPECT_FALSE(kd::Recognize(kd::ExportHead("1;\n", "a.csv"), table).Recognised());
  const kd::Recognition tipped = kd::Recognize(kd::ExportHead("1;\n", "Tabelle2929.csv"), table);
  EXPECT_EQ(tipped.program, "SBS");
  EXPECT_DOUBLE_EQ(tipped.fit, 0.88);
  EXPECT_DOUBLE_EQ(tipped.nextFit, 0.7);
}

struct DecodeCase {
  const char* what;
  std::string bytes;
  bool cut;
  std::string text;  // Windows-1252
};

class DecodeHeadTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeHeadTest, DecodesAsTheRunAndDropsWhatTheCutBroke) {
  EXPECT_EQ(kd::DecodeHead(GetParam().bytes, GetParam().cut), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Decoding, DecodeHeadTest,
    ::testing::Values(
        DecodeCase{"Windows1252", "M\xFCller;1\r\n", false, "M\xFCller;1\r\n"},
        DecodeCase{"Utf8", "M\xC3\xBCller;1\r\n", false, "M\xFCller;1\r\n"},
        DecodeCase{"Utf8WithBom", "\xEF\xBB\xBFM\xC3\xBCller", false, "M\xFCller"},
        DecodeCase{"Utf16WithBom", std::string("\xFF\xFEM\0\xFC\0;\0", 8), false, "M\xFC;"},
        DecodeCase{"Utf16BigEndianWithBom", std::string("\xFE\xFF\0M\0\xFC", 6), false, "M\xFC"},
        DecodeCase{"CutLineDropped", "A;B\r\n1;2\r\n3;", true, "A;B\r\n1;2\r\n"},
        DecodeCase{"CutUtf8CharacterDropped", "A;\xC3\xBC\n1;\xC3", false, "A;\xFC\n1;"},
        DecodeCase{"CutUtf8CharacterOfLongLine", "\xC3\xBC;\xE2\x82", true, "\xFC;"},
        DecodeCase{"CutUtf16LineAndOddByte",
                   std::string("\xFF\xFE"
                               "A\0\n\0B\0C",
                               9),
                   true, "A\n"},
        DecodeCase{"CutWithoutLineBreakKeepsAll", "1;2;3", true, "1;2;3"}),
    kdtest::kCaseName);

// ---------------------------------------------------------------------------------------------
// What the window and the run make of a recognition

kd::Recognition RecognisedSbs() {
  return kd::readers::RecognizeFile(std::string(KDIMPORT_SAMPLES_DIR) + "/sbs/Tabelle2929.csv");
}

struct HintCase {
  std::string chosen;  // Windows-1252
  std::string hint;    // UTF-8
  bool other;
};

void PrintTo(const HintCase& c, std::ostream* os) {
  *os << "chosen [" << kdtest::Printable(c.chosen) << "]";
}

class RecognitionHintTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(RecognitionHintTest, SaysWhatTheFileLooksLike) {
  const kd::Recognition r = RecognisedSbs();
  EXPECT_EQ(kd::RecognitionHint(r, GetParam().chosen), GetParam().hint);
  EXPECT_EQ(kd::RecognisedAsOther(r, GetParam().chosen), GetParam().other);
}

INSTANTIATE_TEST_SUITE_P(
    Hints, RecognitionHintTest,
    ::testing::Values(HintCase{"", "Erkannt: SBS", false}, HintCase{"SBS", "Erkannt: SBS", false},
                      HintCase{"sbs", "Erkannt: SBS", false},
                      HintCase{"Datev", "Die Datei sieht nach SBS aus, gewählt ist Datev", true},
                      HintCase{"DATEV", "Die Datei sieht nach SBS aus, gewählt ist DATEV", true},
                      // A text outside the list is refused by the run; the hint just names SBS.
                      HintCase{"Nix", "Erkannt: SBS", true}));

TEST(RecognitionHint, NothingWhenNoLayoutFitsClearly) {
  const kd::Recognition none = kd::readers::Recognize("", "leer.csv");
  EXPECT_EQ(kd::RecognitionHint(none, "Datev"), "");
  EXPECT_FALSE(kd::RecognisedAsOther(none, "Datev"));
}

TEST(ProgramListName, WritesProgramsAsTheWindowsList) {
  EXPECT_EQ(kd::ProgramListName("SAGE"), "sage");
  EXPECT_EQ(kd::ProgramListName("DATEV"), "Datev");
  EXPECT_EQ(kd::ProgramListName("varial"), "VARIAL");
  EXPECT_EQ(kd::ProgramListName("Nix"), "Nix");
  // Every row of the reader table is a program of the list.
  for (const kd::ReaderEntry& entry : kd::readers::Table()) {
    const std::string_view name = kd::ProgramListName(entry.program);
    EXPECT_NE(std::find(kd::kProgramNames.begin(), kd::kProgramNames.end(), name),
              kd::kProgramNames.end())
        << entry.program;
  }
}

// The run's own source text, already decoded, gives the same answer as the file.
TEST(Recognition, DecodedTextOfARunIsRecognisedToo) {
  const std::string sample = ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/exact/persli.txt");
  EXPECT_EQ(kd::readers::RecognizeText(sample, "persli.txt").program, "Exact");
}

TEST(Recognition, FileThatCannotBeOpenedIsAFileError) {
  kdtest::TempDir dir;
  EXPECT_THROW(kd::readers::RecognizeFile(dir.File("fehlt.csv")), kd::FileError);
  EXPECT_THROW(kd::readers::RecognizeFile(dir.Path()), kd::FileError);  // a folder
}

}  // namespace
