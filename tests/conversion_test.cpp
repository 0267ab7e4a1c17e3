#include "conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "faultyfilesystem.h"
#include "readers.h"
#include "test_support.h"
#include "textfile.h"

namespace {

using kdtest::PrintTo;

using kdtest::ReadFile;
using kdtest::RecordingUi;
using kdtest::TempDir;
using kdtest::WriteFile;

bool HeaderHasMarker(std::string_view header) {
  return header.find("Mark;") != std::string_view::npos;
}

void MarkedReader(kd::ReaderContext& context) {
  context.AddFlagLine();
  kd::RecordBuilder record;
  context.AddRecord(record.Add("Marked", "1"));
}

const kd::ReaderEntry kTestTable[] = {
    {"TEST", false, nullptr, kdtest::EchoReader},
    {"HEAD", true, HeaderHasMarker, MarkedReader},
    {"HEAD", true, nullptr, kdtest::EchoReader},
};

class ConversionTest : public ::testing::Test {
 protected:
  ConversionTest() : conversion(ui, kTestTable, files) {}

  // Settings lines as the window would hold them after the two selections.
  void Settings(const std::string& source, const std::string& umlauts = "Ja",
                const std::string& bank = "Nein", const std::string& year = "18") {
    conversion.ReadSettings({source, dataDir.Path(), umlauts, bank, year}, "Test");
  }
  std::string Source(const std::string& contents, const std::string& name = "export.csv") {
    WriteFile(srcDir.File(name), contents);
    return srcDir.File(name);
  }
  void Marker(const std::string& year = "18") { WriteFile(dataDir.File("Konfi-" + year), ""); }

  RecordingUi ui;
  TempDir dataDir;
  TempDir srcDir;
  kdtest::FaultyFileSystem files{kd::DiskFiles()};
  kd::Conversion conversion;
};

TEST_F(ConversionTest, ReadSettingsCopiesTheLines) {
  conversion.ReadSettings({"C:\\x.csv", "/daten", " ja ", "Ja ", "18"}, "Test");
  EXPECT_EQ(conversion.settings.SourcePath, "C:\\x.csv");
  EXPECT_EQ(conversion.settings.DataDirectory, std::string("/daten") + kd::kPathSeparator);
  EXPECT_EQ(conversion.settings.ConvertUmlauts, "JA");
  EXPECT_EQ(conversion.settings.TakeBankData, "JA");
  EXPECT_EQ(conversion.settings.PayrollYear, "18");
}

TEST_F(ConversionTest, ReadSettingsWithMissingLinesUsesEmptyText) {
  conversion.ReadSettings({"only the source"}, "Test");
  EXPECT_EQ(conversion.settings.SourcePath, "only the source");
  EXPECT_EQ(conversion.settings.DataDirectory, std::string(1, kd::kPathSeparator));
  EXPECT_EQ(conversion.settings.ConvertUmlauts, "");
  EXPECT_EQ(conversion.settings.PayrollYear, "");
  EXPECT_EQ(ui.sourceViewUpdates, 0);
}

TEST_F(ConversionTest, ReadSettingsShowsAnExistingSourceFile) {
  const std::string source = Source("1;M\xFCller;\r\n");
  conversion.ReadSettings({source, dataDir.Path(), "Ja", "Ja", "18"}, "Test");
  EXPECT_EQ(ui.panelCaption, "Datei aus Test: " + source);
  EXPECT_EQ(ui.sourceView, "1;M\xFCller;\r\n");
}

TEST_F(ConversionTest, ReadSettingsKeepsAnExistingSeparator) {
  conversion.ReadSettings({"", dataDir.Path(), "", "", ""}, "Test");
  EXPECT_EQ(conversion.settings.DataDirectory, dataDir.Path());
}

struct YesCase {
  std::string text;
  bool yes;
};

void PrintTo(const YesCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.text) << "]";
}

