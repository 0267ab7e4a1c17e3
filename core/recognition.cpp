#include "recognition.h"

#include <algorithm>

#include "conversion.h"
#include "fields.h"
#include "protocol.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace kd {

namespace {

// A layout whose export begins with a column line fits less well without it.
constexpr double kMissingColumnLineFactor = 0.85;
// How much the column line's names count beside the employee lines.
constexpr double kColumnLineWeight = 0.35;
// A file of a column line and no employee line is recognised by its names alone, at most
// this well.
constexpr double kColumnLineAloneFactor = 0.7;
// A line that leaves its last column open still has the layout's shape, nearly.
constexpr double kOpenLastColumnShape = 0.9;
// A bare field with this many blanks around it is filled up to a width, as fixed-width exports
// write their fields.
constexpr std::size_t kBlankFilling = 3;
// What a file name hint adds to a fit that is already clear.
constexpr double kFileNameHint = 0.1;

bool IsCapital(char c) {
  return c >= 'A' && c <= 'Z';
}

// Letters of Windows-1252: a-z, A-Z and the accented letters from 0xC0 on (× and ÷ aside), and
// Š, Œ, Ž, š, œ, ž, Ÿ.
bool IsLetter(char c) {
  const auto b = static_cast<unsigned char>(c);
  if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') return true;
  if (b >= 0xC0) return b != 0xD7 && b != 0xF7;
  return b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E || b == 0x9F;
}

int DigitsValue(std::string_view digits) {
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

// "d.m.yyyy", "dd.mm.yy" and the like, with a possible day and month.
bool IsDottedDate(std::string_view text) {
  const std::size_t first = text.find('.');
  if (first == std::string_view::npos) return false;
  const std::size_t second = text.find('.', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view day = text.substr(0, first);
  const std::string_view month = text.substr(first + 1, second - first - 1);
  const std::string_view year = text.substr(second + 1);
  if (!AllDigits(day) || !AllDigits(month) || !AllDigits(year)) return false;
  if (day.size() > 2 || month.size() > 2 || (year.size() != 2 && year.size() != 4)) return false;
  const int d = DigitsValue(day);
  const int m = DigitsValue(month);
  return d >= 1 && d <= 31 && m >= 1 && m <= 12;
}

bool IsCompactDate(std::string_view text) {
  if (text.size() != 8 || !AllDigits(text)) return false;
  const int year = DigitsValue(text.substr(0, 4));
  const int month = DigitsValue(text.substr(4, 2));
  const int day = DigitsValue(text.substr(6, 2));
  return year >= 1800 && year <= 2199 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool IsDecimal(std::string_view text) {
  const std::size_t separator = text.find_first_of(",.");
  if (separator == std::string_view::npos) return AllDigits(text);
  return AllDigits(text.substr(0, separator)) && AllDigits(text.substr(separator + 1));
}

// Area number (2 digits), birth date (6), initial of the birth name, serial number and check
// digit (3).
bool IsInsuranceNumber(std::string_view text) {
  const std::string number = StripBlanks(text);
  return number.size() == 12 && AllDigits(std::string_view(number).substr(0, 8)) &&
         IsLetter(number[8]) && AllDigits(std::string_view(number).substr(9));
}

bool IsIban(std::string_view text) {
  const std::string iban = StripBlanks(text);
  if (iban.size() < 15 || iban.size() > 34) return false;
  if (!IsCapital(iban[0]) || !IsCapital(iban[1]) || !IsDigit(iban[2]) || !IsDigit(iban[3])) {
    return false;
  }
  return std::all_of(iban.begin() + 4, iban.end(),
                     [](char c) { return IsDigit(c) || IsCapital(c); });
}

bool IsBic(std::string_view text) {
  if (text.size() != 8 && text.size() != 11) return false;
  return std::all_of(text.begin(), text.begin() + 6, IsCapital) &&
         std::all_of(text.begin() + 6, text.end(),
                     [](char c) { return IsDigit(c) || IsCapital(c); });
}

bool IsTaxClassWord(std::string_view text) {
  std::string upper = UpperAscii(text);
  for (char& c : upper) {
    if (c == '\xFC') c = '\xDC';  // ü
  }
  return upper == "EINS" || upper == "ZWEI" || upper == "DREI" || upper == "VIER" ||
         upper == "F\xDCNF" || upper == "FUENF" || upper == "SECHS";
}

bool IsContributionGroup(std::string_view text) {
  if (text == "0") return true;
  if (text.size() == 4) return AllDigits(text);
  return text.size() == 7 && IsDigit(text[0]) && text[1] == ' ' && IsDigit(text[2]) &&
         text[3] == ' ' && IsDigit(text[4]) && text[5] == ' ' && IsDigit(text[6]);
}

double Weight(FieldKind kind) {
  switch (kind) {
    case FieldKind::InsuranceNumber:
    case FieldKind::Iban:
      return 3;
    case FieldKind::Date:
    case FieldKind::CompactDate:
    case FieldKind::Bic:
    case FieldKind::TaxClassWord:
      return 2;
    case FieldKind::BankCode:
    case FieldKind::ContributionGroup:
      return 1.5;
    case FieldKind::Decimal:
    case FieldKind::Name:
    case FieldKind::Text:
      return 0.5;
    default:
      return 1;
  }
}

bool IsQuoted(std::string_view text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

// The field's text without its enclosing quotes and surrounding blanks.
std::string_view Unquoted(std::string_view field) {
  const std::string_view trimmed = TrimView(field);
  return IsQuoted(trimmed) ? TrimView(trimmed.substr(1, trimmed.size() - 2)) : trimmed;
}

bool MatchesPattern(std::string_view text, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return text == pattern;
  const std::string_view prefix = pattern.substr(0, star);
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  pattern.remove_prefix(star + 1);
  for (std::size_t from = 0; from <= text.size(); ++from) {
    if (MatchesPattern(text.substr(from), pattern)) return true;
  }
  return false;
}

// The text up to and with its last line break; all of it when it has none.
std::string_view UpToLastLineBreak(std::string_view text) {
  const std::size_t end = text.find_last_of("\r\n");
  return end == std::string_view::npos ? text : text.substr(0, end + 1);
}

// The bytes without a UTF-8 sequence that the end cuts short.
std::string_view WithoutCutSequence(std::string_view bytes) {
  for (std::size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
    const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t length = 1;
    if (b >= 0xF0) {
      length = 4;
    } else if (b >= 0xE0) {
      length = 3;
    } else if (b >= 0xC0) {
      length = 2;
    }
    return length > back ? bytes.substr(0, bytes.size() - back) : bytes;
  }
  return bytes;
}

}  // namespace

std::string_view ProgramListName(std::string_view programName) {
  const std::string upper = UpperAscii(programName);
  for (const std::string_view name : kProgramNames) {
    if (UpperAscii(name) == upper) return name;
  }
  return programName;
}

// ---------------------------------------------------------------------------------------------
// The beginning of an export

ExportHead::ExportHead(std::string text, std::string_view fileName) : text_(std::move(text)) {
  const std::size_t slash = fileName.find_last_of("/\\");
  fileName_ = fileName.substr(slash == std::string_view::npos ? 0 : slash + 1);
  const std::vector<std::string_view> lines = SplitLines(text_);
  if (!lines.empty()) firstLine_ = lines.front();
  for (const std::string_view line : lines) {
    if (TrimView(line).empty()) continue;
    if (lines_.empty() && !StartsWithDigit(line)) columnLine_ = line;
    lines_.push_back(line);
    if (lines_.size() == kMaxLines) break;
  }
  // Split in one scratch object and copied: each line's columns get one block of their own.
  columns_.reserve(lines_.size());
  Columns scratch;
  for (const std::string_view line : lines_) columns_.push_back(scratch.Assign(line));
}

bool ExportHead::FileNameMatches(std::string_view pattern) const {
  return MatchesPattern(UpperAscii(fileName_), UpperAscii(pattern));
}

// ---------------------------------------------------------------------------------------------
// Fields and lines

bool FieldFits(std::string_view value, FieldKind kind) {
  switch (kind) {
    case FieldKind::Number:
      return AllDigits(value);
    case FieldKind::Decimal:
      return IsDecimal(value);
    case FieldKind::Date:
      return IsDottedDate(value);
    case FieldKind::CompactDate:
      return IsCompactDate(value);
    case FieldKind::Postcode:
      return (value.size() == 4 || value.size() == 5) && AllDigits(value);
    case FieldKind::InsuranceNumber:
      return IsInsuranceNumber(value);
    case FieldKind::Iban:
      return IsIban(value);
    case FieldKind::Bic:
      return IsBic(value);
    case FieldKind::BankCode:
      return value.size() == 8 && AllDigits(value);
    case FieldKind::TaxClass:
      return value.size() == 1 && value[0] >= '0' && value[0] <= '6';
    case FieldKind::TaxClassWord:
      return IsTaxClassWord(value);
    case FieldKind::PersonGroup:
      return value.size() == 3 && AllDigits(value);
    case FieldKind::ContributionGroup:
      return IsContributionGroup(value);
    case FieldKind::Name:
      return std::any_of(value.begin(), value.end(), IsLetter) &&
             std::none_of(value.begin(), value.end(), IsDigit);
    case FieldKind::Text:
      return std::any_of(value.begin(), value.end(), IsLetter);
  }
  return false;
}

void ExportTally::EmployeeLine(double shape) {
  ++employeeLines_;
  shapes_ += shape;
}

void ExportTally::Check(std::string_view field, FieldKind kind, FieldForm form) {
  const std::string_view trimmed = TrimView(field);
  if (trimmed.empty()) return;
  const std::string_view value =
      form == FieldForm::Bare || form == FieldForm::BlankFilled ? trimmed : Unquoted(trimmed);
  // "" tells nothing but that the export quotes.
  if (value.empty()) return;
  const double weight = Weight(kind);
  checkedWeight_ += weight;
  bool fits = false;
  switch (form) {
    case FieldForm::Bare:
      fits = trimmed.find('"') == std::string_view::npos &&
             field.size() - trimmed.size() < kBlankFilling && FieldFits(value, kind);
      break;
    case FieldForm::Quoted:
      fits = IsQuoted(trimmed) && FieldFits(value, kind);
      break;
    case FieldForm::QuotedOrBare:
      fits = FieldFits(value, kind);
      break;
    case FieldForm::BlankFilled:
      fits = trimmed.find('"') == std::string_view::npos && FieldFits(value, kind);
      break;
  }
  if (fits) fittingWeight_ += weight;
}

double ExportTally::Fit() const {
  if (employeeLines_ == 0) return 0;
  const double lines = static_cast<double>(employeeLines_);
  const double shape = shapes_ / lines;
  // A file whose fields are all empty tells nothing either way.
  const double fields = checkedWeight_ > 0 ? fittingWeight_ / checkedWeight_ : 0.5;
  const double employeeShare = lines / (lines + static_cast<double>(otherLines_));
  return shape * fields * (0.5 + 0.5 * employeeShare);
}

double LineShape(int semicolons, int needed) {
  if (semicolons >= needed) return 1;
  return semicolons == needed - 1 ? kOpenLastColumnShape : 0;
}

namespace {

// The two texts are the same when ASCII letters are compared in upper case (as UpperAscii).
bool SameUpperAscii(std::string_view a, std::string_view b) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace

double ColumnLineFit(std::string_view columnLine, std::span<const ColumnName> names) {
  if (names.empty()) return 0;
  Columns columns;
  columns.AssignClosed(columnLine);
  std::size_t found = 0;
  for (const ColumnName& name : names) {
    if (name.column < 0) continue;
    if (SameUpperAscii(Unquoted(columns[name.column]), name.name)) ++found;
  }
  return static_cast<double>(found) / static_cast<double>(names.size());
}

bool ColumnLineMatches(std::string_view line, std::span<const ColumnName> names) {
  Columns columns;
  columns.AssignClosed(line);
  // A column line cut short is still the column line: only the names of its columns count.
  std::size_t present = 0;
  std::size_t found = 0;
  for (const ColumnName& name : names) {
    if (name.column < 0 || name.column >= columns.Count()) continue;
    ++present;
    if (SameUpperAscii(Unquoted(columns[name.column]), name.name)) ++found;
  }
  return found > 0 && 2 * found >= present;
}

double WithColumnLine(const ExportHead& head, double data, std::size_t employeeLines,
                      bool columnLineRequired, std::span<const ColumnName> names) {
  if (head.ColumnLine().empty()) return columnLineRequired ? data * kMissingColumnLineFactor : data;
  if (names.empty()) return data;
  const double columnLine = ColumnLineFit(head.ColumnLine(), names);
  if (employeeLines == 0) return columnLine * kColumnLineAloneFactor;
  return (1 - kColumnLineWeight) * data + kColumnLineWeight * columnLine;
}

double WithFileNameHint(const ExportHead& head, double fit,
                        std::span<const std::string_view> fileNames) {
  if (fit < kRecognisedFit) return fit;
  for (const std::string_view name : fileNames) {
    if (head.FileNameMatches(name)) return std::min(1.0, fit + kFileNameHint);
  }
  return fit;
}

double FitOf(const ExportHead& head, const ExportLook& look) {
  // The employee lines and their count of semicolons; an export without a column line leaves
  // its last column open.
  const auto isEmployeeLine = [&](std::string_view line) {
    return look.everyLineIsEmployee ||
           (line.data() != head.ColumnLine().data() && line.size() >= 2 && StartsWithDigit(line));
  };
  const int closing = look.everyLineIsEmployee ? 1 : 0;
  // Without a single line of the layout's shape the fit is 0 whatever the fields hold: then
  // they need no look.
  bool anyShape = false;
  for (std::size_t i = 0; i < head.Lines().size() && !anyShape; ++i) {
    anyShape = isEmployeeLine(head.Lines()[i]) &&
               LineShape(head.LineColumns(i).Count() + closing, look.semicolons) > 0;
  }
  ExportTally tally;
  Columns closed;
  for (std::size_t i = 0; i < head.Lines().size(); ++i) {
    const std::string_view line = head.Lines()[i];
    if (line.data() == head.ColumnLine().data() && !look.everyLineIsEmployee) continue;
    if (!isEmployeeLine(line)) {
      tally.OtherLine();
      continue;
    }
    tally.EmployeeLine(LineShape(head.LineColumns(i).Count() + closing, look.semicolons));
    if (!anyShape) continue;
    const Columns& columns =
        look.everyLineIsEmployee ? closed.AssignClosed(line) : head.LineColumns(i);
    for (const FieldLook& field : look.fields) {
      tally.Check(columns[field.column], field.kind, field.form);
    }
  }
  double fit = tally.Fit();
  if (!look.everyLineIsEmployee) {
    fit =
        WithColumnLine(head, fit, tally.EmployeeLines(), look.columnLineRequired, look.columnNames);
  }
  return WithFileNameHint(head, fit, look.fileNames);
}

// ---------------------------------------------------------------------------------------------
// The decision

std::vector<LayoutFit> RankLayouts(const ExportHead& head, std::span<const ReaderEntry> readers) {
  std::vector<LayoutFit> fits;
  for (const ReaderEntry& entry : readers) {
    if (entry.recognizer.fit == nullptr) continue;
    fits.push_back({&entry, std::clamp(entry.recognizer.fit(head), 0.0, 1.0)});
  }
  std::stable_sort(fits.begin(), fits.end(),
                   [](const LayoutFit& a, const LayoutFit& b) { return a.fit > b.fit; });
  return fits;
}

namespace {

// A reader run for a trial shows nothing and asks nothing.
class SilentUi : public UserInterface {
 public:
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
  void ShowError(const std::string&) override {}
  bool Ask(const std::string&, const std::string&) override { return false; }
  bool ShowsSourceFile() const override { return false; }
  void ShowSourceFile(const std::string&, std::string_view) override {}
  void AppendRecord(std::string_view) override {}
};

}  // namespace

double PlausibleShare(const ExportHead& head, const ReaderEntry& reader) {
  if (reader.read == nullptr) return 0;
  ConversionSettings settings;
  settings.ConvertUmlauts = "NEIN";
  settings.TakeBankData = "NEIN";
  settings.PayrollYear = "18";
  settings.SourcePath = std::string(head.FileName());
  std::string headerLine;
  if (reader.keepsHeaderLine) headerLine = std::string(head.FirstLine()) + ";";
  if (reader.applies != nullptr && !reader.applies(headerLine)) return 0;
  SilentUi ui;
  ColumnTable table;
  Protocol protocol;
  try {
    ReaderContext context(head.Text(), settings, ui, headerLine, table, ',', {}, &protocol,
                          ReaderContext::Output::Trial);
    reader.read(context);
    const std::size_t lines = context.OutputLineCount();
    const std::size_t records = lines == 0 ? 0 : lines - 1;
    return records == 0
               ? 0
               : static_cast<double>(context.PlausibleRecords()) / static_cast<double>(records);
  } catch (const std::exception&) {
    return 0;
  }
}

Recognition Recognize(const ExportHead& head, std::span<const ReaderEntry> readers) {
  const std::vector<LayoutFit> fits = RankLayouts(head, readers);
  Recognition result;
  if (fits.empty()) return result;
  result.fit = fits[0].fit;
  result.nextFit = fits.size() > 1 ? fits[1].fit : 0;
  if (result.fit < kRecognisedFit || result.fit - result.nextFit < kClearLead) return result;
  result.plausible = PlausibleShare(head, *fits[0].reader);
  if (result.plausible < kPlausibleShare) return result;
  result.reader = fits[0].reader;
  result.program = ProgramListName(result.reader->program);
  result.layout = result.reader->recognizer.layout;
  return result;
}

std::string DecodeHead(std::string_view bytes, bool cut) {
  const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  if (utf16) {
    if (bytes.size() % 2 != 0) bytes.remove_suffix(1);
    const std::string text = DecodeSourceText(std::string(bytes));
    return cut ? std::string(UpToLastLineBreak(text)) : text;
  }
  if (cut) bytes = UpToLastLineBreak(bytes);
  return DecodeSourceText(std::string(WithoutCutSequence(bytes)));
}

Recognition RecognizeBytes(std::string_view bytes, std::string_view fileName,
                           std::span<const ReaderEntry> readers) {
  const bool cut = bytes.size() > kRecognitionHeadBytes;
  const ExportHead head(DecodeHead(bytes.substr(0, kRecognitionHeadBytes), cut), fileName);
  return Recognize(head, readers);
}

Recognition RecognizeText(std::string_view text, std::string_view fileName,
                          std::span<const ReaderEntry> readers) {
  std::string_view headText = text.substr(0, kRecognitionHeadBytes);
  if (text.size() > kRecognitionHeadBytes) headText = UpToLastLineBreak(headText);
  const ExportHead head{std::string(headText), fileName};
  return Recognize(head, readers);
}

Recognition RecognizeFile(std::string_view path, std::span<const ReaderEntry> readers) {
  FileSystem& files = Files();
  if (!RegularFileExists(path)) throw FileError::CannotOpen(path, Missing(files, path));
  Outcome why;
  const std::unique_ptr<InputFile> in = files.Open(std::string(path), why);
  if (!in) throw FileError::CannotOpen(path, why);
  std::string bytes(kRecognitionHeadBytes + 1, '\0');
  std::size_t have = 0;
  std::size_t got = 1;
  while (have < bytes.size() && got != 0) {
    why = in->Read(bytes.data() + have, bytes.size() - have, got);
    if (!why.Ok()) throw FileError::CannotOpen(path, why);
    have += got;
  }
  bytes.resize(have);
  return RecognizeBytes(bytes, path, readers);
}

bool RecognisedAsOther(const Recognition& recognition, std::string_view chosenProgram) {
  return recognition.Recognised() && !chosenProgram.empty() &&
         UpperAscii(chosenProgram) != recognition.reader->program;
}

std::string RecognitionHint(const Recognition& recognition, std::string_view chosenProgram) {
  if (!recognition.Recognised()) return {};
  const std::string program(recognition.program);
  bool chosenIsListed = false;
  for (const std::string_view name : kProgramNames) {
    chosenIsListed = chosenIsListed || UpperAscii(name) == UpperAscii(chosenProgram);
  }
  if (chosenIsListed && RecognisedAsOther(recognition, chosenProgram)) {
    return "Die Datei sieht nach " + program + " aus, gewählt ist " + Cp1252ToUtf8(chosenProgram);
  }
  return "Erkannt: " + program;
}

}  // namespace kd
