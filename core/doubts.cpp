#include "doubts.h"

#include <vector>

#include "importformat.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

// A value as the question quotes it: without the blanks that fill fixed-width fields, shortened
// when long, in German quotation marks.
std::string Quoted(std::string_view value) {
  constexpr std::size_t kLongest = 30;
  std::string shown;
  for (const char c : TrimView(value)) {
    if (c != ' ' || (!shown.empty() && shown.back() != ' ')) shown += c;
  }
  const bool cut = shown.size() > kLongest;
  if (cut) shown.resize(kLongest);
  return "„" + Cp1252ToUtf8(shown) + (cut ? "…" : "") + "“";
}

// "In 34 von 36 Datensätzen passen die Werte nicht zu sage: z. B. Versicherungsnummer „ja“,
// Straße „187“."
// Keys that a sentence before already named are no examples.
std::string FitSentence(const RecordFit& fit, std::string_view programName,
                        const std::vector<FormKey>& named) {
  const std::size_t records = fit.Records();
  const std::size_t misfits = fit.MisfitRecords();
  std::string sentence =
      records == 1 ? std::string("Im einzigen Datensatz")
      : misfits == records
          ? "In allen " + std::to_string(records) + " Datensätzen"
          : "In " + std::to_string(misfits) + " von " + std::to_string(records) + " Datensätzen";
  sentence += " passen die Werte nicht zu " + Cp1252ToUtf8(ProgramListName(programName));
  const std::vector<RecordFit::Example> examples = fit.Examples(2, named);
  for (std::size_t i = 0; i < examples.size(); ++i) {
    sentence += i == 0 ? ": z. B. " : ", ";
    sentence += std::string(FormKeyName(examples[i].key)) + " " + Quoted(examples[i].value);
  }
  return sentence + ".";
}

}  // namespace

std::string Doubts(const Recognition& recognition, std::string_view programName,
                   const Protocol& protocol, const RecordChecks& checks) {
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
       {Lack{checks.RecordsWithoutDigitNumber(), "eine Personalnummer aus Ziffern",
             "keine Personalnummer aus Ziffern"},
        Lack{checks.RecordsWithoutBirthDate(), "ein Geburtsdatum", "kein Geburtsdatum"}}) {
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
  const RecordFit& fit = checks.Fit();
  if (records > 0 && !fit.ExportFits()) {
    std::vector<FormKey> named;
    if (2 * checks.RecordsWithoutDigitNumber() > records) named.push_back(FormKey::PersonnelNumber);
    if (2 * checks.RecordsWithoutBirthDate() > records) named.push_back(FormKey::BirthDate);
    add(FitSentence(fit, programName, named));
  }
  return doubts;
}

std::string WhatYesDoes(const ConversionSettings& settings, bool bankFile, FileSystem& files) {
  const std::string bankPath = settings.DataDirectory + "Bank-" + settings.PayrollYear;
  std::string names = kImportFileName;
  if (bankFile) names += " und Bank-" + settings.PayrollYear;
  const bool replaces = RegularFileExists(files, settings.DataDirectory + kImportFileName) ||
                        (bankFile && RegularFileExists(files, bankPath));
  return "Trotzdem " + names + (replaces ? " ersetzen?" : " schreiben?");
}

std::string NotWritten(const ConversionSettings& settings, bool bankFile) {
  return std::string(kImportFileName) +
         (bankFile ? " und Bank-" + settings.PayrollYear : std::string()) +
         "; die vorhandenen Dateien bleiben, wie sie waren.";
}

}  // namespace kd
