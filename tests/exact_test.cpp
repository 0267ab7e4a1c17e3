#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

using kdtest::PrintTo;

using kdtest::ReaderHarness;

const std::string kExampleLine =
    "123456;Muster;Max;Hauptstr. 1;12345;Neustadt;01.02.1970;12010270M001;Koch;01.04.2005;A;"
    "Sparkasse;12345678;987654;01234567;0;1,0;ev;000;101;12345;1111;J;GL;01;";

const std::string kExampleRecord =
    "KSt=12;PNr=3456;Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Geb=01.02.1970;"
    "BegB=01.04.2005;VNr=12010270M001;Art=Koch;Kirche=EV;GZ=1;Taet=12345;BG=1111;StKl=EP;"
    "KiFr=1,0;AGS=01234567;PG=101;Staat=000;";

// 186 characters: number right-aligned in 5, blank, holder in 28, bank code, blank, account in
// 13, bank name in 28, 51 blanks, "0", no IBAN (35) and no BIC (14), "E".
const std::string kExampleBankLine =
    " 3456 Muster, Max" + std::string(17, ' ') + "12345678 987654" + std::string(7, ' ') +
    "Sparkasse" + std::string(19, ' ') + std::string(51, ' ') + "0" + std::string(49, ' ') + "E";

// An employee line with every column that the reader uses; `column` replaces one column.
std::string LineWith(int column, const std::string& value) {
  std::vector<std::string> fields = {
      "4711",         "Muster", "Max",        "Hauptstr. 1", "12345",     "Neustadt", "01.02.1970",
      "12010270M001", "Koch",   "01.04.2005", "A",           "Sparkasse", "12345678", "987654",
      "01234567",     "1",      "0,5",        "katholisch",  "000",       "101",      "12345",
      "1111",         "J",      "",           "01"};
  fields[column] = value;
  std::string line;
  for (const auto& field : fields) line += field + ";";
  return line;
}

TEST(ExactReader, WorkedExampleRecordAndBankLine) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadExact, {kExampleLine});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[0], "KONV=1;");
  EXPECT_EQ(harness.output[1], kExampleRecord);
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0].size(), 186u);
  EXPECT_EQ(harness.bankLines[0], kExampleBankLine);
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), kExampleBankLine + "\r\n");
  ASSERT_EQ(harness.ui.records.size(), 1u);
  EXPECT_EQ(harness.ui.records[0], kExampleRecord);
}

struct ColumnCase {
  const char* what;
  int column;
  std::string value;
  std::string expectedRecord;
};

class ExactColumnTest : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ExactColumnTest, GivesTheRecord) {
  const ColumnCase& c = GetParam();
  ReaderHarness harness;
  harness.Run(kd::readers::ReadExact, {LineWith(c.column, c.value)});
  ASSERT_EQ(harness.output.size(), 2u) << c.what;
  EXPECT_EQ(harness.output[1], c.expectedRecord) << c.what;
}

// The record of LineWith with nothing replaced, cut after its PNr item and around its Kirche,
// GZ and StKl items.
const std::string kAfterNumber =
    "Name=Muster, Max;Str=Hauptstr. 1;Ort=12345 Neustadt;Geb=01.02.1970;BegB=01.04.2005;"
    "VNr=12010270M001;Art=Koch;";
const std::string kAfterChurch =
    "Taet=12345;BG=1111;StKl=1;KiFr=0,5;AGS=01234567;PG=101;Staat=000;";

