#include "conversion.h"

#include <algorithm>
#include <new>

#include "recognition.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace kd {

bool IsYes(std::string_view setting) {
  return UpperAscii(TrimView(setting)) == "JA";
}

// ---------------------------------------------------------------------------------------------
// Reader context

ReaderContext::ReaderContext(const std::vector<std::string_view>& sourceLines,
                             const ConversionSettings& settings, UserInterface& ui,
                             std::string_view headerLine, ColumnTable& columnTable,
                             char decimalSeparator, BareFilePlaces bareFiles, Protocol* protocol)
    : sourceLines_(sourceLines),
      settings_(settings),
      ui_(ui),
      headerLine_(headerLine),
      columnTable_(columnTable),
      decimalSeparator_(decimalSeparator),
      bareFiles_(std::move(bareFiles)),
      convertUmlauts_(IsYes(settings.ConvertUmlauts)),
      takeBankData_(IsYes(settings.TakeBankData)),
      importFile_(std::make_unique<StreamedFile>(settings.DataDirectory + kImportFileName)),
      protocol_(protocol != nullptr ? protocol : &ownProtocol_) {
  outputText_.reserve(kWriteBlock + 64 * 1024);
  protocol_->Start(takeBankData_);
  protocol_->BeginFile(settings.SourcePath);
  protocol_->Reserve(sourceLines.size());
}

ReaderContext::LineRange ReaderContext::Lines() {
  return {protocol_, sourceLines_};
}

ReaderContext::LineRange ReaderContext::Lines(const std::vector<std::string_view>& lines,
                                              std::string_view fileName) {
  protocol_->BeginFile(fileName);
  protocol_->Reserve(lines.size());
  return {protocol_, lines};
}

void ReaderContext::SkipLine(std::string_view line, SkipReason otherwise) {
  protocol_->Skip(line.empty()             ? SkipReason::EmptyLine
                  : TrimView(line).empty() ? SkipReason::BlankLine
                                           : otherwise);
}

void ReaderContext::SkipNonEmployeeLine(std::string_view line) {
  SkipReason reason = SkipReason::NoDigitAtStart;
  if (!protocol_->Lines().empty() && protocol_->Lines().back().number == 1 &&
      !StartsWithDigit(line)) {
    reason = SkipReason::ColumnLine;
  } else if (line.size() == 1) {
    reason = SkipReason::OneCharacter;
  }
  SkipLine(line, reason);
}

void ReaderContext::BankDataUnused(Warning warning, std::string_view value) {
  if (!TrimView(value).empty()) protocol_->Warn(warning, value);
}

ReaderContext::~ReaderContext() = default;

void ReaderContext::AddFlagLine() {
  outputText_ += ConversionFlagLine(convertUmlauts_);
  outputText_ += "\r\n";
  ++outputLineCount_;
}

void ReaderContext::AddRecord(const RecordBuilder& record) {
  WriteRecord(record.Text());
  const std::string_view personnelNumber = record.Value(CheckedItem::PersonnelNumber);
  protocol_->Convert(personnelNumber, record.Value(CheckedItem::Name));
  if (personnelNumber.empty()) {
    protocol_->Warn(Warning::PersonnelNumberEmpty);
  } else if (!AllDigits(personnelNumber)) {
    protocol_->Warn(Warning::PersonnelNumberNotDigits);
  } else if (personnelNumber.size() > 4) {
    protocol_->Warn(Warning::PersonnelNumberTooLong);
  }
  // A missing date item reads as an empty date.
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  if (!IsCalendarDate(birthDate)) protocol_->Warn(Warning::BirthDate, birthDate);
  const std::string_view entryDate = record.Value(CheckedItem::EntryDate);
  if (!IsCalendarDate(entryDate)) protocol_->Warn(Warning::EntryDate, entryDate);
}

