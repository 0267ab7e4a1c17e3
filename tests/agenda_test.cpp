// The Agenda reader: "Personaldaten.csv" with 80 columns per employee, fields by position.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using kdtest::ReaderHarness;

// An employee line of the export: 80 columns, each closed by its semicolon, empty unless given.
std::string AgendaLine(const std::map<int, std::string>& fields, int columnCount = 80) {
  std::string line;
  for (int column = 0; column < columnCount; ++column) {
    const auto found = fields.find(column);
    if (found != fields.end()) line += found->second;
    line += ';';
  }
  return line;
}

const std::map<int, std::string> kMueller = {
    {0, "1001"},
    {1, "Mandant 7"},
    {2,
     "M\xFC"
     "ller"},
    {3,
     "J\xFC"
     "rgen"},
    {4, "Herr"},
    {7,
     "Hauptstra\xDF"
     "e"},
    {8, "12a"},
    {9, "80331"},
    {10,
     "M\xFC"
     "nchen"},
    {13, "01.04.2015"},
    {14, "31.12.2099"},
    {15, "07.10.1975"},
    {23,
     "Stadtsparkasse M\xFC"
     "nchen"},
    {24, "DE89 3704 0044 0532 0130 00"},
    {25, "COBA DEFF XXX"},
    {29, "12345678901"},
    {36, "1"},
    {38, "1,5"},
    {40, "r\xF6misch-katholisch"},
    {41, "evangelisch"},
    {56, "65071075M001"},
    {57, "43112"},
    {58, "Softwareentwickler"},
    {59, "4"},
    {60, "3"},
    {61, "1"},
    {62, "1"},
    {63, "101"},
    {79, "1111"},
};

const std::string kMuellerRecord =
    "PNr=1001;Name=M\xFC"
    "ller, J\xFC"
    "rgen;Str=Hauptstra\xDF"
    "e 12a;Ort=80331 M\xFC"
    "nchen;Geb=07.10.1975;BegB=01.04.2015;VNr=65071075M001;Art=Softwareentwickler;"
    "Kirche=RK/EV;IdNr=12345678901;Taet=431124311;BG=1111;StKl=1;KiFr=1,5;PG=101;";

// Bank line of the employee above, ANSI: holder and bank name with their umlauts.
const std::string kMuellerBankAnsi = std::string(" 1001 ") +
                                     "M\xFC"
                                     "ller, J\xFC"
                                     "rgen              "  // holder, 28
                                     "        "            // bank code
                                     " "                   //
                                     "             "       // account number
                                     "Stadtsparkasse M\xFC"
                                     "nchen      "  // bank name, 28
                                     + std::string(51, ' ') + "0" +
                                     "DE89370400440532013000             "  // IBAN, 35
                                     "COBADEFFXXX   "                       // BIC, 14
                                     "E";

// The same line in the OEM code page (ü = 0x81).
const std::string kMuellerBankOem = std::string(" 1001 ") +
                                    "M\x81"
                                    "ller, J\x81"
                                    "rgen              "
                                    "        "
                                    " "
                                    "             "
                                    "Stadtsparkasse M\x81"
                                    "nchen      " +
                                    std::string(51, ' ') + "0" +
                                    "DE89370400440532013000             "
                                    "COBADEFFXXX   "
                                    "E";

TEST(AgendaReader, EmployeeGivesRecordInItemOrder) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadAgenda,
              {"Personalnummer;Mandant;Nachname;Vorname;", AgendaLine(kMueller)});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=1;");
  EXPECT_EQ(harness.output[1], kMuellerRecord);
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kMuellerRecord});
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(AgendaReader, FlagLineFollowsUmlautSetting) {
  ReaderHarness harness;
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadAgenda, {AgendaLine(kMueller)});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=0;");
  // The record keeps its ANSI umlauts whatever the setting.
  EXPECT_EQ(harness.output[1], kMuellerRecord);
}

