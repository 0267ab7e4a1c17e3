// The Lexware reader for exports with a column line: fields found by column name.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

const std::string kHeader =
    "Personalnummer;Name;Vorname;Stra\337e;Hausnummer;PLZ;Ort;Wohnland;LKZ;"
    "Staatsangeh\xF6rigkeit;Geb. Datum;Eintrittsdatum;Personengruppe;Sozialvers.-Nr.;"
    "Berufsbezeichnung;T\xE4tigkeitsschl\xFCssel;Beitragsgruppen;Gefahrentarif 1;Steuerklasse;"
    "Kinder;Konfession;Konfession Ehegatte;Elterneigenschaft;Umlagepflicht U1;Id-Nr;"
    "Abweichender Name;Abweichender Vorname;Bankname;Bankleitzahl;Kontonummer;BIC;IBAN";

const std::string kLine =
    "12;Muster;Max;Hauptstr.;1;12345;Neustadt;Deutschland;D;Deutschland;01.02.1970;01.04.2005;"
    "101;12 010270 M 001;Koch;12345;1 1 1 1;0 B\xFCro;1;0,5;ev;rk;ja;ja;12345678901;;;Sparkasse;"
    "12345678;987654;TESTDEFFXXX;DE00 1234 5678 9012 3456 78;";

const std::string kRecord =
    "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;Geb=01.02.1970;"
    "BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;BG=1111;GTS=0;StKl=1;"
    "KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;IdNr=12345678901;";

// 186 characters: number, holder, empty bank code and account, bank name, IBAN, BIC.
const std::string kBankLine = "   12 Muster, Max" + std::string(17, ' ') + std::string(22, ' ') +
                              "Sparkasse" + std::string(19, ' ') + std::string(51, ' ') + "0" +
                              "DE00123456789012345678" + std::string(13, ' ') + "TESTDEFFXXX" +
                              std::string(3, ' ') + "E";

// Column numbers of kHeader.
constexpr int kPnr = 0;
constexpr int kSurname = 1;
constexpr int kNationality = 9;
constexpr int kPersonGroup = 12;
constexpr int kInsurance = 13;
constexpr int kGroups = 16;
constexpr int kTariff = 17;
constexpr int kTaxClass = 18;
constexpr int kChildren = 19;
constexpr int kSpouse = 21;
constexpr int kParent = 22;
constexpr int kLevy = 23;
constexpr int kOtherSurname = 25;
constexpr int kOtherFirstName = 26;
constexpr int kIban = 31;

using Overrides = std::vector<std::pair<int, std::string>>;

