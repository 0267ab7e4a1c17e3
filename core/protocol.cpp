#include "protocol.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <unordered_map>

#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

constexpr std::uint32_t kNoText = std::numeric_limits<std::uint32_t>::max();

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

// IBAN lengths by country (the ISO 13616 registry).
struct CountryLength {
  char code[3];
  std::uint8_t length;
};
constexpr CountryLength kIbanLengths[] = {
    {"AD", 24}, {"AE", 23}, {"AL", 28}, {"AT", 20}, {"AZ", 28}, {"BA", 20}, {"BE", 16}, {"BG", 22},
    {"BH", 22}, {"BR", 29}, {"BY", 28}, {"CH", 21}, {"CR", 22}, {"CY", 28}, {"CZ", 24}, {"DE", 22},
    {"DK", 18}, {"DO", 28}, {"EE", 20}, {"EG", 29}, {"ES", 24}, {"FI", 18}, {"FO", 18}, {"FR", 27},
    {"GB", 22}, {"GE", 22}, {"GI", 23}, {"GL", 18}, {"GR", 27}, {"GT", 28}, {"HR", 21}, {"HU", 28},
    {"IE", 22}, {"IL", 23}, {"IQ", 23}, {"IS", 26}, {"IT", 27}, {"JO", 30}, {"KW", 30}, {"KZ", 20},
    {"LB", 28}, {"LC", 32}, {"LI", 21}, {"LT", 20}, {"LU", 20}, {"LV", 21}, {"MC", 27}, {"MD", 24},
    {"ME", 22}, {"MK", 19}, {"MR", 27}, {"MT", 31}, {"MU", 30}, {"NL", 18}, {"NO", 15}, {"PK", 24},
    {"PL", 28}, {"PS", 29}, {"PT", 25}, {"QA", 29}, {"RO", 24}, {"RS", 22}, {"SA", 24}, {"SC", 31},
    {"SE", 24}, {"SI", 19}, {"SK", 24}, {"SM", 27}, {"ST", 25}, {"SV", 28}, {"TL", 23}, {"TN", 24},
    {"TR", 26}, {"UA", 29}, {"VA", 22}, {"VG", 24}, {"XK", 20},
};

std::string Count(std::size_t n) {
  return std::to_string(n);
}

// Skipped lines that could not have been an employee: they need no look.
bool IsBlankReason(SkipReason reason) {
  return reason == SkipReason::ColumnLine || reason == SkipReason::EmptyLine ||
         reason == SkipReason::BlankLine;
}

}  // namespace

std::string_view SkipReasonText(SkipReason reason) {
  return kSkipTexts[static_cast<int>(reason)];
}

std::string_view WarningTitle(Warning warning) {
  return kWarningTitles[static_cast<int>(warning)];
}

bool IbanCheckDigitsValid(std::string_view iban) {
  if (iban.size() < 5) return false;
  unsigned remainder = 0;
  const auto add = [&remainder](char c) {
    if (IsDigit(c)) {
      remainder = (remainder * 10 + static_cast<unsigned>(c - '0')) % 97;
      return true;
    }
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper < 'A' || upper > 'Z') return false;
    remainder = (remainder * 100 + static_cast<unsigned>(upper - 'A' + 10)) % 97;
    return true;
  };
  for (std::size_t i = 4; i < iban.size(); ++i) {
    if (!add(iban[i])) return false;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    if (!add(iban[i])) return false;
  }
  return remainder == 1;
}

std::size_t IbanLengthOfCountry(std::string_view iban) {
  if (iban.size() < 2) return 0;
  const std::string country = UpperAscii(iban.substr(0, 2));
  for (const CountryLength& entry : kIbanLengths) {
    if (country == entry.code) return entry.length;
  }
  return 0;
}

