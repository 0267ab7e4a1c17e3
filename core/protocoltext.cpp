// The protocol's texts: what a person reads of skipped lines, hints and the summary, and the
// protocol as CSV.
#include <string>

#include "plausibility.h"
#include "protocol.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

// How many other lines a hint names before it only counts them.
constexpr std::size_t kTwinsNamed = 5;

constexpr std::array<std::string_view, kSkipReasonCount> kSkipTexts = {
    "Zeile mit den Spaltenüberschriften",
    "leere Zeile",
    "Zeile nur aus Leerzeichen",
    "Zeile mit nur einem Zeichen",
    "beginnt nicht mit einer Ziffer",
    "Personalnummer nicht zwischen 1 und 9998",
    "Nachname leer oder beginnt nicht mit einem Buchstaben",
    "keine Mitarbeiterzeile (Aufbau passt nicht)",
    "keine IBAN mit mehr als 8 Zeichen",
    "Grund unbekannt",
};

constexpr std::array<std::string_view, kWarningCount> kWarningTitles = {
    "Personalnummer leer",
    "Personalnummer nicht nur aus Ziffern",
    "Personalnummer länger als 4 Stellen",
    "Personalnummer gekürzt",
    "Personalnummer mehrfach",
    "IBAN mit höchstens 8 Zeichen, keine Bankverbindung",
    "Bankleitzahl nicht 8 Zeichen lang, keine Bankverbindung",
    "IBAN-Prüfziffern falsch",
    "IBAN-Länge passt nicht zum Land",
    "BIC nicht in der Bankleitzahlendatei, Bankname leer",
    "Spaltenverschiebung",
    "Geburtsdatum leer oder nicht TT.MM.JJJJ",
    "Eintrittsdatum leer oder nicht TT.MM.JJJJ",
    "Versicherungsnummer ungültig",
    "Versicherungsnummer passt nicht zum Geburtsdatum",
    "Steuer-Identifikationsnummer ungültig",
    "Postleitzahl nicht fünfstellig",
    "Steuerklasse unbekannt",
    "BIC nicht in der Form einer BIC",
    "unsichtbares Zeichen in einem Feld",
};

std::string Count(std::size_t n) {
  return std::to_string(n);
}

}  // namespace

std::string_view SkipReasonText(SkipReason reason) {
  return kSkipTexts[static_cast<int>(reason)];
}

std::string_view WarningTitle(Warning warning) {
  return kWarningTitles[static_cast<int>(warning)];
}

namespace {

// The hint of a value that breaks a rule of its own. Its detail is the problem's letter, the
// value as written, and for a birth date that differs, a unit separator and that birth date.
std::string ValueProblemHint(Warning warning, std::string_view detail) {
  const char problem = detail.empty() ? ' ' : detail.front();
  std::string_view value = detail.empty() ? detail : detail.substr(1);
  std::string_view other;
  if (const std::size_t cut = value.find(kDetailSeparator); cut != std::string_view::npos) {
    other = value.substr(cut + 1);
    value = value.substr(0, cut);
  }
  const std::string text(value);
  switch (warning) {
    case Warning::InsuranceNumber:
      switch (problem) {
        case kProblemCheckDigit:
          return "Versicherungsnummer " + text + ": Prüfziffer falsch";
        case kProblemDate:
          return "Versicherungsnummer " + text +
                 ": kein mögliches Geburtsdatum an den Stellen 3 bis 8";
        case kProblemArea:
          return "Versicherungsnummer " + text + ": Bereichsnummer " + text.substr(0, 2) +
                 " gibt es nicht";
        default:
          return "Versicherungsnummer " + text +
                 " nicht in der Form 2 Ziffern, Geburtsdatum TTMMJJ, Buchstabe, 3 Ziffern";
      }
    case Warning::TaxId:
      switch (problem) {
        case kProblemCheckDigit:
          return "Steuer-Identifikationsnummer " + text + ": Prüfziffer falsch";
        case kProblemLeadingZero:
          return "Steuer-Identifikationsnummer " + text + " beginnt mit 0";
        case kProblemDigitRule:
          return "Steuer-Identifikationsnummer " + text +
                 ": die Ziffern folgen nicht den Regeln der Steuerverwaltung";
        default:
          return "Steuer-Identifikationsnummer " + text + " hat nicht 11 Ziffern";
      }
    default:
      return "Versicherungsnummer " + text + " enthält ein anderes Geburtsdatum als " +
             std::string(other);
  }
}

}  // namespace

