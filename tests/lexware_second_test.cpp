// The Lexware reader for exports in the fixed column order: fields taken by column number.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using Values = std::map<int, std::string>;

// The worked example: every other column of the 86 that a line holds stays empty.
const Values kExample = {{0, "12"},
                         {1, "Muster"},
                         {2, "Max"},
                         {6, "Hauptstr."},
                         {7, "1"},
                         {9, "12345"},
                         {10, "Neustadt"},
                         {16, "Deutschland"},
                         {17, "01.02.1970"},
                         {18, "01.04.2005"},
                         {26, "Sparkasse"},
                         {27, "12345678"},
                         {28, "987654"},
                         {46, "12 010270 M 001"},
                         {54, "12345"},
                         {57, "Koch"},
                         {58, "101"},
                         {60, "1 1 1 1"},
                         {78, "Allgemeine Tabelle"},
                         {79, "1"},
                         {80, "0,5"},
                         {84, "ev"},
                         {85, "--"}};

const std::string kRecord =
    "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;Geb=01.02.1970;"
    "BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;BG=1111;StKl=1;KiFr=0.5;"
    "Kirche=ev;";

// 186 characters: number, holder, bank code, account number, bank name, no IBAN and no BIC.
const std::string kBankLine = "   12 Muster, Max" + std::string(17, ' ') + "12345678 987654" +
                              std::string(7, ' ') + "Sparkasse" + std::string(19, ' ') +
                              std::string(51, ' ') + "0" + std::string(49, ' ') + "E";

// Columns 0 to 85 of the example with `changes`, each closed by a semicolon.
std::string Line(const Values& changes = {}, bool closeLastColumn = true) {
  Values values = kExample;
  for (const auto& [column, value] : changes) values[column] = value;
  std::string line;
  for (int column = 0; column <= 85; ++column) {
    if (column > 0) line += ';';
    const auto it = values.find(column);
    if (it != values.end()) line += it->second;
  }
  return closeLastColumn ? line + ";" : line;
}

// The lines of a written file (every line ends with CR LF).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> Output(std::vector<std::string> records) {
  records.insert(records.begin(), "KONV=1;");
  return records;
}

