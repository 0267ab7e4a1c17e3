// The Sage reader: the employee list with 55 columns per employee, fields by position.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using kdtest::ReaderHarness;

// An employee line of the export: 55 columns, each closed by its semicolon, empty unless given.
std::string SageLine(const std::map<int, std::string>& fields, int columnCount = 55) {
  std::string line;
  for (int column = 0; column < columnCount; ++column) {
    const auto found = fields.find(column);
    if (found != fields.end()) line += found->second;
    line += ';';
  }
  return line;
}

const std::map<int, std::string> kKrueger = {
    {0, "23"},
    {1, "Sophie"},
    {2,
     "Kr\xFC"
     "ger"},
    {3,
     "M\xF6"
     "nckebergstra\xDF"
     "e 21"},
    {4, "20095"},
    {5, "Hamburg"},
    {6, "040 3309124"},
    {10, "deutsch"},
    {13, "15.05.2012"},
    {17, "30.09.1981"},
    {20,
     "Sophie Kr\xFC"
     "ger"},
    {21, "Haspa Hamburg"},
    {22, "DE34 2005 0550 1234 5678 90"},
    {23, "HASPDEHHXXX"},
    {24, "VIER"},
    {25, "1,5"},
    {26, "0,912"},
    {27, "rk ev"},
    {30, "19284736501"},
    {31, "16300981K507"},
    {32, "101"},
    {33, "Techniker Krankenkasse"},
    {34, "61212"},
    {35,
     "Eink\xE4"
     "uferin"},
    {36, "4"},
    {37, "Abitur"},
    {38, "311"},
    {40, "1111"},
    {46, "Lohnsteuerkarte"},
    {54, "0200"},
};

const std::string kKruegerRecord =
    "PNr=23;Name=Kr\xFC"
    "ger, Sophie;Str=M\xF6"
    "nckebergstra\xDF"
    "e 21;Ort=20095 Hamburg;Staat=000;Geb=30.09.1981;BegB=15.05.2012;VNr=16300981K507;"
    "Art=Eink\xE4"
    "uferin;Kirche=RK/EV;IdNr=19284736501;Taet=612124311;BG=1111;BegV=15.05.2012;GTS=0200;"
    "Uml=1;Eltern=1;StKl=4;KiFr=1,5;PG=101;Faktor=0.912;";

// Blanks of the bank code, the gap and the account number (positions 35-56).
const std::string kNoAccount(22, ' ');
const std::string k51Blanks(51, ' ');
// The export carries no BIC: positions 172-185 stay blank.
const std::string kNoBic(14, ' ');

const std::string kKruegerBankAnsi =
    "   23 Kr\xFC"
    "ger, Sophie              " +
    kNoAccount + "Haspa Hamburg               " + k51Blanks +
    "0DE34200505501234567890             " + kNoBic + "E";
const std::string kKruegerBankOem =
    "   23 Kr\x81"
    "ger, Sophie              " +
    kNoAccount + "Haspa Hamburg               " + k51Blanks +
    "0DE34200505501234567890             " + kNoBic + "E";

TEST(SageReader, EmployeeGivesRecordInItemOrder) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadSage, {"Pers-Nr;Vorname;Name;Stra\xDF"
                                      "e;Postleitzahl;Ort;",
                                      SageLine(kKrueger)});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=1;");
  EXPECT_EQ(harness.output[1], kKruegerRecord);
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kKruegerRecord});
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(SageReader, FlagLineFollowsUmlautSetting) {
  ReaderHarness harness;
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadSage, {SageLine(kKrueger)});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=0;");
  EXPECT_EQ(harness.output[1], kKruegerRecord);
}

TEST(SageReader, SkipsColumnLineShortAndNonDigitLines) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadSage, {"Pers-Nr;Vorname;Name;Stra\xDF"
                                      "e;",
                                      "", "4", " 23;x;", "X9;x;"});
  EXPECT_EQ(harness.output, std::vector<std::string>{"KONV=1;"});
  EXPECT_TRUE(harness.ui.records.empty());
}