bool IsCalendarDate(std::string_view date) {
  if (date.size() != 10 || date[2] != '.' || date[5] != '.') return false;
  const auto* p = reinterpret_cast<const unsigned char*>(date.data());
  const auto digit = [p](int i) { return static_cast<unsigned>(p[i] - '0'); };
  const unsigned d0 = digit(0), d1 = digit(1), m0 = digit(3), m1 = digit(4);
  const unsigned y0 = digit(6), y1 = digit(7), y2 = digit(8), y3 = digit(9);
  if (d0 > 9 || d1 > 9 || m0 > 9 || m1 > 9 || y0 > 9 || y1 > 9 || y2 > 9 || y3 > 9) return false;
  const unsigned day = d0 * 10 + d1;
  const unsigned month = m0 * 10 + m1;
  if (month < 1 || month > 12 || day < 1) return false;
  static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day <= 28 || month != 2) return day <= kDays[month - 1];
  const unsigned year = y0 * 1000 + y1 * 100 + y2 * 10 + y3;
  return day == 29 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0);
}

// ---------------------------------------------------------------------------------------------
// Collecting

void Protocol::Start(bool bankSetting) {
  *this = Protocol();
  started_ = true;
  bankSetting_ = bankSetting;
}

void Protocol::BeginFile(std::string_view name) {
  MergeBlankRun();
  files_.emplace_back(name);
  fileLines_.push_back(0);
}

// An empty or blank line right after a run of the same kind joins that run, so that an export
// of nothing but line breaks keeps a handful of entries however long it is.
void Protocol::MergeBlankRun() {
  if (lines_.size() < 2) return;
  const Line& last = lines_.back();
  Line& run = lines_[lines_.size() - 2];
  const bool blank = last.result == LineResult::Skipped &&
                     (last.reason == SkipReason::EmptyLine || last.reason == SkipReason::BlankLine);
  if (!blank || last.warnings != 0 || last.bankLine || run.result != last.result ||
      run.reason != last.reason || run.file != last.file || run.warnings != 0 || run.bankLine ||
      run.number + run.count != last.number) {
    return;
  }
  ++run.count;
  lines_.pop_back();
}

void Protocol::NextLine() {
  MergeBlankRun();
  Line line;
  line.number = static_cast<std::uint32_t>(++fileLines_.back());
  line.file = static_cast<std::uint8_t>(files_.size() - 1);
  line.text = kNoText;
  lines_.push_back(line);
}

void Protocol::Skip(SkipReason reason) {
  if (lines_.empty()) return;
  lines_.back().result = LineResult::Skipped;
  lines_.back().reason = reason;
}

void Protocol::Convert(std::string_view personnelNumber, std::string_view name) {
  if (lines_.empty()) return;
  Line& line = lines_.back();
  line.result = LineResult::Converted;
  line.numberSize =
      static_cast<std::uint16_t>(std::min<std::size_t>(personnelNumber.size(), 0xFFFF));
  const std::size_t at = texts_.size();
  const std::size_t size = line.numberSize + name.size() + 2;
  if (at + size < kNoText) {
    line.text = static_cast<std::uint32_t>(at);
    texts_.resize(at + size);
    char* out = texts_.data() + at;
    std::copy_n(personnelNumber.data(), line.numberSize, out);
    out[line.numberSize] = '\0';
    std::copy(name.begin(), name.end(), out + line.numberSize + 1);
    out[size - 1] = '\0';
  }
  // Employees of the export that share a personnel number; the bank connection file's lines
  // repeat the employees' numbers and do not count.
  if (line.file == 0 && !personnelNumber.empty()) {
    const std::uint32_t slot = TwinSlot(personnelNumber);
    ++twinCounts_[slot];
    line.twinGroup = slot + 1;
  }
}

void Protocol::MarkBankLine() {
  if (!lines_.empty()) lines_.back().bankLine = true;
}

void Protocol::Warn(Warning warning, std::string_view detail) {
  if (lines_.empty()) return;
  lines_.back().warnings |= 1u << static_cast<int>(warning);
  const auto index = static_cast<std::uint32_t>(lines_.size() - 1);
  if (warning == Warning::ColumnShift && shiftLine_ == 0) shiftLine_ = index + 1;
  if (!detail.empty()) details_.push_back({index, warning, std::string(detail)});
}

