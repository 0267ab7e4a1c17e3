#include "doubts.h"

#include <vector>

#include "importformat.h"
#include "textfile.h"

namespace kd {

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