struct RecordCase {
  const char* name;
  Values changes;
  std::string record;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class LexwareSecondRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(LexwareSecondRecordTest, WritesTheItemsInOrder) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadLexwareSecond, {Line(GetParam().changes)});
  EXPECT_EQ(harness.output, Output({GetParam().record}));
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{GetParam().record});
  EXPECT_TRUE(harness.ui.messages.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexwareSecondRecordTest,
    ::testing::Values(
        RecordCase{"WorkedExample", {}, kRecord},
        RecordCase{"SpecialTable",
                   {{78, "Besondere Tabelle"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=B1;KiFr=0.5;Kirche=ev;"},
        RecordCase{"SpecialTableClass3",
                   {{78, "Besondere Tabelle"}, {79, "3"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=B3;KiFr=0.5;Kirche=ev;"},
        RecordCase{"GeneralTableClass3",
                   {{79, "3"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=3;KiFr=0.5;Kirche=ev;"},
        RecordCase{"ClassWithoutTable",
                   {{78, ""}, {79, "3"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=3;KiFr=0.5;Kirche=ev;"},
        RecordCase{"BesondWithoutTabell",
                   {{78, "Besonders"}, {79, "2"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=2;KiFr=0.5;Kirche=ev;"},
        RecordCase{"TableWithoutClass",
                   {{79, ""}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=;KiFr=0.5;Kirche=ev;"},
        RecordCase{"SpecialTableWithoutClass",
                   {{78, "Besondere Tabelle"}, {79, ""}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=;KiFr=0.5;Kirche=ev;"},
        RecordCase{"NoTaxColumns",
                   {{78, ""}, {79, ""}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;KiFr=0.5;Kirche=ev;"},
        RecordCase{"LongNumberUnchanged",
                   {{0, "123456"}},
                   "PNr=123456;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev;"},
        RecordCase{"Number0",
                   {{0, "0"}},
                   "PNr=0;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev;"},
        RecordCase{"Number9999EmptySurname",
                   {{0, "9999"}, {1, ""}},
                   "PNr=9999;Name=, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev;"},
        RecordCase{"LowerCaseNationalityAndGroup99",
                   {{16, "deutsch"}, {58, "990"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=000;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev;"},
        RecordCase{"SixCharacterGroupsAndWholeChildren",
                   {{60, "1 1 1 "}, {80, "10,5"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "StKl=1;KiFr=10,5;Kirche=ev;"},
        RecordCase{"EmptySpouseReligionKeepsTheSlash",
                   {{85, ""}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev/;"},
        RecordCase{"SpouseReligionAndShortInsuranceNumber",
                   {{85, "rk"}, {46, "12010270M001"}},
                   "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=1210270M0;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev/rk;"}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(LexwareSecond, SkipsLinesThatDoNotBeginWithADigit) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadLexwareSecond,
              {"Personalnummer;Nachname;Vorname;", "", "Summe;;;", " 12;Muster;Max;", Line()});
  EXPECT_EQ(harness.output, Output({kRecord}));
}

TEST(LexwareSecond, ReadsTheLastColumnOfALineWithoutClosingSemicolon) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadLexwareSecond, {Line({}, false)});
  EXPECT_EQ(harness.output, Output({kRecord}));
}

TEST(LexwareSecond, ShortLinesGiveEmptyItemsWithoutFailing) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadLexwareSecond, {"5", "6;Schulz;Eva"});
  EXPECT_EQ(harness.output,
            Output({"PNr=5;Name=, ;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;PG=;Taet=;KiFr=;Kirche=/;",
                    "PNr=6;Name=Schulz, Eva;Str= ;Ort= ;Geb=;BegB=;VNr=;Art=;PG=;Taet=;KiFr=;"
                    "Kirche=/;"}));
  EXPECT_TRUE(harness.bankLines.empty());
}

TEST(LexwareSecond, BankLineOfTheWorkedExample) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadLexwareSecond, {Line()});
  EXPECT_EQ(harness.output, Output({kRecord}));
  EXPECT_EQ(kBankLine.size(), 186u);
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{kBankLine});
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kBankLine + "\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

struct BankCase {
  const char* name;
  Values changes;
  std::string start;  // the bank line up to the bank code, or empty for no bank line
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class LexwareSecondBankTest : public ::testing::TestWithParam<BankCase> {};

TEST_P(LexwareSecondBankTest, HolderAndBankCodeRules) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadLexwareSecond, {Line(GetParam().changes)});
  ASSERT_EQ(harness.output.size(), 2u);
  if (GetParam().start.empty()) {
    EXPECT_TRUE(harness.bankLines.empty());
    return;
  }
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0].substr(0, GetParam().start.size()), GetParam().start);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexwareSecondBankTest,
    ::testing::Values(BankCase{"SevenCharacterCode", {{27, "1234567"}}, ""},
                      BankCase{"NineCharacterCode", {{27, "123456789"}}, ""},
                      BankCase{"NoCode", {{27, ""}}, ""},
                      BankCase{"AlternativeHolder",
                               {{30, "Schmidt"}, {31, "Eva"}},
                               "   12 Schmidt, Eva                12345678 "},
                      BankCase{"AlternativeSurnameOnly",
                               {{30, "Lange"}},
                               "   12 Lange,                      12345678 "},
                      BankCase{"ShortAlternativeHolder",
                               {{30, "Li"}, {31, "A"}},
                               "   12 Muster, Max                 12345678 "},
                      BankCase{"LongNumberNotCut",
                               {{0, "123456"}},
                               "123456 Muster, Max                 12345678 "},
                      BankCase{"HolderCutTo28",
                               {{1, "Mustermann-Schnarrenberger"}, {2, "Maximilian"}},
                               "   12 Mustermann-Schnarrenberger, 12345678 "}),
    [](const ::testing::TestParamInfo<BankCase>& info) { return std::string(info.param.name); });

TEST(LexwareSecond, NoUsableBankCodeStillWritesAnEmptyBankFile) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadLexwareSecond, {Line({{27, "1234567"}})});
  ASSERT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
}

// Through a whole run: a first line without "Wohnland;LKZ;" chooses this layout; umlauts stay
// ANSI in the import file and become OEM in the bank file only when they are to be converted.
TEST(LexwareSecond, UmlautsStayAnsiInTheImportFileAndBecomeOemInTheBankFile) {
  const std::string header = "Personalnummer;Nachname;Vorname;Wohnland;Land;LKZ";
  const std::string line = Line({{1, "J\xE4ger"}, {2, "J\xFCrgen"}});
  for (const bool convert : {true, false}) {
    SCOPED_TRACE(convert);
    kdtest::ConversionHarness run;
    run.bank = " JA";
    run.umlauts = convert ? "Ja" : "";
    ASSERT_EQ(run.Run("LEXWARE", kdtest::CrlfLines({header, line})), kd::RunResult::Written);
    EXPECT_EQ(run.ImportFile(),
              kdtest::CrlfLines(
                  {convert ? "KONV=1;" : "KONV=0;",
                   "PNr=12;Name=J\xE4ger, J\xFCrgen;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;"
                   "BG=1111;StKl=1;KiFr=0.5;Kirche=ev;"}));
    EXPECT_EQ(run.BankFile().substr(0, 19),
              convert ? "   12 J\x84ger, J\x81rgen" : "   12 J\xE4ger, J\xFCrgen");
  }
}

TEST(LexwareSecond, WithoutBankDataNoBankFileAndNoBankMessage) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadLexwareSecond, {Line()});
  EXPECT_TRUE(harness.bankLines.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(LexwareSecond, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string sample =
      kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/lexware/Lexware_Mitarbeiter.csv");
  ASSERT_FALSE(sample.empty());
  ASSERT_EQ(run.Run("Lexware", sample), kd::RunResult::Written);
  const std::vector<std::string> records = Lines(run.ImportFile());
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0], "KONV=1;");
  // Foreign nationality, the special tax table.
  EXPECT_EQ(records[3],
            "PNr=203;Name=Yilmaz, Ayse;Str=Wolbecker Stra\337e 112;Ort=48155 M\xFCnster;"
            "Geb=11.02.1979;BegB=15.10.2010;VNr=13110279Y542;Art=Verpackerin;PG=101;Taet=93112;"
            "BG=1111;StKl=B5;KiFr=0;Kirche=--;");
  // An empty spouse religion keeps the slash.
  EXPECT_EQ(records[4],
            "PNr=204;Name=K\xFChn, Tobias;Str=Grevener Stra\337e 260;Ort=48159 M\xFCnster;"
            "Staat=000;Geb=03.07.2006;BegB=01.08.2023;VNr=60030706K016;"
            "Art=Auszubildender Industriemechaniker;PG=102;Taet=24412;BG=1111;StKl=1;KiFr=0;"
            "Kirche=rk/;");
  // A mini job without tax columns: no StKl item.
  EXPECT_EQ(records[5],
            "PNr=205;Name=Wagner, Ute;Str=Am Stadtgraben 9;Ort=48143 M\xFCnster;Staat=000;"
            "Geb=26.09.1959;BegB=01.01.2021;VNr=15260959W501;Art=Reinigungskraft;PG=109;"
            "Taet=54101;BG=6500;KiFr=;Kirche=ev;");
  // The apprentice's four-digit bank code gives no bank line; the third account is the
  // husband's.
  const std::vector<std::string> bank = Lines(run.BankFile());
  ASSERT_EQ(bank.size(), 4u);
  EXPECT_EQ(bank[2], "  203 Yilmaz, Kemal" + std::string(15, ' ') + "10050000 6029385714" +
                         std::string(3, ' ') + "LBB - Berliner Sparkasse" + std::string(4, ' ') +
                         std::string(51, ' ') + "0" + std::string(49, ' ') + "E");
  EXPECT_EQ(bank[3].substr(0, 43), "  205 Wagner, Ute                 70150000 ");
}

}  // namespace
