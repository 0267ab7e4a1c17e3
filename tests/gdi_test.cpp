#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using Fields = std::map<int, std::string>;

// A line as GDI exports it: columns 0 to 51, text fields quoted by the caller, no semicolon
// after the last column.
std::string GdiLine(const Fields& fields) {
  std::string line;
  for (int column = 0; column <= 51; ++column) {
    if (column > 0) line += ';';
    const auto found = fields.find(column);
    if (found != fields.end()) line += found->second;
  }
  return line;
}

// Max Müller of Neustadt, tax class 1, with a bank connection.
Fields Employee() {
  return {{0, "12"},
          {1, "\"Max\""},
          {2,
           "\"M\xFC"
           "ller\""},
          {3, "\"Hauptstr. 1\""},
          {4, "\"\""},
          {5, "\"12345\""},
          {6, "\"Neustadt\""},
          {9, "\"000\""},
          {10, "01.02.1970"},
          {16, "01.04.2005"},
          {22, "\"Deutsche Kreditbank Berlin\""},
          {25, "\"BYLADEM1001\""},
          {26, "\"DE02120300000000202051\""},
          {27, "\"12010270M001\""},
          {29, "\"1\""},
          {30, "\"1\""},
          {31, "\"1\""},
          {32, "\"1\""},
          {34, "\"1\""},
          {46, "\"12345\""},
          {47, "\"Koch\""},
          {48, "\"6\""},
          {49, "\"1\""},
          {50, "\"1\""},
          {51, "\"1\""}};
}

Fields With(Fields fields, const Fields& changes) {
  for (const auto& [column, text] : changes) fields[column] = text;
  return fields;
}

