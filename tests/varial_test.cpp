#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using kdtest::PrintTo;

using kdtest::ReaderHarness;

// A text placed at a 1-based position of a fixed-width line.
struct Placed {
  std::size_t position;
  std::string text;
};

// A line of `length` characters: blanks with the texts written over them in order (a later
// text overwrites an earlier one at the same place), cut at `length`.
std::string FixedLine(const std::vector<Placed>& fields, std::size_t length) {
  std::string line(2000, ' ');
  for (const Placed& field : fields)
    line.replace(field.position - 1, field.text.size(), field.text);
  line.resize(length);
  return line;
}

std::vector<Placed> Join(std::vector<Placed> base, const std::vector<Placed>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

// One employee of PWASCANS.EXP, 1515 characters long, with a semicolon in a filler position.
const std::vector<Placed> kEmployee = {{1, "1"},
                                       {10, "0815"},
                                       {14, ";"},
                                       {16,
                                        "M\xFC"
                                        "ller"},
                                       {44, "Hans"},
                                       {87, "Hauptstr. 12"},
                                       {115, "26122"},
                                       {128, "Oldenburg"},
                                       {283, "19700102"},
                                       {299, "20050401"},
                                       {408, "1"},
                                       {411, " 0.5"},
                                       {457, "ev"},
                                       {462, "rk"},
                                       {506, "1111"},
                                       {530, "12020170M013"},
                                       {614, "101"},
                                       {642, "000"},
                                       {1418, "12345678901"},
                                       {1507, "123456789"}};

std::string EmployeeLine(const std::vector<Placed>& changes = {}, std::size_t length = 1515) {
  return FixedLine(Join(kEmployee, changes), length);
}

const std::string kEmployeeRecord =
    "PNr=0815;Name=M\xFC"
    "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;Geb=02.01.1970;"
    "BegB=01.04.2005;BegV=01.04.2005;BG=1111;VNr=12020170M013;PG=101;StKl=1;KiFr=0,5;"
    "IdNr=12345678901;Kirche=EV/RK;Taet=123456789;OW=1;Staat=000;";

// The record above around its contribution group items and around its KiFr item.
const std::string kBeforeBegV =
    "PNr=0815;Name=M\xFC"
    "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;Geb=02.01.1970;"
    "BegB=01.04.2005;";
const std::string kAfterBg =
    "VNr=12020170M013;PG=101;StKl=1;KiFr=0,5;IdNr=12345678901;Kirche=EV/RK;Taet=123456789;"
    "OW=1;Staat=000;";
const std::string kBeforeKiFr = kBeforeBegV + "BegV=01.04.2005;BG=1111;VNr=12020170M013;PG=101;";
const std::string kAfterKiFr = "IdNr=12345678901;Kirche=EV/RK;Taet=123456789;OW=1;Staat=000;";
const std::string kBeforeChurch = kBeforeKiFr + "StKl=1;KiFr=0,5;IdNr=12345678901;";

TEST(VarialReader, ReadsEveryFieldOfAnEmployee) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadVarial, {EmployeeLine()});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=1;");
  EXPECT_EQ(harness.output[1], kEmployeeRecord);
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kEmployeeRecord});
  EXPECT_TRUE(harness.ui.messages.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
}

struct EmployeeCase {
  const char* what;
  std::vector<Placed> changes;
  std::string expectedRecord;
};

class VarialEmployeeTest : public ::testing::TestWithParam<EmployeeCase> {};

