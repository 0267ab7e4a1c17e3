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

void ReadEmployee(ReaderContext& context, std::string_view line) {
  const Columns columns(line);
  RecordBuilder record;
  record.Add("PNr", columns[kPersonnelNumber])
      .Add("Name", columns.Field(kSurname) + ", " + columns.Field(kFirstName))
      .Add("Str", columns[kStreet])
      .Add("Ort", columns.Field(kPostcode) + " " + columns.Field(kTown))
      .Add("Geb", columns[kBirthDate])
      .Add("BegB", columns[kEntryDate])
      .Add("VNr", columns[kInsuranceNumber]);
  context.AddRecord(record.Take());
}

}  // namespace

void ReadDataline(ReaderContext& context) {
  context.AddFlagLine();
  for (const std::string_view line : context.SourceLines()) {
    if (IsEmployeeLine(line)) ReadEmployee(context, line);
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

}  // namespace kd::readers
