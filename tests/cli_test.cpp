#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "text.h"
#include "textfile.h"

namespace {

using kdtest::PrintTo;

using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

using kdtest::CliResult;
using kdtest::RunCli;

class CliTest : public ::testing::Test {
 protected:
  std::vector<std::string> Args(const std::string& program, const std::string& source) {
    return {"--program", program, "--source", source, "--data-dir", data.Path(), "--year", "18"};
  }
  TempDir data;
  TempDir src;
  TempDir cwd;
};

// A doubtful run (here an empty export) writes nothing without --force: the question on
// standard error, exit status 1, the old import file as it was. --force writes as usual.
TEST_F(CliTest, DoubtfulRunWritesOnlyWithForce) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"), "");
  for (const bool force : {false, true}) {
    WriteFile(data.File("KDIMPORT.TXT"), "alt\r\n");
    std::vector<std::string> args = Args("SBS", src.File("sbs.csv"));
    if (force) args.push_back("--force");
    const CliResult r = RunCli(args, cwd.Path());
    EXPECT_EQ(r.status, force ? 0 : 1);
    EXPECT_EQ(r.out, force ? "[Datei erfolgreich hergestellt.] 0 Datensätze in der Datei " +
                                 data.Path() + "KDIMPORT.TXT gespeichert.\n"
                           : "");
    EXPECT_EQ(r.err, std::string("[Übernahme prüfen] Die Quelldatei ist leer. Trotzdem "
                                 "KDIMPORT.TXT ersetzen?\n") +
                         (force ? "kdimport-cli: --force: es wird trotzdem geschrieben.\n"
                                : "kdimport-cli: Nichts geschrieben; mit --force wird trotzdem "
                                  "geschrieben.\n"));
    EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), force ? "KONV=1;\r\n" : "alt\r\n");
  }
}

TEST_F(CliTest, DataDirectoryWithoutSeparatorGetsOne) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"), "");
  std::string dir = data.Path();
  dir.pop_back();
  const CliResult r = RunCli({"--program=SBS", "--source=" + src.File("sbs.csv"),
                              "--data-dir=" + dir, "--year=18", "--umlauts=Nein", "--force"},
                             cwd.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), "KONV=0;\r\n");
}

struct RefusalCase {
  const char* what;
  std::string program;
  std::string sourceName;  // file written into the source folder unless empty
  std::string sourceContents;
  bool marker;
  std::string expectedErrStart;
};

class CliRefusalTest : public CliTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CliRefusalTest, StopsWithExitStatusOneAndTheMessage) {
  const RefusalCase& c = GetParam();
  if (c.marker) WriteFile(data.File("Konfi-18"), "");
  std::string source = src.File("fehlt.csv");
  if (c.sourceName == "<folder>") {
    source = src.File("ordner.csv");
    std::filesystem::create_directory(source);
  } else if (!c.sourceName.empty()) {
    source = src.File(c.sourceName);
    WriteFile(source, c.sourceContents);
  }
  const CliResult r = RunCli(Args(c.program, source), cwd.Path());
  EXPECT_EQ(r.status, 1) << c.what;
  EXPECT_EQ(r.err.rfind(c.expectedErrStart, 0), 0u) << c.what << ": " << r.err;
  EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT"))) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, CliRefusalTest,
    ::testing::Values(
        RefusalCase{"unknown name with trailing blank", "Lexware ", "a.csv", "1;", true,
                    "[Programmname Lexware  unbekannt.] Es wurde in der Zeile"},
        RefusalCase{"missing source", "SBS", "", "", true,
                    "[Übergabe nicht möglich.] Die angegebene Quelldatei >"},
        RefusalCase{"folder as source", "SBS", "<folder>", "", true,
                    "[Übergabe nicht möglich.] Die angegebene Quelldatei >"},
        RefusalCase{"xls in any case", "SBS", "liste.xLs", "1;", true,
                    "[Übergabe nicht möglich.] Sie haben eine XLS-Datei in SBS erstellt."},
        RefusalCase{"missing marker", "SBS", "a.csv", "1;", false,
                    "[Übergabe nicht möglich.] Entweder existiert das Datenverzeichnis >"},
        RefusalCase{"first line without semicolon", "SBS", "a.csv", "kopf\r\n1;", true,
                    "[Übergabe nicht möglich.] Kandrel erwartet eine CSV-Datei"}));

