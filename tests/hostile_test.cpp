// Hostile input: files that no payroll program wrote, but a spreadsheet, a text editor or a
// broken copy did. Every program name gets every such file through kdimport-cli; a run ends
// with status 0 (the import file written whole) or 1 (refused with a message), never with a
// crash, a hang, a sanitizer report or a partial file. Further: a write that fails in the
// middle keeps the old files, and exports saved as UTF-8 or UTF-16 convert like Windows-1252.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "faultyfilesystem.h"
#include "test_support.h"
#include "text.h"
#include "textfile.h"

namespace {

using kdtest::FilesIn;

using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

const std::vector<std::string> kPrograms = {"Agenda", "BBS",     "Datev", "Dataline", "Exact",
                                            "GDI",    "Lexware", "sage",  "SBS",      "VARIAL"};

const std::string kNoSemicolon =
    "[Übergabe nicht möglich.] Kandrel erwartet eine CSV-Datei mit durch Semikolon getrennten "
    "Feldern. In der 1. Zeile der Datei ist aber kein Semikolon vorhanden.\n\n"
    "Überprüfen Sie bitte die Quelldatei.\n";

// ---------------------------------------------------------------------------------------------
// Helpers

// One record of the bank code file: bank code 1-8, flag 9, name 10-67, postcode 68-72, town
// 73-107, short name 108-134, PAN 135-139, BIC 140-150.
std::string BankCodeRecord(const std::string& code, const std::string& name,
                           const std::string& bic) {
  std::string line = code + "1" + name;
  line.resize(67, ' ');
  line += "26122Oldenburg";
  line.resize(107, ' ');
  line += name;
  line.resize(134, ' ');
  line += "12345" + bic;
  line.resize(150, ' ');
  return line;
}

std::string SmallBankCodeList() {
  return kdtest::CrlfLines({
      BankCodeRecord("28050100", "LZO Oldenburg", "BRLADE21LZO"),
      BankCodeRecord("10050000", "Berliner Sparkasse", "BELADEBEXXX"),
      BankCodeRecord("70020270", "UniCredit Bank", "HYVEDEMMXXX"),
  });
}

// The lines of a file that ends every line with CR LF; false when a line break is missing or a
// lone CR or LF stands inside a line.
bool SplitCrlf(const std::string& contents, std::vector<std::string>& lines) {
  lines.clear();
  std::size_t start = 0;
  while (start < contents.size()) {
    const std::size_t end = contents.find("\r\n", start);
    if (end == std::string::npos) return false;
    const std::string line = contents.substr(start, end - start);
    if (line.find_first_of("\r\n") != std::string::npos) return false;
    lines.push_back(line);
    start = end + 2;
  }
  return true;
}

std::string Repeat(const std::string& piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// ---------------------------------------------------------------------------------------------
// Running kdimport-cli

using kdtest::CliResult;
using kdtest::RunCli;

// ---------------------------------------------------------------------------------------------
// The hostile files

enum class Outcome {
  Refused,  // the first line has no semicolon: status 1, the message, nothing written
  Written,  // status 0, KDIMPORT.TXT (and the bank file) complete
  Either,   // status 0 or 1, whichever applies, with the rules of both
};

struct HostileFile {
  const char* name;
  Outcome outcome;
  std::function<std::string()> make;
};

const std::string kColumnLine = "Nr;Name;Vorname;\r\n";

const std::vector<HostileFile>& HostileFiles() {
  static const std::vector<HostileFile> files = {
      {"BinaryGarbage", Outcome::Either, [] { return RandomBytes(64 << 10, 4711); }},
      {"BinaryGarbageAfterColumnLine", Outcome::Written,
       [] { return kColumnLine + RandomBytes(64 << 10, 815); }},
      {"DigitsAndGarbage", Outcome::Written,
       [] {
         // Lines that start with a digit, as employee lines do, and go on with garbage.
         std::string text = kColumnLine;
         const std::string garbage = RandomBytes(32 << 10, 42);
         for (std::size_t i = 0; i + 200 <= garbage.size(); i += 200) {
           text += std::to_string(i % 10) + ";" + garbage.substr(i, 200) + "\r\n";
         }
         return text;
       }},
      {"Utf16Garbage", Outcome::Either, [] { return "\xFF\xFE" + RandomBytes(16 << 10, 1234); }},
      {"NulBytes", Outcome::Refused, [] { return std::string(4096, '\0'); }},
      {"NulBytesInFields", Outcome::Written,
       [] { return Repeat(std::string("1;\0\0;\0;\0\r\n", 10), 100); }},
      {"TenMegabyteLineWithoutSemicolon", Outcome::Refused,
       [] { return std::string(10 << 20, 'A'); }},
      {"TenMegabyteLine", Outcome::Written,
       [] { return "1;" + std::string(10 << 20, '7') + ";x;\r\n"; }},
      {"EmptyLines", Outcome::Refused, [] { return Repeat("\r\n", 200000); }},
      {"EmptyLinesAfterColumnLine", Outcome::Written,
       [] { return kColumnLine + Repeat("\r\n", 200000); }},
      {"OnlyCarriageReturns", Outcome::Refused, [] { return std::string(100000, '\r'); }},
      {"NoSemicolon", Outcome::Refused, [] { return Repeat("1234 Muster Max\r\n", 3); }},
      {"OneSemicolon", Outcome::Written, [] { return Repeat("1234;Muster Max\r\n", 3); }},
      {"TenThousandSemicolons", Outcome::Written,
       [] { return Repeat("1" + Repeat(";7", 10000) + "\r\n", 3); }},
      {"LinesShorterThanAnyPosition", Outcome::Written,
       [] { return std::string("1;\r\n1\r\n;\r\n12;4\r\n1;34567890\r\n1;3456789012345\r\n"); }},
      {"OnlyQuotes", Outcome::Refused, [] { return std::string("\"\"\"\"\"\"\"\"\r\n"); }},
      {"QuotesAfterColumnLine", Outcome::Written,
       [] {
         return kColumnLine + "\"\"\"\"\"\"\"\"\"\"\r\n\"\r\n1;\"\"\"\";\"\";\"\r\n\"1\";\"\r\n" +
                Repeat("\"", 5000) + ";\r\n";
       }},
  };
  return files;
}

// The bytes of a hostile file, made once per test program.
const std::string& HostileBytes(const HostileFile& file) {
  static std::map<std::string, std::string> made;
  auto found = made.find(file.name);
  if (found == made.end()) found = made.emplace(file.name, file.make()).first;
  return found->second;
}

// The count n of a "[Datei erfolgreich hergestellt.] n <what> in der Datei <path> gespeichert."
// line of `out`, or -1 when there is none.
long SavedCount(const std::string& out, const std::string& what, const std::string& path) {
  const std::string prefix = "[Datei erfolgreich hergestellt.] ";
  const std::string suffix = " " + what + " in der Datei " + path + " gespeichert.\n";
  for (std::size_t pos = out.find(prefix); pos != std::string::npos;
       pos = out.find(prefix, pos + 1)) {
    const std::size_t end = out.find('\n', pos);
    const std::string line = out.substr(pos, end == std::string::npos ? end : end - pos + 1);
    if (line.size() > prefix.size() + suffix.size() && line.ends_with(suffix)) {
      const std::string number =
          line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
      if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
        return std::stol(number);
      }
    }
  }
  return -1;
}

using HostileParam = std::tuple<std::string, std::size_t>;

class HostileInputTest : public ::testing::TestWithParam<HostileParam> {};

TEST_P(HostileInputTest, EndsCleanlyWithACompleteFileOrAMessage) {
  const std::string& program = std::get<0>(GetParam());
  const HostileFile& file = HostileFiles()[std::get<1>(GetParam())];
  const std::string& bytes = HostileBytes(file);

  TempDir data;
  TempDir src;
  TempDir cwd;
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(src.File("export.csv"), bytes);
  WriteFile(cwd.File("BLZ_20170904.txt"), SmallBankCodeList());
  WriteFile(cwd.File("PWASCUEB.EXP"), bytes);  // VARIAL's bank connection file

  const CliResult r =
      RunCli({"--program", program, "--source", src.File("export.csv"), "--data-dir", data.Path(),
              "--year", "18", "--umlauts", "Ja", "--bank", "Ja", "--force"},
             cwd.Path());
  const std::string importPath = data.File("KDIMPORT.TXT");
  const std::string bankPath = data.File("Bank-18");

  ASSERT_TRUE(r.status == 0 || r.status == 1)
      << "status " << r.status << " (-1: signal, 124: hang, 86/87: sanitizer)\n"
      << r.err.substr(0, 4000);
  EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err.substr(0, 4000);
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err.substr(0, 4000);

  if (file.outcome == Outcome::Refused) {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNoSemicolon);
    EXPECT_EQ(r.out, "");
  }
  if (file.outcome == Outcome::Written) {
    EXPECT_EQ(r.status, 0) << r.err.substr(0, 4000);
  }