class IsYesTest : public ::testing::TestWithParam<YesCase> {};

TEST_P(IsYesTest, OnlyJaAfterTrimmingAndUpperCase) {
  EXPECT_EQ(kd::IsYes(GetParam().text), GetParam().yes);
}

INSTANTIATE_TEST_SUITE_P(Settings, IsYesTest,
                         ::testing::Values(YesCase{"Ja", true}, YesCase{"Ja ", true},
                                           YesCase{"ja", true}, YesCase{" JA\t", true},
                                           YesCase{"Nein", false}, YesCase{"", false},
                                           YesCase{"J a", false}, YesCase{"Jaa", false},
                                           YesCase{"Yes", false}));

TEST_F(ConversionTest, EmptyProgramNameGivesTheNoticeOnly) {
  Settings(Source("1;A;\r\n"));
  ui.sourceViewUpdates = 0;
  EXPECT_EQ(conversion.Run(""), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Im Feld \"Übernahme aus Programm:\" muss festgelegt werden, aus welchem Programm "
            "Daten übernommen werden sollen.");
  EXPECT_EQ(ui.messages[0].caption, "Hinweis");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Information);
  EXPECT_EQ(ui.sourceViewUpdates, 0);
  EXPECT_FALSE(kdtest::FileExists(dataDir.File("KDIMPORT.TXT")));
}

struct NameCase {
  std::string typed;    // Windows-1252, as the window hands it over
  std::string caption;  // UTF-8
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << "[" << kdtest::Printable(c.typed) << "]";
}

class UnknownProgramTest : public ConversionTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(UnknownProgramTest, IsRefusedWithTheNameAsTyped) {
  Settings(Source("1;A;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run(GetParam().typed), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Es wurde in der Zeile \"Übernahme aus Programm\" ein falscher Programmname "
            "hinterlegt.\nEine Übernahme ist so nicht möglich.");
  EXPECT_EQ(ui.messages[0].caption, GetParam().caption);
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Stop);
  EXPECT_FALSE(kdtest::FileExists(dataDir.File("KDIMPORT.TXT")));
}

INSTANTIATE_TEST_SUITE_P(Names, UnknownProgramTest,
                         ::testing::Values(NameCase{"Test ", "Programmname Test  unbekannt."},
                                           NameCase{" Test", "Programmname  Test unbekannt."},
                                           NameCase{"Tests", "Programmname Tests unbekannt."},
                                           NameCase{"Lexware", "Programmname Lexware unbekannt."},
                                           NameCase{"T\xC4ST", "Programmname TÄST unbekannt."}));

TEST_F(ConversionTest, ProgramNameIsComparedInUpperCase) {
  Settings(Source("1;A;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("tEsT"), kd::RunResult::Written);
}

class MissingSourceTest : public ConversionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MissingSourceTest, EmptiesTheSourceView) {
  const bool folder = GetParam();
  const std::string source = folder ? srcDir.Path() + "ordner.csv" : srcDir.File("fehlt.csv");
  if (folder) std::filesystem::create_directory(kd::ToNativePath(source));
  Settings(source);
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Die angegebene Quelldatei >" + source + "< wurde nicht gefunden.");
  EXPECT_EQ(ui.messages[0].caption, "Übergabe nicht möglich.");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Stop);
  EXPECT_EQ(ui.panelCaption, "Angegebene Datei nicht gefunden !");
  EXPECT_EQ(ui.sourceView, "");
}

INSTANTIATE_TEST_SUITE_P(FileOrFolder, MissingSourceTest, ::testing::Bool());