void ReaderContext::WriteRecord(std::string_view record) {
  ui_.AppendRecord(record);
  outputText_ += record;
  outputText_ += "\r\n";
  ++outputLineCount_;
  if (outputText_.size() >= kWriteBlock) HandOverOutput();
}

void ReaderContext::HandOverOutput() {
  importFile_->Write({outputText_.data(), outputText_.size()});
  outputText_.clear();
}

void ReaderContext::AddBankLine(const BankConnection& bank) {
  // A line of the bank connection file read with the export stands for its bank line.
  if (!protocol_->Lines().empty() && protocol_->Lines().back().file != 0) {
    protocol_->Convert(bank.personnelNumber, bank.holder);
  }
  protocol_->MarkBankLine();
  if (!bank.iban.empty()) CheckIban(bank.iban);
  if (bankText_.capacity() < 256) bankText_.reserve(kWriteBlock + 4096);
  const std::size_t start = bankText_.size();
  AppendBankLine(bankText_, bank);
  if (convertUmlauts_) CharToOemInPlace(bankText_.data() + start, bankText_.size() - start);
  bankText_ += "\r\n";
  ++bankLineCount_;
  if (bankText_.size() >= kWriteBlock) HandOverBankText();
}

void ReaderContext::CheckIban(std::string_view field) {
  // Some readers fill the IBAN field with blanks (GDI); the IBAN itself has none.
  std::string_view iban = field;
  std::string withoutBlanks;
  if (field.find(' ') != std::string_view::npos) {
    withoutBlanks = StripBlanks(field);
    iban = withoutBlanks;
  }
  if (iban.empty()) return;
  if (!IbanCheckDigitsValid(iban)) protocol_->Warn(Warning::IbanCheckDigits, iban);
  const std::size_t length = IbanLengthOfCountry(iban);
  if (length != 0 && length != iban.size()) protocol_->Warn(Warning::IbanLength, iban);
}

void ReaderContext::HandOverBankText() {
  if (!bankFile_) bankFile_ = std::make_unique<StreamedFile>(BankFilePath());
  bankFile_->Write({bankText_.data(), bankText_.size()});
  bankText_.clear();
}

std::string ReaderContext::BankFilePath() const {
  return settings_.DataDirectory + "Bank-" + settings_.PayrollYear;
}

void ReaderContext::SaveBankFile() {
  HandOverBankText();
  bankFile_->Finish();
  bankFileSaved_ = true;
}

void ReaderContext::PutFilesInPlace() {
  HandOverOutput();
  importFile_->Finish();
  PutInPlace({bankFileSaved_ ? bankFile_.get() : nullptr, importFile_.get()});
  if (bankFileSaved_) {
    ui_.ShowMessage(std::to_string(bankLineCount_) + " Bankverbindungen in der Datei " +
                        BankFilePath() + " gespeichert.",
                    "Datei erfolgreich hergestellt.", Icon::Information);
  }
}

namespace {

std::string InFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != kPathSeparator && path.back() != '/') path += kPathSeparator;
  return path + std::string(name);
}

// The folder part of a path, with its separator; empty for a bare name.
std::string_view FolderOf(std::string_view path) {
  const std::size_t cut = path.find_last_of(kPathSeparator == '/' ? "/" : "\\/");
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

}  // namespace

std::string ReaderContext::ReadBareFile(std::string_view name, BareFileHome home) const {
  std::vector<std::string> places{InFolder(bareFiles_.directory, name)};
  if (!bareFiles_.programDirectory.empty()) {
    const std::string_view second = home == BareFileHome::Program
                                        ? std::string_view(bareFiles_.programDirectory)
                                        : FolderOf(settings_.SourcePath);
    places.push_back(InFolder(second, name));
  }
  for (const std::string& path : places) {
    if (!RegularFileExists(path)) continue;
    try {
      return ReadWholeFile(path);
    } catch (const FileError& error) {
      throw FileError(FileError::CannotOpen(name).what(), error.Reason());
    }
  }
  throw FileError::CannotOpen(name, {Failure::FileMissing, {}});
}

