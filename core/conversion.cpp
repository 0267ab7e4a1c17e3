#include "conversion.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <new>

#include "doubts.h"
#include "recognition.h"
#include "recovery.h"
#include "text.h"
#include "textfile.h"

namespace kd {

bool IsYes(std::string_view setting) {
  return UpperAscii(TrimView(setting)) == "JA";
}

void PutFilesInPlace(const ReaderContext& context, RunOutput& output, UserInterface& ui) {
  output.PutInPlace();
  if (context.WritesBankFile()) {
    ui.ShowMessage(std::to_string(context.BankLineCount()) + " Bankverbindungen in der Datei " +
                       context.BankFilePath() + " gespeichert.",
                   "Datei erfolgreich hergestellt.", Icon::Information);
  }
}

// ---------------------------------------------------------------------------------------------
// Conversion

Conversion::Conversion(UserInterface& ui, std::span<const ReaderEntry> readers, FileSystem& files)
    : ui_(ui), readers_(readers), files_(files) {}

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
  if (ui_.ShowsSourceFile() && RegularFileExists(files_, settings.SourcePath)) {
    try {
      const SourceText contents = LoadSourceText(files_, settings.SourcePath);
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
  if (!RegularFileExists(files_, settings.SourcePath)) {
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
  loadedSource_ = LoadSourceText(files_, settings.SourcePath);
  ui_.ShowSourceFile("Quelldatei: " + source, loadedSource_.View());
  if (!RegularFileExists(files_, settings.DataDirectory + "Konfi-" + settings.PayrollYear)) {
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

// A bank file of an earlier run stays beside the new import file when this run writes none;
// Kandrel would read both.
void Conversion::NoteBankFileOfAnotherRun(const ReaderContext& context) {
  if (context.WritesBankFile()) return;
  const std::string path = context.BankFilePath();
  if (!RegularFileExists(files_, path)) return;
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
  lastRun = BeginRun(programName, settings);
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
      if (details.empty())
        details.push_back("Nicht geschrieben: " + NotWritten(settings, bankFile));
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
    const std::vector<std::string> repaired = RecoverDataDirectory(files_, settings.DataDirectory);
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

    FileOutput output(settings, text.size(), files_);
    const BareFileLookup bareFileLookup(bareFiles, settings.SourcePath, files_);
    ReaderContext context(text, settings, ui_, headerLine, columnTable, decimalSeparator,
                          bareFileLookup, output, protocol);
    for (const std::string& line : repaired) protocol.AddNote(line);
    reader->read(context);
    output.Complete();
    bankFile = context.WritesBankFile();
    protocol.Finish();

    // A doubtful run asks before anything is put in place.
    const Recognition recognition = RecognizeText(text, settings.SourcePath, readers_);
    const std::string doubts = Doubts(recognition, programName, protocol, context.Checks());
    if (!doubts.empty() &&
        !ui_.Ask(doubts + " " + WhatYesDoes(settings, bankFile, files_), kDoubtCaption)) {
      protocol.Stop("Die Frage vor dem Schreiben wurde mit Nein beantwortet: " + doubts,
                    {"Nicht geschrieben: " + NotWritten(settings, bankFile)});
      return RunResult::Stopped;
    }
    PutFilesInPlace(context, output, ui_);
    lastRun.importFileWritten = true;
    lastRun.bankFileWritten = context.WritesBankFile();
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