INSTANTIATE_TEST_SUITE_P(
    Rules, ExactColumnTest,
    ::testing::Values(
        // Cost centre split of the personnel number.
        ColumnCase{"six characters", 0, "123456",
                   "KSt=12;PNr=3456;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"five characters", 0, "12345",
                   "KSt=1;PNr=2345;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"four characters", 0, "4711",
                   "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"one character", 0, "7",
                   "PNr=7;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"seven characters", 0, "1234567",
                   "PNr=1234567;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        // Religion table: the first two characters, case-sensitive.
        ColumnCase{"evangelisch", 17, "evangelisch",
                   "PNr=4711;" + kAfterNumber + "Kirche=EV;GZ=0;" + kAfterChurch},
        ColumnCase{"katholisch", 17, "katholisch",
                   "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"none", 17, "./.",
                   "PNr=4711;" + kAfterNumber + "Kirche=--;GZ=0;" + kAfterChurch},
        ColumnCase{"upper-case EV", 17, "EV",
                   "PNr=4711;" + kAfterNumber + "Kirche=EV;GZ=0;" + kAfterChurch},
        ColumnCase{"upper-case KA", 17, "KA",
                   "PNr=4711;" + kAfterNumber + "Kirche=KA;GZ=0;" + kAfterChurch},
        ColumnCase{"other text", 17, "ak",
                   "PNr=4711;" + kAfterNumber + "Kirche=ak;GZ=0;" + kAfterChurch},
        ColumnCase{"one character", 17, "e",
                   "PNr=4711;" + kAfterNumber + "Kirche=e;GZ=0;" + kAfterChurch},
        ColumnCase{"empty religion", 17, "",
                   "PNr=4711;" + kAfterNumber + "Kirche=;GZ=0;" + kAfterChurch},
        // Transition zone.
        ColumnCase{"GL", 23, "GL", "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=1;" + kAfterChurch},
        ColumnCase{"GLZ", 23, "GLZ", "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=1;" + kAfterChurch},
        ColumnCase{"gl", 23, "gl", "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"G", 23, "G", "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        ColumnCase{"XGL", 23, "XGL", "PNr=4711;" + kAfterNumber + "Kirche=RK;GZ=0;" + kAfterChurch},
        // Tax class: only exactly "0" is flat-rate.
        ColumnCase{"class 0", 15, "0",
                   "PNr=4711;" + kAfterNumber +
                       "Kirche=RK;GZ=0;Taet=12345;BG=1111;StKl=EP;KiFr=0,5;AGS=01234567;PG=101;"
                       "Staat=000;"},
        ColumnCase{"class 00", 15, "00",
                   "PNr=4711;" + kAfterNumber +
                       "Kirche=RK;GZ=0;Taet=12345;BG=1111;StKl=00;KiFr=0,5;AGS=01234567;PG=101;"
                       "Staat=000;"},
        ColumnCase{"class blank 0", 15, " 0",
                   "PNr=4711;" + kAfterNumber +
                       "Kirche=RK;GZ=0;Taet=12345;BG=1111;StKl= 0;KiFr=0,5;AGS=01234567;PG=101;"
                       "Staat=000;"},
        ColumnCase{"empty class", 15, "",
                   "PNr=4711;" + kAfterNumber +
                       "Kirche=RK;GZ=0;Taet=12345;BG=1111;StKl=;KiFr=0,5;AGS=01234567;PG=101;"
                       "Staat=000;"}));

TEST(ExactReader, SkipsLinesThatDoNotBeginWithADigit) {
  ReaderHarness harness;
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadExact,
              {"PNR.;NAME;VORNAME;STRASSE;PLZ;ORT;GEB.;SV-NR.;BERUF;EINTRITT;STATUS;BANK;BLZ;", "",
               " 4711;Muster;Max;", "A4711;Muster;Max;", ";Muster;Max;",
               "\xB9"
               "1;x;"});
  EXPECT_EQ(harness.output, std::vector<std::string>{"KONV=0;"});
  EXPECT_TRUE(harness.ui.records.empty());
}

TEST(ExactReader, ShortLinesGiveEmptyItems) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadExact, {"4711;Muster", "5", "123456"});
  ASSERT_EQ(harness.output.size(), 4u);
  // Only closed columns count: "Muster" after the last semicolon is no column.
  EXPECT_EQ(harness.output[1],
            "PNr=4711;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;GZ=0;Taet=;BG=;StKl=;"
            "KiFr=;AGS=;PG=;Staat=;");
  EXPECT_EQ(harness.output[2],
            "PNr=;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;Art=;Kirche=;GZ=0;Taet=;BG=;StKl=;KiFr=;"
            "AGS=;PG=;Staat=;");
  EXPECT_EQ(harness.output[3], harness.output[2]);
}

struct BankCodeCase {
  std::string bankCode;
  bool hasBankLine;
};

void PrintTo(const BankCodeCase& c, std::ostream* os) {
  *os << "bank code [" << kdtest::Printable(c.bankCode) << "]";
}

class ExactBankCodeTest : public ::testing::TestWithParam<BankCodeCase> {};

