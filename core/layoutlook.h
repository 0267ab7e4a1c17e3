// What the export of each layout looks like, and how well the beginning of a file fits it:
// its column line, the number of semicolons of an employee line, quoting, and what stands in
// which column. Every reader describes its own export with these (readers/*.cpp).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "exporthead.h"

namespace kd {

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

// A layout's look names the program only when it fits at least this well (recognition.h).
inline constexpr double kRecognisedFit = 0.6;

}  // namespace kd
