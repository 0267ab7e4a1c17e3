#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

namespace {

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

TEST_F(CliTest, WritesTheImportFileAndPrintsTheMessage) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"), "");
  const CliResult r = RunCli(Args("SBS", src.File("sbs.csv")), cwd.Path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[Datei erfolgreich hergestellt.] 0 Datensätze in der Datei " + data.Path() +
                       "KDIMPORT.TXT gespeichert.\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), "KONV=1;\r\n");
}

TEST_F(CliTest, DataDirectoryWithoutSeparatorGetsOne) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("sbs.csv"), "");
  std::string dir = data.Path();
  dir.pop_back();
  const CliResult r = RunCli({"--program=SBS", "--source=" + src.File("sbs.csv"),
                              "--data-dir=" + dir, "--year=18", "--umlauts=Nein"},
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

TEST_F(CliTest, MissingBankCodeListIsAFileError) {
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("datev.txt"), "\"Nr\";\r\n");
  const CliResult r = RunCli(Args("Datev", src.File("datev.txt")), cwd.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "[Fehler] Datei BLZ_20170904.txt kann nicht geöffnet werden\n");
  EXPECT_FALSE(kdtest::FileExists(data.File("KDIMPORT.TXT")));
}

struct UsageCase {
  std::vector<std::string> args;
};

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, WrongCommandLineGivesTwo) {
  const CliResult r = RunCli(GetParam().args, cwd.Path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Aufruf: kdimport-cli"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Args, CliUsageTest,
                         ::testing::Values(UsageCase{{"--unknown"}}, UsageCase{{"--program"}},
                                           UsageCase{{"--source", "a", "--year"}},
                                           UsageCase{{"stray"}},
                                           UsageCase{{"--decimal-separator", ",,"}}));

TEST_F(CliTest, HelpAndVersion) {
  const CliResult help = RunCli({"--help"}, cwd.Path());
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Bankverbindungen übernehmen"), std::string::npos);
  const CliResult version = RunCli({"--version"}, cwd.Path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kdimport-cli ", 0), 0u);
}

}  // namespace
