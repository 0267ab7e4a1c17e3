// Which program made an export. Every reader describes what its export looks like (its column
// line, the number of semicolons of an employee line, quoting, what stands in which column);
// the layout whose description fits the beginning of a file clearly best names the program.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fields.h"

namespace kd {

struct ReaderEntry;
class UserInterface;

// The programs as the window's list writes them.
inline constexpr std::array<std::string_view, 10> kProgramNames = {
    "Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI", "Lexware", "sage", "SBS", "VARIAL"};

// The list's spelling of a program name given in any case ("SAGE" gives "sage"); the name
// itself when the list lacks it.
std::string_view ProgramListName(std::string_view programName);

// Recognition reads no more than this of a file: the column line and some dozens of employee
// lines of every layout, so that it takes no time on an export of any size.
inline constexpr std::size_t kRecognitionHeadBytes = 64 * 1024;

// The beginning of an export as recognition looks at it: its lines as the run would read them
// (Windows-1252 text) and the file's name.
class ExportHead {
 public:
  // At most this many lines that are not blank are looked at.
  static constexpr std::size_t kMaxLines = 200;

  // `text`: complete lines of Windows-1252 text; `fileName`: a path or a bare file name.
  ExportHead(std::string text, std::string_view fileName);
  ExportHead(const ExportHead&) = delete;
  ExportHead& operator=(const ExportHead&) = delete;

  // The first line of the file, blank or not, as the run takes it for the column line.
  std::string_view FirstLine() const { return firstLine_; }
  // The first line that is not blank, when it does not begin with a digit: the column line of
  // an export that has one. Empty otherwise.
  std::string_view ColumnLine() const { return columnLine_; }
  // The lines that are not blank, the column line included, in file order.
  const std::vector<std::string_view>& Lines() const { return lines_; }
  // The columns of Lines()[i], split once for all the layouts that look at them.
  const Columns& LineColumns(std::size_t i) const { return columns_[i]; }
  // The file's name without its folder.
  std::string_view FileName() const { return fileName_; }
  // The whole text looked at, as a reader would take it.
  std::string_view Text() const { return text_; }
  // True when the file's name matches `pattern`, both in upper case, "*" standing for any text.
  bool FileNameMatches(std::string_view pattern) const;

 private:
  std::string text_;
  std::string fileName_;
  std::string_view firstLine_;
  std::string_view columnLine_;
  std::vector<std::string_view> lines_;
  std::vector<Columns> columns_;
};

// What a field of an employee line holds, as far as recognition tells such fields apart. Each
// kind tells a layout apart with its own weight: a social insurance number or an IBAN in the
// right column says more than a name does.
enum class FieldKind {
  Number,             // digits only: personnel numbers, keys, tax identification numbers
  Decimal,            // digits with at most one decimal comma or point: "1,0", "0,5", "2"
  Date,               // day, month, year with points: "01.02.1970", "1.2.1970", "01.02.70"
  CompactDate,        // year, month and day run together: "19700201"
  Postcode,           // four or five digits
  InsuranceNumber,    // "12010270M001", also with blanks between its parts: "12 010270 M 001"
  Iban,               // two capitals, two check digits, the account; blanks allowed
  Bic,                // eight or eleven capitals and digits, the first six capitals
  BankCode,           // eight digits
  TaxClass,           // one digit 0 to 6
  TaxClassWord,       // "EINS" to "SECHS" in any case
  PersonGroup,        // three digits: 101, 109, 900
  ContributionGroup,  // four digits, together ("1111") or apart ("1 1 1 1"), or "0"
  Name,               // letters and no digit: surnames, first names, towns
  Text,               // anything with a letter: streets, bank names, job titles
};

// How an export writes its fields.
enum class FieldForm {
  Bare,          // as it is: no double quotes, not filled up with blanks
  Quoted,        // a field that is not empty stands in double quotes
  QuotedOrBare,  // either
  BlankFilled,   // a fixed-width field, filled up with blanks
};

// A column of an employee line (zero-based, as the readers count) and what it holds.
struct FieldLook {
  int column;
  FieldKind kind;
  FieldForm form = FieldForm::Bare;
};

// A name of the column line and the column it stands in; -1 for a name the line lacks.
struct ColumnName {
  int column;
  std::string_view name;
};

// What the export of a layout with semicolon-separated columns looks like.
struct ExportLook {
  // An employee line closes every column the reader takes with a semicolon.
  int semicolons = 0;
  // Every line that is not blank is an employee line; otherwise only those that begin with a
  // digit and have at least two characters.
  bool everyLineIsEmployee = false;
  std::span<const FieldLook> fields = {};
  // The export begins with a column line.
  bool columnLineRequired = false;
  // Names of the column line, where they are known.
  std::span<const ColumnName> columnNames = {};
  // Names the program gives its export ("persli.txt", "LG_ASCII*_SD.txt"): a hint, never
  // decisive alone.
  std::span<const std::string_view> fileNames = {};
};

// How well the file fits `look`, from 0 (not at all) to 1.
double FitOf(const ExportHead& head, const ExportLook& look);

// The checks of one layout over the employee lines of a file, for layouts that cut their fields
// otherwise than at semicolons. FitOf works with it too.
class ExportTally {
 public:
  // A line that is not an employee line of this layout (the column line is not passed).
  void OtherLine() { ++otherLines_; }
  // An employee line; `shape` from 0 to 1 tells how far it has the length or the semicolons
  // the layout's employee lines have (see LineShape).
  void EmployeeLine(double shape);
  // One field as it stands in an employee line. An empty field tells nothing.
  void Check(std::string_view field, FieldKind kind, FieldForm form = FieldForm::Bare);

