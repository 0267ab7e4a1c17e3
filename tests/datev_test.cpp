#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "conversion.h"
#include "readers.h"
#include "test_support.h"

namespace {

using kdtest::ConversionHarness;
using kdtest::ReaderHarness;
using kdtest::ReadFile;
using kdtest::WriteFile;

std::string Blanks(std::size_t n) {
  return std::string(n, ' ');
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// An employee line of the export with 125 columns, all empty but the given ones.
std::string DatevLine(const std::map<int, std::string>& columns) {
  std::string line;
  for (int n = 0; n < 125; ++n) {
    const auto it = columns.find(n);
    if (it != columns.end()) line += it->second;
    line += ';';
  }
  return line;
}

// The start of the export's column line, as the program writes it.
const std::string kColumnLine =
    "\"Beraternummer\";\"Mandantennummer\";\"Abrechnungsmonat\";\"Firmennummer\";"
    "\"Personalnummer\";\"Familienname\";\"Vorname\";\"Stra\xDF"
    "e/Postfach\";"
    "\"Hausnummer\";\"PLZ\";\"Ort\";Geburtsdatum;";

// A record of the bank code list: short name at characters 108-134, BIC at 140-150.
std::string BankCodeRecord(const std::string& code, const std::string& name,
                           const std::string& town, const std::string& shortName,
                           const std::string& bic) {
  std::string line = code + "1";
  line += name + Blanks(58 - name.size());
  line += "80331" + town + Blanks(35 - town.size());
  line += shortName + Blanks(27 - shortName.size());
  line += "12345" + bic + "000000U000000000";
  return line;
}

std::string TestBankCodeList() {
  return kdtest::CrlfLines({
      BankCodeRecord("10040010", "Commerzbank", "Berlin", "Commerzbank Berlin", "COBADEFFXXX"),
      BankCodeRecord("70150000",
                     "Stadtsparkasse M\xFC"
                     "nchen",
                     "M\xFC"
                     "nchen",
                     "Stadtsparkasse M\xFC"
                     "nchen",
                     "SSKMDEMMXXX"),
      BankCodeRecord("70020270", "UniCredit Bank - HypoVereinsbank",
                     "M\xFC"
                     "nchen",
                     "UniCredit Bank-HypoVereinbk", "HYVEDEMMXXX"),
      BankCodeRecord("70020290", "UniCredit Bank - HypoVereinsbank",
                     "M\xFC"
                     "nchen",
                     "HypoVereinsbank Filiale", "HYVEDEMM290"),
  });
}

// The full line of a realistic employee: every field the reader takes is filled.
std::string ExampleLine() {
  return DatevLine({{0, "29098"},
                    {1, "12345"},
                    {2, "05.2018"},
                    {4, Quoted("00012")},
                    {5, Quoted("M\xFC"
                               "ller")},
                    {6, Quoted("J\xFC"
                               "rgen")},
                    {7, Quoted("Hauptstra\xDF"
                               "e 5")},
                    {9, Quoted("80331")},
                    {10, Quoted("M\xFC"
                                "nchen")},
                    {11, "01.02.1970"},
                    {13, Quoted("12010270M001")},
                    {15, Quoted("deutsch")},
                    {18, Quoted("DE89 3704 0044 0532 0130 00")},
                    {19, Quoted("COBADEFFXXX")},
                    {21, "01.04.2005"},
                    {23, Quoted("Koch")},
                    {25, "101"},
                    {26, Quoted("512123141")},
                    {29, Quoted("1111")},
                    {30, "12"},
                    {50, "12345678901"},
                    {51, "1"},
                    {53, "0,5"},
                    {58, Quoted("ev")},
                    {59, Quoted("rk")},
                    {119, "100"},
                    {121, "38,5"}});
}

const std::string kExampleRecord =
    "PNr=0012;Name=M\xFC"
    "ller, J\xFC"
    "rgen;Str=Hauptstra\xDF"
    "e 5;Staat=000;"
    "Ort=80331 M\xFC"
    "nchen;Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;"
    "Kirche=EV/RK;Taet=512123141;BG=1111;Uml=1;Uml=2;StKl=1;KiFr=0.5;PG=101;"
    "IdNr=12345678901;WAZ=38.5;KSt=100;";

// Personnel number, blank, holder (28), bank code and account number (22 blanks), bank name
// (28), 51 blanks, "0", IBAN (35), BIC left blank (14), "E".
const std::string kExampleBankLineOem =
    " 0012 M\x81"
    "ller, J\x81"
    "rgen" +
    Blanks(14) + Blanks(22) + "Commerzbank Berlin" + Blanks(10) + Blanks(51) + "0" +
    "DE89370400440532013000" + Blanks(13) + Blanks(14) + "E";

const std::string kEmptyRecord =
    "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;KiFr=;PG=;IdNr=;"
    "WAZ=;KSt=;";

class DatevReaderTest : public ::testing::Test {
 protected:
  DatevReaderTest() { WriteFile(harness.bareDir.File("BLZ_20170904.txt"), TestBankCodeList()); }

  void Run(const std::vector<std::string>& lines) { harness.Run(kd::readers::ReadDatev, lines); }

  ReaderHarness harness;
};

TEST_F(DatevReaderTest, WorkedExampleGivesRecordAndOemBankLine) {
  harness.SetBank(true);
  Run({kColumnLine, ExampleLine()});

  ASSERT_EQ(kExampleBankLineOem.size(), 186u);
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kExampleRecord}));
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kExampleRecord});
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{kExampleBankLineOem});
  EXPECT_EQ(ReadFile(harness.BankFilePath()), kExampleBankLineOem + "\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

TEST_F(DatevReaderTest, WithoutUmlautConversionTheBankLineStaysAnsi) {
  harness.SetBank(true);
  harness.SetUmlauts(false);
  Run({ExampleLine()});

  const std::string ansi =
      " 0012 M\xFC"
      "ller, J\xFC"
      "rgen" +
      Blanks(14) + Blanks(22) + "Commerzbank Berlin" + Blanks(10) + Blanks(51) + "0" +
      "DE89370400440532013000" + Blanks(13) + Blanks(14) + "E";
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=0;", kExampleRecord}));
  EXPECT_EQ(harness.bankLines, std::vector<std::string>{ansi});
}

TEST_F(DatevReaderTest, LinesThatDoNotBeginWithADigitGiveNoRecord) {
  const std::vector<std::string> lines = {
      kColumnLine,          "",     " 29098;1;2;3;00012;",        "\"29098\";1;2;3;00012;",
      "Summe;1;2;3;00012;", "\t1;", "x" + ExampleLine().substr(1)};
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    Run({line});
    EXPECT_EQ(harness.output, std::vector<std::string>{"KONV=1;"});
    EXPECT_TRUE(harness.ui.records.empty());
  }
}

