// Shared pieces of the tests: a recording user interface, temporary folders, file helpers and
// a harness that runs one reader or a whole conversion.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "ui.h"

namespace kdtest {

// A text as a test name or failure shows it: printable ASCII as it stands, every other byte
// as \xNN.
std::string Printable(std::string_view text);

// A test case with a name prints as that name (a file's `using kdtest::PrintTo;` lets gtest
// find it).
template <class Case>
requires requires(const Case& c) {
  c.what;
}
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.what;
}
// ... and gives the test its name.
inline constexpr auto kCaseName = [](const auto& info) { return std::string(info.param.what); };

// Everything a run showed, in order.
struct ShownMessage {
  std::string kind;  // "message", "error" or "question"
  std::string text;
  std::string caption;
  kd::Icon icon = kd::Icon::Information;
};

class RecordingUi : public kd::UserInterface {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) override {
    messages.push_back({"message", text, caption, icon});
  }
  void ShowError(const std::string& text) override {
    messages.push_back({"error", text, "", kd::Icon::Stop});
  }
  // Kept apart from the messages; answered with `answer`.
  bool Ask(const std::string& text, const std::string& caption) override {
    questions.push_back({"question", text, caption, kd::Icon::Information});
    return answer;
  }
  void ShowSourceFile(const std::string& caption, std::string_view contents) override {
    panelCaption = caption;
    sourceView = std::string(contents);
    ++sourceViewUpdates;
  }
  void AppendRecord(std::string_view record) override { records.emplace_back(record); }

  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  bool answer = true;  // to every question
  std::vector<std::string> records;
  std::string panelCaption;
  std::string sourceView;
  int sourceViewUpdates = 0;
};

// A fresh folder under the system's temporary folder, removed with the object; its name ends
// with `suffix` (UTF-8).
class TempDir {
 public:
  explicit TempDir(std::string_view suffix = {});
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder's path with a trailing separator.
  std::string Path() const;
  // Path of a file in the folder.
  std::string File(std::string_view name) const { return Path() + std::string(name); }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
// The names of the files in a folder, sorted, but the lock file that a data directory keeps.
std::vector<std::string> FilesIn(const std::string& dir);
// A reader for the run's own tests: one record (PNr, Name) per line that begins with a digit,
// and one bank line per record when bank data are to be taken over.
void EchoReader(kd::ReaderContext& context);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Joins lines with CR LF after every line, as the tool writes files.
std::string CrlfLines(const std::vector<std::string>& lines);

// Runs one reader on given lines, with a temporary data directory and bank-file folder.
class ReaderHarness {
 public:
  ReaderHarness();

  // Defaults: umlauts "JA", bank "NEIN", year "18", decimal separator ','.
  kd::ConversionSettings settings;
  char decimalSeparator = ',';
  std::string headerLine;  // set by RunLexware from the first line
  kd::ColumnTable table;
  RecordingUi ui;
  TempDir dir;      // data directory
  TempDir bareDir;  // where "BLZ_20170904.txt" and "PWASCUEB.EXP" are looked for

  void SetBank(bool yes) { settings.TakeBankData = yes ? "JA" : "NEIN"; }
  void SetUmlauts(bool yes) { settings.ConvertUmlauts = yes ? "JA" : "NEIN"; }

  // Runs `reader` over `lines`; the output and bank lines land in `output` and `bankLines`.
  // A FileError escapes to the caller.
  void Run(kd::ReaderFunction reader, const std::vector<std::string>& lines);
  // As Run, with the header line set from the first line as the run does for Lexware.
  void RunWithHeader(kd::ReaderFunction reader, const std::vector<std::string>& lines);

  std::string BankFilePath() const {
    return settings.DataDirectory + "Bank-" + settings.PayrollYear;
  }

  std::vector<std::string> output;
  std::vector<std::string> bankLines;
};

// A whole conversion through the real reader table: writes the source file and the Konfi-YY
// marker into temporary folders, runs, and keeps what was shown and written.
class ConversionHarness {
 public:
  ConversionHarness();

  TempDir dir;      // data directory with the marker file
  TempDir srcDir;   // source file folder
  TempDir bareDir;  // folder of the files with fixed bare names
  RecordingUi ui;
  std::string umlauts = "Ja";
  std::string bank = "Nein";
  std::string year = "18";
  char decimalSeparator = ',';
  kd::FileSystem* files = &kd::DiskFiles();  // what the run reads and writes through

  // Writes `contents` as the source file `name` and runs the conversion for `program`.
  kd::RunResult Run(std::string_view program, std::string_view contents,
                    std::string_view name = "export.csv");

  // What became of every line in the last run.
  kd::Protocol protocol;

  std::string ImportFile() const { return ReadFile(dir.File("KDIMPORT.TXT")); }
  bool ImportFileExists() const { return FileExists(dir.File("KDIMPORT.TXT")); }
  std::string BankFile() const { return ReadFile(dir.File("Bank-" + year)); }
  bool BankFileExists() const { return FileExists(dir.File("Bank-" + year)); }
};

// A program of the build as the tests start it: under Wine the build's paths are Unix paths,
// and "Z:" is the drive Wine gives the root folder.
std::string BuiltProgram(std::string path);

// What kdimport-cli printed and its exit status.
struct CliResult {
  int status = -1;       // exit status; -1 when the program did not exit normally (a signal)
  std::string out;       // standard output but the protocol's summary lines
  std::string protocol;  // the summary lines ("[Protokoll] ..."), which come last
  std::string err;
};

// Runs kdimport-cli with `args` in `cwd` through the shell. A run that takes longer than two
// minutes is killed and counts as a hang (status 124); a sanitizer report exits with 86 or 87
// instead of the tool's own 1.
// `program` is another copy of kdimport-cli when given.
CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd,
                 const std::string& program = KDIMPORT_CLI_PATH);

// Every sample export (below samples/) with the program that made it, as the window's list names
// it; Lexware's layout with the column line first.
struct SampleProgram {
  std::string file;
  std::string program;
};
void PrintTo(const SampleProgram& c, std::ostream* os);
extern const std::vector<SampleProgram> kSamplePrograms;

}  // namespace kdtest