class XlsTest : public ConversionTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(XlsTest, SpreadsheetFilesAreRefused) {
  const std::string source = Source("1;A;\r\n", GetParam());
  Settings(source);
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Sie haben eine XLS-Datei in Test erstellt. Zur Übernahme sind aber nur CSV bzw. "
            "TXT-Dateien geeignet.\n\nLaden Sie die Datei " +
                source +
                " in EXCEL und wählen dann Speichern als CSV-Datei. \n\nDiese CSV-Datei sollte "
                "sich dann übernehmen lassen.");
  EXPECT_EQ(ui.messages[0].caption, "Übergabe nicht möglich.");
  EXPECT_FALSE(kdtest::FileExists(dataDir.File("KDIMPORT.TXT")));
}

INSTANTIATE_TEST_SUITE_P(Names, XlsTest,
                         ::testing::Values("liste.xls", "liste.XLSX", "liste.Xls.csv", "x.xLs"));

TEST_F(ConversionTest, MissingMarkerIsRefusedAfterTheSourceIsShown) {
  const std::string source = Source("1;A;\r\n");
  Settings(source, "Ja", "Nein", "18");
  Marker("17");
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Entweder existiert das Datenverzeichnis >" + dataDir.Path() +
                                     "< nicht oder es enthält keinerlei Lohndaten.");
  EXPECT_EQ(ui.messages[0].caption, "Übergabe nicht möglich.");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Stop);
  EXPECT_EQ(ui.panelCaption, "Quelldatei: " + source);
  EXPECT_EQ(ui.sourceView, "1;A;\r\n");
}

TEST_F(ConversionTest, MarkerThatIsAFolderDoesNotCount) {
  Settings(Source("1;A;\r\n"));
  std::filesystem::create_directory(kd::ToNativePath(dataDir.File("Konfi-18")));
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Übergabe nicht möglich.");
}

TEST_F(ConversionTest, FirstLineWithoutSemicolonIsRefused) {
  Settings(Source("Personalnummer Name\r\n1;A;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Kandrel erwartet eine CSV-Datei mit durch Semikolon getrennten Feldern. In der 1. "
            "Zeile der Datei ist aber kein Semikolon vorhanden.\n\nÜberprüfen Sie bitte die "
            "Quelldatei.");
  EXPECT_EQ(ui.messages[0].caption, "Übergabe nicht möglich.");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Stop);
  EXPECT_FALSE(kdtest::FileExists(dataDir.File("KDIMPORT.TXT")));
}

TEST_F(ConversionTest, EmptySourceGivesTheFlagLineOnly) {
  Settings(Source(""));
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), "KONV=1;\r\n");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "0 Datensätze in der Datei " + dataDir.File("KDIMPORT.TXT") + " gespeichert.");
  EXPECT_EQ(ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(ui.messages[0].icon, kd::Icon::Information);
}

struct FlagCase {
  std::string umlauts;
  std::string flag;
};

void PrintTo(const FlagCase& c, std::ostream* os) {
  *os << "umlauts [" << kdtest::Printable(c.umlauts) << "]";
}

class FlagLineTest : public ConversionTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagLineTest, FollowsTheUmlautSetting) {
  Settings(Source("x;\r\n"), GetParam().umlauts);
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), GetParam().flag + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Settings, FlagLineTest,
                         ::testing::Values(FlagCase{"Ja", "KONV=1;"}, FlagCase{"Ja ", "KONV=1;"},
                                           FlagCase{"ja", "KONV=1;"}, FlagCase{"Nein", "KONV=0;"},
                                           FlagCase{"", "KONV=0;"}, FlagCase{"j", "KONV=0;"}));

TEST_F(ConversionTest, BankMessageComesBeforeTheImportMessage) {
  Settings(Source("Nr;Name;\r\n1;M\xFC"
                  "ller;\r\n2;Schmidt;\r\n"),
           "Ja", "Ja ");
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")),
            "KONV=1;\r\nPNr=1;Name=M\xFC"
            "ller;\r\nPNr=2;Name=Schmidt;\r\n");
  const std::string bank = ReadFile(dataDir.File("Bank-18"));
  EXPECT_EQ(bank.substr(0, 13),
            "    1 M\x81"
            "ller ");  // OEM in the bank file
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text,
            "2 Bankverbindungen in der Datei " + dataDir.File("Bank-18") + " gespeichert.");
  EXPECT_EQ(ui.messages[0].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(ui.messages[1].text,
            "2 Datensätze in der Datei " + dataDir.File("KDIMPORT.TXT") + " gespeichert.");
  EXPECT_EQ(ui.records, (std::vector<std::string>{"PNr=1;Name=M\xFC"
                                                  "ller;",
                                                  "PNr=2;Name=Schmidt;"}));
}