TEST_P(ExactBankCodeTest, OnlyEightCharacterBankCodesGiveABankLine) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadExact, {LineWith(12, GetParam().bankCode)});
  EXPECT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.bankLines.size(), GetParam().hasBankLine ? 1u : 0u);
  EXPECT_TRUE(kdtest::FileExists(harness.BankFilePath()));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ExactBankCodeTest,
                         ::testing::Values(BankCodeCase{"12345678", true},
                                           BankCodeCase{"1234567", false},
                                           BankCodeCase{"123456789", false},
                                           BankCodeCase{"", false},
                                           BankCodeCase{"ABCDEFGH", true}));

TEST(ExactReader, BankLineCutsTheNamePairAndConvertsUmlauts) {
  ReaderHarness harness;
  harness.SetBank(true);
  const std::string line =
      "12345;Schm\xF6"
      "ckenberger-Wei\xDF"
      "enfels;Karl-Theodor;Am Markt 2;04109;Leipzig;"
      "03.03.1981;;;;;Sparkasse Leipzig;86055592;1100556677889900;;1;0;;000;101;;1111;;;;";
  harness.Run(kd::readers::ReadExact, {line});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1],
            "KSt=1;PNr=2345;Name=Schm\xF6"
            "ckenberger-Wei\xDF"
            "enfels, Karl-Theodor;"
            "Str=Am Markt 2;Ort=04109 Leipzig;Geb=03.03.1981;BegB=;VNr=;Art=;Kirche=;GZ=0;Taet=;"
            "BG=1111;StKl=1;KiFr=0;AGS=;PG=101;Staat=000;");
  // Holder cut to 28, account number cut to 13, umlauts in code page 850.
  ASSERT_EQ(harness.bankLines.size(), 1u);
  EXPECT_EQ(harness.bankLines[0],
            " 2345 Schm\x94"
            "ckenberger-Wei\xE1"
            "enfels, 86055592 "
            "1100556677889Sparkasse Leipzig" +
                std::string(11 + 51, ' ') + "0" + std::string(49, ' ') + "E");
}

TEST(ExactReader, EmptyBankFileIsWrittenAndReported) {
  ReaderHarness harness;
  harness.SetBank(true);
  harness.Run(kd::readers::ReadExact, {LineWith(12, "")});
  EXPECT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.BankFilePath() + " gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
}

TEST(ExactReader, WithoutBankSettingNoBankFile) {
  ReaderHarness harness;
  harness.Run(kd::readers::ReadExact, {kExampleLine});
  EXPECT_EQ(harness.output.size(), 2u);
  EXPECT_TRUE(harness.bankLines.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(ExactReader, SampleExportConverts) {
  const std::string sample =
      kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/exact/persli.txt");
  ASSERT_FALSE(sample.empty());
  kdtest::ConversionHarness harness;
  harness.bank = "Ja";
  ASSERT_EQ(harness.Run("EXACT", sample, "persli.txt"), kd::RunResult::Written);
  const std::string import = harness.ImportFile();
  EXPECT_TRUE(import.starts_with("KONV=1;\r\n"));
  EXPECT_NE(import.find("\r\nKSt=10;PNr=0001;Name=Kr\xE4"
                        "mer, Sabine;Str=Lindenstra\xDF"
                        "e 14;"
                        "Ort=50667 K\xF6"
                        "ln;Geb=14.03.1978;BegB=01.09.2015;VNr=65140378K012;"
                        "Art=Industriekauffrau;Kirche=RK;GZ=0;Taet=714040321;BG=1111;StKl=4;"
                        "KiFr=1,0;AGS=05315000;PG=101;Staat=000;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nKSt=2;PNr=0107;Name=Yilmaz, Emre;Str=Kurze Str. 3;"
                        "Ort=28195 Bremen;Geb=30.11.2001;BegB=15.02.2022;VNr=52301101Y007;"
                        "Art=Aushilfe Lager;Kirche=--;GZ=1;Taet=513120132;BG=6500;StKl=EP;"
                        "KiFr=0;AGS=04011000;PG=109;Staat=163;\r\n"),
            std::string::npos);
  const std::string bank = harness.BankFile();
  EXPECT_NE(bank.find(" 0001 Kr\x84"
                      "mer, Sabine" +
                      std::string(14, ' ') +
                      "37050198 1902345678   Sparkasse K\x94"
                      "lnBonn" +
                      std::string(10 + 51, ' ') + "0" + std::string(49, ' ') + "E\r\n"),
            std::string::npos);
}

}  // namespace