struct RecordCase {
  const char* rule;
  std::map<int, std::string> columns;
  std::string expected;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.rule;
}

class DatevRecordTest : public DatevReaderTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(DatevRecordTest, WritesTheItemsInOrder) {
  const RecordCase& c = GetParam();
  std::map<int, std::string> columns = c.columns;
  columns.emplace(0, "29098");
  Run({DatevLine(columns)});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", c.expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DatevRecordTest,
    ::testing::Values(
        RecordCase{
            "all empty: every item but Staat, Uml and KK is still written", {}, kEmptyRecord},
        // Personnel number: filled to four with "0", first character dropped.
        RecordCase{"quoted five digits",
                   {{4, Quoted("00012")}},
                   "PNr=0012;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"bare five digits",
                   {{4, "00012"}},
                   "PNr=0012;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"first digit dropped",
                   {{4, "12345"}},
                   "PNr=2345;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"bare short number",
                   {{4, "12"}},
                   "PNr=012;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"quoted short number gives the same as a bare one",
                   {{4, Quoted("12")}},
                   "PNr=012;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"quoted three digits",
                   {{4, Quoted("123")}},
                   "PNr=123;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        // Every field trimmed, inner blanks kept.
        RecordCase{"fields trimmed",
                   {{5, "\"  Muster \""},
                    {6, "\tMax\t"},
                    {7, "\" Am Markt  3 \""},
                    {9, " 12345"},
                    {10, "Neustadt "},
                    {23, "\" Koch \""}},
                   "PNr=000;Name=Muster, Max;Str=Am Markt  3;Ort=12345 Neustadt;Geb=;BegB=;VNr=;"
                   "Art=Koch;Kirche=--;Taet=;BG=;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"dates unchanged",
                   {{11, "1.2.1970"}, {21, Quoted("01.04.2005")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=1.2.1970;BegB=01.04.2005;VNr=;Art=;Kirche=--;"
                   "Taet=;BG=;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        // Nationality.
        RecordCase{"deutsch",
                   {{7, Quoted("Ring 1")}, {15, Quoted("deutsch")}},
                   "PNr=000;Name=, ;Str=Ring 1;Staat=000;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;"
                   "Taet=;BG=;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"Deutschland",
                   {{15, Quoted("Deutschland")}},
                   "PNr=000;Name=, ;Str=;Staat=000;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;"
                   "StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"DEUTSCH",
                   {{15, "DEUTSCH"}},
                   "PNr=000;Name=, ;Str=;Staat=000;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;"
                   "StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"other nationality", {{15, Quoted("\xF6sterreichisch")}}, kEmptyRecord},
        RecordCase{"nationality as key", {{15, "000"}}, kEmptyRecord},
        // Levies.
        RecordCase{"U1",
                   {{30, "1"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;Uml=1;"
                   "StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"U2",
                   {{30, "2"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;Uml=2;"
                   "StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"U1 and U2",
                   {{30, "12"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;Uml=1;"
                   "Uml=2;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"U2 and U1 written as 21",
                   {{30, "21"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;Uml=1;"
                   "Uml=2;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"no levy", {{30, "0"}}, kEmptyRecord},
        // Tax class and person group.
        RecordCase{"marginal with tax class 0",
                   {{25, "109"}, {51, "0"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=EP;"
                   "KiFr=;PG=109;KK=19;KKU=19;IdNr=;WAZ=;KSt=;"},
        RecordCase{"marginal without tax class, quoted group",
                   {{25, Quoted("109")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=EP;"
                   "KiFr=;PG=109;KK=19;KKU=19;IdNr=;WAZ=;KSt=;"},
        RecordCase{"marginal with tax class 6",
                   {{25, "109"}, {51, "6"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=6;"
                   "KiFr=;PG=109;KK=19;KKU=19;IdNr=;WAZ=;KSt=;"},
        RecordCase{"tax class 0 with group 101",
                   {{25, "101"}, {51, "0"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=0;"
                   "KiFr=;PG=101;IdNr=;WAZ=;KSt=;"},
        RecordCase{"no tax class with group 101",
                   {{25, "101"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=;PG=101;IdNr=;WAZ=;KSt=;"},
        RecordCase{"tax class keeps its quotes",
                   {{51, Quoted("3")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;"
                   "StKl=\"3\";KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"tax class trimmed",
                   {{51, " 4 "}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=4;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        // Decimal commas.
        RecordCase{"KiFr 1,5 and WAZ 38,5",
                   {{53, "1,5"}, {121, "38,5"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=1.5;PG=;IdNr=;WAZ=38.5;KSt=;"},
        RecordCase{"only the first comma",
                   {{53, "0,5"}, {121, "1,2,3"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=0.5;PG=;IdNr=;WAZ=1.2,3;KSt=;"},
        RecordCase{"no comma",
                   {{53, "2"}, {121, "40"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
                   "KiFr=2;PG=;IdNr=;WAZ=40;KSt=;"},
        // Church codes.
        RecordCase{"ev and rk",
                   {{58, Quoted("ev")}, {59, Quoted("rk")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV/RK;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"rk and none",
                   {{58, Quoted("rk")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"EV in upper case and none",
                   {{58, Quoted("EV")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"other codes joined without slash",
                   {{58, Quoted("ak")}, {59, Quoted("lt")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=aklt;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"longer words beginning with ev and rk",
                   {{58, Quoted("evangelisch")}, {59, Quoted("rk-kath")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=EV/RK;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"none and ev",
                   {{59, Quoted("ev")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--/EV;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        RecordCase{"rk and ev",
                   {{58, " rk "}, {59, "ev"}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=RK/EV;Taet=;BG=;StKl=;"
                   "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
        // The remaining single fields, each in its place.
        RecordCase{"VNr, Taet, BG, IdNr, KSt",
                   {{13, Quoted("65170839J003")},
                    {26, "722124112"},
                    {29, Quoted("1111")},
                    {50, "47036892816"},
                    {119, Quoted("200")}},
                   "PNr=000;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=65170839J003;Art=;Kirche=--;"
                   "Taet=722124112;BG=1111;StKl=;KiFr=;PG=;IdNr=47036892816;WAZ=;KSt=200;"}),
    [](const ::testing::TestParamInfo<RecordCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST_F(DatevReaderTest, ASemicolonInsideQuotesStillSeparates) {
  // "Muster; Max" as the surname moves every later column one to the right.
  Run({"29098;1;2;3;\"00012\";\"Muster; Max\";\"Max\";\"Ring 1\";;\"12345\";"});
  EXPECT_EQ(harness.output[1],
            "PNr=0012;Name=Muster, Max;Str=Max;Ort= 12345;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;"
            "BG=;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;");
}

TEST_F(DatevReaderTest, ShortAndMalformedLinesReadMissingColumnsAsEmpty) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"1", kEmptyRecord},
      {"12;", kEmptyRecord},
      {"1;2;3;4;\"00012\";\"Muster\";\"Max\";",
       "PNr=0012;Name=Muster, Max;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
       "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
      // The text after the last semicolon is no column.
      {"1;2;3;4;\"00012\";\"Muster\";\"Max\"",
       "PNr=0012;Name=Muster, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=--;Taet=;BG=;StKl=;"
       "KiFr=;PG=;IdNr=;WAZ=;KSt=;"},
      {"9\"\"\"\";;;;\";\"\";", kEmptyRecord},
  };
  harness.SetBank(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Run({c.line});
    EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", c.expected}));
    EXPECT_TRUE(harness.bankLines.empty());
  }
}

struct BankCase {
  const char* rule;
  std::map<int, std::string> columns;
  std::vector<std::string> expected;
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.rule;
}

class DatevBankTest : public DatevReaderTest, public ::testing::WithParamInterface<BankCase> {};

TEST_P(DatevBankTest, BuildsTheBankLine) {
  const BankCase& c = GetParam();
  std::map<int, std::string> columns = c.columns;
  columns.emplace(0, "29098");
  columns.emplace(4, Quoted("00012"));
  columns.emplace(5, Quoted("Muster"));
  columns.emplace(6, Quoted("Max"));
  harness.SetBank(true);
  harness.SetUmlauts(false);
  Run({DatevLine(columns)});
  for (const std::string& line : c.expected) EXPECT_EQ(line.size(), 186u) << line;
  EXPECT_EQ(harness.bankLines, c.expected);
  EXPECT_EQ(ReadFile(harness.BankFilePath()), kdtest::CrlfLines(c.expected));
  EXPECT_EQ(harness.output.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DatevBankTest,
    ::testing::Values(
        BankCase{"IBAN of 8 characters", {{18, Quoted("DE891234")}, {19, "COBADEFFXXX"}}, {}},
        BankCase{"no IBAN", {{19, "COBADEFFXXX"}}, {}},
        BankCase{"IBAN of 8 characters with blanks around", {{18, "\" DE891234 \""}}, {}},
        BankCase{"IBAN of 9 characters, unknown BIC",
                 {{18, "DE8912345"}, {19, Quoted("XXXXDEXXXXX")}},
                 {" 0012 Muster, Max" + Blanks(17) + Blanks(22) + Blanks(28) + Blanks(51) + "0" +
                  "DE8912345" + Blanks(26) + Blanks(14) + "E"}},
        BankCase{"IBAN in groups, bank found by BIC",
                 {{18, Quoted("DE04 7015 0000 1004 5678 90")}, {19, Quoted("SSKMDEMMXXX")}},
                 {" 0012 Muster, Max" + Blanks(17) + Blanks(22) +
                  "Stadtsparkasse M\xFC"
                  "nchen" +
                  Blanks(6) + Blanks(51) + "0" + "DE04701500001004567890" + Blanks(13) +
                  Blanks(14) + "E"}},
        BankCase{"BIC without branch found in the first line that begins with it",
                 {{18, "DE73700202706603841277"}, {19, "HYVEDEMM"}},
                 {" 0012 Muster, Max" + Blanks(17) + Blanks(22) + "UniCredit Bank-HypoVereinbk" +
                  Blanks(1) + Blanks(51) + "0" + "DE73700202706603841277" + Blanks(13) +
                  Blanks(14) + "E"}},
        BankCase{"BIC in lower case not found",
                 {{18, "DE89370400440532013000"}, {19, "cobadeffxxx"}},
                 {" 0012 Muster, Max" + Blanks(17) + Blanks(22) + Blanks(28) + Blanks(51) + "0" +
                  "DE89370400440532013000" + Blanks(13) + Blanks(14) + "E"}},
        BankCase{
            "long name pair cut to 28",
            {{5, Quoted("Schmidt-Leutheusser")},
             {6, Quoted("Annemarie")},
             {18, "DE89370400440532013000"},
             {19, "COBADEFFXXX"}},
            {" 0012 Schmidt-Leutheusser, Annemar" + Blanks(22) + "Commerzbank Berlin" + Blanks(10) +
             Blanks(51) + "0" + "DE89370400440532013000" + Blanks(13) + Blanks(14) + "E"}}),
    [](const ::testing::TestParamInfo<BankCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST_F(DatevReaderTest, LongNamePairStaysWholeInTheRecord) {
  harness.SetBank(true);
  Run({DatevLine(
      {{0, "1"}, {4, "00012"}, {5, Quoted("Schmidt-Leutheusser")}, {6, Quoted("Annemarie")}})});
  EXPECT_EQ(harness.output[1],
            "PNr=0012;Name=Schmidt-Leutheusser, Annemarie;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;"
            "Kirche=--;Taet=;BG=;StKl=;KiFr=;PG=;IdNr=;WAZ=;KSt=;");
}

TEST_F(DatevReaderTest, BankFileIsWrittenEmptyWhenNoEmployeeQualifies) {
  harness.SetBank(true);
  Run({kColumnLine, DatevLine({{0, "1"}, {4, "00012"}, {18, "DE12"}, {19, "COBADEFFXXX"}})});
  EXPECT_EQ(harness.output.size(), 2u);
  EXPECT_TRUE(harness.bankLines.empty());
  ASSERT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[0].icon, kd::Icon::Information);
}

TEST_F(DatevReaderTest, WithoutBankSettingNoBankFileAndNoMessage) {
  for (const std::string setting : {"NEIN", "", "J", "JA!"}) {
    SCOPED_TRACE(setting);
    harness.settings.TakeBankData = setting;
    harness.ui.messages.clear();
    Run({ExampleLine()});
    EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kExampleRecord}));
    EXPECT_TRUE(harness.bankLines.empty());
    EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
    EXPECT_TRUE(harness.ui.messages.empty());
  }
}

// Whole runs through the reader table.

class DatevConversionTest : public ::testing::Test {
 protected:
  void WriteBankCodeList() { WriteFile(run.bareDir.File("BLZ_20170904.txt"), TestBankCodeList()); }
  ConversionHarness run;
};

TEST_F(DatevConversionTest, MissingBankCodeListStopsTheRunWhateverTheBankSetting) {
  for (const std::string bank : {"Ja", "Nein"}) {
    SCOPED_TRACE(bank);
    ConversionHarness missing;
    missing.bank = bank;
    EXPECT_EQ(missing.Run("Datev", kdtest::CrlfLines({kColumnLine, ExampleLine()})),
              kd::RunResult::Stopped);
    ASSERT_EQ(missing.ui.messages.size(), 1u);
    EXPECT_EQ(missing.ui.messages[0].kind, "error");
    EXPECT_EQ(missing.ui.messages[0].text,
              "Datei BLZ_20170904.txt kann nicht ge\xC3\xB6"
              "ffnet werden");
    EXPECT_FALSE(missing.ImportFileExists());
    EXPECT_FALSE(missing.BankFileExists());
    EXPECT_TRUE(missing.ui.records.empty());
  }
}

TEST_F(DatevConversionTest, UmlautsStayAnsiInTheImportFileAndBecomeOemInTheBankFile) {
  WriteBankCodeList();
  run.bank = "ja";
  ASSERT_EQ(run.Run("datev", kdtest::CrlfLines({kColumnLine, ExampleLine()})),
            kd::RunResult::Written);
  EXPECT_EQ(run.ImportFile(), "KONV=1;\r\n" + kExampleRecord + "\r\n");
  EXPECT_EQ(run.BankFile(), kExampleBankLineOem + "\r\n");
  ASSERT_EQ(run.ui.messages.size(), 2u);
  EXPECT_EQ(run.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + run.dir.File("Bank-18") + " gespeichert.");
  EXPECT_EQ(run.ui.messages[1].text,
            "1 Datens\xC3\xA4tze in der Datei " + run.dir.File("KDIMPORT.TXT") + " gespeichert.");
}

TEST_F(DatevConversionTest, SampleExportConvertsAsExpected) {
  // The banks of the sample, with their short names as the bank code list holds them.
  WriteFile(run.bareDir.File("BLZ_20170904.txt"),
            kdtest::CrlfLines({
                BankCodeRecord("70150000",
                               "Stadtsparkasse M\xFC"
                               "nchen",
                               "M\xFC"
                               "nchen",
                               "Stadtsparkasse M\xFC"
                               "nchen",
                               "SSKMDEMMXXX"),
                BankCodeRecord("37050198",
                               "Sparkasse K\xF6"
                               "lnBonn",
                               "K\xF6"
                               "ln",
                               "Sparkasse K\xF6"
                               "lnBonn",
                               "COLSDE33XXX"),
                BankCodeRecord("20050550", "Hamburger Sparkasse", "Hamburg", "Haspa Hamburg",
                               "HASPDEHHXXX"),
                BankCodeRecord("60050101", "Landesbank Baden-W\xFCrttemberg", "Stuttgart",
                               "LBBW/BW-Bank Stuttgart", "SOLADEST600"),
                BankCodeRecord("70190000",
                               "M\xFC"
                               "nchner Bank",
                               "M\xFC"
                               "nchen",
                               "M\xFC"
                               "nchner Bank",
                               "GENODEF1M01"),
                BankCodeRecord("70020270", "UniCredit Bank - HypoVereinsbank",
                               "M\xFC"
                               "nchen",
                               "UniCredit Bank-HypoVereinbk", "HYVEDEMMXXX"),
            }));
  run.bank = "Ja";
  const std::string sample =
      ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/datev/LG_ASCII_12345_SD.txt");
  ASSERT_FALSE(sample.empty());
  ASSERT_EQ(run.Run("Datev", sample, "LG_ASCII_12345_SD.txt"), kd::RunResult::Written);

  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_NE(import.find("\r\nPNr=0001;Name=Hofbauer, Josef;Str=Leopoldstra\xDF"
                        "e 112;"
                        "Staat=000;Ort=80802 M\xFC"
                        "nchen;Geb=14.03.1968;BegB=01.09.1998;"
                        "VNr=65140368H015;Art=Koch;Kirche=RK;Taet=293121111;BG=1111;Uml=1;"
                        "Uml=2;StKl=3;KiFr=1.0;PG=101;IdNr=57203841953;WAZ=40;KSt=100;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=0014;Name=B\xE4"
                        "cker, Sophie;Str=Venloer Stra\xDF"
                        "e 287;"
                        "Staat=000;Ort=50823 K\xF6"
                        "ln;Geb=02.11.1999;BegB=15.03.2017;"
                        "VNr=53021199B504;Art=Servicekraft;Kirche=--;Taet=633021411;BG=6500;"
                        "Uml=1;Uml=2;StKl=EP;KiFr=0;PG=109;KK=19;KKU=19;IdNr=80417265383;"
                        "WAZ=10.5;KSt=200;\r\n"),
            std::string::npos);

  const std::string bank = run.BankFile();
  EXPECT_NE(bank.find(" 0001 Hofbauer, Josef" + Blanks(13) + Blanks(22) +
                      "Stadtsparkasse M\x81"
                      "nchen" +
                      Blanks(6) + Blanks(51) + "0" + "DE04701500001004567890" + Blanks(13) +
                      Blanks(14) + "E\r\n"),
            std::string::npos);
  EXPECT_NE(bank.find(" 0031 Nowak, Agnieszka" + Blanks(12) + Blanks(22) +
                      "LBBW/BW-Bank Stuttgart" + Blanks(6) + Blanks(51) + "0" +
                      "DE09600501017402155836" + Blanks(13) + Blanks(14) + "E\r\n"),
            std::string::npos);
  // Eight employees; the marginal employee without an IBAN gets no bank line.
  EXPECT_EQ(std::count(import.begin(), import.end(), '\n'), 9);
  EXPECT_EQ(std::count(bank.begin(), bank.end(), '\n'), 7);
  EXPECT_EQ(bank.find("B\x84"
                      "cker, Sophie"),
            std::string::npos);
}

}  // namespace