TEST_F(ConversionTest, TwoRunsWriteTwoCompleteFilesAndKeepAllRecordsShown) {
  Settings(Source("1;A;\r\n2;B;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  Settings(Source("3;C;\r\n"));
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), "KONV=1;\r\nPNr=3;Name=C;\r\n");
  EXPECT_EQ(ui.records.size(), 3u);
}

TEST_F(ConversionTest, ImportFileThatCannotBeCreatedEndsTheRunWithTheError) {
  Settings(Source("1;A;\r\n"));
  Marker();
  std::filesystem::create_directory(kd::ToNativePath(dataDir.File("KDIMPORT.TXT")));
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, "error");
  EXPECT_EQ(ui.messages[0].text,
            "Datei " + dataDir.File("KDIMPORT.TXT") + " kann nicht erstellt werden");
}

TEST_F(ConversionTest, FailedWriteKeepsTheOldImportFile) {
  Settings(Source("1;A;\r\n"));
  Marker();
  WriteFile(dataDir.File("KDIMPORT.TXT"), "KONV=0;\r\nPNr=9;\r\n");
  files.fault = kdtest::FailWrites;
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), "KONV=0;\r\nPNr=9;\r\n");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().kind, "error");
}

TEST_F(ConversionTest, HeaderLineIsKeptAndChoosesTheRow) {
  Settings(Source("Nr;Mark;Name\r\n1;x;A;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("head"), kd::RunResult::Written);
  EXPECT_EQ(conversion.headerLine, "Nr;Mark;Name;");
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), "KONV=1;\r\nMarked=1;\r\n");

  Settings(Source("Nr;Name;\r\n1;A;\r\n"));
  EXPECT_EQ(conversion.Run("HEAD"), kd::RunResult::Written);
  EXPECT_EQ(conversion.headerLine, "Nr;Name;;");
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")), "KONV=1;\r\nPNr=1;Name=A;\r\n");
}

