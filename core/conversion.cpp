#include "conversion.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <new>

#include "plausibility.h"
#include "recognition.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

// A birth date in any form an export writes one: "01.02.1970", "1.2.70", "19700201".
bool LooksLikeDate(std::string_view value) {
  return FieldFits(value, FieldKind::Date) || FieldFits(value, FieldKind::CompactDate);
}

// The problem's letter at the head of a warning's detail (protocol.h).
std::string ProblemCode(InsuranceNumberProblem problem) {
  switch (problem) {
    case InsuranceNumberProblem::AreaNumber:
      return {kProblemArea};
    case InsuranceNumberProblem::BirthDatePart:
      return {kProblemDate};
    case InsuranceNumberProblem::CheckDigit:
      return {kProblemCheckDigit};
    default:
      return {kProblemForm};
  }
}

std::string ProblemCode(TaxIdProblem problem) {
  switch (problem) {
    case TaxIdProblem::LeadingZero:
      return {kProblemLeadingZero};
    case TaxIdProblem::DigitRule:
      return {kProblemDigitRule};
    case TaxIdProblem::CheckDigit:
      return {kProblemCheckDigit};
    default:
      return {kProblemForm};
  }
}

// The key of the first item whose value holds a control character.
std::string KeyOfControlCharacter(std::string_view record) {
  std::size_t at = 0;
  while (at < record.size() && static_cast<unsigned char>(record[at]) >= 0x20 &&
         record[at] != 0x7F) {
    ++at;
  }
  const std::size_t itemStart =
      record.rfind(';', at) == std::string_view::npos ? 0 : record.rfind(';', at) + 1;
  const std::size_t equals = record.find('=', itemStart);
  return std::string(record.substr(itemStart, equals == std::string_view::npos || equals > at
                                                  ? at - itemStart
                                                  : equals - itemStart));
}

}  // namespace

bool IsYes(std::string_view setting) {
  return UpperAscii(TrimView(setting)) == "JA";
}

// ---------------------------------------------------------------------------------------------
// Reader context

