#include "test_support.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "readers.h"
#include "textfile.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kdtest {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("kdimport-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Path() const {
  return kd::FromNativePath(path_) + kd::kPathSeparator;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(kd::ToNativePath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(kd::ToNativePath(path), std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(kd::ToNativePath(path), ec);
}

std::string CrlfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

ReaderHarness::ReaderHarness() {
  settings.DataDirectory = dir.Path();
  settings.ConvertUmlauts = "JA";
  settings.TakeBankData = "NEIN";
  settings.PayrollYear = "18";
}

void ReaderHarness::Run(kd::ReaderFunction reader, const std::vector<std::string>& lines) {
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  kd::ReaderContext context(views, settings, ui, headerLine, table, decimalSeparator,
                            bareDir.Path());
  output.clear();
  bankLines.clear();
  try {
    reader(context);
  } catch (...) {
    output = context.OutputLines();
    bankLines = context.BankLines();
    throw;
  }
  output = context.OutputLines();
  bankLines = context.BankLines();
}

void ReaderHarness::RunWithHeader(kd::ReaderFunction reader,
                                  const std::vector<std::string>& lines) {
  headerLine = (lines.empty() ? std::string() : lines.front()) + ";";
  Run(reader, lines);
}

ConversionHarness::ConversionHarness() = default;

kd::RunResult ConversionHarness::Run(std::string_view program, std::string_view contents,
                                     std::string_view name) {
  const std::string source = srcDir.File(name);
  WriteFile(source, contents);
  WriteFile(dir.File("Konfi-" + year), "");
  kd::Conversion conversion(ui, kd::readers::Table());
  conversion.decimalSeparator = decimalSeparator;
  conversion.bareFileDirectory = bareDir.Path();
  conversion.ReadSettings({source, dir.Path(), umlauts, bank, year}, program);
  return conversion.Run(program);
}

namespace {

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd) {
  TempDir io;
#ifdef _WIN32
  std::string command = "cd " + Quote(cwd) + " && " + Quote(KDIMPORT_CLI_PATH);
#else
  std::string command = "cd " + Quote(cwd) +
                        " && ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86\"" +
                        " UBSAN_OPTIONS=\"${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=87\"" +
                        " timeout -k 10 120 " + Quote(KDIMPORT_CLI_PATH);
#endif
  for (const auto& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(io.File("out")) + " 2>" + Quote(io.File("err"));
  const int raw = std::system(command.c_str());
  CliResult result;
#ifdef _WIN32
  result.status = raw;
#else
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  result.out = ReadFile(io.File("out"));
  result.err = ReadFile(io.File("err"));
  return result;
}

}  // namespace kdtest