// kLine with some columns replaced.
std::string LineWith(const Overrides& overrides) {
  std::vector<std::string> columns;
  std::string column;
  for (const char c : kLine) {
    if (c == ';') {
      columns.push_back(column);
      column.clear();
    } else {
      column += c;
    }
  }
  for (const auto& [index, value] : overrides) columns.at(static_cast<std::size_t>(index)) = value;
  std::string line;
  for (const auto& c : columns) line += c + ";";
  return line;
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
  Overrides overrides;
  std::vector<std::string> records;  // expected records after the flag line
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class LexwareHeaderRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(LexwareHeaderRecordTest, WritesTheItemsInOrder) {
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, LineWith(GetParam().overrides)});
  EXPECT_EQ(harness.output, Output(GetParam().records));
  EXPECT_EQ(harness.ui.records, GetParam().records);
  EXPECT_TRUE(harness.ui.messages.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexwareHeaderRecordTest,
    ::testing::Values(
        RecordCase{"WorkedExample", {}, {kRecord}},
        RecordCase{"HighestNumber",
                   {{kPnr, "9998"}},
                   {"PNr=9998;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"LowestNumberWithLeadingZeros",
                   {{kPnr, "0001"}},
                   {"PNr=0001;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"Number9999", {{kPnr, "9999"}}, {}}, RecordCase{"Number0", {{kPnr, "0"}}, {}},
        RecordCase{"EmptySurname", {{kSurname, ""}}, {}},
        RecordCase{"SurnameBeginsWithDigit", {{kSurname, "1Muster"}}, {}},
        RecordCase{"SurnameBeginsWithBlank", {{kSurname, " Muster"}}, {}},
        RecordCase{"SurnameBeginsWithPunctuation", {{kSurname, "-Muster"}}, {}},
        RecordCase{"LowerCaseAndUmlautSurnames",
                   {{kSurname, "\xF6zdemir"}, {kNationality, "deutsch"}},
                   {"PNr=12;Name=\xF6zdemir, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"NationalityInCapitals",
                   {{kNationality, "DEUTSCHLAND"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"PersonGroup99",
                   {{kPersonGroup, "990"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=000;VNr=12010270M001;Art=Koch;PG=000;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        // Six characters give no BG item; a tariff without a blank gives an empty GTS.
        RecordCase{"ShortGroupsAndPlainTariff",
                   {{kGroups, "1 1 1 "}, {kTariff, "0"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;GTS=;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"FlatRateTaxAndWholeChildren",
                   {{kTaxClass, "P"}, {kChildren, "10,5"}, {kSpouse, "--"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=EP;KiFr=10,5;Kirche=ev;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"LowerCaseTaxClassShortChildrenNoSpouse",
                   {{kTaxClass, "p"}, {kChildren, "1,"}, {kSpouse, ""}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=p;KiFr=1,;Kirche=ev;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"CapitalisedJaIsNo",
                   {{kParent, "Ja"}, {kLevy, "Ja"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=0;Uml=2;"
                    "IdNr=12345678901;"}},
        // A short insurance number shifts the columns only for person groups beginning with 1.
        RecordCase{"ShortInsuranceNumberOtherGroup",
                   {{kInsurance, "12010270M001"}, {kPersonGroup, "201"}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=201;VNr=1210270M0;Art=Koch;PG=201;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}},
        RecordCase{"EmptyInsuranceNumber",
                   {{kInsurance, ""}},
                   {"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=12345678901;"}}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(LexwareHeader, SkipsTheColumnLineShortAndEmptyLines) {
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, "5", "", "Summe;;", "7;", "8"});
  EXPECT_EQ(harness.output, Output({}));
  EXPECT_TRUE(harness.ui.messages.empty());
}

// Spreadsheets save the lines without a closing semicolon: the last column, here the IBAN,
// is read all the same.
TEST(LexwareHeader, ReadsTheLastColumnOfALineWithoutClosingSemicolon) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.RunWithHeader(kd::readers::ReadLexwareHeader,
                        {kHeader, kLine.substr(0, kLine.size() - 1)});
  EXPECT_EQ(harness.output, Output({kRecord}));
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{kBankLine});
}

TEST(LexwareHeader, WritesEveryAlwaysItemOfAShortLineEmpty) {
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, "7;Muster;Max;"});
  EXPECT_EQ(harness.output, Output({"PNr=7;Name=Muster, Max;Str= ;Ort= ;Geb=;BegB=;PG=;VNr=;"
                                    "Art=;PG=;Taet=;GTS=;StKl=;KiFr=;Kirche=;Eltern=0;Uml=2;"
                                    "IdNr=;"}));
}

TEST(LexwareHeader, FindsColumnsByNameWhateverTheirOrder) {
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader,
                        {"Nr;IBAN;Ort;PLZ;Vorname;Name;Wohnland;LKZ;Steuerklasse",
                         "3;;Hamburg;20095;Eva;Schulz;D;D;4;"});
  EXPECT_EQ(harness.output,
            Output({"PNr=3;Name=Schulz, Eva;Str= ;Ort=20095 Hamburg;Geb=;BegB=;PG=;VNr=;Art=;"
                    "PG=;Taet=;GTS=;StKl=4;KiFr=;Kirche=;Eltern=0;Uml=2;IdNr=;"}));
}

TEST(LexwareHeader, ShortensLongNumbersWithANoticeEvenWhenTheLineIsSkipped) {
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader,
                        {kHeader, LineWith({{kPnr, "12345"}}), LineWith({{kPnr, "109999"}}),
                         LineWith({{kPnr, "54321"}, {kSurname, ""}})});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1].substr(0, 31), "PNr=2345;Name=Muster, Max;Str=H");
  const std::vector<std::string> expected = {
      "Personalnummer 12345 geändert in 2345, da Kandrel nur mit 4-stelligen Personalnummern "
      "arbeitet.",
      "Personalnummer 109999 geändert in 9999, da Kandrel nur mit 4-stelligen Personalnummern "
      "arbeitet.",
      "Personalnummer 54321 geändert in 4321, da Kandrel nur mit 4-stelligen Personalnummern "
      "arbeitet."};
  ASSERT_EQ(harness.ui.messages.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(harness.ui.messages[i].text, expected[i]);
    EXPECT_EQ(harness.ui.messages[i].caption, "Hinweis");
    EXPECT_EQ(harness.ui.messages[i].icon, kd::Icon::Information);
  }
}

// A 12-character insurance number with person group 101 moves every later read one column to
// the left, for the rest of the file; the next run starts unshifted again.
TEST(LexwareHeader, ColumnShiftStaysForTheFollowingLines) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  const std::string shifting = LineWith({{kInsurance, "12010270M001"}});
  const std::string following = LineWith({{kPnr, "13"}, {kSurname, "Schulz"}});
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, shifting, following});
  EXPECT_EQ(harness.table.shift, 1);
  // The following line reads its surname from the personnel number column and is skipped.
  EXPECT_EQ(harness.output,
            Output({"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=10;Art=12010270M001;"
                    "PG=01.04.2005;Taet=Koch;GTS=1;StKl=0 B\xFCro;KiFr=1;Kirche=0,5/ev;"
                    "Eltern=0;Uml=1;IdNr=ja;"}));
  // The bank line is read under the shift too: the holder comes from "Id-Nr".
  EXPECT_EQ(
      harness.bankLines,
      std::vector<std::string>{"   12 12345678901, " + std::string(15, ' ') + std::string(22, ' ') +
                               std::string(28, ' ') + std::string(51, ' ') + "0" + "TESTDEFFXXX" +
                               std::string(24, ' ') + "987654" + std::string(8, ' ') + "E"});

  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, following});
  EXPECT_EQ(harness.table.shift, 0);
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1].substr(0, 27), "PNr=13;Name=Schulz, Max;Str");
}

