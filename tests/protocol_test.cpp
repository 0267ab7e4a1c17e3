// The protocol of a run: every line of the export accounted for, and what Kandrel would stumble
// over, from small exports through the real readers.
#include "protocol.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "plausibility.h"
#include "test_support.h"
#include "text.h"
#include "valueforms.h"

namespace {

using kdtest::PrintTo;

using kdtest::ConversionHarness;
using kdtest::CrlfLines;

// A semicolon line of `count` columns, empty but for the given ones.
std::string Columns(int count, const std::map<int, std::string>& values) {
  std::string line;
  for (int i = 0; i < count; ++i) {
    const auto it = values.find(i);
    if (it != values.end()) line += it->second;
    line += ';';
  }
  return line;
}

// SBS: company number, personnel number, surname, first name, ... birth date (7), entry (11).
const std::string kSbsColumnLine = "Firmen-Nr.;Personal-Nr.;Nachname;Vorname;";

std::string Sbs(const std::string& number, const std::string& surname,
                const std::string& birth = "14.02.1975", const std::string& entry = "01.03.2008") {
  return Columns(32, {{0, "1"}, {1, number}, {2, surname}, {3, "Eva"}, {7, birth}, {11, entry}});
}

// An SBS employee born on 14.02.1975 with one more column: postcode (5), tax class (12),
// insurance number (22), tax identification number (31).
std::string SbsWith(int column, const std::string& value) {
  return Columns(32, {{0, "1"},
                      {1, "7"},
                      {2, "Meier"},
                      {3, "Eva"},
                      {7, "14.02.1975"},
                      {11, "01.03.2008"},
                      {column, value}});
}

// GDI with the bank setting: personnel number (0), names (1, 2), birth (10), entry (16), IBAN (26).
std::string Gdi(const std::string& iban) {
  return Columns(52, {{0, "7"},
                      {1, "\"Eva\""},
                      {2, "\"Meier\""},
                      {10, "01.02.1970"},
                      {16, "01.04.2005"},
                      {26, iban}});
}

// Agenda with the bank setting: personnel number (0), surname (2), entry (13), birth (15),
// IBAN (24), BIC (25).
std::string Agenda(const std::string& number, const std::string& iban,
                   const std::string& bic = "SOLADEST600") {
  return Columns(60, {{0, number},
                      {2, "Meier"},
                      {3, "Eva"},
                      {13, "01.09.2016"},
                      {15, "12.03.1984"},
                      {24, iban},
                      {25, bic}});
}

// Lexware with its column line: the personnel number first, the rest found by name.
const std::string kLexwareColumnLine =
    "Personalnummer;Name;Vorname;Wohnland;LKZ;Geb. Datum;Eintrittsdatum;Personengruppe;"
    "Sozialvers.-Nr.;IBAN";

std::string Lexware(const std::string& number, const std::string& surname,
                    const std::string& group = "101",
                    const std::string& insurance = "12 010270 M 001") {
  return number + ";" + surname + ";Eva;Deutschland;D;01.02.1970;01.04.2005;" + group + ";" +
         insurance + ";;";
}

// A record of the bank code list: short name at characters 108-134, BIC at 140-150.
std::string BankCodeRecord(const std::string& shortName, const std::string& bic) {
  std::string line = "70150000" + std::string(142, ' ');
  line.replace(107, shortName.size(), shortName);
  line.replace(139, bic.size(), bic);
  return line;
}

// VARIAL: the personnel number from position 10, a line of 1600 characters. The export holds
// semicolons between its blocks, so its first line passes the run's semicolon test.
std::string VarialLine(const std::string& number) {
  std::string line(1600, ' ');
  line.replace(0, 9, "00000017;");
  line.replace(9, number.size(), number);
  return line;
}

// The lines of an export, as a table row gives them.
template <class... Line>
std::vector<std::string> Export(const Line&... lines) {
  return {std::string(lines)...};
}

struct LineCase {
  const char* what;
  std::string program;
  std::string bank;  // the bank setting
  std::vector<std::string> lines;
  std::size_t line;  // the line looked at, counted from 1
  std::string result;
  std::string hint;
  std::string summary = {};  // a line the summary must hold; none: that of a skipped line
};

class ProtocolLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ProtocolLineTest, NamesWhatBecameOfTheLine) {
  const LineCase& c = GetParam();
  ConversionHarness harness;
  harness.bank = c.bank;
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"),
                    CrlfLines({BankCodeRecord("Stadtsparkasse", "SSKMDEMMXXX")}));
  ASSERT_EQ(harness.Run(c.program, CrlfLines(c.lines)), kd::RunResult::Written);
  const kd::Protocol& protocol = harness.protocol;
  ASSERT_EQ(protocol.Lines().size(), c.lines.size());
  const kd::Protocol::Line& line = protocol.Lines()[c.line - 1];
  EXPECT_EQ(line.number, c.line);
  EXPECT_EQ(line.result == kd::LineResult::Converted ? "übernommen" : "übersprungen", c.result);
  EXPECT_EQ(protocol.Hint(line), c.hint);
  // A skipped line is counted under its reason.
  const std::string counted = c.summary.empty() ? "Übersprungen, " + c.hint + ": 1" : c.summary;
  const std::vector<std::string> summary = protocol.Summary();
  EXPECT_NE(std::find(summary.begin(), summary.end(), counted), summary.end())
      << "summary lacks \"" << counted << "\"";
}

