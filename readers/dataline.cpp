// Dataline writes the employees' master data as "Personalstammdaten.dat" in its tax audit
// export: plain semicolon-separated lines, a column line that does not begin with a digit.
// Only the basic personal data is taken over; the export carries no bank connections, so with
// bank data asked for the bank file is written empty.
#include <string>
#include <string_view>

#include "readers.h"
#include "text.h"

namespace kd::readers {

namespace {

// Columns of the export (zero-based).
constexpr int kPersonnelNumber = 0;
constexpr int kSurname = 1;
constexpr int kFirstName = 2;
constexpr int kStreet = 6;
constexpr int kPostcode = 7;
constexpr int kTown = 8;
constexpr int kBirthDate = 9;
constexpr int kEntryDate = 14;
constexpr int kInsuranceNumber = 16;

bool IsEmployeeLine(std::string_view line) {
  return line.size() >= 2 && StartsWithDigit(line);
}

void ReadEmployee(ReaderContext& context, const Columns& columns, RecordBuilder& record) {
  record.Clear();
  record.Add("PNr", columns[kPersonnelNumber])
      .AddJoined("Name", {columns[kSurname], ", ", columns[kFirstName]})
      .Add("Str", columns[kStreet])
      .AddJoined("Ort", {columns[kPostcode], " ", columns[kTown]})
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber]);
  context.AddRecord(record);
}

// The names of the export's column line, where the export has one, in their columns.
constexpr ColumnName kColumnNames[] = {
    {kPersonnelNumber, "Personalnummer"},
    {kSurname, "Name"},
    {kFirstName, "Vorname"},
    {kStreet, "Strasse"},
    {kPostcode, "PLZ"},
    {kTown, "Ort"},
    {kBirthDate, "Geburtsdatum"},
    {kEntryDate, "Eintrittsdatum"},
    {kInsuranceNumber, "Versicherungsnummer"},
};

// The first line is the column line only when it carries the export's names.
bool IsColumnLine(std::string_view line) {
  return ColumnLineMatches(line, kColumnNames);
}

}  // namespace

void ReadDataline(ReaderContext& context) {
  context.AddFlagLine();
  // Kept from one employee line to the next: every line is split and its record built in the
  // same buffers.
  Columns columns;
  RecordBuilder record;
  for (const std::string_view line : context.Lines()) {
    if (IsEmployeeLine(line)) {
      ReadEmployee(context, columns.Assign(line), record);
    } else {
      context.SkipNonEmployeeLine(line, IsColumnLine);
    }
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

// What a Dataline export looks like: plain employee lines of 17 or more semicolons, the birth
// and entry dates at columns 9 and 14 and the social insurance number at column 16.
double DatalineFit(const ExportHead& head) {
  static constexpr FieldLook kFields[] = {
      {kPersonnelNumber, FieldKind::Number},
      {kSurname, FieldKind::Name},
      {kFirstName, FieldKind::Name},
      {kStreet, FieldKind::Text},
      {kPostcode, FieldKind::Postcode},
      {kTown, FieldKind::Name},
      {kBirthDate, FieldKind::Date},
      {kEntryDate, FieldKind::Date},
      {kInsuranceNumber, FieldKind::InsuranceNumber},
  };
  static constexpr std::string_view kFileNames[] = {"Personalstammdaten*.dat"};
  static constexpr ExportLook kLook{
      .semicolons = kInsuranceNumber + 1, .fields = kFields, .fileNames = kFileNames};
  return FitOf(head, kLook);
}

}  // namespace kd::readers
