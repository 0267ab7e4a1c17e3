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

// One row of the reader table: the program name in upper case, whether the run keeps the
// first line as the column line for it, an optional test on that column line (a row whose
// test fails gives way to the next row of the same name) and the reader.
struct ReaderEntry {
  std::string_view program;
  bool keepsHeaderLine = false;
  bool (*applies)(std::string_view headerLine) = nullptr;
  ReaderFunction read = nullptr;
};

// Where the files with fixed bare names ("BLZ_20170904.txt", "PWASCUEB.EXP") are opened.
struct BareFilePlaces {
  // The first place; empty means the current directory.
  std::string directory;
  // When not empty, a file not found in the first place is looked for in its second home: the
  // bank code list in this folder (the program's own), VARIAL's bank file beside the export.
  std::string programDirectory;
};

// The second home of a file with a fixed bare name.
enum class BareFileHome { Program, Source };

// What a reader works with: the source lines, the settings, the output files and the window.
// The records and bank lines go to temporary files beside their targets while the reader runs;
// the targets change only in PutFilesInPlace, both together.
class ReaderContext {
 public:
  ReaderContext(const std::vector<std::string_view>& sourceLines,
                const ConversionSettings& settings, UserInterface& ui, std::string_view headerLine,
                ColumnTable& columnTable, char decimalSeparator, BareFilePlaces bareFiles);
  ~ReaderContext();
  ReaderContext(const ReaderContext&) = delete;
  ReaderContext& operator=(const ReaderContext&) = delete;

  const std::vector<std::string_view>& SourceLines() const { return sourceLines_; }
  const ConversionSettings& Settings() const { return settings_; }
  bool ConvertUmlauts() const { return convertUmlauts_; }
  bool TakeBankData() const { return takeBankData_; }
  UserInterface& Ui() { return ui_; }
  std::string_view HeaderLine() const { return headerLine_; }
  ColumnTable& Table() { return columnTable_; }
  // The regional decimal separator for numbers a reader writes.
  char DecimalSeparator() const { return decimalSeparator_; }

  // Appends the flag line "KONV=1;" or "KONV=0;" to the import file.
  void AddFlagLine();
  // Appends a finished record to the import file and to the list of produced records.
  void AddRecord(std::string_view record);
  // Formats a bank line, converts it to the OEM code page when umlauts are to be converted,
  // and appends it to the bank file.
  void AddBankLine(const BankConnection& bank);
  // Completes the bank file DataDirectory + "Bank-" + PayrollYear (also when it holds no line).
  // It is put in place together with the import file, and its message shown then. Throws
  // FileError when the file cannot be created.
  void SaveBankFile();
  // DataDirectory + "Bank-" + PayrollYear.
  std::string BankFilePath() const;

  // The contents of a file with a fixed bare name, looked for in the current directory (or the
  // first place given) and then, when the front end asks for it, in the file's second home.
  // Throws FileError naming the bare name.
  std::string ReadBareFile(std::string_view name, BareFileHome home) const;

  // After the reader: completes the import file and puts it in place together with the bank
  // file, if one was saved; then shows the bank message. Either both files replace their old
  // versions or neither does. Throws FileError naming the file that could not be put in place.
  void PutFilesInPlace();

  // The lines of the import file so far (the flag line counts), and the bank lines.
  std::size_t OutputLineCount() const { return outputLineCount_; }
  std::size_t BankLineCount() const { return bankLineCount_; }

 private:
  void HandOverOutput();
  void HandOverBankText();

  const std::vector<std::string_view>& sourceLines_;
  const ConversionSettings& settings_;
  UserInterface& ui_;
  std::string_view headerLine_;
  ColumnTable& columnTable_;
  char decimalSeparator_;
  BareFilePlaces bareFiles_;
  bool convertUmlauts_;
  bool takeBankData_;
  std::unique_ptr<StreamedFile> importFile_;
  LargeText outputText_;
  std::size_t outputLineCount_ = 0;
  std::unique_ptr<StreamedFile> bankFile_;
  bool bankFileSaved_ = false;
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
  // Where files with fixed bare names are opened.
  BareFilePlaces bareFiles;

  // Copies the five settings lines into `settings` (missing lines count as empty) and shows the
  // source file when it exists.
  void ReadSettings(const std::vector<std::string>& settingsLines, std::string_view programName);

  // The six checks before a run; 0 when the run may go on, -1 after showing the refusal.
  int ValidateInputs(std::string_view programName);

  // One conversion run as the button starts it. Whatever goes wrong ends the run with a
  // message; the old files then stay as they were.
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