TEST(LexwareHeader, NamesBeyondThe500thSemicolonAreNotFound) {
  // "Id-Nr" moves behind 480 further columns: the semicolon in front of it is the 512th.
  std::string header = kHeader;
  header.replace(header.find(";Id-Nr;"), 7, ";Id-Nr alt;");
  std::string line = kLine;
  for (int i = 0; i < 480; ++i) {
    header += ";Frei " + std::to_string(i);
    line += "x;";
  }
  header += ";Id-Nr";
  line += "99887766554;";
  kdtest::ReaderHarness harness;
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {header, line});
  EXPECT_EQ(harness.output,
            Output({"PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;"
                    "Geb=01.02.1970;BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;"
                    "Taet=12345;BG=1111;GTS=0;StKl=1;KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;"
                    "IdNr=;"}));
}

TEST(LexwareHeader, BankLineOfTheWorkedExample) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, kLine});
  EXPECT_EQ(harness.output, Output({kRecord}));
  ASSERT_EQ(harness.bankLines, std::vector<std::string>{kBankLine});
  EXPECT_EQ(kBankLine.size(), 186u);
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kBankLine + "\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

struct HolderCase {
  const char* name;
  Overrides overrides;
  std::string holderField;  // characters 7-34 of the bank line
};

void PrintTo(const HolderCase& c, std::ostream* os) {
  *os << c.name;
}

class LexwareHeaderHolderTest : public ::testing::TestWithParam<HolderCase> {};

TEST_P(LexwareHeaderHolderTest, AlternativeHolderLongerThanFiveReplacesTheName) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.RunWithHeader(kd::readers::ReadLexwareHeader, {kHeader, LineWith(GetParam().overrides)});
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0].substr(6, 28), GetParam().holderField);
  EXPECT_EQ(harness.output, Output({kRecord}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexwareHeaderHolderTest,
    ::testing::Values(
        HolderCase{"None", {}, "Muster, Max                 "},
        HolderCase{"Both",
                   {{kOtherSurname, "Schmidt"}, {kOtherFirstName, "Eva"}},
                   "Schmidt, Eva                "},
        HolderCase{"SurnameOnly", {{kOtherSurname, "Lange"}}, "Lange,                      "},
        HolderCase{"FiveCharacters",
                   {{kOtherSurname, "Li"}, {kOtherFirstName, "A"}},
                   "Muster, Max                 "},
        HolderCase{"CutTo28",
                   {{kOtherSurname, "Freifrau von Hohenzollern-Sigmaringen"}},
                   "Freifrau von Hohenzollern-Si"}),
    [](const ::testing::TestParamInfo<HolderCase>& info) { return std::string(info.param.name); });

TEST(LexwareHeader, ShortIbansGiveNoBankLineButTheBankFileIsWritten) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.RunWithHeader(kd::readers::ReadLexwareHeader,
                        {kHeader, LineWith({{kIban, "DE001234"}}), LineWith({{kIban, ""}})});
  EXPECT_EQ(harness.output.size(), 3u);
  EXPECT_TRUE(harness.bankLines.empty());
  ASSERT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
}