struct RecordCase {
  std::string name;
  std::string line;
  std::string expected;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class GdiRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(GdiRecordTest, WritesTheRecord) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadGdi, {GetParam().line});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=1;");
  EXPECT_EQ(harness.output[1], GetParam().expected);
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GdiRecordTest,
    ::testing::Values(
        RecordCase{"Employee", GdiLine(Employee()),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=1;"},
        RecordCase{"FlatRateTaxClass", GdiLine(With(Employee(), {{34, "\"Pauschal\""}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=EP;"},
        RecordCase{"PauschAnywhere", GdiLine(With(Employee(), {{34, "\"25% Pauschsteuer\""}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=EP;"},
        RecordCase{"PauschInLowerCaseStays", GdiLine(With(Employee(), {{34, "\"pauschal\""}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=pauschal;"},
        RecordCase{"QuotedPersonnelNumberKeepsQuotes", GdiLine(With(Employee(), {{0, "\" 12\""}})),
                   "PNr=\" 12\";Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;"
                   "Ort=12345 Neustadt;Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;"
                   "Taet=123456111;BG=1111;StKl=1;"},
        RecordCase{"ValuesTrimmedInnerBlanksKept",
                   GdiLine(With(Employee(), {{1, "\"  Max  \""},
                                             {3, "\" Am  Markt 3 \""},
                                             {10, " 01.02.1970 "},
                                             {16, "\t01.04.2005"},
                                             {47, "\"Koch \""}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Am  Markt 3;Staat=000;Ort=12345 Neustadt;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=1;"},
        RecordCase{"NationalityAndDatesUnchanged",
                   GdiLine(With(Employee(), {{9, "\"0\""}, {10, "1.2.1970"}, {16, "1.4.05"}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=0;Ort=12345 Neustadt;"
                   "Geb=1.2.1970;BegB=1.4.05;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=1;"},
        RecordCase{"EmptyPostcodeAndTown", GdiLine(With(Employee(), {{5, "\"\""}, {6, "\"\""}})),
                   "PNr=12;Name=M\xFC"
                   "ller, Max;Str=Hauptstr. 1;Staat=000;Ort= ;"
                   "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;"
                   "BG=1111;StKl=1;"},
        RecordCase{"ColumnLine",
                   "\"PersNr\";\"Vorname\";\"Name\";\"Strasse\";\"Zusatz\";\"PLZ\";\"Ort\";"
                   "\"Land\";\"Tel\";\"Staat\";\"GebDatum\"",
                   "PNr=\"PersNr\";Name=Name, Vorname;Str=Strasse;Staat=Staat;Ort=PLZ Ort;"
                   "Geb=\"GebDatum\";BegB=;VNr=;Art=;Taet=;BG=;StKl=;"},
        RecordCase{"ShortLine", "7;\"Eva\"",
                   "PNr=7;Name=, Eva;Str=;Staat=;Ort= ;Geb=;BegB=;VNr=;Art=;Taet=;BG=;StKl=;"},
        RecordCase{"LineWithoutSemicolon", "\"x\"",
                   "PNr=\"x\";Name=, ;Str=;Staat=;Ort= ;Geb=;BegB=;VNr=;Art=;Taet=;BG=;StKl=;"}),
    [](const auto& info) { return info.param.name; });

TEST(GdiReader, BlankLinesGiveNoRecord) {
  kdtest::ReaderHarness harness;
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadGdi, {"", GdiLine(Employee()), "   ", "\t \r", ""});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=0;");
  EXPECT_EQ(harness.output[1].substr(0, 7), "PNr=12;");
  EXPECT_EQ(harness.ui.records.size(), 1u);
}

// Max Müller's bank line: 186 characters, the IBAN at 137-158, the BIC at 172-182.
std::string MuellerBankLine(std::string_view umlaut) {
  return "   12 " + std::string("M") + std::string(umlaut) + "ller, Max" + std::string(17, ' ') +
         std::string(8 + 1 + 13, ' ') + "Deutsche Kreditbank Berlin  " + std::string(51, ' ') +
         "0" + "DE02120300000000202051" + std::string(13, ' ') + "BYLADEM1001   " + "E";
}

TEST(GdiReader, BankLineOfATwentyTwoCharacterIban) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadGdi, {GdiLine(Employee())});
  ASSERT_EQ(harness.bankLines.size(), 1u);
  const std::string& line = harness.bankLines[0];
  EXPECT_EQ(line, MuellerBankLine("\xFC"));
  EXPECT_EQ(line.size(), 186u);
  EXPECT_EQ(line.substr(136, 22), "DE02120300000000202051");
  EXPECT_EQ(line.substr(158, 13), std::string(13, ' '));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), line + "\r\n");
}

TEST(GdiReader, UmlautsConvertedInTheBankFileOnly) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadGdi, {GdiLine(Employee())});
  EXPECT_EQ(
      harness.output[1],
      "PNr=12;Name=M\xFC"
      "ller, Max;Str=Hauptstr. 1;Staat=000;Ort=12345 Neustadt;"
      "Geb=01.02.1970;BegB=01.04.2005;VNr=12010270M001;Art=Koch;Taet=123456111;BG=1111;StKl=1;");
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), MuellerBankLine("\x81") + "\r\n");
}

struct BankCase {
  std::string name;
  Fields changes;
  std::vector<std::string> expected;
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class GdiBankTest : public ::testing::TestWithParam<BankCase> {};

TEST_P(GdiBankTest, WritesTheBankLine) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadGdi, {GdiLine(With(Employee(), GetParam().changes))});
  EXPECT_EQ(harness.bankLines, GetParam().expected);
  ASSERT_EQ(harness.output.size(), 2u);  // the record is written in every case
}

const std::string kHead =
    "   12 M\xFC"
    "ller, Max" +
    std::string(17 + 22, ' ');
const std::string kGap = std::string(51, ' ') + "0";

INSTANTIATE_TEST_SUITE_P(
    Cases, GdiBankTest,
    ::testing::Values(
        BankCase{"IbanOfEightCharactersGivesNone", {{26, "\"DE021203\""}}, {}},
        BankCase{"IbanOfEightCharactersAfterTrimmingGivesNone", {{26, "\"  DE021203  \""}}, {}},
        BankCase{"EmptyIbanGivesNone", {{26, "\"\""}}, {}},
        BankCase{"IbanOfNineCharacters",
                 {{26, "\"DE0212030\""}},
                 {kHead + "Deutsche Kreditbank Berlin  " + kGap + "DE0212030" +
                  std::string(26, ' ') + "BYLADEM1001   E"}},
        BankCase{"InnerBlanksOfTheIbanStay",
                 {{26, "\" DE02 1203 0000 0000 2020 51 \""}},
                 {kHead + "Deutsche Kreditbank Berlin  " + kGap + "DE02 1203 0000 0000 2020 51" +
                  std::string(8, ' ') + "BYLADEM1001   E"}},
        BankCase{"IbanLongerThan34KeepsItsBlank",
                 {{26, "\"DE02 1203 0000 0000 2020 5100 0000 0001\""}},
                 {kHead + "Deutsche Kreditbank Berlin  " + kGap +
                  "DE02 1203 0000 0000 2020 5100 0000 0001 BYLADEM1001   E"}},
        BankCase{"BankNameCutTo28",
                 {{22,
                   "\"  Sparkasse Neustadt an der Weinstra\xDF"
                   "e \""}},
                 {kHead + "Sparkasse Neustadt an der We" + kGap + "DE02120300000000202051" +
                  std::string(13, ' ') + "BYLADEM1001   E"}},
        BankCase{"QuotedPersonnelNumberAndLongName",
                 {{0, "\"12\""}, {2, "\"Leutheusser-Schnarrenberger\""}},
                 {" \"12\" Leutheusser-Schnarrenberger," + std::string(22, ' ') +
                  "Deutsche Kreditbank Berlin  " + kGap + "DE02120300000000202051" +
                  std::string(13, ' ') + "BYLADEM1001   E"}},
        BankCase{"EmptyBicAndBankName",
                 {{22, "\"\""}, {25, "\"\""}},
                 {kHead + std::string(28, ' ') + kGap + "DE02120300000000202051" +
                  std::string(13, ' ') + std::string(14, ' ') + "E"}}),
    [](const auto& info) { return info.param.name; });

TEST(GdiReader, BankFileWrittenEmptyWhenNoEmployeeHasAnIban) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadGdi, {GdiLine(With(Employee(), {{26, "\"\""}}))});
  EXPECT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

TEST(GdiReader, NoBankFileWithoutTheBankSetting) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadGdi, {GdiLine(Employee())});
  EXPECT_TRUE(harness.bankLines.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(GdiReader, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source = kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/gdi/Personal.csv");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("GDI", source, "Personal.csv"), kd::RunResult::Written);
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  // Six employees; the blank line at the end of the export gives no record.
  EXPECT_EQ(run.ui.records.size(), 6u);
  EXPECT_NE(import.find("\r\nPNr=1;Name=Schr\xF6"
                        "der, J\xFC"
                        "rgen;Str=Lindenstra\xDF"
                        "e 14;"
                        "Staat=000;Ort=10115 Berlin;Geb=12.03.1968;BegB=01.04.2005;"
                        "VNr=53120368S013;Art=Elektroniker;Taet=261223211;BG=1111;StKl=3;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=4;Name=B\xE4"
                        "umler, Ingrid;Str=Am Stadtpark 8;Staat=000;"
                        "Ort=90402 N\xFC"
                        "rnberg;Geb=30.01.1957;BegB=01.10.2019;"
                        "VNr=09300157B518;Art=Aushilfe B\xFC"
                        "ro;Taet=714029912;BG=6500;"
                        "StKl=EP;\r\n"),
            std::string::npos);
  // Lukas Öztürk has no IBAN; the bank file holds the other five, in OEM characters.
  const std::string bank = run.BankFile();
  EXPECT_EQ(std::count(bank.begin(), bank.end(), '\n'), 5);
  EXPECT_EQ(bank.substr(0, 188),
            "    1 Schr\x94"
            "der, J\x81"
            "rgen" +
                std::string(12 + 22, ' ') + "Berliner Sparkasse" + std::string(10 + 51, ' ') + "0" +
                "DE51100500006603058214" + std::string(13, ' ') + "BELADEBEXXX   E\r\n");
}

}  // namespace
