// kdimport-cli.exe as Windows starts it: the command line arrives as UTF-16. A path reaches the
// program whatever the system's ANSI code page, also with characters that Windows-1252 cannot
// hold, and so does the program's own folder.
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

#include "filesystem.h"
#include "test_support.h"

namespace {

using kdtest::PrintTo;

std::wstring Quoted(const std::wstring& arg) {
  return L"\"" + arg + L"\"";
}

struct Result {
  DWORD status = 0;
  std::string out;
  std::string err;
};

// Runs kdimport-cli.exe (or another copy of it) with a wide command line, its output in files
// of `io`.
Result RunWide(const std::wstring& args, const std::filesystem::path& io,
               const std::filesystem::path& program =
                   kd::ToNativePath(kdtest::BuiltProgram(KDIMPORT_CLI_PATH))) {
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
  std::wstring command = Quoted(program.wstring()) + L" " + args;
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
};

// The program folder, the export and the data directory under the name: run from elsewhere,
// the program finds the bank code list beside itself.
class WideCommandLineTest : public ::testing::TestWithParam<WidePathCase> {};

TEST_P(WideCommandLineTest, PathsReachTheProgram) {
  kdtest::TempDir temp;
  const std::filesystem::path root = kd::ToNativePath(temp.Path()) / GetParam().folder;
  const std::filesystem::path data = root / L"FIRMA";
  std::filesystem::create_directories(data);
  std::filesystem::copy_file(kd::ToNativePath(kdtest::BuiltProgram(KDIMPORT_CLI_PATH)),
                             root / L"kdimport-cli.exe");
  std::ofstream(root / L"BLZ_20170904.txt").put('\n');
  std::ofstream(data / L"Konfi-18").put('\n');
  const std::filesystem::path source = root / L"LG_ASCII_12345_SD.txt";
  std::ofstream(source, std::ios::binary)
      << kdtest::ReadFile(std::string(KDIMPORT_SAMPLES_DIR) + "/datev/LG_ASCII_12345_SD.txt");

  const Result r = RunWide(L"--program Datev --source " + Quoted(source.wstring()) +
                               L" --data-dir " + Quoted(data.wstring()) + L" --year 18",
                           kd::ToNativePath(temp.Path()), root / L"kdimport-cli.exe");
  EXPECT_EQ(r.status, 0u) << r.err;
  const std::string folder = kd::FromNativePath(data) + "\\";
  EXPECT_EQ(r.out.rfind("[Datei erfolgreich hergestellt.] 7 Bankverbindungen in der Datei " +
                            folder + "Bank-18 gespeichert.\r\n[Datei erfolgreich hergestellt.] 8 " +
                            "Datensätze in der Datei " + folder + "KDIMPORT.TXT gespeichert.\r\n",
                        0),
            0u)
      << r.out << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, WideCommandLineTest,
    ::testing::Values(WidePathCase{"Umlauts", L"L\u00f6hne M\u00fcller \u00df"},
                      WidePathCase{"EuroSign", L"Lohn \u20ac"},
                      WidePathCase{"OutsideWindows1252", L"\u0141\u00f3d\u017a"}),
    kdtest::kCaseName);

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
