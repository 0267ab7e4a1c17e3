#include "readercontext.h"

#include "filesystem.h"

namespace kd {

ReaderContext::ReaderContext(std::string_view sourceText, const ConversionSettings& settings,
                             UserInterface& ui, std::string_view headerLine,
                             ColumnTable& columnTable, char decimalSeparator,
                             const BareFiles& bareFiles, RunOutput& output, Protocol& protocol)
    : sourceText_(sourceText),
      settings_(settings),
      ui_(ui),
      headerLine_(headerLine),
      columnTable_(columnTable),
      decimalSeparator_(decimalSeparator),
      bareFiles_(bareFiles),
      output_(output),
      protocol_(protocol),
      checks_(protocol),
      convertUmlauts_(IsYes(settings.ConvertUmlauts)),
      takeBankData_(IsYes(settings.TakeBankData)) {
  protocol_.Start(takeBankData_);
  protocol_.BeginFile(PathName(settings.SourcePath));
}

ReaderContext::LineRange ReaderContext::Lines() {
  return {&protocol_, &lineHasControlCharacter_, sourceText_};
}

ReaderContext::LineRange ReaderContext::Lines(std::string_view text, std::string_view fileName) {
  protocol_.BeginFile(fileName);
  return {&protocol_, &lineHasControlCharacter_, text};
}

void ReaderContext::SkipLine(std::string_view line, SkipReason otherwise) {
  protocol_.Skip(line.empty()             ? SkipReason::EmptyLine
                 : TrimView(line).empty() ? SkipReason::BlankLine
                                          : otherwise);
}

void ReaderContext::SkipNonEmployeeLine(std::string_view line,
                                        bool (*isColumnLine)(std::string_view line)) {
  SkipReason reason = SkipReason::NoDigitAtStart;
  const bool firstLine = !protocol_.Lines().empty() && protocol_.Lines().back().number == 1 &&
                         protocol_.Lines().back().file == 0;
  if (firstLine && isColumnLine != nullptr && !StartsWithDigit(line) && isColumnLine(line)) {
    reason = SkipReason::ColumnLine;
  } else if (line.size() == 1) {
    reason = SkipReason::OneCharacter;
  }
  SkipLine(line, reason);
}

void ReaderContext::BankDataUnused(Warning warning, std::string_view value) {
  if (!TrimView(value).empty()) protocol_.Warn(warning, value);
}

void ReaderContext::AddFlagLine() {
  ++outputLineCount_;
  output_.AddImportLine(ConversionFlagLine(convertUmlauts_));
}

void ReaderContext::AddRecord(const RecordBuilder& record) {
  ui_.AppendRecord(record.Text());
  output_.AddImportLine(record.Text());
  ++outputLineCount_;
  protocol_.Convert(record.Value(CheckedItem::PersonnelNumber), record.Value(CheckedItem::Name));
  checks_.Record(record, lineHasControlCharacter_);
}

void ReaderContext::AddBankLine(const BankConnection& bank) {
  // A line of the bank connection file read with the export stands for its bank line.
  const bool ofExport = protocol_.Lines().empty() || protocol_.Lines().back().file == 0;
  if (!ofExport) protocol_.Convert(bank.personnelNumber, bank.holder);
  protocol_.MarkBankLine();
  checks_.BankLine(bank, ofExport);
  output_.AddBankLine(bank, convertUmlauts_);
  ++bankLineCount_;
}

void ReaderContext::SaveBankFile() {
  bankFileSaved_ = true;
  output_.SaveBankFile();
}

}  // namespace kd