TEST_P(VarialEmployeeTest, GivesTheRecord) {
  const EmployeeCase& c = GetParam();
  ReaderHarness harness;
  harness.Run(kd::readers::ReadVarial, {EmployeeLine(c.changes)});
  ASSERT_EQ(harness.output.size(), 2u) << c.what;
  EXPECT_EQ(harness.output[1], c.expectedRecord) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VarialEmployeeTest,
    ::testing::Values(
        EmployeeCase{"marginal employment",
                     {{506, "6500"}},
                     kBeforeBegV + "KK=19;KKU=19;BG=6500;" + kAfterBg},
        EmployeeCase{"pension insurance only",
                     {{506, "0110"}},
                     kBeforeBegV + "BegV=01.04.2005;BG=0110;" + kAfterBg},
        EmployeeCase{"both rules",
                     {{506, "6100"}},
                     kBeforeBegV + "BegV=01.04.2005;KK=19;KKU=19;BG=6100;" + kAfterBg},
        EmployeeCase{"neither rule", {{506, "2200"}}, kBeforeBegV + "BG=2200;" + kAfterBg},
        EmployeeCase{"blank key", {{506, "    "}}, kBeforeBegV + "BG=    ;" + kAfterBg},
        EmployeeCase{"flat-rate tax", {{408, "0"}}, kBeforeKiFr + "StKl=EP;" + kAfterKiFr},
        EmployeeCase{
            "blank tax class", {{408, " "}}, kBeforeKiFr + "StKl= ;KiFr=0,5;" + kAfterKiFr},
        EmployeeCase{"no spouse religion",
                     {{457, "rk"}, {462, "  "}},
                     kBeforeChurch + "Kirche=RK;Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"spouse religion only",
                     {{457, "  "}, {462, "ev"}},
                     kBeforeChurch + "Kirche=/EV;Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"no religion",
                     {{457, "  "}, {462, "  "}},
                     kBeforeChurch + "Kirche=;Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"one-letter religions",
                     {{457, " e"}, {462, "K "}},
                     kBeforeChurch + "Kirche=E/K;Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"postcode and blanks kept",
                     {{115, " 2612"}, {530, "  "}, {614, "1 1"}},
                     "PNr=0815;Name=M\xFC"
                     "ller, Hans;Str=Hauptstr. 12;Ort= 2612 Oldenburg;"
                     "Geb=02.01.1970;BegB=01.04.2005;BegV=01.04.2005;BG=1111;"
                     "VNr=  020170M013;PG=1 1;StKl=1;KiFr=0,5;IdNr=12345678901;Kirche=EV/RK;"
                     "Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"trimmed texts",
                     {{16, "\tvan Dijk"}, {87, " Am Markt 1 "}, {1418, " 4711      "}},
                     "PNr=0815;Name=van Dijk, Hans;Str=Am Markt 1;Ort=26122 Oldenburg;"
                     "Geb=02.01.1970;BegB=01.04.2005;BegV=01.04.2005;BG=1111;"
                     "VNr=12020170M013;PG=101;StKl=1;KiFr=0,5;IdNr=4711;Kirche=EV/RK;"
                     "Taet=123456789;OW=1;Staat=000;"},
        EmployeeCase{"blank dates",
                     {{283, "        "}, {299, "        "}},
                     "PNr=0815;Name=M\xFC"
                     "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                     "Geb=;BegB=;BegV=;BG=1111;" +
                         kAfterBg},
        EmployeeCase{"dates as stored",
                     {{283, "20011231"}, {299, "19990301"}},
                     "PNr=0815;Name=M\xFC"
                     "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                     "Geb=31.12.2001;BegB=01.03.1999;BegV=01.03.1999;BG=1111;" +
                         kAfterBg}));

struct ChildAllowanceCase {
  std::string field;
  char separator;
  std::string expected;
};

void PrintTo(const ChildAllowanceCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.field) << "] with '" << c.separator << "'";
}

class VarialChildAllowanceTest : public ::testing::TestWithParam<ChildAllowanceCase> {};

TEST_P(VarialChildAllowanceTest, WritesTheShortestNumber) {
  const ChildAllowanceCase& c = GetParam();
  ReaderHarness harness;
  harness.decimalSeparator = c.separator;
  harness.Run(kd::readers::ReadVarial, {EmployeeLine({{411, c.field}})});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1], kBeforeKiFr + "StKl=1;KiFr=" + c.expected + ";" + kAfterKiFr)
      << "field '" << c.field << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, VarialChildAllowanceTest,
    ::testing::Values(ChildAllowanceCase{"0005", ',', "5"}, ChildAllowanceCase{" 0.5", ',', "0,5"},
                      ChildAllowanceCase{"0,5 ", ',', "0"}, ChildAllowanceCase{"1.25", ',', "1,25"},
                      ChildAllowanceCase{"2.50", ',', "2,5"}, ChildAllowanceCase{"10.0", ',', "10"},
                      ChildAllowanceCase{".5  ", ',', "0,5"}, ChildAllowanceCase{"5.  ", ',', "5"},
                      ChildAllowanceCase{"    ", ',', "0"}, ChildAllowanceCase{"abc ", ',', "0"},
                      ChildAllowanceCase{".   ", ',', "0"}, ChildAllowanceCase{"-1.5", ',', "-1,5"},
                      ChildAllowanceCase{"+1.5", ',', "1,5"},
                      ChildAllowanceCase{"1.5.", ',', "1,5"},
                      ChildAllowanceCase{"9999", ',', "9999"}, ChildAllowanceCase{"1e3 ", ',', "1"},
                      ChildAllowanceCase{"0x1A", ',', "0"}, ChildAllowanceCase{"\t1.5", ',', "1,5"},
                      ChildAllowanceCase{"  2 ", ',', "2"}, ChildAllowanceCase{"0.25", '.', "0.25"},
                      ChildAllowanceCase{"1.5 ", '.', "1.5"},
                      ChildAllowanceCase{"0.01", ',', "0,01"},
                      // No negative zero: "-0" would reach Kandrel as "KiFr=-0;".
                      ChildAllowanceCase{"-0  ", ',', "0"}, ChildAllowanceCase{"-.0 ", ',', "0"},
                      ChildAllowanceCase{"-0.0", '.', "0"}));