TEST_F(ConversionTest, HeaderLineStaysForOtherPrograms) {
  conversion.headerLine = "before;";
  Settings(Source("Nr;Mark;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(conversion.headerLine, "before;");
}

TEST_F(ConversionTest, Utf8SourceIsConvertedBeforeReading) {
  Settings(
      Source("\xEF\xBB\xBF"
             "1;M\xC3\xBCller;\r\n"));
  Marker();
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(ReadFile(dataDir.File("KDIMPORT.TXT")),
            "KONV=1;\r\nPNr=1;Name=M\xFC"
            "ller;\r\n");
}

// The real reader table knows the ten programs of the window's list.
class RealTableTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RealTableTest, AcceptsTheProgramAndWritesAFlagLineForAnEmptyFile) {
  kdtest::ConversionHarness run;
  EXPECT_EQ(run.Run(GetParam(), ""), kd::RunResult::Written);
  EXPECT_EQ(run.ImportFile(), "KONV=1;\r\n");
  ASSERT_FALSE(run.ui.messages.empty());
  EXPECT_EQ(run.ui.messages.back().caption, "Datei erfolgreich hergestellt.");
}

INSTANTIATE_TEST_SUITE_P(Programs, RealTableTest,
                         ::testing::Values("Agenda", "BBS", "Dataline", "Exact", "GDI", "Lexware",
                                           "sage", "SBS", "VARIAL", "lexware"));

// A doubtful run asks before anything is put in place. "Nein" leaves the old files and says why
// in the protocol; "Ja" goes on exactly as a run without the question.
struct DoubtCase {
  const char* what;
  std::string program;
  std::string source;  // the export; "<sbs>" the SBS sample
  bool answer;
  std::string question;   // empty: no question
  std::string note = {};  // the start of a summary line the run must have; empty: none
};

class DoubtTest : public ::testing::TestWithParam<DoubtCase> {};

std::string SbsLine(const std::string& number, const std::string& birth) {
  return "1;" + number + ";Meier;Eva;;;;" + birth + ";;;;01.03.2008;" + std::string(20, ';');
}

TEST_P(DoubtTest, AsksBeforeWritingAndKeepsTheOldFilesOnNo) {
  const DoubtCase& c = GetParam();
  kdtest::ConversionHarness run;
  run.bank = "Ja";
  run.ui.answer = c.answer;
  WriteFile(run.dir.File("KDIMPORT.TXT"), "alt\r\n");
  WriteFile(run.dir.File("Bank-18"), "alt\r\n");
  WriteFile(run.bareDir.File("BLZ_20170904.txt"), "");
  const std::string source =
      c.source == "<sbs>" ? ReadFile(KDIMPORT_SAMPLES_DIR "/sbs/Tabelle2929.csv") : c.source;
  const kd::RunResult result = run.Run(c.program, source, "Tabelle2929.csv");

  ASSERT_EQ(run.ui.questions.size(), c.question.empty() ? 0u : 1u);
  if (!c.question.empty()) {
    EXPECT_EQ(run.ui.questions[0].text, c.question);
    EXPECT_EQ(run.ui.questions[0].caption, "Übernahme prüfen");
  }
  const bool written = c.question.empty() || c.answer;
  EXPECT_EQ(result, written ? kd::RunResult::Written : kd::RunResult::Stopped);
  EXPECT_EQ(run.ImportFile() == "alt\r\n", !written);
  const std::vector<std::string> summary = run.protocol.Summary();
  if (!written) {
    EXPECT_TRUE(run.ui.messages.empty());
    EXPECT_EQ(run.BankFile(), "alt\r\n");
    ASSERT_GE(summary.size(), 2u);
    EXPECT_EQ(summary[summary.size() - 2],
              "Abgebrochen: Die Frage vor dem Schreiben wurde mit "
              "Nein beantwortet: " +
                  c.question.substr(0, c.question.rfind(" Trotzdem")));
  } else {
    ASSERT_FALSE(run.ui.messages.empty());
    EXPECT_EQ(run.ui.messages.back().caption, "Datei erfolgreich hergestellt.");
  }
  if (!c.note.empty()) {
    EXPECT_TRUE(std::any_of(summary.begin(), summary.end(), [&](const std::string& line) {
      return line.starts_with(c.note);
    })) << c.note;
  }
}

const std::string kOtherProgram =
    "Die Datei sieht nach SBS aus, gewählt ist Datev. Keiner der 5 Datensätze hat eine "
    "Personalnummer aus Ziffern. In allen 5 Datensätzen passen die Werte nicht zu Datev: z. B. "
    "Name „70173, Stuttgart“, Straße „14.02.1975“. Trotzdem KDIMPORT.TXT und Bank-18 ersetzen?";

// An SBS line whose street and postcode columns hold what `street` and `postcode` say.
std::string SbsAddressLine(const std::string& number, const std::string& street,
                           const std::string& postcode) {
  return "1;" + number + ";Meier;Eva;" + street + ";" + postcode +
         ";Ulm;01.02.1970;;;;01.03.2008;" + std::string(20, ';');
}

INSTANTIATE_TEST_SUITE_P(
    Runs, DoubtTest,
    ::testing::Values(
        DoubtCase{"RightProgram", "SBS", "<sbs>", false, "",
                  // SBS writes no bank file: the old one stays beside the new import file.
                  "Bank-18 vom "},
        DoubtCase{"OtherProgramNo", "Datev", "<sbs>", false, kOtherProgram,
                  "Nicht geschrieben: KDIMPORT.TXT und Bank-18; die vorhandenen Dateien bleiben"},
        DoubtCase{"OtherProgramYes", "Datev", "<sbs>", true, kOtherProgram,
                  "Die Datei sieht nach SBS aus, gewählt ist Datev."},
        DoubtCase{"EmptyExport", "SBS", "", false,
                  "Die Quelldatei ist leer. Trotzdem KDIMPORT.TXT ersetzen?"},
        DoubtCase{"NoRecordFromItsLines", "SBS", "Firmen-Nr.;Personal-Nr.;\r\nSumme;;\r\n", false,
                  "Keine der 2 Zeilen der Quelldatei ergibt einen Datensatz. Trotzdem "
                  "KDIMPORT.TXT ersetzen?"},
        DoubtCase{
            "MostWithoutBirthDate", "SBS",
            kdtest::CrlfLines({SbsLine("7", ""), SbsLine("8", "01.02.1970"), SbsLine("9", "")}),
            false, "2 der 3 Datensätze haben kein Geburtsdatum. Trotzdem KDIMPORT.TXT ersetzen?"},
        DoubtCase{"ValuesOfTheWrongForm", "SBS",
                  kdtest::CrlfLines({SbsAddressLine("7", "14.02.1975", "Stuttgart"),
                                     SbsAddressLine("8", "Weg 3", "89073"),
                                     SbsAddressLine("9", "1962", "Ulm")}),
                  false,
                  "In 2 von 3 Datensätzen passen die Werte nicht zu SBS: z. B. Straße "
                  "„14.02.1975“, Ort „Stuttgart Ulm“. Trotzdem KDIMPORT.TXT ersetzen?"},
        // A sage export cut short read as Agenda, a Lexware one read as sage: what lands in the
        // name and the address describes the person.
        DoubtCase{
            "PersonInTheAddress", "Agenda",
            kdtest::CrlfLines({"45;J\xF6rg;Schr\xF6"
                               "der;R\xFCttenscheider Stra\xDF"
                               "e 120;41335;"
                               "Essen;;m;geschieden;;deutsch;Bochum;30;27.02.1980;;01.06.2005;",
                               "31;Giulia;Vogel;M\xF6nckebergstra\xDF"
                               "e 21;68887;Hamburg;;w;"
                               "ledig;;deutsch;Bochum;20;21.10.1976;;30.09.2019;"}),
            false,
            "In allen 2 Datensätzen passen die Werte nicht zu Agenda: z. B. Name „Schröder, "
            "Rüttenscheider Straß…“, Straße „m geschieden“. Trotzdem KDIMPORT.TXT und Bank-18 "
            "ersetzen?"},
        DoubtCase{"SalutationAsStreet", "sage",
                  kdtest::CrlfLines(
                      {"203;K\xFChn;Tobias;Frau;;;Grevener Stra\xDF"
                       "e;4;;48159;M\xFCnster;D;;;;m;D;"
                       "01.02.1980;",
                       "201;Hoffmann;G\xFCnter;Herr;;;Hansaring;15;;45678;M\xFCnster;D;;;;m;D;"
                       "06.12.1954;"}),
                  false,
                  "In allen 2 Datensätzen passen die Werte nicht zu sage: z. B. Straße „Frau“. "
                  "Trotzdem KDIMPORT.TXT und Bank-18 ersetzen?"},
        DoubtCase{"HalfWithoutBirthDateIsAHint", "SBS",
                  kdtest::CrlfLines({SbsLine("7", ""), SbsLine("8", "01.02.1970")}), false, "",
                  "Hinweis, Geburtsdatum leer oder nicht TT.MM.JJJJ: 1"}),
    kdtest::kCaseName);

}  // namespace
