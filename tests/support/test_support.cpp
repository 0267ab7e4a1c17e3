#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "readers.h"
#include "text.h"
#include "textfile.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kdtest {

std::string Printable(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

TempDir::TempDir(std::string_view suffix) {
  static std::atomic<int> counter{0};
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / kd::ToNativePath("kdimport-test-" + std::to_string(random()) + "-" +
                                    std::to_string(counter++) + std::string(suffix));
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

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kd::ToNativePath(dir))) {
    const std::string name = kd::FromNativePath(entry.path().filename());
    if (name != kd::kLockFileName) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void EchoReader(kd::ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.Lines()) {
    if (!kd::StartsWithDigit(line)) {
      // The echo layout takes any first line that is not an employee line for its column line.
      context.SkipNonEmployeeLine(line, [](std::string_view) { return true; });
      continue;
    }
    kd::RecordBuilder record;
    record.Add("PNr", kd::FieldNo(line, 0)).Add("Name", kd::FieldNo(line, 1));
    context.AddRecord(record);
    if (context.TakeBankData()) {
      context.AddBankLine(
          {kd::FieldNo(line, 0), kd::FieldNo(line, 1), "", "", "", "DE1234567890", ""});
    }
  }
  if (context.TakeBankData()) context.SaveBankFile();
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
  // Lines with a line break inside would split otherwise than given; none of the tests has one.
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  output.clear();
  bankLines.clear();
  std::error_code ec;
  std::filesystem::remove(kd::ToNativePath(dir.File(kd::kImportFileName)), ec);
  std::filesystem::remove(kd::ToNativePath(BankFilePath()), ec);
  {
    // The same path as a real run: the reader writes into temporary files, which are then put
    // in place together.
    kd::FileOutput files(settings, text.size(), kd::DiskFiles());
    const kd::BareFileLookup bareFiles({bareDir.Path(), ""}, settings.SourcePath, kd::DiskFiles());
    kd::Protocol protocol;
    kd::ReaderContext context(text, settings, ui, headerLine, table, decimalSeparator, bareFiles,
                              files, protocol);
    reader(context);
    kd::PutFilesInPlace(context, files, ui);
  }
  const auto linesOf = [](const std::string& path) {
    const std::string text = ReadFile(path);
    std::vector<std::string> result;
    for (const std::string_view line : kd::SplitLines(text)) result.emplace_back(line);
    return result;
  };
  output = linesOf(dir.File(kd::kImportFileName));
  if (FileExists(BankFilePath())) bankLines = linesOf(BankFilePath());
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
  kd::Conversion conversion(ui, kd::readers::Table(), *files);
  conversion.decimalSeparator = decimalSeparator;
  conversion.bareFiles.directory = bareDir.Path();
  conversion.ReadSettings({source, dir.Path(), umlauts, bank, year}, program);
  const kd::RunResult result = conversion.Run(program);
  protocol = conversion.protocol;
  return result;
}

std::string BuiltProgram(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
#endif
  return path;
}

namespace {

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd,
                 const std::string& program) {
  TempDir io;
#ifdef _WIN32
  std::string command = "cd " + Quote(cwd) + " && " + Quote(program);
#else
  std::string command = "cd " + Quote(cwd) +
                        " && ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86\"" +
                        " UBSAN_OPTIONS=\"${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=87\"" +
                        " timeout -k 10 120 " + Quote(program);
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
  const std::string out = ReadFile(io.File("out"));
  for (std::size_t at = 0; at < out.size();) {
    const std::size_t end = std::min(out.find('\n', at), out.size() - 1) + 1;
    const std::string_view line = std::string_view(out).substr(at, end - at);
    (line.starts_with("[Protokoll] ") ? result.protocol : result.out).append(line);
    at = end;
  }
  result.err = ReadFile(io.File("err"));
  return result;
}

const std::vector<SampleProgram> kSamplePrograms = {
    {"agenda/Personaldaten.csv", "Agenda"},
    {"bbs/Personal.csv", "BBS"},
    {"dataline/Personalstammdaten.dat", "Dataline"},
    {"datev/LG_ASCII_12345_SD.txt", "Datev"},
    {"exact/persli.txt", "Exact"},
    {"gdi/Personal.csv", "GDI"},
    {"lexware/Personalstammblatt.csv", "Lexware"},
    {"lexware/Personalstammblatt_Protokoll.csv", "Lexware"},
    {"lexware/Lexware_Mitarbeiter.csv", "Lexware"},
    {"sage/Mitarbeiterliste.csv", "sage"},
    {"sbs/Tabelle2929.csv", "SBS"},
    {"varial/PWASCANS.EXP", "VARIAL"},
};

void PrintTo(const SampleProgram& c, std::ostream* os) {
  *os << c.file;
}

}  // namespace kdtest
