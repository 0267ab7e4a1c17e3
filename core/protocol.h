// The protocol of a run: what became of every line of the export (and of VARIAL's bank
// connection file), and what Kandrel would stumble over. It is collected while the reader runs
// and never changes a written byte or a message of the run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "largetext.h"

namespace kd {

enum class LineResult : std::uint8_t { Converted, Skipped };

// Why a reader took no record from a line. Each reader names the reason where it skips a line.
enum class SkipReason : std::uint8_t {
  ColumnLine,                 // the export's first line, naming its columns
  EmptyLine,                  // nothing in it
  BlankLine,                  // blanks only
  OneCharacter,               // too short to hold a personnel number and a separator
  NoDigitAtStart,             // employee lines begin with their personnel number
  PersonnelNumberOutOfRange,  // Kandrel takes personnel numbers 1 to 9998
  SurnameNotUsable,           // empty, or beginning with a digit, a blank or a punctuation mark
  PositionTest,               // a fixed-width line whose characters 1 and 10 are no employee's
  NoUsableIban,               // a bank connection without an IBAN of more than 8 characters
  NotRead,                    // the reader passed the line without saying why (never expected)
};
inline constexpr int kSkipReasonCount = 10;

// What may need a second look on a line that became a record. None of them changes a record or
// a bank line.
enum class Warning : std::uint8_t {
  PersonnelNumberEmpty,
  PersonnelNumberNotDigits,
  PersonnelNumberTooLong,
  PersonnelNumberShortened,
  PersonnelNumberTwice,
  IbanTooShort,          // an IBAN of 8 characters or fewer: no bank line
  BankCodeNotEight,      // a bank code of another length than 8: no bank line
  IbanCheckDigits,       // ISO 13616, modulo 97
  IbanLength,            // not the length of its country
  BicNotInBankCodeList,  // so the bank name stays empty
  ColumnShift,           // the Lexware column shift switched on here
  BirthDate,             // empty or not DD.MM.YYYY
  EntryDate,
  InsuranceNumber,           // not the form of a social insurance number, or its check digit
  InsuranceNumberBirthDate,  // its birth date part is not the employee's birth date
  TaxId,                     // not 11 digits, their rules or the check digit
  Postcode,                  // not five digits
  TaxClass,                  // none of the values a reader writes
  BicForm,                   // not 8 or 11 characters of the form of a BIC
  ControlCharacter,          // a byte below 32 (or 127) inside a written field
};
inline constexpr int kWarningCount = 20;

// The detail of a warning on a value that breaks a rule of its own begins with the problem.
inline constexpr char kProblemForm = 'F';
inline constexpr char kProblemArea = 'A';
inline constexpr char kProblemBirthDate = 'B';
inline constexpr char kProblemDate = 'D';
inline constexpr char kProblemCheckDigit = 'C';
inline constexpr char kProblemLeadingZero = 'Z';
inline constexpr char kProblemDigitRule = 'R';
// Separates the value from the birth date it should carry.
inline constexpr char kDetailSeparator = '\x1F';

// Texts a person reads (UTF-8): a skip reason, and a warning's title for the summary.
std::string_view SkipReasonText(SkipReason reason);
std::string_view WarningTitle(Warning warning);

class Protocol {
 public:
  struct Line {
    std::uint32_t number = 0;  // counted from 1 in its file, as the file was loaded
    std::uint8_t file = 0;     // index into Files()
    LineResult result = LineResult::Skipped;
    SkipReason reason = SkipReason::NotRead;
    bool bankLine = false;         // a bank line was written for it
    std::uint16_t numberSize = 0;  // length of its personnel number
    std::uint32_t warnings = 0;    // bits by Warning
    // Before Finish: 1 + the slot counting its personnel number; after: 1 + index of the group
    // of lines sharing it, or 0.
    std::uint32_t twinGroup = 0;
    std::uint32_t text = 0;  // where its personnel number and name are kept
    // Empty and blank lines that follow each other are kept as one entry: the number of lines
    // it stands for, from `number` on.
    std::uint32_t count = 1;
    bool Has(Warning w) const { return (warnings >> static_cast<int>(w)) & 1u; }
  };

  // ---- Reading the protocol

  // The files whose lines it holds, by name without their folder (UTF-8).
  const std::vector<std::string>& Files() const { return files_; }
  using LineList = std::vector<Line, LargeAllocator<Line>>;
  // One entry per line of the files, but for runs of empty or blank lines (Line::count).
  const LineList& Lines() const { return lines_; }
  // The record's personnel number and name as written (Windows-1252); empty for skipped lines.
  std::string_view PersonnelNumber(const Line& line) const;
  std::string_view Name(const Line& line) const;
  // The reason of a skipped line or the warnings of a converted one, joined by " / " (UTF-8).
  // `line` is one of Lines().
  std::string Hint(const Line& line) const;
  // "übernommen", "übersprungen", or for a line whose record was not written because the run
  // stopped, "nicht übernommen (Übernahme abgebrochen)".
  std::string_view ResultText(const Line& line) const;
  // Skipped lines and lines with warnings are those a person should look at.
  static bool NeedsAttention(const Line& line) {
    return line.result == LineResult::Skipped || line.warnings != 0;
  }
  // Lines with warnings and skipped lines that could have been employees (not the column line,
  // nor empty or blank lines).
  std::size_t AttentionCount() const;

