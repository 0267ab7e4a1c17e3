#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using Fields = std::map<int, std::string>;

// A BBS export line: columns 0 to 49, each closed by a semicolon.
std::string BbsLine(const Fields& fields) {
  std::string line;
  for (int column = 0; column <= 49; ++column) {
    const auto found = fields.find(column);
    if (found != fields.end()) line += found->second;
    line += ';';
  }
  return line;
}

// The employee of the worked example, with a bank connection.
Fields Employee() {
  return {{0, "12"},
          {5, "12345"},
          {6, "Koch"},
          {7, "1.4.2005"},
          {9, "Max"},
          {10, "Muster"},
          {11, "Hauptstr. 1"},
          {13, "12345"},
          {14, "Neustadt"},
          {17, "1.2.1970"},
          {20, "12010270M001"},
          {21, "1.4.2005"},
          {34, "1"},
          {35, "0,5"},
          {37, "ev"},
          {41, "rk"},
          {44, "HASPDEHHXXX"},
          {45, "Haspa Hamburg"},
          {46, "DE39200505501234567897"},
          {47, "Max Muster"}};
}

Fields With(Fields fields, const Fields& changes) {
  for (const auto& [column, text] : changes) fields[column] = text;
  return fields;
}

constexpr const char* kExampleRecord =
    "PNr=12;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Geb=01.02.1970;BegB=01.04.2005;"
    "BegV=01.04.2005;VNr=12010270M001;Art=Koch;Kirche=ev/rk;Taet=12345;StKl=1;KiFr=0,5;";

TEST(BbsReader, WorkedExample) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadBbs, {BbsLine(Employee())});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kExampleRecord}));
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kExampleRecord});
  EXPECT_TRUE(harness.ui.messages.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
}

TEST(BbsReader, OnlyLinesOfTwoCharactersBeginningWithADigitAreEmployees) {
  kdtest::ReaderHarness harness;
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadBbs, {"PersNr;Mandant;x;x;x;Taetigkeit;Beruf;Eintritt;", "7", "",
                                     " 12;x;", BbsLine(Employee()), "x12;"});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=0;", kExampleRecord}));
}

// One item of the record for a changed employee line.
struct ItemCase {
  std::string name;
  Fields changes;
  std::string item;  // the item as it must stand in the record
};

void PrintTo(const ItemCase& c, std::ostream* os) {
  *os << c.name;
}

class BbsItemTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(BbsItemTest, WritesTheItem) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadBbs, {BbsLine(With(Employee(), GetParam().changes))});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_NE(harness.output[1].find(GetParam().item), std::string::npos) << harness.output[1];
}

