#include "recordchecks.h"

#include <string>

#include "fields.h"
#include "plausibility.h"
#include "text.h"
#include "valueforms.h"

namespace kd {

namespace {

// The problem's letter at the head of a warning's detail (protocol.h).
std::string ProblemCode(InsuranceNumberProblem problem) {
  switch (problem) {
    case InsuranceNumberProblem::AreaNumber:
      return {kProblemArea};
    case InsuranceNumberProblem::BirthDatePart:
      return {kProblemDate};
    case InsuranceNumberProblem::CheckDigit:
      return {kProblemCheckDigit};
    default:
      return {kProblemForm};
  }
}

std::string ProblemCode(TaxIdProblem problem) {
  switch (problem) {
    case TaxIdProblem::LeadingZero:
      return {kProblemLeadingZero};
    case TaxIdProblem::DigitRule:
      return {kProblemDigitRule};
    case TaxIdProblem::CheckDigit:
      return {kProblemCheckDigit};
    default:
      return {kProblemForm};
  }
}

// The key of the first item whose value holds a control character.
std::string KeyOfControlCharacter(std::string_view record) {
  std::size_t at = 0;
  while (at < record.size() && static_cast<unsigned char>(record[at]) >= 0x20 &&
         record[at] != 0x7F) {
    ++at;
  }
  const std::size_t itemStart =
      record.rfind(';', at) == std::string_view::npos ? 0 : record.rfind(';', at) + 1;
  const std::size_t equals = record.find('=', itemStart);
  return std::string(record.substr(itemStart, equals == std::string_view::npos || equals > at
                                                  ? at - itemStart
                                                  : equals - itemStart));
}

}  // namespace

// A missing item reads as empty.
void RecordChecks::Record(const RecordBuilder& record, bool controlInLine) {
  const std::string_view personnelNumber = record.Value(CheckedItem::PersonnelNumber);
  if (personnelNumber.empty()) {
    protocol_.Warn(Warning::PersonnelNumberEmpty);
  } else if (!AllDigits(personnelNumber)) {
    protocol_.Warn(Warning::PersonnelNumberNotDigits);
  } else if (personnelNumber.size() > 4) {
    protocol_.Warn(Warning::PersonnelNumberTooLong);
  }
  bool plausible = true;
  if (!AllDigits(personnelNumber)) {
    ++withoutDigitNumber_;
    plausible = false;
  }
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  if (!IsCalendarDate(birthDate)) {
    protocol_.Warn(Warning::BirthDate, birthDate);
    // A birth date in any form an export writes one: "01.02.1970", "1.2.70", "19700201".
    if (!IsDottedDate(birthDate) && !IsCompactDate(birthDate)) {
      ++withoutBirthDate_;
      plausible = false;
    }
  }
  const std::string_view entryDate = record.Value(CheckedItem::EntryDate);
  if (!IsCalendarDate(entryDate)) protocol_.Warn(Warning::EntryDate, entryDate);
  if (!CheckValues(record, controlInLine)) plausible = false;
  if (plausible) ++plausibleRecords_;
}

// The values with rules of their own. False when a value that is there breaks its rule as a
// value from another column would: a missing value, a tax class in quotes or a control
// character are hints, but say nothing about where the reader took the values from.
bool RecordChecks::CheckValues(const RecordBuilder& record, bool controlInLine) {
  bool passed = true;
  const auto warn = [&](Warning warning, std::string detail) {
    protocol_.Warn(warning, detail);
    passed = false;
  };
  const auto hint = [&](Warning warning, std::string detail) { protocol_.Warn(warning, detail); };
  const std::string_view insuranceNumber = record.Value(CheckedItem::InsuranceNumber);
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  const InsuranceNumberProblem insurance = CheckInsuranceNumber(insuranceNumber, birthDate);
  if (insurance != InsuranceNumberProblem::None &&
      insurance != InsuranceNumberProblem::OtherBirthDate) {
    warn(Warning::InsuranceNumber, ProblemCode(insurance) + std::string(insuranceNumber));
  } else if (insurance == InsuranceNumberProblem::OtherBirthDate) {
    warn(Warning::InsuranceNumberBirthDate, kProblemBirthDate + std::string(insuranceNumber) +
                                                kDetailSeparator + std::string(birthDate));
  }
  const std::string_view taxId = record.Value(CheckedItem::TaxId);
  if (const TaxIdProblem problem = CheckTaxId(taxId); problem != TaxIdProblem::None) {
    warn(Warning::TaxId, ProblemCode(problem) + std::string(taxId));
  }
  const std::string_view place = record.Value(CheckedItem::Place);
  if (!PostcodeIsGerman(place)) {
    const std::string_view postcode = place.substr(0, place.find(' '));
    if (postcode.empty()) {
      hint(Warning::Postcode, {});
    } else {
      warn(Warning::Postcode, std::string(postcode));
    }
  }
  // Blanks alone are no tax class: nothing written.
  const std::string_view taxClass = record.Value(CheckedItem::TaxClass);
  if (!TaxClassIsKnown(TrimView(taxClass))) hint(Warning::TaxClass, std::string(taxClass));
  const std::string& text = record.Text();
  if (controlInLine && HasControlCharacter(text)) {
    hint(Warning::ControlCharacter, KeyOfControlCharacter(text));
  }
  return passed;
}

void RecordChecks::BankLine(const BankConnection& bank) {
  if (!bank.iban.empty()) CheckIban(bank.iban);
  if (!BicFormIsValid(bank.bic)) protocol_.Warn(Warning::BicForm, bank.bic);
}

void RecordChecks::CheckIban(std::string_view field) {
  // Some readers fill the IBAN field with blanks (GDI); the IBAN itself has none.
  std::string_view iban = field;
  std::string withoutBlanks;
  if (field.find(' ') != std::string_view::npos) {
    withoutBlanks = StripBlanks(field);
    iban = withoutBlanks;
  }
  if (iban.empty()) return;
  if (!IbanCheckDigitsValid(iban)) protocol_.Warn(Warning::IbanCheckDigits, iban);
  const std::size_t length = IbanLengthOfCountry(iban);
  if (length != 0 && length != iban.size()) protocol_.Warn(Warning::IbanLength, iban);
}

}  // namespace kd