const std::string kSkipped = "übersprungen";
const std::string kConverted = "übernommen";

INSTANTIATE_TEST_SUITE_P(
    SkipReasons, ProtocolLineTest,
    ::testing::Values(
        LineCase{"ColumnLine", "SBS", "Nein", Export(kSbsColumnLine, Sbs("7", "Meier")), 1,
                 kSkipped, "Zeile mit den Spaltenüberschriften"},
        // A first line is the column line only when it carries the layout's names:
        // one with other names, or an employee line beginning with a blank in an
        // export without its column line, is a line to look at.
        LineCase{"FirstLineWithOtherNames", "SBS", "Nein",
                 Export("Firma;Nummer;Familienname;Rufname;", Sbs("7", "Meier")), 1, kSkipped,
                 "beginnt nicht mit einer Ziffer"},
        LineCase{"FirstLineAnEmployeeWithABlank", "Dataline", "Nein",
                 Export(" 1001;Meier;Eva;;;;;;;01.02.1970;", "1002;Berg;Udo;;;;;;;01.02.1970;"), 1,
                 kSkipped, "beginnt nicht mit einer Ziffer"},
        LineCase{"EmptyLine", "SBS", "Nein", Export(Sbs("7", "Meier"), ""), 2, kSkipped,
                 "leere Zeile"},
        LineCase{"BlankLineOfGdi", "GDI", "Nein",
                 Export(Columns(52, {{0, "7"}, {2, "\"Meier\""}}), "   "), 2, kSkipped,
                 "Zeile nur aus Leerzeichen"},
        LineCase{"OneCharacter", "Agenda", "Nein", Export("Personalnummer;", "7"), 2, kSkipped,
                 "Zeile mit nur einem Zeichen"},
        LineCase{"NoDigitAtStart", "SBS", "Nein", Export(Sbs("7", "Meier"), "Summe;;"), 2, kSkipped,
                 "beginnt nicht mit einer Ziffer"},
        LineCase{"PersonnelNumberZero", "Lexware", "Nein",
                 Export(kLexwareColumnLine, Lexware("0", "Meier")), 2, kSkipped,
                 "Personalnummer nicht zwischen 1 und 9998"},
        LineCase{"PersonnelNumber9999", "Lexware", "Nein",
                 Export(kLexwareColumnLine, Lexware("9999", "Meier")), 2, kSkipped,
                 "Personalnummer nicht zwischen 1 und 9998"},
        LineCase{"SurnameWithDigit", "Lexware", "Nein",
                 Export(kLexwareColumnLine, Lexware("12", "1Meier")), 2, kSkipped,
                 "Nachname leer oder beginnt nicht mit einem Buchstaben"},
        LineCase{"VarialPositionTest", "VARIAL", "Nein", Export(VarialLine("0815"), "Summe;"), 2,
                 kSkipped, "keine Mitarbeiterzeile (Aufbau passt nicht)"},
        LineCase{"Converted", "SBS", "Nein", Export(Sbs("7", "Meier")), 1, kConverted, "",
                 "Datensätze übernommen: 1"}),
    kdtest::kCaseName);