// ---------------------------------------------------------------------------------------------
// Conversion

Conversion::Conversion(UserInterface& ui, std::span<const ReaderEntry> readers)
    : ui_(ui), readers_(readers) {}

void Conversion::ReadSettings(const std::vector<std::string>& settingsLines,
                              std::string_view programName) {
  const auto line = [&](std::size_t i) -> std::string {
    return i < settingsLines.size() ? settingsLines[i] : std::string();
  };
  settings.SourcePath = line(0);
  settings.DataDirectory = line(1);
  settings.ConvertUmlauts = UpperAscii(TrimView(line(2)));
  settings.TakeBankData = UpperAscii(TrimView(line(3)));
  settings.PayrollYear = line(4);
  if (settings.DataDirectory.empty() || settings.DataDirectory.back() != kPathSeparator) {
    settings.DataDirectory += kPathSeparator;
  }
  if (ui_.ShowsSourceFile() && RegularFileExists(settings.SourcePath)) {
    try {
      const SourceText contents = LoadSourceText(settings.SourcePath);
      ui_.ShowSourceFile("Datei aus " + Cp1252ToUtf8(programName) + ": " + settings.SourcePath,
                         contents.View());
    } catch (const std::exception&) {
      // An unreadable file (or one too big for the memory) is reported when a run loads it.
    }
  }
}

int Conversion::ValidateInputs(std::string_view programName) {
  loadedSource_ = SourceText();
  const std::string program = Cp1252ToUtf8(programName);
  if (programName.empty()) {
    ui_.ShowMessage(
        "Im Feld \"Übernahme aus Programm:\" muss festgelegt werden, aus welchem Programm Daten "
        "übernommen werden sollen.",
        "Hinweis", Icon::Information);
    return -1;
  }
  const std::string upper = UpperAscii(programName);
  bool known = false;
  for (const ReaderEntry& entry : readers_) known = known || entry.program == upper;
  if (!known) {
    ui_.ShowMessage(
        "Es wurde in der Zeile \"Übernahme aus Programm\" ein falscher Programmname hinterlegt.\n"
        "Eine Übernahme ist so nicht möglich.",
        "Programmname " + program + " unbekannt.", Icon::Stop);
    return -1;
  }
  const std::string& source = settings.SourcePath;
  if (!RegularFileExists(settings.SourcePath)) {
    ui_.ShowMessage("Die angegebene Quelldatei >" + source + "< wurde nicht gefunden.",
                    "Übergabe nicht möglich.", Icon::Stop);
    ui_.ShowSourceFile("Angegebene Datei nicht gefunden !", {});
    return -1;
  }
  if (UpperAscii(settings.SourcePath).find(".XLS") != std::string::npos) {
    ui_.ShowMessage("Sie haben eine XLS-Datei in " + program +
                        " erstellt. Zur Übernahme sind aber nur CSV bzw. TXT-Dateien geeignet.\n\n"
                        "Laden Sie die Datei " +
                        source +
                        " in EXCEL und wählen dann Speichern als CSV-Datei. \n\n"
                        "Diese CSV-Datei sollte sich dann übernehmen lassen.",
                    "Übergabe nicht möglich.", Icon::Stop);
    return -1;
  }
  loadedSource_ = LoadSourceText(settings.SourcePath);
  ui_.ShowSourceFile("Quelldatei: " + source, loadedSource_.View());
  if (!RegularFileExists(settings.DataDirectory + "Konfi-" + settings.PayrollYear)) {
    ui_.ShowMessage("Entweder existiert das Datenverzeichnis >" + settings.DataDirectory +
                        "< nicht oder es enthält keinerlei Lohndaten.",
                    "Übergabe nicht möglich.", Icon::Stop);
    return -1;
  }
  return 0;
}

