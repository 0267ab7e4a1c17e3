#include "recordchecks.h"

#include <string>

#include "fields.h"
#include "plausibility.h"
#include "text.h"
#include "valueforms.h"

namespace kd {

namespace {

// The problem's letter at the head of a warning's detail (protocol.h).
char ProblemCode(InsuranceNumberProblem problem) {
  switch (problem) {
    case InsuranceNumberProblem::AreaNumber:
      return kProblemArea;
    case InsuranceNumberProblem::BirthDatePart:
      return kProblemDate;
    case InsuranceNumberProblem::CheckDigit:
      return kProblemCheckDigit;
    default:
      return kProblemForm;
  }
}

char ProblemCode(TaxIdProblem problem) {
  switch (problem) {
    case TaxIdProblem::LeadingZero:
      return kProblemLeadingZero;
    case TaxIdProblem::DigitRule:
      return kProblemDigitRule;
    case TaxIdProblem::CheckDigit:
      return kProblemCheckDigit;
    default:
      return kProblemForm;
  }
}

// The key of the first item whose value holds a control character.
std::string_view KeyOfControlCharacter(std::string_view record) {
  std::size_t at = 0;
  while (at < record.size() && static_cast<unsigned char>(record[at]) >= 0x20 &&
         record[at] != 0x7F) {
    ++at;
  }
  const std::size_t itemStart =
      record.rfind(';', at) == std::string_view::npos ? 0 : record.rfind(';', at) + 1;
  const std::size_t equals = record.find('=', itemStart);
  return record.substr(itemStart, equals == std::string_view::npos || equals > at
                                      ? at - itemStart
                                      : equals - itemStart);
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
  if (!AllDigits(personnelNumber)) ++withoutDigitNumber_;
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  if (!IsCalendarDate(birthDate)) {
    protocol_.Warn(Warning::BirthDate, birthDate);
    // A birth date in any form an export writes one: "01.02.1970", "1.2.70", "19700201".
    if (!IsDottedDate(birthDate) && !IsCompactDate(birthDate)) ++withoutBirthDate_;
  }
  const std::string_view entryDate = record.Value(CheckedItem::EntryDate);
  if (!IsCalendarDate(entryDate)) protocol_.Warn(Warning::EntryDate, entryDate);
  CheckValues(record, controlInLine);
  fit_.Record(record.Text());
}

// The values with rules of their own.
void RecordChecks::CheckValues(const RecordBuilder& record, bool controlInLine) {
  const std::string_view insuranceNumber = record.Value(CheckedItem::InsuranceNumber);
  const std::string_view birthDate = record.Value(CheckedItem::BirthDate);
  const InsuranceNumberProblem insurance = CheckInsuranceNumber(insuranceNumber, birthDate);
  if (insurance == InsuranceNumberProblem::OtherBirthDate) {
    protocol_.Warn(Warning::InsuranceNumberBirthDate, kProblemBirthDate, insuranceNumber,
                   birthDate);
  } else if (insurance != InsuranceNumberProblem::None) {
    protocol_.Warn(Warning::InsuranceNumber, ProblemCode(insurance), insuranceNumber);
  }
  const std::string_view taxId = record.Value(CheckedItem::TaxId);
  if (const TaxIdProblem problem = CheckTaxId(taxId); problem != TaxIdProblem::None) {
    protocol_.Warn(Warning::TaxId, ProblemCode(problem), taxId);
  }
  const std::string_view place = record.Value(CheckedItem::Place);
  if (!PostcodeIsGerman(place)) protocol_.Warn(Warning::Postcode, place.substr(0, place.find(' ')));
  // Blanks alone are no tax class: nothing written.
  const std::string_view taxClass = record.Value(CheckedItem::TaxClass);
  if (!TaxClassIsKnown(TrimView(taxClass))) protocol_.Warn(Warning::TaxClass, taxClass);
  const std::string& text = record.Text();
  if (controlInLine && HasControlCharacter(text)) {
    protocol_.Warn(Warning::ControlCharacter, KeyOfControlCharacter(text));
  }
}

void RecordChecks::BankLine(const BankConnection& bank, bool ofRecord) {
  if (ofRecord) fit_.Bank(bank);
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