INSTANTIATE_TEST_SUITE_P(
    Warnings, ProtocolLineTest,
    ::testing::Values(
        LineCase{"PersonnelNumberEmpty", "SBS", "Nein", Export(Sbs("", "Meier")), 1, kConverted,
                 "Personalnummer leer", "Hinweis, Personalnummer leer: 1"},
        LineCase{"PersonnelNumberNotDigits", "SBS", "Nein", Export(Sbs("12a", "Meier")), 1,
                 kConverted, "Personalnummer 12a enthält andere Zeichen als Ziffern",
                 "Hinweis, Personalnummer nicht nur aus Ziffern: 1"},
        LineCase{"PersonnelNumberTooLong", "SBS", "Nein", Export(Sbs("12345", "Meier")), 1,
                 kConverted, "Personalnummer 12345 hat mehr als 4 Stellen",
                 "Hinweis, Personalnummer länger als 4 Stellen: 1"},
        LineCase{"PersonnelNumberShortened", "Lexware", "Nein",
                 Export(kLexwareColumnLine, Lexware("10005", "Meier")), 2, kConverted,
                 "Personalnummer 10005 gekürzt auf 0005", "Hinweis, Personalnummer gekürzt: 1"},
        // DATEV keeps four digits of five; a first digit other than 0 is lost.
        LineCase{"DatevNumberLosesADigit", "Datev", "Nein",
                 Export(Columns(122, {{0, "1"},
                                      {4, "\"12345\""},
                                      {5, "\"Meier\""},
                                      {11, "01.02.1970"},
                                      {21, "01.04.2005"}})),
                 1, kConverted, "Personalnummer 12345 gekürzt auf 2345",
                 "Hinweis, Personalnummer gekürzt: 1"},
        // Kandrel tells employees apart by their number: 0007 and 7 are the same one.
        LineCase{
            "PersonnelNumberTwice", "SBS", "Nein",
            Export(Sbs("7", "Meier"), Sbs("8", "Lang"), Sbs("0007", "Kurz"), Sbs("7", "Bauer")), 3,
            kConverted, "Personalnummer 0007 mehrfach, auch in Zeile 1, 4",
            "Hinweis, Personalnummer mehrfach: 3"},
        // Values that break the rules of their kind, as written.
        LineCase{"InsuranceNumberCheckDigit", "SBS", "Nein", Export(SbsWith(22, "14140275M104")), 1,
                 kConverted, "Versicherungsnummer 14140275M104: Prüfziffer falsch",
                 "Hinweis, Versicherungsnummer ungültig: 1"},
        LineCase{"InsuranceNumberOfAnotherBirthDate", "SBS", "Nein",
                 Export(SbsWith(22, "15070649C103")), 1, kConverted,
                 "Versicherungsnummer 15070649C103 enthält ein anderes Geburtsdatum als 14.02.1975",
                 "Hinweis, Versicherungsnummer passt nicht zum Geburtsdatum: 1"},
        LineCase{"TaxIdWithoutARepeatedDigit", "SBS", "Nein", Export(SbsWith(31, "12345678903")), 1,
                 kConverted,
                 "Steuer-Identifikationsnummer 12345678903: die Ziffern folgen nicht den Regeln "
                 "der Steuerverwaltung",
                 "Hinweis, Steuer-Identifikationsnummer ungültig: 1"},
        LineCase{"PostcodeOfFourDigits", "SBS", "Nein", Export(SbsWith(5, "7017")), 1, kConverted,
                 "Postleitzahl 7017 hat nicht 5 Ziffern",
                 "Hinweis, Postleitzahl nicht fünfstellig: 1"},
        LineCase{"TaxClassSeven", "SBS", "Nein", Export(SbsWith(12, "7")), 1, kConverted,
                 "Steuerklasse 7 unbekannt", "Hinweis, Steuerklasse unbekannt: 1"},
        LineCase{"BicOfTenCharacters", "Agenda", "Ja",
                 Export("Personalnummer;", Agenda("7", "DE89370400440532013000", "SOLADEST60")), 2,
                 kConverted, "BIC SOLADEST60 hat nicht die Form einer BIC",
                 "Hinweis, BIC nicht in der Form einer BIC: 1"},
        LineCase{"ControlCharacter", "SBS", "Nein",
                 Export(Sbs("7",
                            "Mei\x01"
                            "er")),
                 1, kConverted,
                 "unsichtbares Zeichen im Feld Name (im Fenster als Leerzeichen gezeigt)",
                 "Hinweis, unsichtbares Zeichen in einem Feld: 1"},
        LineCase{"IbanTooShort", "Agenda", "Ja", Export("Personalnummer;", Agenda("7", "DE12")), 2,
                 kConverted, "Bankverbindung nicht übernommen: IBAN DE12 hat höchstens 8 Zeichen",
                 "Hinweis, IBAN mit höchstens 8 Zeichen, keine Bankverbindung: 1"},
        LineCase{"BankCodeNotEight", "Exact", "Ja",
                 Export(Columns(25, {{0, "7"},
                                     {1, "Meier"},
                                     {6, "01.02.1970"},
                                     {9, "01.04.2005"},
                                     {12, "1005000"},
                                     {13, "4711"}})),
                 1, kConverted,
                 "Bankverbindung nicht übernommen: Bankleitzahl 1005000 hat nicht 8 Zeichen",
                 "Hinweis, Bankleitzahl nicht 8 Zeichen lang, keine Bankverbindung: 1"},
        LineCase{"IbanCheckDigits", "Agenda", "Ja",
                 Export("Personalnummer;", Agenda("7", "DE88 3704 0044 0532 0130 00")), 2,
                 kConverted, "IBAN DE88370400440532013000: Prüfziffern falsch",
                 "Hinweis, IBAN-Prüfziffern falsch: 1"},
        LineCase{"IbanLength", "Agenda", "Ja",
                 Export("Personalnummer;", Agenda("7", "DE41370400440532013")), 2, kConverted,
                 "IBAN DE41370400440532013: 19 Zeichen, in DE sind es 22",
                 "Hinweis, IBAN-Länge passt nicht zum Land: 1"},
        // GDI fills its IBAN field with blanks; the IBAN is checked without them.
        LineCase{"GdiPaddedIbanChecked", "GDI", "Ja",
                 Export(Gdi("\"DE88 3704 0044 0532 0130 00\"")), 1, kConverted,
                 "IBAN DE88370400440532013000: Prüfziffern falsch",
                 "Hinweis, IBAN-Prüfziffern falsch: 1"},
        LineCase{"GdiPaddedValidIban", "GDI", "Ja", Export(Gdi("\"DE89370400440532013000\"")), 1,
                 kConverted, "", "Bankverbindungen übernommen: 1"},
        LineCase{"BicNotInBankCodeList", "Datev", "Ja",
                 Export(Columns(125, {{0, "29098"},
                                      {4, "\"00007\""},
                                      {5, "\"Meier\""},
                                      {6, "\"Eva\""},
                                      {11, "14.03.1968"},
                                      {18, "\"DE89 3704 0044 0532 0130 00\""},
                                      {19, "\"COBADEFFXXX\""},
                                      {21, "01.09.1998"}})),
                 1, kConverted, "Bankname leer: BIC COBADEFFXXX nicht in der Bankleitzahlendatei",
                 "Hinweis, BIC nicht in der Bankleitzahlendatei, Bankname leer: 1"},
        LineCase{"BirthDateEmpty", "SBS", "Nein", Export(Sbs("7", "Meier", "")), 1, kConverted,
                 "Geburtsdatum leer", "Hinweis, Geburtsdatum leer oder nicht TT.MM.JJJJ: 1"},
        LineCase{"BirthDateShort", "SBS", "Nein", Export(Sbs("7", "Meier", "1.2.1980")), 1,
                 kConverted, "Geburtsdatum 1.2.1980 nicht in der Form TT.MM.JJJJ",
                 "Hinweis, Geburtsdatum leer oder nicht TT.MM.JJJJ: 1"},
        LineCase{"EntryDateNoDay", "SBS", "Nein",
                 Export(Sbs("7", "Meier", "14.02.1975", "30.02.2008")), 1, kConverted,
                 "Eintrittsdatum 30.02.2008 nicht in der Form TT.MM.JJJJ",
                 "Hinweis, Eintrittsdatum leer oder nicht TT.MM.JJJJ: 1"},
        LineCase{"SeveralWarnings", "SBS", "Nein", Export(Sbs("12345", "Meier", "", "")), 1,
                 kConverted,
                 "Personalnummer 12345 hat mehr als 4 Stellen / Geburtsdatum leer / "
                 "Eintrittsdatum leer",
                 "Hinweis, Eintrittsdatum leer oder nicht TT.MM.JJJJ: 1"}),
    kdtest::kCaseName);

