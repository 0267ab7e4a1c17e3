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
#include "protocol.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"
#include "ui.h"

namespace kd {

// The settings lines of the window as the run uses them, as UTF-8 text: the paths and the
// year, which names files, reach the file system as typed.
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
struct Recognition;

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

// What a reader works with: the source text, the settings, the output files, the protocol and
// the window. The records and bank lines go to temporary files beside their targets while the
// reader runs; the targets change only in PutFilesInPlace, both together.
class ReaderContext {
 public:
  // Where the reader's output goes: to the files, or nowhere — a trial read, which checks and
  // counts the records like a run but touches no file (files with fixed names read as empty).
  enum class Output { Files, Trial };

  // `sourceText`: the export's whole text. The protocol is collected in `protocol` when given,
  // else in one of the context's own.
  ReaderContext(std::string_view sourceText, const ConversionSettings& settings, UserInterface& ui,
                std::string_view headerLine, ColumnTable& columnTable, char decimalSeparator,
                BareFilePlaces bareFiles, Protocol* protocol = nullptr,
                Output output = Output::Files);
  ~ReaderContext();
  ReaderContext(const ReaderContext&) = delete;
  ReaderContext& operator=(const ReaderContext&) = delete;

  // A reader's loop over lines: the protocol follows it, so that what the reader says about a
  // line (a record, a reason to skip it, a warning) is kept for that line. The lines are split
  // off the text one by one as the loop takes them.
  class LineRange {
   public:
    class iterator {
     public:
      iterator(Protocol* protocol, bool* control, std::string_view text)
          : protocol_(protocol), control_(control), cursor_(text) {
        done_ = !cursor_.Next(line_);
      }
      iterator() = default;
      std::string_view operator*() const {
        protocol_->NextLine();  // a loop takes each line once
        *control_ = cursor_.ControlCharacterInLine();
        return line_;
      }
      iterator& operator++() {
        done_ = !cursor_.Next(line_);
        return *this;
      }
      bool operator!=(const iterator& other) const { return done_ != other.done_; }

     private:
      Protocol* protocol_ = nullptr;
      bool* control_ = nullptr;
      LineCursor cursor_{{}};
      std::string_view line_;
      bool done_ = true;
    };
    iterator begin() const { return {protocol_, control_, text_}; }
    iterator end() const { return {}; }

   private:
    friend class ReaderContext;
    LineRange(Protocol* protocol, bool* control, std::string_view text)
        : protocol_(protocol), control_(control), text_(text) {}
    Protocol* protocol_;
    bool* control_;
    std::string_view text_;
  };
  // The export's lines.
  LineRange Lines();
  // The lines of another file the reader takes in (VARIAL's bank connection file), kept in the
  // protocol under `fileName` (UTF-8). The text must live as long as the loop.
  LineRange Lines(std::string_view text, std::string_view fileName);

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
  // Appends a finished record to the import file and to the list of produced records; the
  // current line counts as converted.
  void AddRecord(const RecordBuilder& record);
  // Why the current line gives no record.
  void Skip(SkipReason reason) { protocol_->Skip(reason); }
  // The same for `line`: empty, blanks only, or else `otherwise`.
  void SkipLine(std::string_view line, SkipReason otherwise);
  // The current line is no employee line: empty, blanks only, the column line (the first line
  // of the file, when `isColumnLine` says it is the layout's own), a single character, or not
  // beginning with a digit. A layout without a column line passes null.
  void SkipNonEmployeeLine(std::string_view line, bool (*isColumnLine)(std::string_view line));
  // Something on the current line that Kandrel may stumble over.
  void Warn(Warning warning, std::string_view detail = {}) { protocol_->Warn(warning, detail); }
  // Bank data that give no bank line: a warning when there are any (`value` not blank).
  void BankDataUnused(Warning warning, std::string_view value);
  // Formats a bank line, converts it to the OEM code page when umlauts are to be converted,
  // and appends it to the bank file. The protocol checks the IBAN.
  void AddBankLine(const BankConnection& bank);
  // Completes the bank file DataDirectory + "Bank-" + PayrollYear (also when it holds no line).
  // It is put in place together with the import file, and its message shown then. Throws
  // FileError when the file cannot be created.
  void SaveBankFile();
  // DataDirectory + "Bank-" + PayrollYear.
  std::string BankFilePath() const;

  // The contents of a file with a fixed bare name, and in `foundAt` the full path it was read
  // from (UTF-8). The bank code list is looked for in the current directory (or the first place
  // given), then, when the front end asks for it, beside the program; VARIAL's bank file beside
  // the export first when the front end asks for that, then in the current directory. Throws
  // FileError naming the bare name.
  std::string ReadBareFile(std::string_view name, BareFileHome home,
                           std::string* foundAt = nullptr) const;

  // After the reader: completes the import file, so that both files stand ready beside their
  // targets. Throws FileError when one could not be written.
  void CompleteFiles();
  // Then puts the import file in place together with the bank file, if one was saved, and shows
  // the bank message. Either both files replace their old versions or neither does. Throws
  // FileError naming the file that could not be put in place.
  void PutFilesInPlace();

  // The lines of the import file so far (the flag line counts), and the bank lines.
  std::size_t OutputLineCount() const { return outputLineCount_; }
  std::size_t BankLineCount() const { return bankLineCount_; }
  // True once the reader saved a bank file.
  bool WritesBankFile() const { return bankFileSaved_; }
  // Records whose personnel number is not digits only, and records without a birth date in
  // any form of a date.
  std::size_t RecordsWithoutDigitNumber() const { return withoutDigitNumber_; }
  std::size_t RecordsWithoutBirthDate() const { return withoutBirthDate_; }
  // Records with a personnel number of digits, a birth date, and values that pass the rules of
  // their kind: what every export of the layout that wrote them gives.
  std::size_t PlausibleRecords() const { return plausibleRecords_; }

 private:
  void WriteRecord(std::string_view record);
  void CheckRecord(const RecordBuilder& record);
  bool CheckValues(const RecordBuilder& record);
  void CheckIban(std::string_view field);

  void HandOverOutput();
  void HandOverBankText();

  std::string_view sourceText_;
  bool trial_;
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
  std::size_t withoutDigitNumber_ = 0;
  std::size_t withoutBirthDate_ = 0;
  std::size_t plausibleRecords_ = 0;
  // Whether the line the reader took last holds a control character: only then can its record.
  bool lineHasControlCharacter_ = false;
  Protocol ownProtocol_;
  Protocol* protocol_;
};

enum class RunResult { Written, Stopped };

// The caption of the question before a doubtful run writes.
inline constexpr const char* kDoubtCaption = "Übernahme prüfen";

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
  // What became of every line in the last run (empty when the run was refused before reading).
  Protocol protocol;

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
  // Shows a refusal of the checks before the run and keeps it for the protocol.
  void Refuse(const std::string& text, const std::string& caption, Icon icon);
  // What makes the prepared files doubtful, as sentences; empty when nothing does.
  std::string Doubts(const Recognition& recognition, std::string_view programName,
                     const ReaderContext& context) const;
  // The question's last sentence: what "Ja" does to which files.
  std::string WhatYesDoes(bool bankFile) const;
  // Names an old bank file in the data directory that this run did not write.
  void NoteBankFileOfAnotherRun(const ReaderContext& context);
  // The files a stopped run did not write, for the protocol.
  std::string NotWritten(bool bankFile) const;

  UserInterface& ui_;
  std::span<const ReaderEntry> readers_;
  SourceText loadedSource_;  // the source file as ValidateInputs loaded it
};

}  // namespace kd