const ReaderEntry* Conversion::ChooseReader(std::string_view upperName,
                                            std::string_view firstLine) {
  for (const ReaderEntry& entry : readers_) {
    if (entry.program != upperName) continue;
    if (entry.keepsHeaderLine) {
      headerLine.assign(firstLine);
      headerLine += ';';
    }
    if (entry.applies == nullptr || entry.applies(headerLine)) return &entry;
  }
  return nullptr;
}

// A file that looks like another program's export than the one chosen explains an empty import
// file, or records whose items come from the wrong columns.
void Conversion::NoteOtherProgram(std::string_view text, std::string_view programName) {
  const Recognition recognition = RecognizeText(text, settings.SourcePath, readers_);
  if (!RecognisedAsOther(recognition, programName)) return;
  const std::string hint = RecognitionHint(recognition, programName) + ".";
  protocol.AddNote(protocol.RecordsWritten() == 0 ? "Kein Datensatz übernommen: " + hint : hint);
}

RunResult Conversion::Run(std::string_view programName) {
  protocol = Protocol();
  // A run that stops after the reader began keeps in its protocol what happened until then.
  // A file error adds the system's reason, and where old files lie that could not be put back.
  const auto stop = [this](const std::string& message, const FileError* fileError = nullptr) {
    ui_.ShowError(message);
    if (protocol.Started()) {
      const bool reason = fileError != nullptr && !fileError->Reason().empty();
      protocol.Stop(reason ? message + " (" + fileError->Reason() + ")" : message);
      if (fileError != nullptr) {
        for (const std::string& line : fileError->Details()) protocol.AddNote(line);
      }
      protocol.Finish();
    }
    return RunResult::Stopped;
  };
  try {
    if (ValidateInputs(programName) != 0) return RunResult::Stopped;
    const SourceText contents = std::move(loadedSource_);
    loadedSource_ = SourceText();
    const std::vector<std::string_view> sourceLines = SplitLines(contents.View());
    if (!sourceLines.empty() && sourceLines.front().find(';') == std::string_view::npos) {
      ui_.ShowMessage(
          "Kandrel erwartet eine CSV-Datei mit durch Semikolon getrennten Feldern. In der 1. "
          "Zeile der Datei ist aber kein Semikolon vorhanden.\n\n"
          "Überprüfen Sie bitte die Quelldatei.",
          "Übergabe nicht möglich.", Icon::Stop);
      return RunResult::Stopped;
    }
    const std::string_view firstLine =
        sourceLines.empty() ? std::string_view() : sourceLines.front();
    const ReaderEntry* reader = ChooseReader(UpperAscii(programName), firstLine);
    if (reader == nullptr || reader->read == nullptr) return RunResult::Stopped;

    ReaderContext context(sourceLines, settings, ui_, headerLine, columnTable, decimalSeparator,
                          bareFiles, &protocol);
    reader->read(context);
    context.PutFilesInPlace();
    protocol.Finish();
    NoteOtherProgram(contents.View(), programName);
    const std::size_t lines = context.OutputLineCount();
    ui_.ShowMessage(std::to_string(lines == 0 ? 0 : lines - 1) + " Datensätze in der Datei " +
                        ImportFilePath() + " gespeichert.",
                    "Datei erfolgreich hergestellt.", Icon::Information);
    return RunResult::Written;
  } catch (const FileError& error) {
    return stop(error.what(), &error);
  } catch (const std::bad_alloc&) {
    return stop("Nicht genügend Arbeitsspeicher, um die Datei " + settings.SourcePath +
                " zu übernehmen.");
  } catch (const std::exception& error) {
    return stop("Unerwarteter Fehler bei der Übernahme der Datei " + settings.SourcePath + ": " +
                error.what());
  } catch (...) {
    return stop("Unerwarteter Fehler bei der Übernahme der Datei " + settings.SourcePath + ".");
  }
}

}  // namespace kd