// A Lexware employee with a short insurance number and a person group beginning with "1"
// switches the column shift on: every later line then fails the surname test. The run still
// reports success; the protocol says where it began and what it cost.
TEST(ProtocolColumnShift, NamesTheLineAndCountsTheLinesSkippedAfterIt) {
  ConversionHarness harness;
  const std::vector<std::string> lines = {kLexwareColumnLine,
                                          Lexware("1", "Adler"),
                                          Lexware("2", "Berg", "101", "12010270M001"),
                                          Lexware("3", "Claus"),
                                          "",
                                          Lexware("4", "Dorn")};
  ASSERT_EQ(harness.Run("Lexware", CrlfLines(lines)), kd::RunResult::Written);
  const kd::Protocol& protocol = harness.protocol;
  ASSERT_EQ(protocol.Lines().size(), 6u);
  EXPECT_EQ(protocol.Hint(protocol.Lines()[2]),
            "Spaltenverschiebung ab dieser Zeile: die Werte werden eine Spalte weiter links "
            "gelesen / Versicherungsnummer 10 nicht in der Form 2 Ziffern, Geburtsdatum TTMMJJ, "
            "Buchstabe, 3 Ziffern");
  EXPECT_EQ(protocol.Hint(protocol.Lines()[3]),
            "Nachname leer oder beginnt nicht mit einem Buchstaben (Spaltenverschiebung seit "
            "Zeile 3)");
  EXPECT_EQ(protocol.Hint(protocol.Lines()[4]), "leere Zeile");
  EXPECT_EQ(protocol.RecordsWritten(), 2u);
  const std::vector<std::string> summary = protocol.Summary();
  EXPECT_NE(std::find(summary.begin(), summary.end(),
                      "Spaltenverschiebung ab Zeile 3: danach übersprungen: 2"),
            summary.end());
  EXPECT_EQ(protocol.AttentionCount(), 3u);  // the shift line and the two employees lost
}