  std::size_t EmployeeLines() const { return employeeLines_; }
  // 0 without employee lines; otherwise the share of fitting fields, lowered by lines of the
  // wrong shape and by lines that are no employee lines.
  double Fit() const;

 private:
  std::size_t employeeLines_ = 0;
  std::size_t otherLines_ = 0;
  double shapes_ = 0;
  double fittingWeight_ = 0;
  double checkedWeight_ = 0;
};

// 1 when a line has at least `needed` semicolons, a little less when it leaves its last column
// open, 0 when it has fewer.
double LineShape(int semicolons, int needed);

// Share of `names` found in their column of `columnLine` (double quotes and surrounding blanks
// aside, letters a-z compared in upper case).
double ColumnLineFit(std::string_view columnLine, std::span<const ColumnName> names);

// True when `line` is the column line of an export with these names: at least half of the
// names of the columns it has stand in their columns.
bool ColumnLineMatches(std::string_view line, std::span<const ColumnName> names);

// The fit of the employee lines (`data`, from ExportTally) together with what the column line
// says: the names, when they are known, else only whether the export has one.
double WithColumnLine(const ExportHead& head, double data, std::size_t employeeLines,
                      bool columnLineRequired, std::span<const ColumnName> names);

// `fit` raised a little when the file's name is one the program gives its export; only a fit
// that is already clear gains, so the name alone never decides.
double WithFileNameHint(const ExportHead& head, double fit,
                        std::span<const std::string_view> fileNames);

// True when `value` (without quotes and surrounding blanks) is a field of that kind.
bool FieldFits(std::string_view value, FieldKind kind);

// A layout names the program only when it fits at least this well ...
inline constexpr double kRecognisedFit = 0.6;
// ... and this much better than every other layout.
inline constexpr double kClearLead = 0.15;

// A layout's look alone can deceive: an export with a column removed or without its column
// line may look like another layout. A layout is named only when its own reader, run over the
// lines looked at, gives records that are plausible: a personnel number of digits, a birth
// date, and values that pass the rules of their kind (insurance number, tax identification
// number, postcode, tax class, BIC).
// The share of plausible records a layout's reader must reach on the lines looked at.
inline constexpr double kPlausibleShare = 0.5;

// The share (0 to 1) of plausible records that `reader` makes of the lines of `head`, read as
// a trial: no file is touched, nothing is shown. 0 without a record.
double PlausibleShare(const ExportHead& head, const ReaderEntry& reader);

// How well one layout (a row of the reader table) fits.
struct LayoutFit {
  const ReaderEntry* reader = nullptr;
  double fit = 0;
};

// Every layout of `readers` that can tell its export, best first.
std::vector<LayoutFit> RankLayouts(const ExportHead& head, std::span<const ReaderEntry> readers);

// The result of recognition.
struct Recognition {
  // The program as the window's list writes it; empty when no layout fits clearly.
  std::string_view program;
  // The layout's name for a program with more than one layout; empty otherwise.
  std::string_view layout;
  // The table row of the layout; null when none fits clearly.
  const ReaderEntry* reader = nullptr;
  // How well the best layout fits (0 to 1), and the best of all other layouts.
  double fit = 0;
  double nextFit = 0;
  // The share of plausible records the best layout's reader made of the lines looked at; it is
  // read only when the best layout fits clearly.
  double plausible = 0;

  bool Recognised() const { return reader != nullptr; }
};

Recognition Recognize(const ExportHead& head, std::span<const ReaderEntry> readers);

// The Windows-1252 text of the first bytes of a file as a run would decode the whole file
// (Windows-1252, UTF-8 with or without byte-order mark, UTF-16 with byte-order mark). When
// `cut` says the file goes on, only its complete lines are kept, so that neither a line nor a
// character cut at the end is looked at.
std::string DecodeHead(std::string_view bytes, bool cut);

// Recognition of a file from its bytes: `bytes` holds the file or its beginning (at least
// kRecognitionHeadBytes + 1 bytes of a longer file, of which the first kRecognitionHeadBytes
// are looked at).
Recognition RecognizeBytes(std::string_view bytes, std::string_view fileName,
                           std::span<const ReaderEntry> readers);
// The same for text already decoded to Windows-1252 (such as a run's source text).
Recognition RecognizeText(std::string_view text, std::string_view fileName,
                          std::span<const ReaderEntry> readers);
// Reads the beginning of the file at `path` (a UTF-8 path). Throws FileError when the
// file cannot be opened.
Recognition RecognizeFile(std::string_view path, std::span<const ReaderEntry> readers);

// True when the file was recognised as the export of another program than `chosenProgram`
// (the program combo's text, compared in upper case); false while no program is chosen.
bool RecognisedAsOther(const Recognition& recognition, std::string_view chosenProgram);

// The hint beside the program combo (UTF-8): "Erkannt: SBS"; "Die Datei sieht nach SBS aus,
// gewählt ist Datev" when the combo names another program of the list; empty when no layout
// fits clearly. `chosenProgram` is the combo's text (Windows-1252).
std::string RecognitionHint(const Recognition& recognition, std::string_view chosenProgram);

}  // namespace kd