  if (r.status == 1) {
    // Refused with a message and nothing written.
    EXPECT_TRUE(r.err.starts_with("[")) << r.err.substr(0, 4000);
    EXPECT_EQ(FilesIn(data.Path()), std::vector<std::string>{"Konfi-18"});
    return;
  }

  // Written: the import file is complete and the message counts its records. Such files are
  // doubtful: --force answered the question.
  EXPECT_TRUE(r.err.empty() || r.err.starts_with("[Übernahme prüfen] ")) << r.err.substr(0, 4000);
  std::vector<std::string> lines;
  ASSERT_TRUE(SplitCrlf(ReadFile(importPath), lines)) << "a line without CR LF";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "KONV=1;");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_TRUE(lines[i].ends_with(";")) << "record " << i << " is cut";
  }
  EXPECT_EQ(SavedCount(r.out, "Datensätze", importPath), static_cast<long>(lines.size() - 1));
  EXPECT_TRUE(r.out.ends_with(" Datensätze in der Datei " + importPath + " gespeichert.\n"));

  // The bank file: written by every reader but SBS's, complete, and counted in its message.
  std::vector<std::string> expectedFiles = {"Bank-18", "KDIMPORT.TXT", "Konfi-18"};
  if (program == "SBS") {
    expectedFiles.erase(expectedFiles.begin());
  } else {
    std::vector<std::string> bankLines;
    ASSERT_TRUE(SplitCrlf(ReadFile(bankPath), bankLines)) << "a bank line without CR LF";
    for (const std::string& line : bankLines) EXPECT_TRUE(line.ends_with("E")) << line;
    EXPECT_EQ(SavedCount(r.out, "Bankverbindungen", bankPath), static_cast<long>(bankLines.size()));
  }
  EXPECT_EQ(FilesIn(data.Path()), expectedFiles) << "a temporary or stray file is left";
}