// VARIAL's bank connection file is accounted for line by line after the export.
TEST(ProtocolVarialBankFile, EveryConnectionLineHasItsResult) {
  ConversionHarness harness;
  harness.bank = "Ja";
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"),
                    CrlfLines({BankCodeRecord("Stadtsparkasse", "SSKMDEMMXXX")}));
  std::string connection(310, ' ');
  connection.replace(9, 4, "0815");
  connection.replace(78, 10, "Meier, Eva");
  connection.replace(249, 11, "SSKMDEMMXXX");
  connection.replace(267, 22, "DE89370400440532013000");
  std::string withoutIban = connection;
  withoutIban.replace(267, 22, std::string(22, ' '));
  kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"), CrlfLines({connection, withoutIban, ""}));
  ASSERT_EQ(harness.Run("VARIAL", CrlfLines({VarialLine("0815")}), "PWASCANS.EXP"),
            kd::RunResult::Written);
  const kd::Protocol& protocol = harness.protocol;
  // The bank file by the full path it was read from: another client's may lie elsewhere.
  const std::string bankFile = harness.bareDir.File("PWASCUEB.EXP");
  ASSERT_EQ(protocol.Files(), (std::vector<std::string>{"PWASCANS.EXP", bankFile}));
  ASSERT_EQ(protocol.Lines().size(), 4u);
  const kd::Protocol::Line& bank = protocol.Lines()[1];
  EXPECT_EQ(bank.file, 1);
  EXPECT_EQ(bank.number, 1u);
  EXPECT_EQ(bank.result, kd::LineResult::Converted);
  EXPECT_TRUE(bank.bankLine);
  EXPECT_EQ(protocol.PersonnelNumber(bank), "0815");
  EXPECT_EQ(protocol.Name(bank), "Meier, Eva");
  EXPECT_EQ(protocol.Hint(protocol.Lines()[2]), "keine IBAN mit mehr als 8 Zeichen");
  EXPECT_EQ(protocol.Hint(protocol.Lines()[3]), "leere Zeile");
  EXPECT_EQ(protocol.RecordsWritten(), 1u);
  EXPECT_EQ(protocol.BankLinesWritten(), 1u);
  const std::vector<std::string> summary = protocol.Summary();
  EXPECT_EQ(summary.at(1), "Zeilen gelesen: 3 (" + bankFile + ")");
}

