#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

constexpr const char* kExampleLine =
    "815;Beispiel;Hans;M;01;Herr;Ring 5;24680;Musterstadt;05.06.1975;x;x;x;x;01.07.2012;x;"
    "65050675B012;";

constexpr const char* kExampleRecord =
    "PNr=815;Name=Beispiel, Hans;Str=Ring 5;Ort=24680 Musterstadt;Geb=05.06.1975;"
    "BegB=01.07.2012;VNr=65050675B012;";

TEST(DatalineReader, WorkedExample) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadDataline, {kExampleLine});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kExampleRecord}));
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kExampleRecord});
  EXPECT_TRUE(harness.ui.messages.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
}

TEST(DatalineReader, BankSettingYesWritesAnEmptyBankFile) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  kdtest::WriteFile(harness.BankFilePath(), "   12 an older bank line\r\n");
  harness.Run(kd::readers::ReadDataline, {kExampleLine});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=0;", kExampleRecord}));
  EXPECT_TRUE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_EQ(kdtest::ReadFile(harness.BankFilePath()), "");
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text,
            "0 Bankverbindungen in der Datei " + harness.dir.Path() + "Bank-18 gespeichert.");
  EXPECT_EQ(harness.ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(harness.ui.messages[0].icon, kd::Icon::Information);
}

struct DatalineCase {
  std::string name;
  std::vector<std::string> lines;
  std::vector<std::string> expected;  // the records after the flag line
};

void PrintTo(const DatalineCase& c, std::ostream* os) {
  *os << c.name;
}

class DatalineRecordTest : public ::testing::TestWithParam<DatalineCase> {};

TEST_P(DatalineRecordTest, WritesTheRecords) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadDataline, GetParam().lines);
  std::vector<std::string> expected{"KONV=1;"};
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(harness.output, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatalineRecordTest,
    ::testing::Values(
        DatalineCase{
            "NoEmployeeLines",
            {"Personalnummer;Name;Vorname;Geschlecht;Anrede;", "7", "", "Hans;x;", " 815;x;"},
            {}},
        DatalineCase{"ColumnLineSkipped",
                     {"Personalnummer;Name;Vorname;Geschlecht;Anrede;Briefanrede;Strasse;PLZ;"
                      "Ort;Geburtsdatum;",
                      kExampleLine},
                     {kExampleRecord}},
        DatalineCase{"LongNumberAndDatesAsInTheSource",
                     {"123456;B\xF6"
                      "hm;J\xFC"
                      "rgen;M;01;Herr;Gr\xFC"
                      "ner Weg 12 a;01067;"
                      "Dresden;5.6.75;x;x;x;x;2012-07-01;x;65050675B012;"},
                     {"PNr=123456;Name=B\xF6"
                      "hm, J\xFC"
                      "rgen;Str=Gr\xFC"
                      "ner Weg 12 a;"
                      "Ort=01067 Dresden;Geb=5.6.75;BegB=2012-07-01;VNr=65050675B012;"}},
        DatalineCase{"NothingTrimmed",
                     {"815; Beispiel ;Hans ;M;01;Herr; Ring 5;24680 ; Musterstadt;05.06.1975 ;x;"
                      "x;x;x;01.07.2012;x; 65050675B012 ;"},
                     {"PNr=815;Name= Beispiel , Hans ;Str= Ring 5;Ort=24680   Musterstadt;"
                      "Geb=05.06.1975 ;BegB=01.07.2012;VNr= 65050675B012 ;"}},
        DatalineCase{"UnclosedLastColumn",
                     {"815;Beispiel;Hans;M;01;Herr;Ring 5;24680;Musterstadt;05.06.1975;x;x;x;x;"
                      "01.07.2012;x;65050675B012"},
                     {"PNr=815;Name=Beispiel, Hans;Str=Ring 5;Ort=24680 Musterstadt;"
                      "Geb=05.06.1975;BegB=01.07.2012;VNr=;"}},
        DatalineCase{"ShortLines",
                     {"815;Beispiel", "42"},
                     {"PNr=815;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;",
                      "PNr=;Name=, ;Str=;Ort= ;Geb=;BegB=;VNr=;"}}),
    [](const auto& info) { return info.param.name; });

TEST(DatalineReader, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source =
      kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/dataline/Personalstammdaten.dat");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("Dataline", source, "Personalstammdaten.dat"), kd::RunResult::Written);
  EXPECT_EQ(run.BankFile(), "");
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_EQ(run.ui.records.size(), 5u);
  EXPECT_NE(import.find("\r\nPNr=103;Name=L\xF6\xDF"
                        "ner, Tobias;Str=Bergstr. 7;"
                        "Ort=64283 Darmstadt;Geb=02.02.1994;BegB=01.07.2012;VNr=13020294L016;"
                        "\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=10501;Name=H\xFC"
                        "bner, Felix;Str=Hanauer Landstr. 89;"
                        "Ort=60314 Frankfurt am Main;Geb=14.04.2003;BegB=01.08.2021;"
                        "VNr=13140403H004;\r\n"),
            std::string::npos);
}

}  // namespace
