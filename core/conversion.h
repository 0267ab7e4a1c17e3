// The conversion run: settings, input checks, reader choice, the written import file.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fields.h"
#include "importformat.h"
#include "largetext.h"
#include "sourcetext.h"
#include "textfile.h"
#include "ui.h"

namespace kd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The settings lines of the window as the run uses them, all Windows-1252 text.
struct ConversionSettings {
  std::string SourcePath;      // line 1, or set directly by choosing the source file
  std::string DataDirectory;   // line 2, always ending with the path separator
  std::string ConvertUmlauts;  // line 3, trimmed and upper case
  std::string TakeBankData;    // line 4, trimmed and upper case
  std::string PayrollYear;     // line 5, unchanged
};

// A yes/no setting is yes when its text, trimmed and in upper case, is exactly "JA".
bool IsYes(std::string_view setting);

class ReaderContext;
using ReaderFunction = void (*)(ReaderContext&);

class ExportHead;

// How a layout tells its export from the beginning of a file (recognition.h): how well the
// file fits (0 to 1), and the layout's name where a program has more than one.
struct Recognizer {
  double (*fit)(const ExportHead& head) = nullptr;
  std::string_view layout = {};
};

// One row of the reader table: the program name in upper case, whether the run keeps the
// first line as the column line for it, an optional test on that column line (a row whose
// test fails gives way to the next row of the same name), the reader and its recognizer.
struct ReaderEntry {
  std::string_view program;
  bool keepsHeaderLine = false;
  bool (*applies)(std::string_view headerLine) = nullptr;
  ReaderFunction read = nullptr;
  Recognizer recognizer = {};
};

// What a reader works with: the source lines, the settings, the output lists and the window.
class ReaderContext {
 public:
  ReaderContext(const std::vector<std::string_view>& sourceLines,
                const ConversionSettings& settings, UserInterface& ui, std::string_view headerLine,
                ColumnTable& columnTable, char decimalSeparator,
                std::string_view bareFileDirectory);

  const std::vector<std::string_view>& SourceLines() const { return sourceLines_; }
  const ConversionSettings& Settings() const { return settings_; }
  bool ConvertUmlauts() const { return convertUmlauts_; }
  bool TakeBankData() const { return takeBankData_; }
  UserInterface& Ui() { return ui_; }
  std::string_view HeaderLine() const { return headerLine_; }
  ColumnTable& Table() { return columnTable_; }
  // The regional decimal separator for numbers a reader writes.
  char DecimalSeparator() const { return decimalSeparator_; }

  // Appends the flag line "KONV=1;" or "KONV=0;" to the output lines.
  void AddFlagLine();
  // Appends a finished record to the output lines and to the list of produced records.
  void AddRecord(std::string_view record);
  // Formats a bank line, converts it to the OEM code page when umlauts are to be converted,
  // and appends it to the bank lines.
  void AddBankLine(const BankConnection& bank);
  // Writes the bank lines as DataDirectory + "Bank-" + PayrollYear (also when there are none)
  // and shows the bank message. Throws FileError when the file cannot be created.
  void SaveBankFile();
  // DataDirectory + "Bank-" + PayrollYear.
  std::string BankFilePath() const;

  // The contents of a file with a fixed bare name ("BLZ_20170904.txt", "PWASCUEB.EXP"), opened
  // in the current directory. Throws FileError naming the bare name.
  std::string ReadBareFile(std::string_view name) const;

  // The output lines: the flag line, then the records (those not yet handed to a file).
  std::vector<std::string> OutputLines() const;
  std::size_t OutputLineCount() const { return outputLineCount_; }
  // The import file's text: every output line followed by CR LF (as for OutputLines).
  std::string_view OutputText() const { return {outputText_.data(), outputText_.size()}; }
  // Room for about `bytes` of output, so a big export is not copied while it grows.
  void ReserveOutput(std::size_t bytes) { outputText_.reserve(bytes); }
  // Hands the import file's text to `importFile`, and the bank file's text to a file of its
  // own, in blocks of about 1 MiB while the reader runs, so that a big export's records are not
  // all held at once. FlushOutput hands over the rest of the import file's text; SaveBankFile
  // puts the bank file in place.
  void StreamOutputTo(StreamedFile& importFile);
  void FlushOutput();
  // The source file the lines point into. When it was shortened while being read, the files
  // are not written: CheckSource throws FileError::CannotOpen naming it.
  void WatchSource(const SourceText& source) { source_ = &source; }
  void CheckSource() const;
  // The bank lines, and the bank file's text: every bank line followed by CR LF.
  std::vector<std::string> BankLines() const;
  std::size_t BankLineCount() const { return bankLineCount_; }

 private:
  // True once StreamOutputTo was called: the import and bank files are written on the way.
  bool Streaming() const { return outputFile_ != nullptr; }
  // Writes the bank lines gathered so far to the bank file that is being written on the way.
  void HandOverBankText();

  const std::vector<std::string_view>& sourceLines_;
  const ConversionSettings& settings_;
  UserInterface& ui_;
  std::string_view headerLine_;
  ColumnTable& columnTable_;
  char decimalSeparator_;
  std::string bareFileDirectory_;
  bool convertUmlauts_;
  bool takeBankData_;
  LargeText outputText_;
  std::size_t outputLineCount_ = 0;
  StreamedFile* outputFile_ = nullptr;
  std::unique_ptr<StreamedFile> bankFile_;
  const SourceText* source_ = nullptr;
  LargeText bankText_;
  std::size_t bankLineCount_ = 0;
};

enum class RunResult { Written, Stopped };

// The state the window keeps between runs, and the run itself. The front ends set the program
// name and the settings lines; the window and the command line share this object's behaviour.
class Conversion {
 public:
  Conversion(UserInterface& ui, std::span<const ReaderEntry> readers);

  ConversionSettings settings;
  std::string headerLine;
  ColumnTable columnTable;
  char decimalSeparator = ',';
  // Folder in which files with fixed bare names are opened; empty means the current directory.
  std::string bareFileDirectory;

  // Copies the five settings lines into `settings` (missing lines count as empty) and shows the
  // source file when it exists.
  void ReadSettings(const std::vector<std::string>& settingsLines, std::string_view programName);

  // The six checks before a run; 0 when the run may go on, -1 after showing the refusal.
  int ValidateInputs(std::string_view programName);

  // One conversion run as the button starts it.
  RunResult Run(std::string_view programName);

  // Path of the import file of the current settings.
  std::string ImportFilePath() const { return settings.DataDirectory + kImportFileName; }

 private:
  const ReaderEntry* ChooseReader(std::string_view upperName, std::string_view firstLine);

  UserInterface& ui_;
  std::span<const ReaderEntry> readers_;
  SourceText loadedSource_;  // the source file as ValidateInputs loaded it
};

}  // namespace kd