TEST_F(CliTest, EmptyProgramNameIsANoticeOnStandardOutput) {
  const CliResult r = RunCli({"--source", "x"}, cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "[Hinweis] Im Feld \"Übernahme aus Programm:\" muss festgelegt werden, aus welchem "
            "Programm Daten übernommen werden sollen.\n");
}

TEST_F(CliTest, MultiLineMessagesKeepTheirLineBreaks) {
  WriteFile(data.File("Konfi-18"), "");
  const CliResult r = RunCli(Args("Nix", src.File("a.csv")), cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "[Programmname Nix unbekannt.] Es wurde in der Zeile \"Übernahme aus Programm\" ein "
            "falscher Programmname hinterlegt.\nEine Übernahme ist so nicht möglich.\n");
}

// The protocol: its summary after the messages, and the CSV file when asked for.
TEST_F(CliTest, ProtocolSummaryAndFile) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"),
            "Firmen-Nr.;Personal-Nr.;Nachname;Vorname;\r\n1;7;Meier;Eva;;;;01.02.1970;;;;01.04."
            "2005;\r\n");
  std::vector<std::string> args = Args("SBS", src.File("sbs.csv"));
  args.insert(args.end(), {"--protocol", cwd.File("protokoll.csv"), "--bank", "Nein"});
  const CliResult r = RunCli(args, cwd.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[Datei erfolgreich hergestellt.] 1 Datensätze in der Datei " + data.Path() +
                       "KDIMPORT.TXT gespeichert.\n");
  EXPECT_EQ(r.protocol,
            "[Protokoll] Zeilen gelesen: 2 (sbs.csv)\n"
            "[Protokoll] Datensätze übernommen: 1\n"
            "[Protokoll] Übersprungen, Zeile mit den Spaltenüberschriften: 1\n");
  EXPECT_EQ(ReadFile(cwd.File("protokoll.csv")),
            "\xEF\xBB\xBF"
            "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n"
            "sbs.csv;1;;;übersprungen;Zeile mit den Spaltenüberschriften\r\n"
            "sbs.csv;2;7;Meier, Eva;übernommen;\r\n"
            ";;;;Zusammenfassung;Zeilen gelesen: 2 (sbs.csv)\r\n"
            ";;;;Zusammenfassung;Datensätze übernommen: 1\r\n"
            ";;;;Zusammenfassung;Übersprungen, Zeile mit den Spaltenüberschriften: 1\r\n");
}

TEST_F(CliTest, ProtocolFileThatCannotBeWrittenEndsWithOne) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"), "");
  for (const std::string name : {"protokoll.csv", "protokoll.html"}) {
    std::vector<std::string> args = Args("SBS", src.File("sbs.csv"));
    args.insert(args.end(), {"--protocol", cwd.Path() + "fehlt/" + name, "--force"});
    const CliResult r = RunCli(args, cwd.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with("[Fehler] Datei " + cwd.Path() + "fehlt/" + name +
                                " kann nicht erstellt werden\n"))
        << r.err;
    EXPECT_TRUE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
  }
}