struct LineTestCase {
  const char* what;
  std::string line;
  bool isEmployee;
};

class VarialLineTest : public ::testing::TestWithParam<LineTestCase> {};

TEST_P(VarialLineTest, TestsTheFirstAndTenthCharacters) {
  const LineTestCase& c = GetParam();
  ReaderHarness harness;
  harness.Run(kd::readers::ReadVarial, {c.line});
  EXPECT_EQ(harness.output.size(), c.isEmployee ? 2u : 1u) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, VarialLineTest,
    ::testing::Values(LineTestCase{"employee", EmployeeLine(), true},
                      LineTestCase{"letter first", EmployeeLine({{1, "A"}}), false},
                      LineTestCase{"semicolon first", EmployeeLine({{1, ";"}}), false},
                      LineTestCase{"umlaut first", EmployeeLine({{1, "\xC4"}}), false},
                      LineTestCase{"blank first", EmployeeLine({{1, " "}}), true},
                      LineTestCase{"blank tenth", EmployeeLine({{10, " 815"}}), false},
                      LineTestCase{"slash tenth", EmployeeLine({{10, "/815"}}), false},
                      LineTestCase{"letter tenth", EmployeeLine({{10, "A815"}}), true},
                      LineTestCase{"umlaut tenth",
                                   EmployeeLine({{10,
                                                  "\xDC"
                                                  "815"}}),
                                   true},
                      LineTestCase{"nine characters", "123456789", false},
                      LineTestCase{"ten characters", "1234567890", true},
                      LineTestCase{"empty", "", false}));

struct ShortLineCase {
  const char* what;
  std::string line;
  std::string expectedRecord;
};

class VarialShortLineTest : public ::testing::TestWithParam<ShortLineCase> {};

TEST_P(VarialShortLineTest, ReadsWhatTheLineHolds) {
  const ShortLineCase& c = GetParam();
  ReaderHarness harness;
  harness.Run(kd::readers::ReadVarial, {c.line});
  ASSERT_EQ(harness.output.size(), 2u) << c.what;
  EXPECT_EQ(harness.output[1], c.expectedRecord) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, VarialShortLineTest,
    ::testing::Values(
        ShortLineCase{"ten characters", "1        0",
                      "PNr=0;Name=, ;Str=;Ort= ;Geb=;BegB=;BG=;VNr=;PG=;StKl=;KiFr=0;IdNr=;"
                      "Kirche=;Taet=;OW=1;Staat=;"},
        ShortLineCase{"inside the surname", EmployeeLine({}, 18),
                      "PNr=0815;Name=M\xFC"
                      "l, ;Str=;Ort= ;Geb=;BegB=;BG=;VNr=;PG=;StKl=;"
                      "KiFr=0;IdNr=;Kirche=;Taet=;OW=1;Staat=;"},
        ShortLineCase{"one character of the key", EmployeeLine({{506, "6"}}, 506),
                      "PNr=0815;Name=M\xFC"
                      "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                      "Geb=02.01.1970;BegB=01.04.2005;KK=19;KKU=19;BG=6;VNr=;PG=;StKl=1;"
                      "KiFr=0,5;IdNr=;Kirche=EV/RK;Taet=;OW=1;Staat=;"},
        ShortLineCase{"one character of the key, a 1", EmployeeLine({{506, "1"}}, 506),
                      "PNr=0815;Name=M\xFC"
                      "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                      "Geb=02.01.1970;BegB=01.04.2005;BG=1;VNr=;PG=;StKl=1;"
                      "KiFr=0,5;IdNr=;Kirche=EV/RK;Taet=;OW=1;Staat=;"},
        ShortLineCase{"two characters of the key", EmployeeLine({{506, "61"}}, 507),
                      "PNr=0815;Name=M\xFC"
                      "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                      "Geb=02.01.1970;BegB=01.04.2005;BegV=01.04.2005;KK=19;KKU=19;BG=61;VNr=;"
                      "PG=;StKl=1;KiFr=0,5;IdNr=;Kirche=EV/RK;Taet=;OW=1;Staat=;"},
        ShortLineCase{"inside the child allowance", EmployeeLine({{411, "12.5"}}, 412),
                      "PNr=0815;Name=M\xFC"
                      "ller, Hans;Str=Hauptstr. 12;Ort=26122 Oldenburg;"
                      "Geb=02.01.1970;BegB=01.04.2005;BG=;VNr=;PG=;StKl=1;KiFr=12;IdNr=;"
                      "Kirche=;Taet=;OW=1;Staat=;"},
        ShortLineCase{"ends in the activity key", EmployeeLine({}, 1510),
                      kBeforeChurch + "Kirche=EV/RK;Taet=1234;OW=1;Staat=000;"}));

