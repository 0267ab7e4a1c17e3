// What a reader works with: the export's lines, the settings, where its records and bank lines
// go, the protocol and the window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "barefiles.h"
#include "fields.h"
#include "importformat.h"
#include "protocol.h"
#include "readerentry.h"
#include "recordchecks.h"
#include "runoutput.h"
#include "settings.h"
#include "text.h"
#include "ui.h"

namespace kd {

class ReaderContext {
 public:
  // `sourceText`: the export's whole text. Records and bank lines go to `output`, what became of
  // every line to `protocol`; files with fixed bare names are read through `bareFiles`.
  ReaderContext(std::string_view sourceText, const ConversionSettings& settings, UserInterface& ui,
                std::string_view headerLine, ColumnTable& columnTable, char decimalSeparator,
                const BareFiles& bareFiles, RunOutput& output, Protocol& protocol);
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
  void Skip(SkipReason reason) { protocol_.Skip(reason); }
  // The same for `line`: empty, blanks only, or else `otherwise`.
  void SkipLine(std::string_view line, SkipReason otherwise);
  // The current line is no employee line: empty, blanks only, the column line (the first line
  // of the file, when `isColumnLine` says it is the layout's own), a single character, or not
  // beginning with a digit. A layout without a column line passes null.
  void SkipNonEmployeeLine(std::string_view line, bool (*isColumnLine)(std::string_view line));
  // Something on the current line that Kandrel may stumble over.
  void Warn(Warning warning, std::string_view detail = {}) { protocol_.Warn(warning, detail); }
  // Bank data that give no bank line: a warning when there are any (`value` not blank).
  void BankDataUnused(Warning warning, std::string_view value);
  // Appends the bank line of `bank` to the bank file, converted to the OEM code page when
  // umlauts are to be converted. The protocol checks the IBAN.
  void AddBankLine(const BankConnection& bank);
  // Completes the bank file DataDirectory + "Bank-" + PayrollYear (also when it holds no line).
  // It is put in place together with the import file, and its message shown then.
  void SaveBankFile();
  // DataDirectory + "Bank-" + PayrollYear.
  std::string BankFilePath() const { return kd::BankFilePath(settings_); }

  // The contents of a file with a fixed bare name, and in `foundAt` the full path it was read
  // from (UTF-8). Throws FileError naming the bare name.
  std::string ReadBareFile(std::string_view name, BareFileHome home,
                           std::string* foundAt = nullptr) const {
    return bareFiles_.Read(name, home, foundAt);
  }

  // The lines of the import file so far (the flag line counts), and the bank lines.
  std::size_t OutputLineCount() const { return outputLineCount_; }
  std::size_t BankLineCount() const { return bankLineCount_; }
  // True once the reader saved a bank file.
  bool WritesBankFile() const { return bankFileSaved_; }
  // What the checks of every record found.
  const RecordChecks& Checks() const { return checks_; }

 private:
  std::string_view sourceText_;
  const ConversionSettings& settings_;
  UserInterface& ui_;
  std::string_view headerLine_;
  ColumnTable& columnTable_;
  char decimalSeparator_;
  const BareFiles& bareFiles_;
  RunOutput& output_;
  Protocol& protocol_;
  RecordChecks checks_;
  bool convertUmlauts_;
  bool takeBankData_;
  std::size_t outputLineCount_ = 0;
  std::size_t bankLineCount_ = 0;
  bool bankFileSaved_ = false;
  // Whether the line the reader took last holds a control character.
  bool lineHasControlCharacter_ = false;
};

}  // namespace kd