std::string Protocol::WarningHint(std::size_t index, const Line& line, Warning warning) const {
  const std::string detail = Cp1252ToUtf8(DetailOf(index, warning));
  const std::string number = Cp1252ToUtf8(PersonnelNumber(line));
  switch (warning) {
    case Warning::PersonnelNumberEmpty:
      return "Personalnummer leer";
    case Warning::PersonnelNumberNotDigits:
      return "Personalnummer " + number + " enthält andere Zeichen als Ziffern";
    case Warning::PersonnelNumberTooLong:
      return "Personalnummer " + number + " hat mehr als 4 Stellen";
    case Warning::PersonnelNumberShortened:
      return "Personalnummer " + detail + " gekürzt auf " + number;
    case Warning::PersonnelNumberTwice: {
      std::string text = "Personalnummer " + number + " mehrfach";
      if (line.twinGroup == 0 || line.twinGroup > twins_.size()) return text;
      text += ", auch in Zeile ";
      const std::vector<std::uint32_t>& group = twins_[line.twinGroup - 1];
      std::size_t named = 0;
      for (const std::uint32_t other : group) {
        if (other == index) continue;
        if (named == kTwinsNamed) {
          text += " und " + Count(group.size() - 1 - named) + " weiteren";
          break;
        }
        if (named > 0) text += ", ";
        text += Count(lines_[other].number);
        ++named;
      }
      return text;
    }
    case Warning::IbanTooShort:
      return "Bankverbindung nicht übernommen: IBAN " + detail + " hat höchstens 8 Zeichen";
    case Warning::BankCodeNotEight:
      return "Bankverbindung nicht übernommen: Bankleitzahl " + detail + " hat nicht 8 Zeichen";
    case Warning::IbanCheckDigits:
      return "IBAN " + detail + ": Prüfziffern falsch";
    case Warning::IbanLength:
      return "IBAN " + detail + ": " + Count(detail.size()) + " Zeichen, in " +
             UpperAscii(detail.substr(0, 2)) + " sind es " + Count(IbanLengthOfCountry(detail));
    case Warning::BicNotInBankCodeList:
      return "Bankname leer: BIC " + detail + " nicht in der Bankleitzahlendatei";
    case Warning::ColumnShift:
      return "Spaltenverschiebung ab dieser Zeile: die Werte werden eine Spalte weiter links "
             "gelesen";
    case Warning::BirthDate:
      return detail.empty() ? "Geburtsdatum leer"
                            : "Geburtsdatum " + detail + " nicht in der Form TT.MM.JJJJ";
    case Warning::EntryDate:
      return detail.empty() ? "Eintrittsdatum leer"
                            : "Eintrittsdatum " + detail + " nicht in der Form TT.MM.JJJJ";
    case Warning::InsuranceNumber:
    case Warning::TaxId:
    case Warning::InsuranceNumberBirthDate:
      return ValueProblemHint(warning, detail);
    case Warning::Postcode:
      return detail.empty() ? "Postleitzahl fehlt"
                            : "Postleitzahl " + detail + " hat nicht 5 Ziffern";
    case Warning::TaxClass:
      return detail.empty() ? "Steuerklasse leer" : "Steuerklasse " + detail + " unbekannt";
    case Warning::BicForm:
      return "BIC " + detail + " hat nicht die Form einer BIC";
    case Warning::ControlCharacter:
      return "unsichtbares Zeichen im Feld " + detail + " (im Fenster als Leerzeichen gezeigt)";
  }
  return {};
}

std::string_view Protocol::ResultText(const Line& line) const {
  if (line.result == LineResult::Skipped) return "übersprungen";
  return Stopped() ? "nicht übernommen (Übernahme abgebrochen)" : "übernommen";
}