// A run that stops after the reader began keeps what happened until then, and says that
// nothing of it was written: neither "übernommen" for its lines nor a count of written records.
TEST(ProtocolStoppedRun, HoldsTheLinesReadAndHowTheRunEnded) {
  ConversionHarness harness;
  harness.bank = "Ja";
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), "");
  ASSERT_EQ(
      harness.Run("VARIAL", CrlfLines({VarialLine("0815"), VarialLine("0816")}), "PWASCANS.EXP"),
      kd::RunResult::Stopped);
  const kd::Protocol& protocol = harness.protocol;
  EXPECT_TRUE(protocol.Started());
  ASSERT_EQ(protocol.Lines().size(), 2u);
  EXPECT_EQ(protocol.ResultText(protocol.Lines()[0]), "nicht übernommen (Übernahme abgebrochen)");
  EXPECT_EQ(
      protocol.Summary(),
      (std::vector<std::string>{
          "Zeilen gelesen: 2 (PWASCANS.EXP)",
          "Datensätze übernommen: 0 (2 vorbereitet, nicht geschrieben)",
          "Bankverbindungen übernommen: 0", "Hinweis, Geburtsdatum leer oder nicht TT.MM.JJJJ: 2",
          "Hinweis, Eintrittsdatum leer oder nicht TT.MM.JJJJ: 2",
          "Abgebrochen: Datei PWASCUEB.EXP kann nicht geöffnet werden (Datei nicht gefunden)",
          "Nicht geschrieben: KDIMPORT.TXT und Bank-18; die vorhandenen Dateien bleiben, "
          "wie sie waren."}));
}

// The wrong program chosen: the summary says which program the file looks like.
struct OtherProgramCase {
  const char* what;
  std::string chosen;
  std::string sample;
  std::string note;  // the summary's last line; empty: no note
  // Double names in place of the sample's surnames: the hyphen at the tenth character makes
  // every line fail VARIAL's position test.
  bool doubleNames = false;
};

class ProtocolOtherProgramTest : public ::testing::TestWithParam<OtherProgramCase> {};

TEST_P(ProtocolOtherProgramTest, SummaryNamesTheProgramTheFileLooksLike) {
  const OtherProgramCase& c = GetParam();
  ConversionHarness harness;
  kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), "");
  std::string text = kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/" + c.sample);
  if (c.doubleNames) {
    std::string changed;
    int n = 0;
    for (const std::string_view line : kd::SplitLines(text)) {
      std::string columns(line);
      if (n++ > 0) {  // "1;1001;Li-Ma;..."
        const std::size_t second = columns.find(';', columns.find(';') + 1);
        columns = "1;" + std::to_string(1000 + n) + ";Li-Ma" +
                  columns.substr(columns.find(';', second + 1));
      }
      changed += columns + "\r\n";
    }
    text = changed;
  }
  ASSERT_EQ(harness.Run(c.chosen, text), kd::RunResult::Written);
  const std::vector<std::string> summary = harness.protocol.Summary();
  ASSERT_FALSE(summary.empty());
  if (c.note.empty()) {
    EXPECT_EQ(summary.back().find("sieht nach"), std::string::npos) << summary.back();
  } else {
    EXPECT_EQ(summary.back(), c.note);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ProtocolOtherProgramTest,
    ::testing::Values(
        OtherProgramCase{"NoRecordFromAnSbsExport", "VARIAL", "sbs/Tabelle2929.csv",
                         "Kein Datensatz übernommen: Die Datei sieht nach SBS aus, gewählt ist "
                         "VARIAL.",
                         true},
        OtherProgramCase{"RecordsFromTheWrongColumns", "BBS", "agenda/Personaldaten.csv",
                         "Die Datei sieht nach Agenda aus, gewählt ist BBS."},
        OtherProgramCase{"RightProgram", "sbs", "sbs/Tabelle2929.csv", ""}),
    kdtest::kCaseName);

