#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers.h"
#include "test_support.h"

namespace {

constexpr const char* kColumnLine =
    "Firmen-Nr.;Personal-Nr.;Nachname;Vorname;Stra\xDF"
    "e;Deutsche PLZ;Wohnort;Geburtsdatum;"
    "Geburtsort;Familienstand;Geschlecht;Eintritts-Datum;Steuerklasse;Berufsgruppe;"
    "Monats-Freibetrag;Jahres-Freibetrag;KiSt-Schl\xFC"
    "ssel AN;Konfess. Ehegatte;"
    "AN-Krankenkasse;T\xE4"
    "tigkeits-Schl.;Staatsangeh\xF6"
    "rigk.;Faktor 1;Sozialversich.Nr.;"
    "Kinderfreibetr\xE4"
    "ge;Nationalit\xE4"
    "ts-Kz.;Geburtsname;Personengruppe;Beitragsgruppe;"
    "Steuernummer;eTIN;Amtl.GemeindeSchl;TIN Steuer-Ident.;";

constexpr const char* kExampleLine =
    "1;4711;Muster;Erika;Weg 3;54321;Altdorf;03.04.1980;Altdorf;1;2;01.01.2010;0;;;;;;;12345;0;;"
    "12030480M002;0,5;;;900;0;;;;98765432109;";

constexpr const char* kExampleRecord =
    "PNr=4711;Name=Muster, Erika;Str=Weg 3;Ort=54321 Altdorf;Staat=000;Geb=03.04.1980;"
    "BegB=01.01.2010;VNr=12030480M002;Taet=12345;StKl=EP;KiFr=0,5;PG=000;BG=0000;"
    "IdNr=98765432109;";

TEST(SbsReader, WorkedExample) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadSbs, {kColumnLine, kExampleLine});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=1;", kExampleRecord}));
  EXPECT_EQ(harness.ui.records, std::vector<std::string>{kExampleRecord});
}

TEST(SbsReader, NeitherBankFileNorBankMessageWithTheBankSettingYes) {
  kdtest::ReaderHarness harness;
  harness.SetBank(true);
  harness.SetUmlauts(false);
  harness.Run(kd::readers::ReadSbs, {kColumnLine, kExampleLine});
  EXPECT_EQ(harness.output, (std::vector<std::string>{"KONV=0;", kExampleRecord}));
  EXPECT_TRUE(harness.bankLines.empty());
  EXPECT_FALSE(kdtest::FileExists(harness.BankFilePath()));
  EXPECT_TRUE(harness.ui.messages.empty());
}

TEST(SbsReader, OnlyLinesBeginningWithADigitAreEmployees) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadSbs, {kColumnLine, "", " 1;4711;", "Summe;", "1", kExampleLine});
  // A single digit is enough for SBS; its fields are all empty.
  EXPECT_EQ(harness.output,
            (std::vector<std::string>{
                "KONV=1;",
                "PNr=;Name=, ;Str=;Ort= ;Staat=;Geb=;BegB=;VNr=;Taet=;StKl=;KiFr=;PG=;BG=;IdNr=;",
                kExampleRecord}));
}

struct SbsCase {
  std::string name;
  std::string line;
  std::string expected;
};

void PrintTo(const SbsCase& c, std::ostream* os) {
  *os << c.name;
}

class SbsRecordTest : public ::testing::TestWithParam<SbsCase> {};