// A refused run's protocol file names the refusal instead of being a bare header.
TEST_F(CliTest, RefusedRunHasNoSummaryAndAProtocolThatNamesTheRefusal) {
  WriteFile(src.File("sbs.csv"), "");
  std::vector<std::string> args = Args("SBS", src.File("sbs.csv"));
  args.insert(args.end(), {"--protocol", cwd.File("protokoll.csv")});
  const CliResult r = RunCli(args, cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.protocol, "");
  EXPECT_EQ(ReadFile(cwd.File("protokoll.csv")),
            "\xEF\xBB\xBF"
            "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n"
            ";;;;Zusammenfassung;Nicht übernommen: Entweder existiert das Datenverzeichnis >" +
                data.Path() + "< nicht oder es enthält keinerlei Lohndaten.\r\n");
  // The page too.
  args.back() = cwd.File("protokoll.HTML");
  EXPECT_EQ(RunCli(args, cwd.Path()).status, 1);
  EXPECT_NE(ReadFile(cwd.File("protokoll.HTML"))
                .find("<li>Nicht übernommen: Entweder existiert das Datenverzeichnis &gt;" +
                      data.Path() + "&lt; nicht oder es enthält keinerlei Lohndaten.</li>"),
            std::string::npos);
}

// The files with fixed bare names: first the current directory, then the bank code list beside
// the program and VARIAL's bank file beside the export. The program runs from a folder of its
// own, so what lies beside it is up to the test.
std::string BankCodeListFor(const std::string& shortName) {
  std::string line = "28050100" + std::string(142, ' ');
  line.replace(107, shortName.size(), shortName);
  line.replace(139, 11, "OLBODEH2XXX");
  return line + "\r\n";
}

struct BareFileCase {
  const char* what;
  bool listInCwd, listBesideProgram;
  bool connectionsInCwd, connectionsBesideSource;
  int status;
  std::string bankName;  // characters 57-84 of the bank line of employee 0816, trimmed
  std::string bankCount;
  std::string err;
};

class CliBareFileTest : public CliTest, public ::testing::WithParamInterface<BareFileCase> {};

TEST_P(CliBareFileTest, LooksInTheCurrentDirectoryFirstThenInTheFilesHome) {
  const BareFileCase& c = GetParam();
  TempDir programDir;
  const std::string program = programDir.File("kdimport-cli");
  std::filesystem::copy_file(KDIMPORT_CLI_PATH, kd::ToNativePath(program));
  WriteFile(data.File("Konfi-18"), "");
  const std::string samples = KDIMPORT_SAMPLES_DIR "/varial/";
  WriteFile(src.File("PWASCANS.EXP"), ReadFile(samples + "PWASCANS.EXP"));
  const std::string connections = ReadFile(samples + "PWASCUEB.EXP");
  if (c.listInCwd)
    WriteFile(cwd.File("BLZ_20170904.txt"), BankCodeListFor("Liste im Arbeitsordner"));
  if (c.listBesideProgram) {
    WriteFile(programDir.File("BLZ_20170904.txt"), BankCodeListFor("Liste beim Programm"));
  }
  // The current directory holds only the connection of employee 0816, the export's folder all:
  // VARIAL writes its bank file beside the export, so that one counts first.
  if (c.connectionsInCwd) {
    const std::size_t second = connections.find('\n') + 1;
    WriteFile(cwd.File("PWASCUEB.EXP"),
              connections.substr(second, connections.find('\n', second) + 1 - second));
  }
  if (c.connectionsBesideSource) WriteFile(src.File("PWASCUEB.EXP"), connections);

  const CliResult r = RunCli(Args("VARIAL", src.File("PWASCANS.EXP")), cwd.Path(), program);
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(r.err, c.err);
  if (c.status != 0) {
    EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
    return;
  }
  EXPECT_NE(r.out.find("] " + c.bankCount + " Bankverbindungen in der Datei"), std::string::npos)
      << r.out;
  const std::string bank = ReadFile(data.File("Bank-18"));
  const std::size_t line = bank.find(" 0816 ");
  ASSERT_NE(line, std::string::npos) << bank;
  EXPECT_EQ(kd::Trim(bank.substr(line + 56, 28)), c.bankName);
}