// ---------------------------------------------------------------------------------------------
// Bank pass

// A line of the bank code list: bank code, name, short name at 108, BIC at 140.
std::string BankCodeLine(const std::string& code, const std::string& shortName,
                         const std::string& bic) {
  return FixedLine({{1, code + "1"}, {10, shortName}, {108, shortName}, {140, bic}}, 160);
}

const std::string kBankCodeList = kdtest::CrlfLines({
    BankCodeLine("37050198",
                 "Sparkasse K\xF6"
                 "lnBonn",
                 "COLSDE33XXX"),
    BankCodeLine("29050000", "Bremer Landesbank", "BRLADE21LZO"),
    BankCodeLine("28050100", "Landessparkasse Oldenburg", "SLZODE22XXX"),
    std::string("44444444 short record SHORTDE1XXX"),
});

// A connection of PWASCUEB.EXP.
std::string ConnectionLine(const std::string& number, const std::string& holder,
                           const std::string& bic, const std::string& iban) {
  return FixedLine({{1, "1"}, {10, number}, {79, holder}, {250, bic}, {268, iban}}, 303);
}

const std::string kConnections = kdtest::CrlfLines({
    ConnectionLine("0815",
                   "M\xFC"
                   "ller, Hans",
                   "COLSDE33XXX", "DE89 3704 0044 0532 0130 00"),
    ConnectionLine("0816", "Schulz, Petra", "BRLADE21LZO", "DE12280501000012345678"),
    ConnectionLine("0817", "Kraus, Otto", "NOBANKXXXXX", "DE02100500000024290661"),
    ConnectionLine("0818", "Kurz, Ina", "COLSDE33XXX", "DE123456"),
    ConnectionLine("0819", "Neun, Udo", "COLSDE33", "DE1234567"),
    std::string(),
    ConnectionLine("0820", "  Klein, Eva  ", "SHORTDE1XXX", "  DE44500105175407324931"),
    ConnectionLine("0821", "Klein, Max", "colsde33xxx", "DE44500105175407324931"),
    FixedLine({{10, "822"}, {79, "Lang, Kurt"}}, 90),
});

// Bank lines: number right-aligned in 5, blank, holder in 28, 22 blanks for bank code and
// account number, bank name in 28, 51 blanks, "0", IBAN in 35, 14 blanks for the BIC, "E".
const std::vector<std::string> kBankLinesOem = {
    " 0815 M\x81"
    "ller, Hans" +
        std::string(16 + 22, ' ') +
        "Sparkasse K\x94"
        "lnBonn" +
        std::string(10 + 51, ' ') + "0DE89370400440532013000" + std::string(13 + 14, ' ') + "E",
    " 0816 Schulz, Petra" + std::string(15 + 22, ' ') + "Landessparkasse zu Oldenburg" +
        std::string(51, ' ') + "0DE12280501000012345678" + std::string(13 + 14, ' ') + "E",
    " 0817 Kraus, Otto" + std::string(17 + 22 + 28 + 51, ' ') + "0DE02100500000024290661" +
        std::string(13 + 14, ' ') + "E",
    " 0819 Neun, Udo" + std::string(19 + 22, ' ') +
        "Sparkasse K\x94"
        "lnBonn" +
        std::string(10 + 51, ' ') + "0DE1234567" + std::string(26 + 14, ' ') + "E",
    " 0820 Klein, Eva" + std::string(18 + 22 + 28 + 51, ' ') + "0DE44500105175407324931" +
        std::string(13 + 14, ' ') + "E",
    " 0821 Klein, Max" + std::string(18 + 22 + 28 + 51, ' ') + "0DE44500105175407324931" +
        std::string(13 + 14, ' ') + "E",
};

