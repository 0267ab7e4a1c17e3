#include "layoutlook.h"

#include <algorithm>

#include "text.h"
#include "valueforms.h"

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

}  // namespace

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
      return IsInsuranceNumberForm(value);
    case FieldKind::Iban:
      return IsIbanForm(value);
    case FieldKind::Bic:
      return IsBicForm(value);
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

}  // namespace kd