std::string HostileName(const ::testing::TestParamInfo<HostileParam>& info) {
  return std::get<0>(info.param) + "_" + HostileFiles()[std::get<1>(info.param)].name;
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, HostileInputTest,
                         ::testing::Combine(::testing::ValuesIn(kPrograms),
                                            ::testing::Range<std::size_t>(0, 17)),
                         HostileName);

TEST(HostileInputTable, CoversEveryFile) {
  // The instantiation above walks the table by index.
  EXPECT_EQ(HostileFiles().size(), 17u);
}

// ---------------------------------------------------------------------------------------------
// The sample exports, as the encoding and fault tests use them

struct SampleExport {
  std::string program;
  std::string path;
  std::string bankConnections;  // VARIAL's PWASCUEB.EXP beside the export, else empty
};

void PrintTo(const SampleExport& c, std::ostream* os) {
  *os << c.program << " " << kdtest::Printable(c.path.substr(c.path.find("samples/")));
}

// Every export under samples/, one folder per program.
std::vector<SampleExport> SampleExports() {
  static const std::map<std::string, std::string> kFolders = {
      {"agenda", "Agenda"}, {"bbs", "BBS"},      {"datev", "Datev"},     {"dataline", "Dataline"},
      {"exact", "Exact"},   {"gdi", "GDI"},      {"lexware", "Lexware"}, {"sage", "sage"},
      {"sbs", "SBS"},       {"varial", "VARIAL"}};
  std::vector<SampleExport> samples;
  std::error_code ec;
  for (const auto& folder : std::filesystem::directory_iterator(KDIMPORT_SAMPLES_DIR, ec)) {
    const auto program = kFolders.find(folder.path().filename().string());
    if (program == kFolders.end()) continue;
    for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
      const std::string name = file.path().filename().string();
      if (!file.is_regular_file() || name == "PWASCUEB.EXP") continue;
      const auto bank = folder.path() / "PWASCUEB.EXP";
      samples.push_back({program->second, file.path().string(),
                         std::filesystem::exists(bank) ? bank.string() : std::string()});
    }
  }
  std::sort(samples.begin(), samples.end(),
            [](const SampleExport& a, const SampleExport& b) { return a.path < b.path; });
  return samples;
}