TEST(VarialBankPass, OneBankLinePerConnectionWithAnIban) {
  ReaderHarness harness;
  harness.SetBank(true);
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kBankCodeList);
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), kConnections);
  harness.Run(kd::readers::ReadVarial, {EmployeeLine()});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kEmployeeRecord}));
  ASSERT_EQ(harness.bankLines.size(), kBankLinesOem.size());
  for (std::size_t i = 0; i < kBankLinesOem.size(); ++i) {
    EXPECT_EQ(harness.bankLines[i].size(), 186u) << i;
    EXPECT_EQ(harness.bankLines[i], kBankLinesOem[i]) << i;
  }
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kdtest::CrlfLines(kBankLinesOem));
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "6 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

TEST(VarialBankPass, WithoutUmlautConversionTheBankLineStaysAnsi) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kBankCodeList);
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), kConnections);
  harness.Run(kd::readers::ReadVarial, {});
  EXPECT_EQ(harness.output, std::vector<std::string>{"KONV=0;"});
  ASSERT_EQ(harness.bankLines.size(), kBankLinesOem.size());
  EXPECT_EQ(harness.bankLines[0],
            " 0815 M\xFC"
            "ller, Hans" +
                std::string(16 + 22, ' ') +
                "Sparkasse K\xF6"
                "lnBonn" +
                std::string(10 + 51, ' ') + "0DE89370400440532013000" + std::string(13 + 14, ' ') +
                "E");
}

TEST(VarialBankPass, Utf8BankConnectionFileIsDecoded) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kBankCodeList);
  // Saved as UTF-8 with a byte-order mark by an editor: once decoded, "ü" is one character
  // again and every field stands where the layout puts it.
  const std::string line = FixedLine({{10, "0815"},
                                      {79,
                                       "M\xFC"
                                       "ller, Hans"},
                                      {268, "DE89370400440532013000"}},
                                     303);
  std::string utf8 = "\xEF\xBB\xBF";
  for (const char c : line) {
    if (c == '\xFC') {
      utf8 += "\xC3\xBC";
    } else {
      utf8 += c;
    }
  }
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), utf8);
  harness.Run(kd::readers::ReadVarial, {});
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0],
            " 0815 M\xFC"
            "ller, Hans" +
                std::string(16 + 22 + 28 + 51, ' ') + "0DE89370400440532013000" +
                std::string(13 + 14, ' ') + "E");
}

TEST(VarialBankPass, EmptyBankConnectionFileGivesAnEmptyBankFile) {
  kdtest::ConversionHarness harness;
  harness.bank = "Ja";
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kBankCodeList);
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), "");
  ASSERT_EQ(harness.Run("Varial", EmployeeLine() + "\r\n", "PWASCANS.EXP"), kd::RunResult::Written);
  EXPECT_EQ(harness.ImportFile(), "KONV=1;\r\n" + kEmployeeRecord + "\r\n");
  ASSERT_TRUE(harness.BankFileExists());
  EXPECT_EQ(harness.BankFile(), "");
  ASSERT_EQ(harness.ui.messages.size(), 2u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.File("Bank-18") + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[1].text,
            "1 Datensätze in der Datei " + harness.dir.File("KDIMPORT.TXT") + " gespeichert.");
}

TEST(VarialBankPass, WithoutBankSettingNeitherFileIsNeeded) {
  kdtest::ConversionHarness harness;
  harness.umlauts = "nein";
  ASSERT_EQ(harness.Run("VARIAL", EmployeeLine() + "\r\n", "PWASCANS.EXP"), kd::RunResult::Written);
  EXPECT_EQ(harness.ImportFile(), "KONV=0;\r\n" + kEmployeeRecord + "\r\n");
  EXPECT_FALSE(harness.BankFileExists());
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Datensätze in der Datei " + harness.dir.File("KDIMPORT.TXT") + " gespeichert.");
}