// Through a whole run: the layout choice, ANSI umlauts in the import file, OEM in the bank file.
TEST(LexwareHeader, UmlautsStayAnsiInTheImportFileAndBecomeOemInTheBankFile) {
  const std::string line = LineWith({{kSurname, "M\xFCller"}});
  const std::string record =
      "PNr=12;Name=M\xFCller, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Staat=000;Geb=01.02.1970;"
      "BegB=01.04.2005;PG=101;VNr=12010270M001;Art=Koch;PG=101;Taet=12345;BG=1111;GTS=0;StKl=1;"
      "KiFr=0.5;Kirche=ev/rk;Eltern=1;Uml=1;IdNr=12345678901;";
  const std::string bankHolder = "M\x81ller, Max";
  for (const bool convert : {true, false}) {
    SCOPED_TRACE(convert);
    kdtest::ConversionHarness run;
    run.bank = "Ja";
    run.umlauts = convert ? "ja " : "nein";
    ASSERT_EQ(run.Run("lexware", kdtest::CrlfLines({kHeader, line})), kd::RunResult::Written);
    EXPECT_EQ(run.ImportFile(), kdtest::CrlfLines({convert ? "KONV=1;" : "KONV=0;", record}));
    const std::string bank = run.BankFile();
    EXPECT_EQ(bank.substr(6, 11), convert ? bankHolder : "M\xFCller, Max");
    EXPECT_EQ(bank.substr(56, 9), "Sparkasse");
    EXPECT_EQ(bank.size(), 188u);
  }
}

TEST(LexwareHeader, WithoutBankDataNoBankFileAndNoBankMessage) {
  kdtest::ConversionHarness run;
  ASSERT_EQ(run.Run("Lexware", kdtest::CrlfLines({kHeader, kLine})), kd::RunResult::Written);
  EXPECT_FALSE(run.BankFileExists());
  ASSERT_EQ(run.ui.messages.size(), 1u);
  EXPECT_EQ(run.ui.messages[0].text,
            "1 Datensätze in der Datei " + run.dir.File("KDIMPORT.TXT") + " gespeichert.");
}

TEST(LexwareHeader, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string sample =
      kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/lexware/Personalstammblatt.csv");
  ASSERT_FALSE(sample.empty());
  ASSERT_EQ(run.Run("Lexware", sample), kd::RunResult::Written);
  const std::vector<std::string> records = Lines(run.ImportFile());
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0], "KONV=1;");
  // Foreign nationality, no religion.
  EXPECT_EQ(records[3],
            "PNr=1003;Name=\xD6zt\xFCrk, Mehmet;Str=K\xF6lner Landstra\337e 40a;"
            "Ort=40591 D\xFCsseldorf;Geb=27.06.1985;BegB=01.04.2016;PG=101;VNr=13270685O035;"
            "Art=Lagerist;PG=101;Taet=51312;BG=1111;GTS=3;StKl=1;KiFr=0;Kirche=--;Eltern=0;"
            "Uml=1;IdNr=29648153720;");
  // A five-digit personnel number, shortened with a notice.
  EXPECT_EQ(records[5],
            "PNr=0005;Name=Kr\xFCger, Lukas;Str=Karl-Liebknecht-Stra\337e 88;Ort=04275 Leipzig;"
            "Staat=000;Geb=30.01.1972;BegB=01.07.2008;PG=101;VNr=12300172K114;Art=Elektroniker;"
            "PG=101;Taet=26212;BG=1111;GTS=2;StKl=2;KiFr=1.5;Kirche=--;Eltern=1;Uml=1;"
            "IdNr=50371846258;");
  // The apprentice without an IBAN has no bank line; the last account belongs to the husband.
  const std::vector<std::string> bank = Lines(run.BankFile());
  ASSERT_EQ(bank.size(), 5u);
  EXPECT_EQ(bank[4], " 1006 Becker, Thomas" + std::string(14, ' ') + std::string(22, ' ') +
                         "Haspa Hamburg" + std::string(15, ' ') + std::string(51, ' ') + "0" +
                         "DE45200505501263748590" + std::string(13, ' ') + "HASPDEHHXXX" +
                         std::string(3, ' ') + "E");
  ASSERT_EQ(run.ui.messages.size(), 3u);
  EXPECT_EQ(run.ui.messages[0].text,
            "Personalnummer 10005 geändert in 0005, da Kandrel nur mit 4-stelligen "
            "Personalnummern arbeitet.");
  EXPECT_EQ(run.ui.messages[1].text,
            "5 Bankverbindungen in der Datei " + run.dir.File("Bank-18") + " gespeichert.");
}

}  // namespace