  std::size_t LinesRead(std::size_t file) const;
  // The records and bank lines the reader produced; they reached the files unless the run
  // stopped.
  std::size_t RecordsWritten() const { return records_; }
  std::size_t BankLinesWritten() const { return bankLines_; }
  std::size_t Skipped(SkipReason reason) const { return skipped_[static_cast<int>(reason)]; }
  std::size_t Warnings(Warning warning) const { return warned_[static_cast<int>(warning)]; }
  // True once a reader began; false for a run refused before.
  bool Started() const { return started_; }
  // True when the run stopped after the reader began: nothing was written.
  bool Stopped() const { return !stopMessage_.empty(); }
  // The message of a run refused before it read the export (UTF-8); empty otherwise.
  const std::string& Refusal() const { return refusal_; }

  // The summary, one line each (UTF-8): lines read, records written, bank lines written, lines
  // skipped by reason, warnings by kind, and how the run ended when it stopped.
  std::vector<std::string> Summary() const;

  // The protocol as CSV: UTF-8 with a byte-order mark, lines ended by CR LF, separated by ";";
  // a row per line of the files, then the summary, one row per line. A cell that a spreadsheet
  // would take for a formula begins with an apostrophe.
  std::string Csv() const;
  // Writes Csv() to `path`, replacing the file; throws FileError::CannotCreate.
  void WriteCsv(std::string_view path) const;

  // ---- Collecting (the reader context)

  void Start(bool bankSetting);
  // Begins the lines of another file; `name` (UTF-8) is shown as it is given: the export's name,
  // or the path of a file found elsewhere.
  void BeginFile(std::string_view name);
  // The next line of the current file; it counts as skipped without reason until told.
  void NextLine();
  void Skip(SkipReason reason);
  // The current line became a record with this personnel number and name.
  void Convert(std::string_view personnelNumber, std::string_view name);
  void MarkBankLine();
  // `detail` completes the warning's text (a value, a BIC) where it has one.
  void Warn(Warning warning, std::string_view detail = {});
  // A value that breaks a rule of its own: the problem's letter (kProblemForm, ...), the value
  // as written, and for a value that disagrees with another, that other value.
  void Warn(Warning warning, char problem, std::string_view value, std::string_view other = {});
  // After the reader, or when the run stopped: finds the personnel numbers written twice.
  void Finish();
  // The run stopped after the reader started and wrote nothing; `message` is what the person
  // was shown or asked (UTF-8), `details` further lines for the summary (the system's reason,
  // which files stayed as they were).
  void Stop(std::string_view message, std::vector<std::string> details = {}) {
    stopMessage_ = message;
    stopDetails_ = std::move(details);
  }
  // The run was refused before it read the export, with this message (UTF-8).
  void Refuse(std::string_view message) { refusal_ = message; }
  // A note on the export as a whole, such as a program that fits it better (UTF-8).
  void AddNote(std::string note) { notes_.push_back(std::move(note)); }

 private:
  struct Detail {
    std::uint32_t line;
    std::uint32_t at;  // in detailText_
    std::uint32_t size;
    Warning warning;
  };
  static constexpr std::uint32_t kNoText = 0xFFFFFFFF;
  // Skipped lines that could not have been an employee: they need no look.
  static bool IsBlankReason(SkipReason reason);
  std::string_view Stored(std::uint32_t at) const;
  // The detail of a warning of the line at `index`; empty when it has none.
  std::string_view DetailOf(std::size_t index, Warning warning) const;
  void MergeBlankRun();
  // A line skipped after the Lexware column shift began, in the file where it began.
  bool SkippedWhileShifted(std::size_t index, const Line& line) const;
  std::string WarningHint(std::size_t index, const Line& line, Warning warning) const;

  bool started_ = false;
  bool bankSetting_ = false;
  std::vector<std::string> files_;
  std::vector<std::size_t> fileLines_;
  // Big exports have hundreds of thousands of lines: both lists live in large pages.
  LineList lines_;
  LargeText texts_;  // personnel number, NUL, name, NUL of every converted line
  std::vector<Detail, LargeAllocator<Detail>> details_;  // in line order
  LargeText detailText_;
  std::uint32_t TwinSlot(std::string_view personnelNumber);
  std::vector<std::uint32_t> twinCounts_;  // lines by slot of their personnel number
  std::unordered_map<std::uint64_t, std::uint32_t> bigNumberSlots_;
  std::unordered_map<std::string, std::uint32_t> textSlots_;
  bool twinsFound_ = false;
  std::vector<std::vector<std::uint32_t>> twins_;  // line indices sharing a personnel number
  std::size_t records_ = 0;
  std::size_t bankLines_ = 0;
  std::size_t skipped_[kSkipReasonCount] = {};
  std::size_t warned_[kWarningCount] = {};
  std::size_t shiftLine_ = 0;  // 1 + index of the line where the column shift began
  std::size_t skippedWhileShifted_ = 0;
  std::size_t attention_ = 0;
  std::string stopMessage_;
  std::vector<std::string> stopDetails_;
  std::string refusal_;
  std::vector<std::string> notes_;
};

}  // namespace kd