INSTANTIATE_TEST_SUITE_P(
    Religion, BbsItemTest,
    ::testing::Values(ItemCase{"Different", {}, ";Kirche=ev/rk;"},
                      ItemCase{"Equal", {{41, "ev"}}, ";Kirche=ev;"},
                      ItemCase{"SpouseEmpty", {{41, ""}}, ";Kirche=ev;"},
                      ItemCase{"EmployeeEmpty", {{37, ""}}, ";Kirche=--;"},
                      ItemCase{"BothEmpty", {{37, ""}, {41, ""}}, ";Kirche=--;"},
                      ItemCase{"ThreeLetterEmployee", {{37, "evl"}}, ";Kirche=evl;"},
                      ItemCase{"ThreeLetterSpouse", {{41, "evl"}}, ";Kirche=ev;"},
                      ItemCase{"OneLetterSpouse", {{41, "r"}}, ";Kirche=ev;"},
                      ItemCase{"CaseCounts", {{41, "EV"}}, ";Kirche=ev/EV;"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    TaxClass, BbsItemTest,
    ::testing::Values(ItemCase{"Zero", {{34, "0"}}, ";StKl=EP;KiFr="},
                      ItemCase{"Empty", {{34, ""}}, ";StKl=EP;KiFr="},
                      ItemCase{"Letter", {{34, "B"}}, ";StKl=EP;KiFr="},
                      ItemCase{"Negative", {{34, "-1"}}, ";StKl=EP;KiFr="},
                      ItemCase{"One", {{34, "1"}}, ";StKl=1;KiFr="},
                      ItemCase{"Six", {{34, "6"}}, ";StKl=6;KiFr="},
                      ItemCase{"LeadingBlankKept", {{34, " 3"}}, ";StKl= 3;KiFr="},
                      ItemCase{"DigitThenTextKept", {{34, "2a"}}, ";StKl=2a;KiFr="},
                      ItemCase{"HugeNumberKept",
                               {{34, "99999999999999999999999"}},
                               ";StKl=99999999999999999999999;KiFr="}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Values, BbsItemTest,
    ::testing::Values(
        ItemCase{"ChildAllowanceKeepsComma", {{35, "1,5"}}, ";KiFr=1,5;"},
        ItemCase{"LongPersonnelNumber", {{0, "123456"}}, "PNr=123456;Name="},
        ItemCase{"DatesWithTwoDigits",
                 {{17, "17.3.1955"}, {7, "01.12.2010"}, {21, "1.12.2010"}},
                 ";Geb=17.03.1955;BegB=01.12.2010;BegV=01.12.2010;"},
        ItemCase{"TwoDigitYearAndTime",
                 {{17, "1.2.60"}, {7, "01.04.2005 00:00:00"}},
                 ";Geb=01.02.60;BegB=01.04.2005;"},
        ItemCase{
            "DateWithoutDotsUnchanged", {{17, ""}, {7, "2005-04-01"}}, ";Geb=;BegB=2005-04-01;"},
        ItemCase{"InsuranceNumberUntouched", {{20, " 12 010270 M 001"}}, ";VNr= 12 010270 M 001;"},
        ItemCase{"NothingTrimmed",
                 {{9, " Max "}, {11, "Hauptstr. 1 "}},
                 ";Name=Muster,  Max ;Str=Hauptstr. 1 ;"},
        ItemCase{"EmptyPostcodeAndTown", {{13, ""}, {14, ""}}, ";Ort= ;"}),
    [](const auto& info) { return info.param.name; });

TEST(BbsReader, ShortLineGivesEmptyItems) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadBbs, {"42;x;x;x;x;55555;Maler", "43"});
  EXPECT_EQ(
      harness.output,
      (std::vector<std::string>{
          "KONV=1;",
          "PNr=42;Name=, ;Str=;Ort= ;Geb=;BegB=;BegV=;VNr=;Art=;Kirche=--;Taet=55555;StKl=EP;"
          "KiFr=;",
          "PNr=;Name=, ;Str=;Ort= ;Geb=;BegB=;BegV=;VNr=;Art=;Kirche=--;Taet=;StKl=EP;KiFr=;"}));
  EXPECT_TRUE(harness.bankLines.empty());
}

struct BankCase {
  std::string name;
  Fields changes;
  std::vector<std::string> expected;
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class BbsBankTest : public ::testing::TestWithParam<BankCase> {};

TEST_P(BbsBankTest, WritesTheBankLine) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadBbs, {BbsLine(With(Employee(), GetParam().changes))});
  EXPECT_EQ(harness.bankLines, GetParam().expected);
  ASSERT_EQ(harness.output.size(), 2u);  // the record is written in every case
}

const std::string kBlankAccount(8 + 1 + 13, ' ');
const std::string kGap = std::string(51, ' ') + "0";