TEST(ProtocolRefusedRun, IsNotStarted) {
  ConversionHarness harness;
  EXPECT_EQ(harness.Run("Unbekannt", "1;A;\r\n"), kd::RunResult::Stopped);
  EXPECT_FALSE(harness.protocol.Started());
}

// Every line of every sample has its result, and the protocol counts what the files hold.
TEST(ProtocolSamples, EveryLineIsAccountedFor) {
  for (const auto& [file, program] : kdtest::kSamplePrograms) {
    ConversionHarness harness;
    harness.bank = "Ja";
    const std::string folder = std::string(KDIMPORT_SAMPLES_DIR) + "/";
    kdtest::WriteFile(harness.bareDir.File("BLZ_20170904.txt"), "");
    kdtest::WriteFile(harness.bareDir.File("PWASCUEB.EXP"),
                      kdtest::ReadFile(folder + "varial/PWASCUEB.EXP"));
    const std::string text = kdtest::ReadFile(folder + file);
    ASSERT_EQ(harness.Run(program, text), kd::RunResult::Written) << file;
    const kd::Protocol& protocol = harness.protocol;
    const std::size_t exportLines = kd::SplitLines(text).size();
    EXPECT_EQ(protocol.LinesRead(0), exportLines) << file;
    std::size_t records = 0;
    for (const kd::Protocol::Line& line : protocol.Lines()) {
      EXPECT_NE(line.reason == kd::SkipReason::NotRead && line.result == kd::LineResult::Skipped,
                true)
          << file << " line " << line.number << " has no result";
      records += line.file == 0 && line.result == kd::LineResult::Converted;
    }
    const std::size_t written = kd::SplitLines(harness.ImportFile()).size() - 1;
    EXPECT_EQ(records, written) << file;
    EXPECT_EQ(protocol.RecordsWritten(), written) << file;
    EXPECT_EQ(protocol.BankLinesWritten(), kd::SplitLines(harness.BankFile()).size()) << file;
  }
}

// The CSV file: UTF-8 with a byte-order mark, CR LF, ";" between fields, quotes where needed.
// Quoting, cells a spreadsheet would take for a formula, a run of empty lines (kept as one
// entry, written as a row each) and the summary below the rows.
TEST(ProtocolCsv, HeaderLinesQuotingFormulasAndSummary) {
  kd::Protocol protocol;
  protocol.Start(false);
  protocol.BeginFile("Lohn;2018.csv");
  protocol.NextLine();
  protocol.Skip(kd::SkipReason::ColumnLine);
  protocol.NextLine();
  protocol.Convert("7", "M\xFCller; \"Max\"");
  protocol.Warn(kd::Warning::BirthDate, "1.2.80");
  for (int i = 0; i < 3; ++i) {
    protocol.NextLine();
    protocol.Skip(kd::SkipReason::EmptyLine);
  }
  protocol.NextLine();
  protocol.Convert("-8", "=HYPERLINK(\"x\")");
  protocol.NextLine();
  protocol.Convert("+9", "@Lang");
  protocol.Finish();
  EXPECT_EQ(protocol.Lines().size(), 5u);
  EXPECT_EQ(protocol.Csv(),
            "\xEF\xBB\xBF"
            "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n"
            "\"Lohn;2018.csv\";1;;;übersprungen;Zeile mit den Spaltenüberschriften\r\n"
            "\"Lohn;2018.csv\";2;7;\"Müller; \"\"Max\"\"\";übernommen;"
            "Geburtsdatum 1.2.80 nicht in der Form TT.MM.JJJJ\r\n"
            "\"Lohn;2018.csv\";3;;;übersprungen;leere Zeile\r\n"
            "\"Lohn;2018.csv\";4;;;übersprungen;leere Zeile\r\n"
            "\"Lohn;2018.csv\";5;;;übersprungen;leere Zeile\r\n"
            "\"Lohn;2018.csv\";6;'-8;\"'=HYPERLINK(\"\"x\"\")\";übernommen;\r\n"
            "\"Lohn;2018.csv\";7;'+9;'@Lang;übernommen;\r\n"
            ";;;;Zusammenfassung;\"Zeilen gelesen: 7 (Lohn;2018.csv)\"\r\n"
            ";;;;Zusammenfassung;Datensätze übernommen: 3\r\n"
            ";;;;Zusammenfassung;Übersprungen, Zeile mit den Spaltenüberschriften: 1\r\n"
            ";;;;Zusammenfassung;Übersprungen, leere Zeile: 3\r\n"
            ";;;;Zusammenfassung;Hinweis, Geburtsdatum leer oder nicht TT.MM.JJJJ: 1\r\n");
}