struct RecordCase {
  const char* name;
  std::string line;
  std::string record;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class SageRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(SageRecordTest, WritesRecordByteForByte) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadSage, {GetParam().line});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1], GetParam().record);
}

std::string With(int column, const std::string& value) {
  return SageLine({{0, "5"}, {column, value}});
}

constexpr int kNationality = 10;
constexpr int kTaxClass = 24;
constexpr int kChildAllowance = 25;
constexpr int kFactor = 26;
constexpr int kChurchTax = 27;
constexpr int kParentStatus = 46;

INSTANTIATE_TEST_SUITE_P(
    Nationality, SageRecordTest,
    ::testing::Values(
        RecordCase{"German", With(kNationality, "deutsch"),
                   "PNr=5;Name=, ;Str=;Ort= ;Staat=000;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"Capitalised", With(kNationality, "Deutsch"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"TrailingBlank", With(kNationality, "deutsch "),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"Other", With(kNationality, "italienisch"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Church, SageRecordTest,
    ::testing::Values(
        RecordCase{"Catholic", With(kChurchTax, "rk"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"Protestant", With(kChurchTax, "ev"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"CatholicWithProtestantSpouse", With(kChurchTax, "rk ev"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK/EV;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"ProtestantWithCatholicSpouse", With(kChurchTax, "ev rk"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV/RK;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"None", With(kChurchTax, ""),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        // Only the two exact pairs get the slash; every other text is just capitalised.
        RecordCase{"CapitalPairNoSlash", With(kChurchTax, "RK EV"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK EV;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"OtherCode", With(kChurchTax, "ak"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=AK;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"SamePairNoSlash", With(kChurchTax, "ev ev"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV EV;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    TaxClass, SageRecordTest,
    ::testing::Values(
        RecordCase{"One", With(kTaxClass, "EINS"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=1;KiFr=;PG=;Faktor=;"},
        RecordCase{"Two", With(kTaxClass, "ZWEI"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=2;KiFr=;PG=;Faktor=;"},
        RecordCase{"Three", With(kTaxClass, "DREI"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=3;KiFr=;PG=;Faktor=;"},
        RecordCase{"Four", With(kTaxClass, "VIER"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=4;KiFr=;PG=;Faktor=;"},
        RecordCase{"Five", With(kTaxClass, "F\xDCNF"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=5;KiFr=;PG=;Faktor=;"},
        RecordCase{"Six", With(kTaxClass, "SECHS"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=6;KiFr=;PG=;Faktor=;"},
        RecordCase{"Digit", With(kTaxClass, "1"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"LowerCase", With(kTaxClass, "eins"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"TrailingBlank", With(kTaxClass, "EINS "),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Numbers, SageRecordTest,
    ::testing::Values(
        RecordCase{"FactorCommaBecomesPoint", With(kFactor, "0,95"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=0.95;"},
        RecordCase{"FactorZeroIsEmpty", With(kFactor, "0"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"FactorZeroWithDecimalsStays", With(kFactor, "0,0"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=0.0;"},
        RecordCase{"FactorWithPointStays", With(kFactor, "0.875"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=0.875;"},
        RecordCase{"FactorZeroWithBlankStays", With(kFactor, " 0"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor= 0;"},
        RecordCase{"ChildAllowanceKeepsComma", With(kChildAllowance, "1,5"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=1,5;PG=;Faktor=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Fields, SageRecordTest,
    ::testing::Values(
        RecordCase{"ParentByTaxCard", With(kParentStatus, "Lohnsteuerkarte"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=1;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"ParentOtherText", With(kParentStatus, "Nachweis"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"ParentLowerCase", With(kParentStatus, "lohnsteuerkarte"),
                   "PNr=5;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        // Both begin dates carry the entry date, unchanged; the activity key joins three
        // columns and skips the texts between them.
        RecordCase{"EntryDateTwiceAndActivityKey",
                   SageLine({{0, "7"},
                             {13, "1.4.2018"},
                             {17, "9.9.99"},
                             {34, "54101"},
                             {35, "Reinigungskraft"},
                             {36, "1"},
                             {37, "ohne"},
                             {38, "122"},
                             {39, "Teilzeit"}}),
                   "PNr=7;Name=, ;Str=;Ort= ;Geb=9.9.99;BegB=1.4.2018;VNr=;Art=Reinigungskraft;"
                   "Kirche=;IdNr=;Taet=541011122;BG=;BegV=1.4.2018;GTS=;Uml=1;Eltern=0;StKl=;"
                   "KiFr=;PG=;Faktor=;"},
        // Values are taken as they stand, blanks included; the number is not shortened.
        RecordCase{"ValuesUntrimmed",
                   SageLine({{0, "12345"}, {1, " Max"}, {2, "Muster "}, {3, " Weg 1"}}),
                   "PNr=12345;Name=Muster ,  Max;Str= Weg 1;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;"
                   "IdNr=;Taet=;BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"ShortLine", "4711;Max;Mustermann;Hauptstr. 1;",
                   "PNr=4711;Name=Mustermann, Max;Str=Hauptstr. 1;Ort= ;Geb=;BegB=;VNr=;Art=;"
                   "Kirche=;IdNr=;Taet=;BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        // The hazard tariff position must be closed by its semicolon to count.
        RecordCase{"LastColumnUnclosed", SageLine({{0, "8"}, {10, "deutsch"}}, 54) + "0200",
                   "PNr=8;Name=, ;Str=;Ort= ;Staat=000;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"},
        RecordCase{"TwoCharacters", "12",
                   "PNr=;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;"
                   "BG=;BegV=;GTS=;Uml=1;Eltern=0;StKl=;KiFr=;PG=;Faktor=;"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bank lines ------------------------------------------------------------------------------

TEST(SageBank, BankLineInOemWithUmlautsAndFileAndMessage) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadSage, {SageLine(kKrueger)});
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0], kKruegerBankOem);
  EXPECT_EQ(harness.bankLines[0].size(), 186u);
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kKruegerBankOem + "\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[0].icon, kd::Icon::Information);
  EXPECT_EQ(harness.output[1], kKruegerRecord);
}

TEST(SageBank, BankLineStaysAnsiWithoutUmlautConversion) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadSage, {SageLine(kKrueger)});
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{kKruegerBankAnsi});
}

struct BankCase {
  const char* name;
  std::map<int, std::string> fields;
  std::vector<std::string> bankLines;
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class SageBankTest : public ::testing::TestWithParam<BankCase> {};

TEST_P(SageBankTest, WritesBankLineByteForByte) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadSage, {SageLine(GetParam().fields)});
  EXPECT_EQ(harness.bankLines, GetParam().bankLines);
  ASSERT_EQ(harness.output.size(), 2u);  // the record is written with or without bank line
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SageBankTest,
    ::testing::Values(
        BankCase{"LongHolderAndBankNameCut",
                 {{0, "45"},
                  {1, "Karl-Friedrich"},
                  {2,
                   "Schr\xF6"
                   "der-Wallenstein"},
                  {21, "Sparkasse Essen Hauptstelle Rathenaustrasse"},
                  {22, "DE29360501050002718281"}},
                 {"   45 Schr\xF6"
                  "der-Wallenstein, Karl-F" +
                  kNoAccount + "Sparkasse Essen Hauptstelle " + k51Blanks +
                  "0DE29360501050002718281             " + kNoBic + "E"}},
        BankCase{
            "NineCharactersWithBlank",
            {{0, "3"}, {1, "Ida"}, {2, "Roth"}, {22, "DE12 3456"}},
            {"    3 Roth, Ida                   " + kNoAccount + "                            " +
             k51Blanks + "0DE123456                           " + kNoBic + "E"}},
        BankCase{"EightCharacters", {{0, "3"}, {2, "Roth"}, {22, "DE123456"}}, {}},
        BankCase{"EightCharactersWithBlank", {{0, "3"}, {2, "Roth"}, {22, "DE12 345"}}, {}},
        BankCase{"NoIban", {{0, "3"}, {2, "Roth"}, {21, "Haspa Hamburg"}}, {}},
        BankCase{
            "LongPersonnelNumber",
            {{0, "123456"},
             {1, "Udo"},
             {2, "Lange"},
             {21, "ING-DiBa"},
             {22, "DE23500105175432109876"}},
            {"123456 Lange, Udo                  " + kNoAccount + "ING-DiBa                    " +
             k51Blanks + "0DE23500105175432109876             " + kNoBic + "E"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SageBank, NoUsableIbanStillWritesEmptyBankFile) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadSage, {SageLine({{0, "1"}, {22, "DE12"}}), SageLine({{0, "2"}})});
  EXPECT_EQ(harness.output.size(), 3u);
  EXPECT_TRUE(harness.bankLines.empty());
  ASSERT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

TEST(SageBank, BankSettingNotYesWritesNoBankFileAndNoMessage) {
  for (const char* setting : {"NEIN", "", "JAA"}) {
    ReaderHarness harness;
    harness.settings.TakeBankData = setting;
    harness.Run(kd::readers::ReadSage, {SageLine(kKrueger)});
    EXPECT_EQ(harness.output.size(), 2u) << setting;
    EXPECT_TRUE(harness.bankLines.empty()) << setting;
    EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath())) << setting;
    EXPECT_TRUE(harness.ui.messages.empty()) << setting;
  }
}

// The sample export ---------------------------------------------------------------------------

TEST(SageSample, ConvertsThroughTheWholeRun) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source =
      kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/sage/Mitarbeiterliste.csv");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("sage", source, "Mitarbeiterliste.csv"), kd::RunResult::Written);
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_NE(import.find("\r\nPNr=23;Name=Kr\xFC"
                        "ger, Sophie;Str=M\xF6"
                        "nckebergstra\xDF"
                        "e 21;Ort=20095 Hamburg;Staat=000;Geb=30.09.1981;BegB=15.05.2012;"
                        "VNr=16300981K505;Art=Eink\xE4"
                        "uferin;Kirche=RK/EV;IdNr=19284736510;Taet=612124311;BG=1111;"
                        "BegV=15.05.2012;GTS=0200;Uml=1;Eltern=1;StKl=4;KiFr=1,5;PG=101;"
                        "Faktor=0.912;\r\n"),
            std::string::npos);
  // No Staat item for a foreign nationality.
  EXPECT_NE(import.find("\r\nPNr=31;Name=Rossi, Giulia;Str=Kaiserstra\xDF"
                        "e 44;Ort=60329 Frankfurt am Main;Geb=14.02.1993;BegB=01.10.2018;"
                        "VNr=50140293R032;Art=Vertriebsassistentin;Kirche=;IdNr=40571928349;"
                        "Taet=611944412;BG=1111;BegV=01.10.2018;GTS=0200;Uml=1;Eltern=0;StKl=1;"
                        "KiFr=0;PG=101;Faktor=;\r\n"),
            std::string::npos);
  const std::string bank = run.BankFile();
  EXPECT_NE(bank.find("   45 Schr\x94"
                      "der, J\x94"
                      "rg              " +
                      kNoAccount + "Sparkasse Essen             " + k51Blanks +
                      "0DE29360501050002718281             " + kNoBic + "E\r\n"),
            std::string::npos);
  EXPECT_EQ(bank.find("  102 "), std::string::npos);
  ASSERT_GE(run.ui.messages.size(), 2u);
  EXPECT_EQ(run.ui.messages[0].text.rfind("4 Bankverbindungen in der Datei ", 0), 0u);
  EXPECT_EQ(run.ui.messages[1].text.rfind("5 Datens\xC3\xA4tze in der Datei ", 0), 0u);
}

}  // namespace