std::string SampleName(const ::testing::TestParamInfo<SampleExport>& info) {
  std::string name = std::filesystem::path(info.param.path).filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return info.param.program + "_" + name;
}

// A conversion of `source` by `program` with bank data, umlauts converted and a small bank
// code list; `bankConnections` is VARIAL's PWASCUEB.EXP.
struct SampleRun {
  explicit SampleRun(const std::string& bankConnections = {}) {
    harness.bank = "Ja";
    WriteFile(harness.bareDir.File("BLZ_20170904.txt"), SmallBankCodeList());
    WriteFile(harness.bareDir.File("PWASCUEB.EXP"), bankConnections);
  }
  kd::RunResult Run(const std::string& program, const std::string& source) {
    return harness.Run(program, source);
  }
  std::string Import() const { return harness.ImportFile(); }
  std::string Bank() const { return harness.BankFileExists() ? harness.BankFile() : "(none)"; }

  kdtest::ConversionHarness harness;
};

// ---------------------------------------------------------------------------------------------
// Exports saved as UTF-8 or UTF-16 give the same files as the Windows-1252 export

enum class Encoding { Utf8, Utf8WithMark, Utf16Le, Utf16Be };

// The Unicode text of Windows-1252 bytes. The samples use letters of Latin-1 and the euro sign
// only; any other byte of 0x80-0x9F would need the rest of the code page's table.
std::u32string FromWindows1252(const std::string& bytes) {
  std::u32string text;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0x80) {
      text += U'\u20AC';
    } else {
      EXPECT_FALSE(b > 0x80 && b < 0xA0) << "byte " << int(b) << " not in the test's table";
      text += static_cast<char32_t>(b);
    }
  }
  return text;
}

std::string Encode(const std::u32string& text, Encoding encoding) {
  std::string out;
  switch (encoding) {
    case Encoding::Utf8WithMark:
      out = "\xEF\xBB\xBF";
      [[fallthrough]];
    case Encoding::Utf8:
      for (const char32_t c : text) {
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else if (c < 0x800) {
          out += static_cast<char>(0xC0 | (c >> 6));
          out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
          out += static_cast<char>(0xE0 | (c >> 12));
          out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (c & 0x3F));
        }
      }
      return out;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
      const bool little = encoding == Encoding::Utf16Le;
      out = little ? "\xFF\xFE" : "\xFE\xFF";
      for (const char32_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        out += little ? low : high;
        out += little ? high : low;
      }
      return out;
    }
  }
  return out;
}