TEST(ProtocolTwins, ManyTwinsAreCountedNotListed) {
  kd::Protocol protocol;
  protocol.Start(false);
  protocol.BeginFile("a.csv");
  for (int i = 0; i < 9; ++i) {
    protocol.NextLine();
    protocol.Convert("42", "Meier");
  }
  protocol.Finish();
  EXPECT_EQ(protocol.Hint(protocol.Lines()[0]),
            "Personalnummer 42 mehrfach, auch in Zeile 2, 3, 4, 5, 6 und 3 weiteren");
  EXPECT_EQ(protocol.Warnings(kd::Warning::PersonnelNumberTwice), 9u);
}

struct IbanCase {
  std::string iban;
  bool valid;
  std::size_t countryLength;
};

void PrintTo(const IbanCase& c, std::ostream* os) {
  *os << c.iban;
}

class IbanTest : public ::testing::TestWithParam<IbanCase> {};

TEST_P(IbanTest, CheckDigitsAndCountryLength) {
  EXPECT_EQ(kd::IbanCheckDigitsValid(GetParam().iban), GetParam().valid);
  EXPECT_EQ(kd::IbanLengthOfCountry(GetParam().iban), GetParam().countryLength);
}

INSTANTIATE_TEST_SUITE_P(Examples, IbanTest,
                         ::testing::Values(IbanCase{"DE89370400440532013000", true, 22},
                                           IbanCase{"de89370400440532013000", true, 22},
                                           IbanCase{"DE88370400440532013000", false, 22},
                                           IbanCase{"DE89370400440532013001", false, 22},
                                           IbanCase{"GB82WEST12345698765432", true, 22},
                                           IbanCase{"NL91ABNA0417164300", true, 18},
                                           IbanCase{"AT611904300234573201", true, 20},
                                           IbanCase{"DE41370400440532013", true, 22},
                                           IbanCase{"DE89-3704-0044", false, 22},
                                           IbanCase{"XX89370400440532013000", false, 0},
                                           IbanCase{"DE8", false, 22}));

struct DateCase {
  std::string date;
  bool valid;
};

void PrintTo(const DateCase& c, std::ostream* os) {
  *os << "[" << c.date << "]";
}

class CalendarDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(CalendarDateTest, FormAndDayOfTheCalendar) {
  EXPECT_EQ(kd::IsCalendarDate(GetParam().date), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CalendarDateTest,
    ::testing::Values(
        DateCase{"14.02.1975", true}, DateCase{"31.12.2018", true}, DateCase{"29.02.2016", true},
        DateCase{"29.02.2000", true}, DateCase{"29.02.1900", false}, DateCase{"29.02.2018", false},
        DateCase{"31.04.2018", false}, DateCase{"00.01.2018", false}, DateCase{"01.13.2018", false},
        DateCase{"1.2.1980", false}, DateCase{"01-02-1980", false}, DateCase{"01.02.80", false},
        DateCase{"", false}, DateCase{"0a.02.1980", false}, DateCase{"01.02.1980 ", false}));

}  // namespace