TEST_P(SbsRecordTest, WritesTheRecord) {
  kdtest::ReaderHarness harness;
  harness.Run(kd::readers::ReadSbs, {GetParam().line});
  ASSERT_EQ(harness.output.size(), 2u);
  EXPECT_EQ(harness.output[1], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SbsRecordTest,
    ::testing::Values(
        // Only the exact texts are replaced.
        SbsCase{"OtherValuesUnchanged",
                "1;12;Muster;Erika;Weg 3;54321;Altdorf;03.04.1980;;;;01.01.2010;3;;;;;;;12345;"
                "000;;12030480M002;1,0;;;101;1111;;;;98765432109;",
                "PNr=12;Name=Muster, Erika;Str=Weg 3;Ort=54321 Altdorf;Staat=000;"
                "Geb=03.04.1980;BegB=01.01.2010;VNr=12030480M002;Taet=12345;StKl=3;KiFr=1,0;"
                "PG=101;BG=1111;IdNr=98765432109;"},
        SbsCase{"ZerosWithBlanksOrLeadingZerosUnchanged",
                "1;12;Muster;Erika;Weg 3;54321;Altdorf;03.04.1980;;;;01.01.2010; 0;;;;;;;12345;"
                " 0;;12030480M002;0;;;0900;00;;;;98765432109;",
                "PNr=12;Name=Muster, Erika;Str=Weg 3;Ort=54321 Altdorf;Staat= 0;"
                "Geb=03.04.1980;BegB=01.01.2010;VNr=12030480M002;Taet=12345;StKl= 0;KiFr=0;"
                "PG=0900;BG=00;IdNr=98765432109;"},
        SbsCase{"FiveDigitPersonnelNumberAndUmlauts",
                "2;12345;M\xFC"
                "ller;J\xF6"
                "rg;Stra\xDF"
                "e 1;80331;M\xFC"
                "nchen;1.2.1970;;;;"
                "1.4.2005;1;;;;;;;43112;137;;65010270M008;0,0;;;109;6500;;;;12345678901;",
                "PNr=12345;Name=M\xFC"
                "ller, J\xF6"
                "rg;Str=Stra\xDF"
                "e 1;Ort=80331 M\xFC"
                "nchen;"
                "Staat=137;Geb=1.2.1970;BegB=1.4.2005;VNr=65010270M008;Taet=43112;StKl=1;"
                "KiFr=0,0;PG=109;BG=6500;IdNr=12345678901;"},
        // The tax identification number is the last column; an unclosed one reads as empty.
        SbsCase{"UnclosedLastColumn",
                "1;4711;Muster;Erika;Weg 3;54321;Altdorf;03.04.1980;Altdorf;1;2;01.01.2010;0;;;;;;;"
                "12345;0;;12030480M002;0,5;;;900;0;;;;98765432109",
                "PNr=4711;Name=Muster, Erika;Str=Weg 3;Ort=54321 Altdorf;Staat=000;"
                "Geb=03.04.1980;BegB=01.01.2010;VNr=12030480M002;Taet=12345;StKl=EP;KiFr=0,5;"
                "PG=000;BG=0000;IdNr=;"},
        SbsCase{"ShortLine", "1;4711;Muster;Erika",
                "PNr=4711;Name=Muster, ;Str=;Ort= ;Staat=;Geb=;BegB=;VNr=;Taet=;StKl=;KiFr=;PG=;"
                "BG=;IdNr=;"}),
    [](const auto& info) { return info.param.name; });

TEST(SbsReader, SampleExport) {
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  const std::string source = kdtest::ReadFile(KDIMPORT_SAMPLES_DIR "/sbs/Tabelle2929.csv");
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(run.Run("SBS", source, "Tabelle2929.csv"), kd::RunResult::Written);
  EXPECT_FALSE(run.BankFileExists());
  const std::string import = run.ImportFile();
  EXPECT_EQ(import.substr(0, 9), "KONV=1;\r\n");
  EXPECT_EQ(run.ui.records.size(), 5u);
  EXPECT_NE(import.find("\r\nPNr=1004;Name=Wagner, Gisela;Str=T\xFC"
                        "binger Str. 5;"
                        "Ort=72108 Rottenburg am Neckar;Staat=000;Geb=09.12.1952;"
                        "BegB=01.05.2019;VNr=18091252W509;Taet=714029912;StKl=EP;KiFr=0,0;"
                        "PG=109;BG=0000;IdNr=45678901247;\r\n"),
            std::string::npos);
  EXPECT_NE(import.find("\r\nPNr=1005;Name=Fischer, Maximilian;Str=Neckarstr. 120;"
                        "Ort=70190 Stuttgart;Staat=000;Geb=30.06.2006;BegB=01.09.2022;"
                        "VNr=53300606F019;Taet=293021111;StKl=1;KiFr=0,0;PG=000;BG=0000;"
                        "IdNr=56789012351;\r\n"),
            std::string::npos);
  // Only the record count is shown; there is no bank message.
  ASSERT_EQ(run.ui.messages.size(), 1u);
  EXPECT_EQ(run.ui.messages[0].text.substr(0, 27), "5 Datens\xC3\xA4tze in der Datei ");
}

}  // namespace