struct MissingFileCase {
  bool writeBankCodeList;
  bool writeConnections;
  std::string expectedError;
};

void PrintTo(const MissingFileCase& c, std::ostream* os) {
  *os << (c.writeBankCodeList ? "list" : "no list") << ", "
      << (c.writeConnections ? "connections" : "no connections");
}

class VarialMissingFileTest : public ::testing::TestWithParam<MissingFileCase> {};

TEST_P(VarialMissingFileTest, EndsTheRunWithoutWritingAnything) {
  const MissingFileCase& c = GetParam();
  kdtest::ConversionHarness harness;
  harness.bank = "JA";
  if (c.writeBankCodeList) {
    kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kBankCodeList);
  }
  if (c.writeConnections) kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), kConnections);
  EXPECT_EQ(harness.Run("VARIAL", EmployeeLine() + "\r\n", "PWASCANS.EXP"), kd::RunResult::Stopped);
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].kind, "error");
  EXPECT_EQ(harness.ui.messages[0].text, c.expectedError);
  EXPECT_FALSE(harness.ImportFileExists());
  EXPECT_FALSE(harness.BankFileExists());
}

INSTANTIATE_TEST_SUITE_P(
    Files, VarialMissingFileTest,
    ::testing::Values(
        MissingFileCase{true, false, "Datei PWASCUEB.EXP kann nicht geöffnet werden"},
        MissingFileCase{false, true, "Datei BLZ_20170904.txt kann nicht geöffnet werden"},
        MissingFileCase{false, false, "Datei BLZ_20170904.txt kann nicht geöffnet werden"}));

TEST(VarialReader, SampleExportConverts) {
  const std::string samples = std::string(KDIMPORT_SAMPLES_DIR) + "/varial/";
  const std::string employees = kdtest::ReadFile(samples + "PWASCANS.EXP");
  ASSERT_FALSE(employees.empty());
  kdtest::ConversionHarness harness;
  harness.bank = "Ja";
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"),
                    kdtest::ReadFile(samples + "PWASCUEB.EXP"));
  // The bank code list the build puts beside the programs.
  const auto list = std::filesystem::path(KDIMPORT_CLI_PATH).parent_path() / "BLZ_20170904.txt";
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), kdtest::ReadFile(list.string()));
  ASSERT_EQ(harness.Run("VARIAL", employees, "PWASCANS.EXP"), kd::RunResult::Written);

  const std::string import = harness.ImportFile();
  EXPECT_TRUE(import.starts_with("KONV=1;\r\nPNr=0815;"));
  EXPECT_NE(import.find("\r\nPNr=0815;Name=M\xFC"
                        "ller, J\xFC"
                        "rgen;Str=Gartenstra\xDF"
                        "e 12;"
                        "Ort=26122 Oldenburg;Geb=02.01.1970;BegB=01.04.2005;BegV=01.04.2005;"
                        "BG=1111;VNr=19020170M003;PG=101;StKl=3;KiFr=2;IdNr=47036892816;"
                        "Kirche=EV/RK;Taet=513120132;OW=1;Staat=000;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=0817;Name=W\xF6"
                        "hler, Karin;Str=Donnerschweer Str. 88;"
                        "Ort=26123 Oldenburg;Geb=20.11.1958;BegB=15.01.2020;KK=19;KKU=19;"
                        "BG=6500;VNr=19201158W500;PG=109;StKl=EP;IdNr=81234567892;Kirche=;"
                        "Taet=512010190;OW=1;Staat=000;\r\n"),
            std::string::npos);

  const std::string bank = harness.BankFile();
  EXPECT_NE(
      bank.find(" 0815 M\x81"
                "ller, J\x81"
                "rgen" +
                std::string(14 + 22, ' ') + "Landessparkasse zu Oldenburg" + std::string(51, ' ') +
                "0DE62280501000012345678" + std::string(13 + 14, ' ') + "E\r\n"),
      std::string::npos);
  // The first line of the list that holds the BIC is a branch of the bank.
  EXPECT_NE(bank.find(" 0816 Schulte, Petra" + std::string(14 + 22, ' ') +
                      "Oldb Landesbank Diepholz" + std::string(4 + 51, ' ') + "0"),
            std::string::npos);
  EXPECT_EQ(bank.find(" 0818 "), std::string::npos);
}

}  // namespace