INSTANTIATE_TEST_SUITE_P(
    Cases, BbsBankTest,
    ::testing::Values(BankCase{"Example",
                               {},
                               {"   12 Max Muster" + std::string(18, ' ') + kBlankAccount +
                                "Haspa Hamburg               " + kGap + "DE39200505501234567897" +
                                "             HASPDEHHXXX   E"}},
                      BankCase{"BlanksRemovedFromIbanAndBic",
                               {{46, "DE39 2005 0550 1234 5678 97"}, {44, "HASP DEHH XXX"}},
                               {"   12 Max Muster" + std::string(18, ' ') + kBlankAccount +
                                "Haspa Hamburg               " + kGap + "DE39200505501234567897" +
                                "             HASPDEHHXXX   E"}},
                      BankCase{"HolderCutTo28AndLongPersonnelNumber",
                               {{0, "123456"}, {47, "Maximilian Alexander Mustermann"}},
                               {"123456 Maximilian Alexander Musterm" + kBlankAccount +
                                "Haspa Hamburg               " + kGap + "DE39200505501234567897" +
                                "             HASPDEHHXXX   E"}},
                      BankCase{"IbanOfNineCharacters",
                               {{46, "DE4320050"}},
                               {"   12 Max Muster" + std::string(18, ' ') + kBlankAccount +
                                "Haspa Hamburg               " + kGap + "DE4320050" +
                                std::string(26, ' ') + "HASPDEHHXXX   E"}},
                      BankCase{"IbanOfEightCharactersGivesNone", {{46, "DE432005"}}, {}},
                      BankCase{"EmptyIbanGivesNone", {{46, ""}}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(BbsReader, BankFileHoldsTheLinesConvertedToOem) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadBbs, {BbsLine(With(Employee(), {{47,
                                                                "J\xFCrgen B\xE4"
                                                                "cker"}})),
                                     BbsLine(With(Employee(), {{0, "13"}, {46, ""}}))});
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()),
            "   12 J\x81rgen B\x84"
            "cker" +
                std::string(15, ' ') + kBlankAccount + "Haspa Hamburg               " + kGap +
                "DE39200505501234567897" + "             HASPDEHHXXX   E\r\n");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "1 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[0].icon, kd::Icon::Information);
}

TEST(BbsReader, BankFileWrittenEmptyWhenNoEmployeeHasAnIban) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  kdtest::WriteFile(harness.BankFilePath(), "old contents\r\n");
  harness.Run(kd::readers::ReadBbs, {BbsLine(With(Employee(), {{46, "DE12"}}))});
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
}

TEST(BbsReader, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source = kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/bbs/Personal.csv");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("BBS", source, "Personal.csv"), kd::RunResult::Written);
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_NE(import.find("\r\nPNr=2;Name=Gro\xDF"
                        "e, Katrin;Str=Eppendorfer Weg 201;"
                        "Ort=20253 Hamburg;Geb=17.03.1988;BegB=01.09.2012;BegV=01.09.2012;"
                        "VNr=49170388G514;Art=Kauffrau f\xFC"
                        "r B\xFC"
                        "romanagement;Kirche=rk;"
                        "Taet=714023111;StKl=4;KiFr=0,5;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=4;Name=K\xF6"
                        "hler, Hildegard;Str=Lindenallee 9;"
                        "Ort=44135 Dortmund;Geb=28.02.1955;BegB=01.05.2020;BegV=01.05.2020;"
                        "VNr=10280255K502;Art=Aushilfe;Kirche=ev;Taet=714029912;StKl=EP;KiFr=;"
                        "\r\n"),
            std::string::npos);
  EXPECT_EQ(run.ui.records.size(), 5u);
  // Hildegard Köhler is paid in cash; the IBAN of Katrin Große is exported in groups of four.
  const std::string bank = run.BankFile();
  EXPECT_EQ(std::count(bank.begin(), bank.end(), '\n'), 4);
  EXPECT_NE(bank.find("\r\n    2 Katrin Gro\xE1"
                      "e" +
                      std::string(16 + 22, ' ') + "Haspa" + std::string(23 + 51, ' ') +
                      "0DE02200505501207334455" + std::string(13, ' ') + "HASPDEHHXXX   E\r\n"),
            std::string::npos);
}

}  // namespace