// A personnel number as Kandrel tells employees apart: by its number when it is one, so that
// "0012" and "12" are the same employee; as it is written otherwise. Numbers below 10,000 (nearly
// all) have a slot of their own, the rest one each as they come.
std::uint32_t Protocol::TwinSlot(std::string_view personnelNumber) {
  constexpr std::uint32_t kSmall = 10000;
  // The slots of the small numbers grow with the largest number met: a short export needs few.
  const auto next = std::max(static_cast<std::uint32_t>(twinCounts_.size()), kSmall);
  bool digits = personnelNumber.size() <= 18;
  std::uint64_t number = 0;
  for (const char c : personnelNumber) {
    if (!digits) break;
    digits = IsDigit(c);
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  std::uint32_t slot;
  if (digits && number < kSmall) {
    slot = static_cast<std::uint32_t>(number);
  } else if (digits) {
    slot = bigNumberSlots_.try_emplace(number, next).first->second;
  } else {
    slot = textSlots_.try_emplace(std::string(personnelNumber), next).first->second;
  }
  if (slot >= twinCounts_.size()) {
    const std::size_t grown = std::min<std::size_t>(twinCounts_.size() * 2, kSmall);
    twinCounts_.resize(slot < kSmall ? std::max<std::size_t>(slot + 1, grown) : slot + 1, 0);
  }
  return slot;
}

void Protocol::Finish() {
  MergeBlankRun();
  records_ = bankLines_ = 0;
  std::fill(std::begin(skipped_), std::end(skipped_), 0);
  std::fill(std::begin(warned_), std::end(warned_), 0);

  if (!twinsFound_) {
    twinsFound_ = true;
    std::vector<std::uint32_t> groupOfSlot(twinCounts_.size(), 0);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      Line& line = lines_[i];
      if (line.twinGroup == 0) continue;
      const std::uint32_t slot = line.twinGroup - 1;
      line.twinGroup = 0;
      if (twinCounts_[slot] < 2) continue;
      if (groupOfSlot[slot] == 0) {
        twins_.emplace_back();
        twins_.back().reserve(twinCounts_[slot]);
        groupOfSlot[slot] = static_cast<std::uint32_t>(twins_.size());
      }
      twins_[groupOfSlot[slot] - 1].push_back(static_cast<std::uint32_t>(i));
      line.twinGroup = groupOfSlot[slot];
      line.warnings |= 1u << static_cast<int>(Warning::PersonnelNumberTwice);
    }
  }

  attention_ = 0;
  skippedWhileShifted_ = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    const bool converted = line.result == LineResult::Converted;
    if (converted && line.file == 0) ++records_;
    if (line.bankLine) ++bankLines_;
    if (!converted) {
      skipped_[static_cast<int>(line.reason)] += line.count;
      if (!IsBlankReason(line.reason)) ++attention_;
    }
    if (line.warnings != 0) {
      if (converted) ++attention_;
      for (unsigned bits = line.warnings; bits != 0; bits &= bits - 1) {
        ++warned_[std::countr_zero(bits)];
      }
    }
    if (SkippedWhileShifted(i, line)) ++skippedWhileShifted_;
  }
}

// ---------------------------------------------------------------------------------------------
// Reading

bool Protocol::SkippedWhileShifted(std::size_t index, const Line& line) const {
  return shiftLine_ != 0 && index >= shiftLine_ && line.result == LineResult::Skipped &&
         !IsBlankReason(line.reason) && line.file == lines_[shiftLine_ - 1].file;
}

std::string_view Protocol::Stored(std::uint32_t at) const {
  if (at == kNoText || at >= texts_.size()) return {};
  const std::size_t end = texts_.find('\0', at);
  return std::string_view(texts_).substr(at, end - at);
}

std::string_view Protocol::PersonnelNumber(const Line& line) const {
  if (line.result != LineResult::Converted || line.text == kNoText) return {};
  return std::string_view(texts_).substr(line.text, line.numberSize);
}

std::string_view Protocol::Name(const Line& line) const {
  if (line.result != LineResult::Converted || line.text == kNoText) return {};
  return Stored(static_cast<std::uint32_t>(line.text + line.numberSize + 1));
}

std::size_t Protocol::LinesRead(std::size_t file) const {
  return file < fileLines_.size() ? fileLines_[file] : 0;
}

std::size_t Protocol::AttentionCount() const {
  return attention_;
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
  std::string detail;
  const auto found = std::lower_bound(details_.begin(), details_.end(), index,
                                      [](const Detail& d, std::size_t i) { return d.line < i; });
  for (auto d = found; d != details_.end() && d->line == index; ++d) {
    if (d->warning == warning) {
      detail = Cp1252ToUtf8(d->text);
      break;
    }
  }
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