// From the second line on, every "ü" becomes `replacement`.
std::u32string ReplaceUmlautAfterFirstLine(std::u32string text, char32_t replacement) {
  const std::size_t firstBreak = text.find(U'\n');
  for (std::size_t i = firstBreak == std::u32string::npos ? text.size() : firstBreak;
       i < text.size(); ++i) {
    if (text[i] == U'\u00FC') text[i] = replacement;
  }
  return text;
}

class EncodingTest : public ::testing::TestWithParam<SampleExport> {};

TEST_P(EncodingTest, SameEmployeesInEveryEncodingGiveTheSameFiles) {
  const SampleExport& sample = GetParam();
  const std::string source = ReadFile(sample.path);
  const std::string bankConnections =
      sample.bankConnections.empty() ? std::string() : ReadFile(sample.bankConnections);
  SampleRun reference(bankConnections);
  ASSERT_EQ(reference.Run(sample.program, source), kd::RunResult::Written);
  const std::string import = reference.Import();
  const std::string bank = reference.Bank();
  ASSERT_GT(import.size(), 9u);
  // The umlauts of the names reach the import file, so a wrong decoding would show.
  EXPECT_TRUE(std::any_of(import.begin(), import.end(),
                          [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));

  const struct {
    const char* name;
    Encoding encoding;
  } kEncodings[] = {{"UTF-8", Encoding::Utf8},
                    {"UTF-8 with byte-order mark", Encoding::Utf8WithMark},
                    {"UTF-16LE", Encoding::Utf16Le},
                    {"UTF-16BE", Encoding::Utf16Be}};
  for (const auto& [name, encoding] : kEncodings) {
    SCOPED_TRACE(name);
    SampleRun run(bankConnections.empty() ? std::string()
                                          : Encode(FromWindows1252(bankConnections), encoding));
    ASSERT_EQ(run.Run(sample.program, Encode(FromWindows1252(source), encoding)),
              kd::RunResult::Written);
    EXPECT_EQ(run.Import(), import);
    EXPECT_EQ(run.Bank(), bank);
    EXPECT_EQ(run.harness.ui.records, reference.harness.ui.records);
  }
}

TEST_P(EncodingTest, CharactersWithoutWindows1252CodeBecomeQuestionMarks) {
  const SampleExport& sample = GetParam();
  const std::u32string source = FromWindows1252(ReadFile(sample.path));
  const std::u32string bankConnections = sample.bankConnections.empty()
                                             ? std::u32string()
                                             : FromWindows1252(ReadFile(sample.bankConnections));
  // The reference has "?" where the UTF-8 export has "ł", which Windows-1252 lacks.
  SampleRun reference(Encode(ReplaceUmlautAfterFirstLine(bankConnections, U'?'), Encoding::Utf8));
  ASSERT_EQ(reference.Run(sample.program,
                          Encode(ReplaceUmlautAfterFirstLine(source, U'?'), Encoding::Utf8)),
            kd::RunResult::Written);
  for (const Encoding encoding : {Encoding::Utf8, Encoding::Utf16Le}) {
    SampleRun run(Encode(ReplaceUmlautAfterFirstLine(bankConnections, U'\u0142'), encoding));
    ASSERT_EQ(
        run.Run(sample.program, Encode(ReplaceUmlautAfterFirstLine(source, U'\u0142'), encoding)),
        kd::RunResult::Written);
    EXPECT_EQ(run.Import(), reference.Import());
    EXPECT_EQ(run.Bank(), reference.Bank());
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, EncodingTest, ::testing::ValuesIn(SampleExports()), SampleName);

TEST(EncodingSamples, EveryProgramHasASample) {
  std::vector<std::string> programs;
  for (const SampleExport& sample : SampleExports()) programs.push_back(sample.program);
  programs.erase(std::unique(programs.begin(), programs.end()), programs.end());
  std::sort(programs.begin(), programs.end());
  std::vector<std::string> expected = kPrograms;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(programs, expected);
}

// ---------------------------------------------------------------------------------------------
// A write that fails in the middle

const std::string kOldImport = "KONV=0;\r\nPNr=9;Name=Alt, Anna;\r\n";
const std::string kOldBank =
    "    9 Alt, Anna     (old bank line)                                E\r\n";

// A sample export made big: its column line, then its other lines again and again, so that
// both written files exceed one block of the writer.
std::string Enlarged(const std::string& sample, std::size_t times) {
  const std::vector<std::string_view> lines = kd::SplitLines(sample);
  std::string text;
  if (lines.empty()) return text;
  text += std::string(lines.front()) + "\r\n";
  for (std::size_t t = 0; t < times; ++t) {
    for (std::size_t i = 1; i < lines.size(); ++i) text += std::string(lines[i]) + "\r\n";
  }
  return text;
}

// Big exports' files are written block by block while the reader runs: every block arrives,
// in order. One more copy of the employees adds the same records and bank lines each time.
class BigExportTest : public ::testing::TestWithParam<SampleExport> {};

TEST_P(BigExportTest, WritesTheRecordsOfEveryCopyInOrder) {
  const SampleExport& sample = GetParam();
  const std::string source = ReadFile(sample.path);
  const std::string connections =
      sample.bankConnections.empty() ? "" : ReadFile(sample.bankConnections);
  const auto convert = [&](std::size_t copies) {
    SampleRun run(connections);
    EXPECT_EQ(run.Run(sample.program, Enlarged(source, copies)), kd::RunResult::Written);
    return std::pair(run.Import(), run.Bank());
  };
  const auto [import1, bank1] = convert(1);
  const auto [import2, bank2] = convert(2);
  ASSERT_TRUE(import2.starts_with(import1));
  const std::string importCopy = import2.substr(import1.size());
  ASSERT_GT(importCopy.size(), 100u);
  const std::string bankCopy = bank1 == "(none)" ? "" : bank2.substr(bank1.size());
  if (bank1 != "(none)") {
    ASSERT_TRUE(bank2.starts_with(bank1));
  }

  // Enough copies for both files to pass three blocks.
  const std::size_t copies =
      (3u << 20) /
          std::min(importCopy.size(), bankCopy.empty() ? importCopy.size() : bankCopy.size()) +
      2;
  const auto [import, bank] = convert(copies);
  std::string expectedImport = import1;
  std::string expectedBank = bank1 == "(none)" ? "" : bank1;
  for (std::size_t i = 1; i < copies; ++i) {
    expectedImport += importCopy;
    expectedBank += bankCopy;
  }
  ASSERT_GT(import.size(), 3u << 20);
  EXPECT_TRUE(import == expectedImport) << "import file differs from the copies' records";
  EXPECT_TRUE((bank1 == "(none)" ? bank == "(none)" : bank == expectedBank))
      << "bank file differs from the copies' bank lines";
}

// The protocol's Lexware sample switches the column shift on, which holds for the rest of the
// file: a second copy of its employees gives no records by design.
std::vector<SampleExport> SamplesThatRepeat() {
  std::vector<SampleExport> samples = SampleExports();
  std::erase_if(samples, [](const SampleExport& s) {
    return s.path.find("_Protokoll") != std::string::npos;
  });
  return samples;
}

INSTANTIATE_TEST_SUITE_P(Samples, BigExportTest, ::testing::ValuesIn(SamplesThatRepeat()),
                         SampleName);

using FaultParam = std::tuple<std::string, std::string>;  // program folder, file that fails

class WriteFailureTest : public ::testing::TestWithParam<FaultParam> {};

TEST_P(WriteFailureTest, KeepsTheOldFilesAndLeavesNoTemporaryFile) {
  const auto& [program, failing] = GetParam();
  std::string path;
  for (const SampleExport& sample : SampleExports()) {
    if (sample.program == program && path.empty()) path = sample.path;
  }
  ASSERT_FALSE(path.empty()) << "no sample export for " << program;
  const std::string sample = ReadFile(path);

  // How often the employees must repeat for both files to pass 1.5 MiB.
  SampleRun small;
  ASSERT_EQ(small.Run(program, sample), kd::RunResult::Written);
  const std::size_t perCopy = std::min(small.Import().size(), small.Bank().size());
  ASSERT_GT(perCopy, 200u) << "the sample has no bank lines";
  const std::string big = Enlarged(sample, (3u << 19) / perCopy + 1);

  SampleRun complete;
  ASSERT_EQ(complete.Run(program, big), kd::RunResult::Written);
  ASSERT_GT(complete.Bank().size(), 1u << 20);
  ASSERT_GT(complete.Import().size(), 1u << 20);

  SampleRun run;
  const std::string dir = run.harness.dir.Path();
  WriteFile(dir + "KDIMPORT.TXT", kOldImport);
  WriteFile(dir + "Bank-18", kOldBank);
  // Fails the chosen file once its first block is on the disk.
  std::size_t partialBytes = 0;
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&, target = dir + failing + "."](const kdtest::FileOperation& op) {
    if (op.what != "write" || op.bytes == 0 || !op.path.starts_with(target)) {
      return kd::Failure::None;
    }
    partialBytes = static_cast<std::size_t>(std::filesystem::file_size(kd::ToNativePath(op.path)));
    return kd::Failure::DiskFull;
  };
  run.harness.files = &files;
  EXPECT_EQ(run.Run(program, big), kd::RunResult::Stopped);

  EXPECT_GE(partialBytes, 1u << 20) << "the write did not fail in the middle";
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT", "Konfi-18"}));
  EXPECT_EQ(ReadFile(dir + "KDIMPORT.TXT"), kOldImport);
  const auto& messages = run.harness.ui.messages;
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().kind, "error");
  EXPECT_EQ(messages.back().text, "Datei " + dir + failing + " kann nicht erstellt werden");
  const auto shown = [&](const std::string& what) {
    return std::any_of(messages.begin(), messages.end(), [&](const kdtest::ShownMessage& m) {
      return m.text.find(what) != std::string::npos;
    });
  };
  // A run replaces both files or neither: whichever fails, the old pair stays together and
  // neither success message is shown.
  EXPECT_FALSE(shown(" Datensätze in der Datei "));
  EXPECT_FALSE(shown(" Bankverbindungen in der Datei "));
  EXPECT_EQ(ReadFile(dir + "Bank-18"), kOldBank);
}

std::string FaultName(const ::testing::TestParamInfo<FaultParam>& info) {
  std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// Readers of both bank line styles: by IBAN (DATEV, GDI, BBS, sage) and by bank code (Exact).
INSTANTIATE_TEST_SUITE_P(WholeConversion, WriteFailureTest,
                         ::testing::Combine(::testing::Values("Datev", "GDI", "BBS", "sage",
                                                              "Exact"),
                                            ::testing::Values("Bank-18", "KDIMPORT.TXT")),
                         FaultName);

TEST(WriteFailure, SettingsFileStaysWhenItCannotBeWritten) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.INI");
  const std::string old = "Sage\r\n/alt.csv\r\n/daten/\r\nJa\r\nJa\r\n18\r\n";
  WriteFile(path, old);
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = kdtest::FailWrites;
  try {
    kd::WriteLines(files, path, {"Datev", "/neu/LG_ASCII.txt", "/daten/", "Nein", "Ja", "19"});
    ADD_FAILURE() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Datei " + path + " kann nicht erstellt werden");
  }
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.INI"});
}

}  // namespace