const std::string kNoList = "[Fehler] Datei BLZ_20170904.txt kann nicht geöffnet werden\n";
const std::string kNoConnections = "[Fehler] Datei PWASCUEB.EXP kann nicht geöffnet werden\n";

INSTANTIATE_TEST_SUITE_P(
    Places, CliBareFileTest,
    ::testing::Values(BareFileCase{"ListBesideProgram", false, true, false, true, 0,
                                   "Liste beim Programm", "4", ""},
                      BareFileCase{"ListInCwdFirst", true, true, false, true, 0,
                                   "Liste im Arbeitsordner", "4", ""},
                      BareFileCase{"NoListAnywhere", false, false, false, true, 1, "", "", kNoList},
                      BareFileCase{"ConnectionsBesideExportFirst", false, true, true, true, 0,
                                   "Liste beim Programm", "4", ""},
                      BareFileCase{"ConnectionsOnlyInCwd", false, true, true, false, 0,
                                   "Liste beim Programm", "1", ""},
                      BareFileCase{"NoConnectionsAnywhere", false, true, false, false, 1, "", "",
                                   kNoConnections}),
    kdtest::kCaseName);

// Paths are UTF-8 text: every character arrives; text that is not UTF-8 is refused.
struct ArgumentCase {
  const char* what;
  std::string sourceName;  // UTF-8, as the shell hands it over
  int status;
};

class CliArgumentTest : public CliTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(CliArgumentTest, PathCharactersArriveOrAreRefused) {
  const ArgumentCase& c = GetParam();
  WriteFile(data.File("Konfi-18"), "");
  const std::string folder = src.Path() + c.sourceName;
  std::filesystem::create_directories(std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(folder.data()), folder.size())));
  const std::string source = folder + "/Tabelle.csv";
  std::ofstream(std::filesystem::path(
                    std::u8string(reinterpret_cast<const char8_t*>(source.data()), source.size())),
                std::ios::binary)
      << "Firmen-Nr.;Personal-Nr.;\r\n1;7;M\xFCller;;;;;01.02.1970;\r\n";
  const CliResult r = RunCli(Args("SBS", source), cwd.Path());
  EXPECT_EQ(r.status, c.status) << r.err;
  if (c.status == 0) {
    EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")).substr(0, 9), "KONV=1;\r\n");
  } else {
    EXPECT_NE(r.err.find("Der Wert von --source ist kein gültiger UTF-8-Text"), std::string::npos)
        << r.err;
    EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, CliArgumentTest,
                         ::testing::Values(ArgumentCase{"Umlauts", "Müller Lohn", 0},
                                           ArgumentCase{"EuroSign", "Lohn €", 0},
                                           ArgumentCase{"OutsideWindows1252", "Łódź", 0},
                                           ArgumentCase{"Emoji", "Lohn 📁", 0},
                                           ArgumentCase{"NotUtf8", "Lohn M\xFCller", 2}),
                         kdtest::kCaseName);

