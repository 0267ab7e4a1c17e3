// kdimport-cli.exe as Windows starts it: the command line arrives as UTF-16. A path with umlauts
// reaches the program whatever the system's ANSI code page; a character that Windows-1252 cannot
// hold is refused instead of being replaced by a look-alike (which would name another file).
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support.h"

namespace {

// The test program knows kdimport-cli.exe by the path of the build, which under Wine may be a
// Unix path: "Z:" is the drive Wine gives the root folder.
std::wstring CliPath() {
  std::string path = KDIMPORT_CLI_PATH;
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  return std::filesystem::path(path).wstring();
}

std::wstring Quoted(const std::wstring& arg) {
  return L"\"" + arg + L"\"";
}

struct Result {
  DWORD status = 0;
  std::string out;
  std::string err;
};

// Runs kdimport-cli.exe with a wide command line, its output in files of `io`.
Result RunWide(const std::wstring& args, const std::filesystem::path& io) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const auto open = [&](const std::filesystem::path& file) {
    return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE out = open(io / "out");
  HANDLE err = open(io / "err");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = Quoted(CliPath()) + L" " + args;
  PROCESS_INFORMATION process{};
  Result result;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 120000);
    GetExitCodeProcess(process.hProcess, &result.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    result.status = 999;
  }
  CloseHandle(out);
  CloseHandle(err);
  result.out = kdtest::ReadFile(kd::FromNativePath(io / "out"));
  result.err = kdtest::ReadFile(kd::FromNativePath(io / "err"));
  return result;
}

struct WidePathCase {
  const char* what;
  const wchar_t* folder;
  DWORD status;
};

void PrintTo(const WidePathCase& c, std::ostream* os) {
  *os << c.what;
}

class WideCommandLineTest : public ::testing::TestWithParam<WidePathCase> {};

TEST_P(WideCommandLineTest, PathReachesTheProgramOrIsRefused) {
  const WidePathCase& c = GetParam();
  kdtest::TempDir temp;
  const std::filesystem::path root = kd::ToNativePath(temp.Path());
  const std::filesystem::path data = root / c.folder / L"FIRMA";
  std::filesystem::create_directories(data);
  std::ofstream(data / L"Konfi-18").put('\n');
  const std::filesystem::path source = root / c.folder / L"Tabelle2929.csv";
  std::ofstream(source, std::ios::binary) << "Firmen-Nr.;Personal-Nr.;Nachname;\r\n1;7;Meier;\r\n";

  const Result r = RunWide(L"--program SBS --source " + Quoted(source.wstring()) + L" --data-dir " +
                               Quoted(data.wstring()) + L" --year 18",
                           root);
  EXPECT_EQ(r.status, c.status) << r.out << r.err;
  if (c.status == 0) {
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("1 Datensätze in der Datei "), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(data / L"KDIMPORT.TXT"));
  } else {
    EXPECT_NE(r.err.find("Der Wert von --source enthält ein Zeichen außerhalb des Zeichensatzes "
                         "Windows-1252"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(data / L"KDIMPORT.TXT"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, WideCommandLineTest,
    ::testing::Values(WidePathCase{"Umlauts", L"L\u00f6hne M\u00fcller \u00df", 0},
                      WidePathCase{"EuroSign", L"Lohn \u20ac", 0},
                      WidePathCase{"OutsideWindows1252", L"\u0141\u00f3d\u017a", 2}),
    [](const auto& info) { return std::string(info.param.what); });

// The program of a sample export in a folder with umlauts, recognised and converted.
TEST(WideCommandLine, RecognisesAnExportWhosePathHasUmlauts) {
  kdtest::TempDir temp;
  const std::filesystem::path root = kd::ToNativePath(temp.Path());
  const std::filesystem::path folder = root / L"L\u00f6hne M\u00fcller";
  const std::filesystem::path data = folder / L"FIRMA";
  std::filesystem::create_directories(data);
  std::ofstream(data / L"Konfi-18").put('\n');
  const std::filesystem::path source = folder / L"Tabelle.csv";
  std::ofstream(source, std::ios::binary)
      << kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/sbs/Tabelle2929.csv");

  // The console's text mode ends lines with CR LF.
  const Result recognized = RunWide(L"--recognize " + Quoted(source.wstring()), root);
  EXPECT_EQ(recognized.status, 0u) << recognized.err;
  EXPECT_EQ(recognized.out, "SBS\r\n");

  const Result converted = RunWide(L"--program auto --source " + Quoted(source.wstring()) +
                                       L" --data-dir " + Quoted(data.wstring()) + L" --year 18",
                                   root);
  EXPECT_EQ(converted.status, 0u) << converted.err;
  EXPECT_EQ(converted.out.rfind("[Erkannt] SBS\r\n", 0), 0u) << converted.out;
  EXPECT_TRUE(std::filesystem::exists(data / L"KDIMPORT.TXT"));
}

}  // namespace

#endif