std::string Protocol::Hint(const Line& line) const {
  // Details are kept by the line's place in Lines(); a copy of a line has none.
  const bool own =
      !lines_.empty() && &line >= lines_.data() && &line < lines_.data() + lines_.size();
  const std::size_t index = own ? static_cast<std::size_t>(&line - lines_.data()) : lines_.size();
  if (line.result == LineResult::Skipped) {
    std::string text(SkipReasonText(line.reason));
    if (SkippedWhileShifted(index, line)) {
      text += " (Spaltenverschiebung seit Zeile " + Count(lines_[shiftLine_ - 1].number) + ")";
    }
    return text;
  }
  std::string text;
  for (int w = 0; w < kWarningCount; ++w) {
    if (!line.Has(static_cast<Warning>(w))) continue;
    if (!text.empty()) text += " / ";
    text += WarningHint(index, line, static_cast<Warning>(w));
  }
  return text;
}

std::vector<std::string> Protocol::Summary() const {
  std::vector<std::string> summary;
  if (!started_) {
    if (!refusal_.empty()) summary.push_back("Nicht übernommen: " + refusal_);
    summary.insert(summary.end(), notes_.begin(), notes_.end());
    return summary;
  }
  for (std::size_t f = 0; f < files_.size(); ++f) {
    summary.push_back("Zeilen gelesen: " + Count(fileLines_[f]) + " (" + files_[f] + ")");
  }
  // A stopped run wrote nothing: what the reader had prepared is named as such.
  const auto written = [this](std::size_t n) {
    return Stopped() && n > 0 ? "0 (" + Count(n) + " vorbereitet, nicht geschrieben)" : Count(n);
  };
  summary.push_back("Datensätze übernommen: " + written(records_));
  if (bankSetting_) summary.push_back("Bankverbindungen übernommen: " + written(bankLines_));
  for (int r = 0; r < kSkipReasonCount; ++r) {
    if (skipped_[r] == 0) continue;
    summary.push_back("Übersprungen, " + std::string(kSkipTexts[r]) + ": " + Count(skipped_[r]));
  }
  for (int w = 0; w < kWarningCount; ++w) {
    if (warned_[w] == 0) continue;
    summary.push_back("Hinweis, " + std::string(kWarningTitles[w]) + ": " + Count(warned_[w]));
  }
  if (shiftLine_ != 0) {
    summary.push_back("Spaltenverschiebung ab Zeile " + Count(lines_[shiftLine_ - 1].number) +
                      ": danach übersprungen: " + Count(skippedWhileShifted_));
  }
  for (const std::string& note : notes_) summary.push_back(note);
  if (Stopped()) {
    summary.push_back("Abgebrochen: " + stopMessage_);
    summary.insert(summary.end(), stopDetails_.begin(), stopDetails_.end());
  }
  return summary;
}

namespace {

void AppendCsvField(std::string& out, std::string_view field) {
  // A spreadsheet reads a cell beginning with one of these as a formula.
  const bool formula =
      !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
  const bool quoted = field.find_first_of(";\"\r\n") != std::string_view::npos;
  if (quoted) out += '"';
  if (formula) out += '\'';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  if (quoted) out += '"';
}

}  // namespace

std::string Protocol::Csv() const {
  std::string csv =
      "\xEF\xBB\xBF"
      "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n";
  for (const Line& line : lines_) {
    const std::string number = Cp1252ToUtf8(PersonnelNumber(line));
    const std::string name = Cp1252ToUtf8(Name(line));
    const std::string hint = Hint(line);
    for (std::uint32_t k = 0; k < line.count; ++k) {
      AppendCsvField(csv, files_[line.file]);
      csv += ';';
      csv += Count(line.number + k);
      csv += ';';
      AppendCsvField(csv, number);
      csv += ';';
      AppendCsvField(csv, name);
      csv += ';';
      csv += ResultText(line);
      csv += ';';
      AppendCsvField(csv, hint);
      csv += "\r\n";
    }
  }
  for (const std::string& line : Summary()) {
    csv += ";;;;Zusammenfassung;";
    AppendCsvField(csv, line);
    csv += "\r\n";
  }
  return csv;
}

void Protocol::WriteCsv(std::string_view path) const {
  WriteText(path, Csv());
}

}  // namespace kd