struct UsageCase {
  std::vector<std::string> args;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
  for (const auto& arg : c.args) *os << "[" << kdtest::Printable(arg) << "]";
}

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, WrongCommandLineGivesTwo) {
  const CliResult r = RunCli(GetParam().args, cwd.Path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Aufruf: kdimport-cli"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Args, CliUsageTest,
                         ::testing::Values(UsageCase{{"--unknown"}}, UsageCase{{"--program"}},
                                           UsageCase{{"--source", "a", "--year"}},
                                           UsageCase{{"stray"}}, UsageCase{{"--recognize"}},
                                           UsageCase{{"--decimal-separator", ",,"}}));

TEST_F(CliTest, HelpAndVersion) {
  const CliResult help = RunCli({"--help"}, cwd.Path());
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Bankverbindungen übernehmen"), std::string::npos);
  EXPECT_NE(help.out.find("kdimport-cli --recognize DATEI"), std::string::npos);
  EXPECT_NE(help.out.find("--program NAME|auto"), std::string::npos);
  const CliResult version = RunCli({"--version"}, cwd.Path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kdimport-cli ", 0), 0u);
}

// ---------------------------------------------------------------------------------------------
// Recognition of the program that made the source file

std::string Sample(const std::string& file) {
  return std::string(KDIMPORT_SAMPLES_DIR) + "/" + file;
}

using kdtest::kSamplePrograms;
using kdtest::SampleProgram;

class CliSampleTest : public CliTest, public ::testing::WithParamInterface<SampleProgram> {};

TEST_P(CliSampleTest, RecognizePrintsTheProgramAsTheWindowsList) {
  const CliResult r = RunCli({"--recognize", Sample(GetParam().file)}, cwd.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, GetParam().program + "\n");
  EXPECT_EQ(r.err, "");
}

// "auto" converts exactly as the recognised program does, after naming it.
TEST_P(CliSampleTest, AutoConvertsWithTheRecognisedProgram) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(cwd.File("BLZ_20170904.txt"), "");  // Datev reads the bank code list in any case
  const std::vector<std::string> options = {"--bank", "Nein"};
  std::vector<std::string> chosen = Args(GetParam().program, Sample(GetParam().file));
  chosen.insert(chosen.end(), options.begin(), options.end());
  const CliResult byName = RunCli(chosen, cwd.Path());
  ASSERT_EQ(byName.status, 0) << byName.err;
  const std::string expected = ReadFile(data.File("KDIMPORT.TXT"));
  std::filesystem::remove(data.File("KDIMPORT.TXT"));

  std::vector<std::string> automatic = Args("auto", Sample(GetParam().file));
  automatic.insert(automatic.end(), options.begin(), options.end());
  const CliResult r = RunCli(automatic, cwd.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[Erkannt] " + GetParam().program + "\n" + byName.out);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), expected);
}

// The printable page of each sample names the export and every file the run wrote by the
// SHA-256 that sha256sum computes, and has a row for every line of the export.
std::string Sha256sum(const std::string& path) {
  FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r");
  char digest[64] = {};
  const std::size_t got = pipe != nullptr ? std::fread(digest, 1, sizeof digest, pipe) : 0;
  if (pipe != nullptr) pclose(pipe);
  return got == sizeof digest ? std::string(digest, got) : "(sha256sum ohne Ergebnis)";
}

TEST_P(CliSampleTest, PageNamesTheFilesBySha256AndEveryLineOfTheExport) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(cwd.File("BLZ_20170904.txt"), "");
  const std::string source = Sample(GetParam().file);
  std::vector<std::string> args = Args(GetParam().program, source);
  args.insert(args.end(), {"--protocol", "Protokoll.Html"});
  const CliResult r = RunCli(args, cwd.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = ReadFile(cwd.File("Protokoll.Html"));
  EXPECT_NE(page.find(Sha256sum(source)), std::string::npos);
  EXPECT_NE(page.find(Sha256sum(data.File("KDIMPORT.TXT"))), std::string::npos);
  if (kdtest::FileExists(data.File("Bank-18"))) {
    EXPECT_NE(page.find(Sha256sum(data.File("Bank-18"))), std::string::npos);
  } else {
    EXPECT_NE(page.find("nicht geschrieben: Das Programm liefert keine Bankverbindungen."),
              std::string::npos);
  }
  const std::size_t table = page.find("id=\"datei-1\"");
  ASSERT_NE(table, std::string::npos);
  const std::string rows = page.substr(table, page.find("</table>", table) - table);
  std::size_t count = 0;
  for (std::size_t at = rows.find("<tr"); at != std::string::npos; at = rows.find("<tr", at + 1))
    ++count;
  EXPECT_EQ(count, 1 + kd::SplitLines(ReadFile(source)).size());  // the header, then the lines
}

INSTANTIATE_TEST_SUITE_P(Samples, CliSampleTest, ::testing::ValuesIn(kSamplePrograms),
                         [](const ::testing::TestParamInfo<SampleProgram>& info) {
                           std::string name = info.param.file;
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                               '_');
                           return name;
                         });

struct UnrecognisedCase {
  const char* what;
  std::string contents;
};

class CliUnrecognisedTest : public CliTest,
                            public ::testing::WithParamInterface<UnrecognisedCase> {};

TEST_P(CliUnrecognisedTest, RecognizePrintsKeines) {
  WriteFile(src.File("datei.csv"), GetParam().contents);
  const CliResult r = RunCli({"--recognize=" + src.File("datei.csv")}, cwd.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "keines\n");
  EXPECT_EQ(r.err, "");
}

TEST_P(CliUnrecognisedTest, AutoStopsWithoutWritingAnything) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("datei.csv"), GetParam().contents);
  const CliResult r = RunCli(Args("auto", src.File("datei.csv")), cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "[Übergabe nicht möglich.] Das Programm der Quelldatei wurde nicht erkannt. Bitte "
            "wählen Sie es aus.\n");
  EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
  EXPECT_FALSE(kdtest::FileExists(data.File("Bank-18")));
}