ReaderContext::ReaderContext(std::string_view sourceText, const ConversionSettings& settings,
                             UserInterface& ui, std::string_view headerLine,
                             ColumnTable& columnTable, char decimalSeparator,
                             BareFilePlaces bareFiles, Protocol* protocol, Output output)
    : sourceText_(sourceText),
      trial_(output == Output::Trial),
      settings_(settings),
      ui_(ui),
      headerLine_(headerLine),
      columnTable_(columnTable),
      decimalSeparator_(decimalSeparator),
      bareFiles_(std::move(bareFiles)),
      convertUmlauts_(IsYes(settings.ConvertUmlauts)),
      takeBankData_(IsYes(settings.TakeBankData)),
      protocol_(protocol != nullptr ? protocol : &ownProtocol_) {
  if (!trial_) {
    // The import and bank files go out in blocks; a small export needs no whole block.
    importFile_ = std::make_unique<StreamedFile>(settings.DataDirectory + kImportFileName);
    outputText_.reserve(std::min(kWriteBlock + 64 * 1024, 2 * sourceText_.size() + 4096));
  }
  protocol_->Start(takeBankData_);
  const std::string_view path = settings.SourcePath;
  const std::size_t cut = path.find_last_of("\\/");
  protocol_->BeginFile(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

ReaderContext::LineRange ReaderContext::Lines() {
  return {protocol_, &lineHasControlCharacter_, sourceText_};
}

ReaderContext::LineRange ReaderContext::Lines(std::string_view text, std::string_view fileName) {
  protocol_->BeginFile(fileName);
  return {protocol_, &lineHasControlCharacter_, text};
}

void ReaderContext::SkipLine(std::string_view line, SkipReason otherwise) {
  protocol_->Skip(line.empty()             ? SkipReason::EmptyLine
                  : TrimView(line).empty() ? SkipReason::BlankLine
                                           : otherwise);
}

void ReaderContext::SkipNonEmployeeLine(std::string_view line,
                                        bool (*isColumnLine)(std::string_view line)) {
  SkipReason reason = SkipReason::NoDigitAtStart;
  const bool firstLine = !protocol_->Lines().empty() && protocol_->Lines().back().number == 1 &&
                         protocol_->Lines().back().file == 0;
  if (firstLine && isColumnLine != nullptr && !StartsWithDigit(line) && isColumnLine(line)) {
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
  ++outputLineCount_;
  if (trial_) return;
  outputText_ += ConversionFlagLine(convertUmlauts_);
  outputText_ += "\r\n";
}

void ReaderContext::AddRecord(const RecordBuilder& record) {
  WriteRecord(record.Text());
  const std::string_view personnelNumber = record.Value(CheckedItem::PersonnelNumber);
  protocol_->Convert(personnelNumber, record.Value(CheckedItem::Name));
  CheckRecord(record);
}

// What Kandrel would stumble over in a record as written; a missing item reads as empty.
void ReaderContext::CheckRecord(const RecordBuilder& record) {
  const std::string_view personnelNumber = record.Value(CheckedItem::PersonnelNumber);
  if (personnelNumber.empty()) {
    protocol_->Warn(Warning::PersonnelNumberEmpty);
  } else if (!AllDigits(personnelNumber)) {
    protocol_->Warn(Warning::PersonnelNumberNotDigits);
  } else if (personnelNumber.size() > 4) {
    protocol_->Warn(Warning::PersonnelNumberTooLong);
  }
  bool plausible = true;
  if (!AllDigits(personnelNumber)) {
    ++withoutDigitNumber_;
    plausible = false;
  }
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  if (!IsCalendarDate(birthDate)) {
    protocol_->Warn(Warning::BirthDate, birthDate);
    if (!LooksLikeDate(birthDate)) {
      ++withoutBirthDate_;
      plausible = false;
    }
  }
  const std::string_view entryDate = record.Value(CheckedItem::EntryDate);
  if (!IsCalendarDate(entryDate)) protocol_->Warn(Warning::EntryDate, entryDate);
  if (!CheckValues(record)) plausible = false;
  if (plausible) ++plausibleRecords_;
}

// The values with rules of their own. False when a value that is there breaks its rule as a
// value from another column would: a missing value, a tax class in quotes or a control
// character are hints, but say nothing about where the reader took the values from.
bool ReaderContext::CheckValues(const RecordBuilder& record) {
  bool passed = true;
  const auto warn = [&](Warning warning, std::string detail) {
    protocol_->Warn(warning, detail);
    passed = false;
  };
  const auto hint = [&](Warning warning, std::string detail) { protocol_->Warn(warning, detail); };
  const std::string_view insuranceNumber = record.Value(CheckedItem::InsuranceNumber);
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  const InsuranceNumberProblem insurance = CheckInsuranceNumber(insuranceNumber, birthDate);
  if (insurance != InsuranceNumberProblem::None &&
      insurance != InsuranceNumberProblem::OtherBirthDate) {
    warn(Warning::InsuranceNumber, ProblemCode(insurance) + std::string(insuranceNumber));
  } else if (insurance == InsuranceNumberProblem::OtherBirthDate) {
    warn(Warning::InsuranceNumberBirthDate, kProblemBirthDate + std::string(insuranceNumber) +
                                                kDetailSeparator + std::string(birthDate));
  }
  const std::string_view taxId = record.Value(CheckedItem::TaxId);
  if (const TaxIdProblem problem = CheckTaxId(taxId); problem != TaxIdProblem::None) {
    warn(Warning::TaxId, ProblemCode(problem) + std::string(taxId));
  }
  const std::string_view place = record.Value(CheckedItem::Place);
  if (!PostcodeIsGerman(place)) {
    const std::string_view postcode = place.substr(0, place.find(' '));
    if (postcode.empty()) {
      hint(Warning::Postcode, {});
    } else {
      warn(Warning::Postcode, std::string(postcode));
    }
  }
  // Blanks alone are no tax class: nothing written.
  const std::string_view taxClass = record.Value(CheckedItem::TaxClass);
  if (!TaxClassIsKnown(TrimView(taxClass))) hint(Warning::TaxClass, std::string(taxClass));
  const std::string& text = record.Text();
  if (lineHasControlCharacter_ && HasControlCharacter(text)) {
    hint(Warning::ControlCharacter, KeyOfControlCharacter(text));
  }
  return passed;
}

void ReaderContext::WriteRecord(std::string_view record) {
  if (trial_) {
    ++outputLineCount_;
    return;
  }
  ui_.AppendRecord(record);
  outputText_ += record;
  outputText_ += "\r\n";
  ++outputLineCount_;
  if (outputText_.size() >= kWriteBlock) HandOverOutput();
}

void ReaderContext::HandOverOutput() {
  if (trial_) return;
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
  if (!BicFormIsValid(bank.bic)) protocol_->Warn(Warning::BicForm, bank.bic);
  if (trial_) {
    ++bankLineCount_;
    return;
  }
  if (bankText_.capacity() < 256) {
    bankText_.reserve(std::min(kWriteBlock + 4096, sourceText_.size() + 4096));
  }
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
  if (trial_) return;
  if (!bankFile_) bankFile_ = std::make_unique<StreamedFile>(BankFilePath());
  bankFile_->Write({bankText_.data(), bankText_.size()});
  bankText_.clear();
}

std::string ReaderContext::BankFilePath() const {
  return settings_.DataDirectory + "Bank-" + settings_.PayrollYear;
}

void ReaderContext::SaveBankFile() {
  bankFileSaved_ = true;
  if (trial_) return;
  HandOverBankText();
  bankFile_->Finish();
}

void ReaderContext::CompleteFiles() {
  if (trial_) return;
  HandOverOutput();
  importFile_->Finish();
}

void ReaderContext::PutFilesInPlace() {
  if (trial_) return;
  CompleteFiles();
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

// The path from the root as a person reads it (UTF-8): a bare name found in the current folder
// says too little about which file it was.
std::string FullPath(std::string_view path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(ToNativePath(path), ec);
  return ec ? std::string(path) : FromNativePath(full.lexically_normal());
}

}  // namespace

std::string ReaderContext::ReadBareFile(std::string_view name, BareFileHome home,
                                        std::string* foundAt) const {
  if (trial_) {
    if (foundAt != nullptr) foundAt->assign(name);
    return {};
  }
  const std::string first = InFolder(bareFiles_.directory, name);
  std::vector<std::string> places{first};
  if (!bareFiles_.programDirectory.empty()) {
    if (home == BareFileHome::Program) {
      places.push_back(InFolder(bareFiles_.programDirectory, name));
    } else {
      // VARIAL writes its bank file beside the export: a file of that name in the current
      // folder may belong to another client.
      places.insert(places.begin(), InFolder(FolderOf(settings_.SourcePath), name));
    }
  }
  for (const std::string& path : places) {
    if (!RegularFileExists(path)) continue;
    try {
      std::string contents = ReadWholeFile(path);
      if (foundAt != nullptr) *foundAt = FullPath(path);
      return contents;
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
    Refuse(
        "Im Feld \"Übernahme aus Programm:\" muss festgelegt werden, aus welchem Programm Daten "
        "übernommen werden sollen.",
        "Hinweis", Icon::Information);
    return -1;
  }
  const std::string upper = UpperAscii(programName);
  bool known = false;
  for (const ReaderEntry& entry : readers_) known = known || entry.program == upper;
  if (!known) {
    Refuse(
        "Es wurde in der Zeile \"Übernahme aus Programm\" ein falscher Programmname hinterlegt.\n"
        "Eine Übernahme ist so nicht möglich.",
        "Programmname " + program + " unbekannt.", Icon::Stop);
    return -1;
  }
  const std::string& source = settings.SourcePath;
  if (!RegularFileExists(settings.SourcePath)) {
    Refuse("Die angegebene Quelldatei >" + source + "< wurde nicht gefunden.",
           "Übergabe nicht möglich.", Icon::Stop);
    ui_.ShowSourceFile("Angegebene Datei nicht gefunden !", {});
    return -1;
  }
  if (UpperAscii(settings.SourcePath).find(".XLS") != std::string::npos) {
    Refuse("Sie haben eine XLS-Datei in " + program +
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
    Refuse("Entweder existiert das Datenverzeichnis >" + settings.DataDirectory +
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

void Conversion::Refuse(const std::string& text, const std::string& caption, Icon icon) {
  ui_.ShowMessage(text, caption, icon);
  protocol.Refuse(text);
}

std::string Conversion::Doubts(const Recognition& recognition, std::string_view programName,
                               const ReaderContext& context) const {
  std::string doubts;
  const auto add = [&doubts](const std::string& sentence) {
    if (!doubts.empty()) doubts += ' ';
    doubts += sentence;
  };
  if (RecognisedAsOther(recognition, programName)) {
    add(RecognitionHint(recognition, programName) + ".");
  }
  const std::size_t records = protocol.RecordsWritten();
  const std::size_t lines = protocol.LinesRead(0);
  if (records == 0) {
    add(lines == 0   ? "Die Quelldatei ist leer."
        : lines == 1 ? "Die einzige Zeile der Quelldatei ergibt keinen Datensatz."
                     : "Keine der " + std::to_string(lines) +
                           " Zeilen der Quelldatei ergibt einen Datensatz.");
  }
  // Every export of every layout gives its employees a personnel number of digits and a birth
  // date; when most records lack one, the columns were not where the reader takes them from.
  struct Lack {
    std::size_t count;
    const char* has;
    const char* lacks;
  };
  std::vector<Lack> lacks;
  for (const Lack lack :
       {Lack{context.RecordsWithoutDigitNumber(), "eine Personalnummer aus Ziffern",
             "keine Personalnummer aus Ziffern"},
        Lack{context.RecordsWithoutBirthDate(), "ein Geburtsdatum", "kein Geburtsdatum"}}) {
    if (records > 0 && 2 * lack.count > records) lacks.push_back(lack);
  }
  if (!lacks.empty()) {
    const std::string all = std::to_string(records);
    std::string sentence;
    if (records == 1) {
      sentence = std::string("Der einzige Datensatz hat ") + lacks[0].lacks;
      if (lacks.size() > 1) sentence += std::string(" und ") + lacks[1].lacks;
    } else {
      for (std::size_t i = 0; i < lacks.size(); ++i) {
        const Lack& lack = lacks[i];
        const bool none = lack.count == records;
        if (i == 0) {
          sentence =
              none ? "Keiner der " + all + " Datensätze hat " + lack.has
                   : std::to_string(lack.count) + " der " + all + " Datensätze haben " + lack.lacks;
        } else {
          sentence += none ? std::string(", keiner ") + lack.has
                           : ", " + std::to_string(lack.count) + " " + lack.lacks;
        }
      }
    }
    add(sentence + ".");
  }
  return doubts;
}

std::string Conversion::WhatYesDoes(bool bankFile) const {
  const std::string bankPath = settings.DataDirectory + "Bank-" + settings.PayrollYear;
  std::string names = kImportFileName;
  if (bankFile) names += " und Bank-" + settings.PayrollYear;
  const bool replaces =
      RegularFileExists(ImportFilePath()) || (bankFile && RegularFileExists(bankPath));
  return "Trotzdem " + names + (replaces ? " ersetzen?" : " schreiben?");
}

std::string Conversion::NotWritten(bool bankFile) const {
  return std::string(kImportFileName) +
         (bankFile ? " und Bank-" + settings.PayrollYear : std::string()) +
         "; die vorhandenen Dateien bleiben, wie sie waren.";
}

// A bank file of an earlier run stays beside the new import file when this run writes none;
// Kandrel would read both.
void Conversion::NoteBankFileOfAnotherRun(const ReaderContext& context) {
  if (context.WritesBankFile()) return;
  const std::string path = context.BankFilePath();
  if (!RegularFileExists(path)) return;
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(ToNativePath(path), ec);
  std::string when;
  if (!ec) {
    const std::time_t time =
        std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    const std::tm local = LocalCalendarTime(time);
    char text[32];
    std::strftime(text, sizeof text, " vom %d.%m.%Y %H:%M", &local);
    when = text;
  }
  const std::string why = context.TakeBankData()
                              ? "das Programm liefert keine Bankverbindungen"
                              : "\"Bankverbindungen übernehmen\" steht nicht auf Ja";
  protocol.AddNote("Bank-" + settings.PayrollYear + when + " gehört nicht zu dieser Übernahme (" +
                   why + "), liegt aber im Datenverzeichnis; Kandrel liest sie mit.");
}

RunResult Conversion::Run(std::string_view programName) {
  protocol = Protocol();
  bool bankFile = IsYes(settings.TakeBankData);
  // A run that stops after the reader began keeps in its protocol what happened until then:
  // nothing it prepared was written. A file error adds the system's reason, and after an old
  // file could not be put back, where each file of the pair stands.
  const auto stop = [this, &bankFile](const std::string& message,
                                      const FileError* fileError = nullptr) {
    ui_.ShowError(message);
    if (protocol.Started()) {
      const bool reason = fileError != nullptr && !fileError->Reason().empty();
      std::vector<std::string> details;
      if (fileError != nullptr) details = fileError->Details();
      if (details.empty()) details.push_back("Nicht geschrieben: " + NotWritten(bankFile));
      protocol.Stop(reason ? message + " (" + fileError->Reason() + ")" : message,
                    std::move(details));
      protocol.Finish();
    }
    return RunResult::Stopped;
  };
  try {
    if (ValidateInputs(programName) != 0) return RunResult::Stopped;
    // A run killed while it put its files in place left the data directory unfinished: it is
    // brought back to a whole pair before anything else happens there.
    const std::vector<std::string> repaired = RecoverDataDirectory(settings.DataDirectory);
    for (const std::string& line : repaired) protocol.AddNote(line);
    const SourceText contents = std::move(loadedSource_);
    loadedSource_ = SourceText();
    const std::string_view text = contents.View();
    std::string_view firstLine;
    LineCursor(text).Next(firstLine);
    if (!text.empty() && firstLine.find(';') == std::string_view::npos) {
      Refuse(
          "Kandrel erwartet eine CSV-Datei mit durch Semikolon getrennten Feldern. In der 1. "
          "Zeile der Datei ist aber kein Semikolon vorhanden.\n\n"
          "Überprüfen Sie bitte die Quelldatei.",
          "Übergabe nicht möglich.", Icon::Stop);
      return RunResult::Stopped;
    }
    const ReaderEntry* reader = ChooseReader(UpperAscii(programName), firstLine);
    if (reader == nullptr || reader->read == nullptr) return RunResult::Stopped;

    ReaderContext context(text, settings, ui_, headerLine, columnTable, decimalSeparator, bareFiles,
                          &protocol);
    for (const std::string& line : repaired) protocol.AddNote(line);
    reader->read(context);
    context.CompleteFiles();
    bankFile = context.WritesBankFile();
    protocol.Finish();

    // A doubtful run asks before anything is put in place.
    const Recognition recognition = RecognizeText(text, settings.SourcePath, readers_);
    const std::string doubts = Doubts(recognition, programName, context);
    if (!doubts.empty() && !ui_.Ask(doubts + " " + WhatYesDoes(bankFile), kDoubtCaption)) {
      protocol.Stop("Die Frage vor dem Schreiben wurde mit Nein beantwortet: " + doubts,
                    {"Nicht geschrieben: " + NotWritten(bankFile)});
      return RunResult::Stopped;
    }
    context.PutFilesInPlace();
    if (RecognisedAsOther(recognition, programName)) {
      const std::string hint = RecognitionHint(recognition, programName) + ".";
      protocol.AddNote(protocol.RecordsWritten() == 0 ? "Kein Datensatz übernommen: " + hint
                                                      : hint);
    }
    NoteBankFileOfAnotherRun(context);
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