// Lines that are no employee lines fall away without notice.
TEST(AgendaReader, SkipsColumnLineShortAndNonDigitLines) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadAgenda, {"Personalnummer;Mandant;Nachname;Vorname;Anrede;", "", "7",
                                        " 1001;x;", "A1;x;", ";;;"});
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

class AgendaRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(AgendaRecordTest, WritesRecordByteForByte) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadAgenda, {GetParam().line});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1], GetParam().record);
}

std::string WithReligions(const std::string& employee, const std::string& spouse) {
  return AgendaLine({{0, "5"}, {36, "1"}, {40, employee}, {41, spouse}});
}

std::string WithTaxClass(const std::string& taxClass) {
  return AgendaLine({{0, "5"}, {36, taxClass}});
}

INSTANTIATE_TEST_SUITE_P(
    Religion, AgendaRecordTest,
    ::testing::Values(
        RecordCase{"CatholicWithProtestantSpouse",
                   WithReligions("r\xF6misch-katholisch", "evangelisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK/EV;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"ProtestantWithCatholicSpouse",
                   WithReligions("evangelisch", "r\xF6misch-katholisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV/RK;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"BothProtestant", WithReligions("evangelisch", "evangelisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"SpouseEmpty", WithReligions("evangelisch", ""),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"EmployeeNone", WithReligions("keine", "evangelisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"EmployeeEmpty", WithReligions("", "r\xF6misch-katholisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"OtherSpellingPassesUnchanged",
                   WithReligions("R\xF6misch-Katholisch", "evangelisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=R\xF6"
                   "misch-Katholisch;IdNr=;Taet=;BG=;StKl=1;KiFr=;PG=;"},
        RecordCase{"ShortCodePassesAndJoins", WithReligions("ev", "r\xF6misch-katholisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=ev/RK;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"SpouseOfOtherLengthNeverJoins", WithReligions("evangelisch", "altkatholisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"EmployeeOfOtherLengthAlone", WithReligions("altkatholisch", "evangelisch"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=altkatholisch;IdNr=;"
                   "Taet=;BG=;StKl=1;KiFr=;PG=;"},
        RecordCase{"NoneIsCaseSensitive", WithReligions("Keine", ""),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=Keine;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    TaxClass, AgendaRecordTest,
    ::testing::Values(
        RecordCase{"Zero", WithTaxClass("0"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=EP;KiFr=;PG=;"},
        RecordCase{"Empty", WithTaxClass(""),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=EP;KiFr=;PG=;"},
        RecordCase{"NoDigits", WithTaxClass("pauschal"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=EP;KiFr=;PG=;"},
        RecordCase{"Negative", WithTaxClass("-1"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=EP;KiFr=;PG=;"},
        RecordCase{"One", WithTaxClass("1"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=1;KiFr=;PG=;"},
        RecordCase{"Six", WithTaxClass("6"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=6;KiFr=;PG=;"},
        // A class the leading integer reads as 1 or more is written as exported.
        RecordCase{"LeadingBlankKept", WithTaxClass(" 3"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl= 3;KiFr=;PG=;"},
        RecordCase{"TrailingTextKept", WithTaxClass("4 mit Faktor"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=4 mit Faktor;KiFr=;PG=;"},
        RecordCase{"HugeNumberDoesNotOverflow", WithTaxClass("99999999999999999999999"),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=99999999999999999999999;KiFr=;PG=;"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Fields, AgendaRecordTest,
    ::testing::Values(
        // A missing part shortens the activity key; nothing is filled in.
        RecordCase{"ActivityKeyWithGaps",
                   AgendaLine({{0, "5"}, {36, "1"}, {57, "43112"}, {60, "3"}, {62, "2"}}),
                   "PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=4311232;"
                   "BG=;StKl=1;KiFr=;PG=;"},
        // Values are taken as they stand, blanks and all; dates are not normalised.
        RecordCase{"ValuesUntrimmed",
                   AgendaLine({{0, "12345"},
                               {2, " Weber "},
                               {3, "Anna"},
                               {7, "Am Markt"},
                               {9, "04109"},
                               {10, "Leipzig"},
                               {13, "1.2.2016"},
                               {15, "3.4.80"},
                               {36, "2"},
                               {38, "0.5"},
                               {63, "109"},
                               {79, "6500"}}),
                   "PNr=12345;Name= Weber , Anna;Str=Am Markt ;Ort=04109 Leipzig;Geb=3.4.80;"
                   "BegB=1.2.2016;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=6500;StKl=2;KiFr=0.5;"
                   "PG=109;"},
        // A line cut short reads its missing columns as empty text.
        RecordCase{"ShortLine", "4711;x;Schmidt;Eva;",
                   "PNr=4711;Name=Schmidt, Eva;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;"
                   "Taet=;BG=;StKl=EP;KiFr=;PG=;"},
        // The unclosed text after the last semicolon is no column.
        RecordCase{"LastColumnUnclosed", AgendaLine({{0, "8"}, {36, "3"}}, 79) + "1111",
                   "PNr=8;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=3;KiFr=;PG=;"},
        RecordCase{"TwoCharacters", "12",
                   "PNr=;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;IdNr=;Taet=;BG=;"
                   "StKl=EP;KiFr=;PG=;"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bank lines ------------------------------------------------------------------------------

TEST(AgendaBank, BankLineInOemWithUmlautsAndFileAndMessage) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadAgenda, {AgendaLine(kMueller)});
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0], kMuellerBankOem);
  EXPECT_EQ(harness.bankLines[0].size(), 186u);
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kMuellerBankOem + "\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[0].icon, kd::Icon::Information);
  // The record itself is never converted.
  EXPECT_EQ(harness.output[1], kMuellerRecord);
}

TEST(AgendaBank, BankLineStaysAnsiWithoutUmlautConversion) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadAgenda, {AgendaLine(kMueller)});
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{kMuellerBankAnsi});
}

struct BankCase {
  const char* name;
  std::map<int, std::string> fields;
  std::vector<std::string> bankLines;
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class AgendaBankTest : public ::testing::TestWithParam<BankCase> {};

TEST_P(AgendaBankTest, WritesBankLineByteForByte) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadAgenda, {AgendaLine(GetParam().fields)});
  EXPECT_EQ(harness.bankLines, GetParam().bankLines);
  ASSERT_EQ(harness.output.size(), 2u);  // the record is written with or without bank line
}

const std::string k51Blanks(51, ' ');

// Blanks of the bank code, the gap and the account number (positions 35-56).
const std::string kNoAccount(22, ' ');

INSTANTIATE_TEST_SUITE_P(
    Cases, AgendaBankTest,
    ::testing::Values(
        // The holder is cut to 28 characters, the bank name too.
        BankCase{
            "LongHolderAndBankNameCut",
            {{0, "42"},
             {2, "Schmidt-Hohenberger"},
             {3, "Maximilian"},
             {23, "Sparkasse Hannover Hauptgeschaeftsstelle"},
             {24, "DE54250501801234567890"},
             {25, "SPKHDE2HXXX"}},
            {"   42 Schmidt-Hohenberger, Maximil" + kNoAccount + "Sparkasse Hannover Hauptgesc" +
             k51Blanks + "0DE54250501801234567890             SPKHDE2HXXX   E"}},
        // Nine characters as exported, blank included: a bank line, the blank removed.
        BankCase{
            "NineCharactersWithBlank",
            {{0, "3"}, {2, "Roth"}, {3, "Ida"}, {24, "DE12 3456"}},
            {"    3 Roth, Ida                   " + kNoAccount + "                            " +
             k51Blanks + "0DE123456                           " + "              E"}},
        BankCase{"EightCharacters", {{0, "3"}, {2, "Roth"}, {24, "DE123456"}}, {}},
        BankCase{"EightCharactersWithBlank", {{0, "3"}, {2, "Roth"}, {24, "DE12 345"}}, {}},
        BankCase{"NoIban", {{0, "3"}, {2, "Roth"}, {23, "Haspa"}, {25, "HASPDEHHXXX"}}, {}},
        // A personnel number longer than five characters shifts the line.
        BankCase{
            "LongPersonnelNumber",
            {{0, "123456"},
             {2, "Lange"},
             {3, "Udo"},
             {23, "Haspa Hamburg"},
             {24, "DE34200505501234567890"},
             {25, "HASP DEHH XXX"}},
            {"123456 Lange, Udo                  " + kNoAccount + "Haspa Hamburg               " +
             k51Blanks + "0DE34200505501234567890             HASPDEHHXXX   E"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AgendaBank, NoUsableIbanStillWritesEmptyBankFile) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadAgenda,
              {AgendaLine({{0, "1"}, {24, "DE12"}}), AgendaLine({{0, "2"}})});
  EXPECT_EQ(harness.output.size(), 3u);
  EXPECT_TRUE(harness.bankLines.empty());
  ASSERT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
}

TEST(AgendaBank, BankSettingNotYesWritesNoBankFileAndNoMessage) {
  for (const char* setting : {"NEIN", "", "J"}) {
    ReaderHarness harness;
    harness.settings.TakeBankData = setting;
    harness.Run(kd::readers::ReadAgenda, {AgendaLine(kMueller)});
    EXPECT_EQ(harness.output.size(), 2u) << setting;
    EXPECT_TRUE(harness.bankLines.empty()) << setting;
    EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath())) << setting;
    EXPECT_TRUE(harness.ui.messages.empty()) << setting;
  }
}

// The sample export ---------------------------------------------------------------------------

TEST(AgendaSample, ConvertsThroughTheWholeRun) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source =
      kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/agenda/Personaldaten.csv");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("Agenda", source, "Personaldaten.csv"), kd::RunResult::Written);
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_NE(import.find("\r\nPNr=1001;Name=Wei\xDF"
                        ", Katharina;Str=Schillerstra\xDF"
                        "e 14;Ort=70173 Stuttgart;Geb=12.03.1984;BegB=01.09.2016;"
                        "VNr=12120384W019;Art=Industriekauffrau;Kirche=EV/RK;"
                        "IdNr=48305827163;Taet=782141111;BG=1111;StKl=4;KiFr=1,0;PG=101;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=1004;Name=Yilmaz, Mehmet;Str=Bergstra\xDF"
                        "e 3;Ort=04109 Leipzig;Geb=29.02.1988;BegB=01.03.2018;"
                        "VNr=65290288Y519;Art=Aushilfe Lager;Kirche=;IdNr=71940263877;"
                        "Taet=513020121;BG=6500;StKl=EP;KiFr=0;PG=109;\r\n"),
            std::string::npos);
  const std::string bank = run.BankFile();
  // Holder and bank name in the OEM code page: \xE1 is the sharp s there.
  EXPECT_NE(bank.find(" 1001 Wei\xE1"
                      ", Katharina             " +
                      kNoAccount + "LBBW/BW-Bank Stuttgart      " + k51Blanks +
                      "0DE22600501010001234567             SOLADEST600   E\r\n"),
            std::string::npos);
  // An IBAN exported in groups of four loses its blanks.
  EXPECT_NE(bank.find(" 1002 M\x81"
                      "ller, J\x81"
                      "rgen              " +
                      kNoAccount +
                      "Stadtsparkasse M\x81"
                      "nchen      " +
                      k51Blanks + "0DE13701500000098765432             SSKMDEMMXXX   E\r\n"),
            std::string::npos);
  EXPECT_EQ(bank.find(" 1005 "), std::string::npos);
  ASSERT_GE(run.ui.messages.size(), 2u);
  EXPECT_EQ(run.ui.messages[0].text.rfind("4 Bankverbindungen in der Datei ", 0), 0u);
  EXPECT_EQ(run.ui.messages[1].text.rfind("5 Datens\xC3\xA4tze in der Datei ", 0), 0u);
}

}  // namespace