INSTANTIATE_TEST_SUITE_P(Others, CliUnrecognisedTest,
                         ::testing::Values(UnrecognisedCase{"EmptyFile", ""},
                                           UnrecognisedCase{
                                               "BankStatement",
                                               "Buchungstag;Valuta;Empf\xE4nger;Betrag\r\n"
                                               "01.03.2024;01.03.2024;Stadtwerke;-54,00\r\n"
                                               "04.03.2024;04.03.2024;Miete;-820,00\r\n"}),
                         kdtest::kCaseName);

TEST_F(CliTest, VarialBankConnectionFileIsNoEmployeeExport) {
  const CliResult r = RunCli({"--recognize", Sample("varial/PWASCUEB.EXP")}, cwd.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "keines\n");
}

// A missing source file is reported in the run's own words, whether the program is to be
// recognised or only named.
TEST_F(CliTest, MissingSourceIsReportedAsTheRunReportsIt) {
  WriteFile(data.File("Konfi-18"), "");
  const std::string missing = src.File("fehlt.csv");
  const std::string message = "[Übergabe nicht möglich.] Die angegebene Quelldatei >" + missing +
                              "< wurde nicht gefunden.\n";
  const CliResult automatic = RunCli(Args("auto", missing), cwd.Path());
  EXPECT_EQ(automatic.status, 1);
  EXPECT_EQ(automatic.out, "");
  EXPECT_EQ(automatic.err, message);
  EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
  const CliResult recognize = RunCli({"--recognize", missing}, cwd.Path());
  EXPECT_EQ(recognize.status, 1);
  EXPECT_EQ(recognize.out, "");
  EXPECT_EQ(recognize.err, message);
  const CliResult folder = RunCli({"--recognize", src.Path()}, cwd.Path());
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err.rfind("[Übergabe nicht möglich.] Die angegebene Quelldatei >", 0), 0u);
}

// The recognised program passes through the run's checks like a chosen one: an XLS name is
// refused with the program in the message.
TEST_F(CliTest, AutoRunsTheRunsChecksWithTheRecognisedProgram) {
  WriteFile(data.File("Konfi-18"), "");
  const std::string source = src.File("Tabelle2929.xls.csv");
  WriteFile(source, ReadFile(Sample("sbs/Tabelle2929.csv")));
  const CliResult r = RunCli(Args("Auto", source), cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "[Erkannt] SBS\n");
  EXPECT_EQ(r.err.rfind("[Übergabe nicht möglich.] Sie haben eine XLS-Datei in SBS erstellt.", 0),
            0u)
      << r.err;
}

}  // namespace
