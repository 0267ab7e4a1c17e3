// Plausibility of values as they are written into KDIMPORT.TXT and the bank file: the social
// insurance number (VNr), its birth date against the employee's (Geb), the tax identification
// number (IdNr), the postcode of the place (Ort), the tax class (StKl), the form of a BIC and
// control characters. Each check looks at one written value (Windows-1252 bytes), allocates
// nothing and never changes what is written; the protocol words a hint from its result.
//
// An empty value is nothing to check: every check passes it, and the caller decides whether
// an empty value deserves a hint of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kd {

enum class InsuranceNumberProblem : std::uint8_t {
  None,
  Form,            // not 12 characters once blanks are removed: 8 digits, a letter A-Z, 3 digits
  AreaNumber,      // the first two digits name no pension insurance institution
  BirthDatePart,   // digits 3 to 8 are no birth date of the form DDMMYY
  CheckDigit,      // the last digit does not follow from the eleven characters before it
  OtherBirthDate,  // a valid number whose birth date part is not the employee's birth date
};

// The social insurance number of the German pension insurance, e.g. "15070649C103" or
// "15 070649 C 103". The day of its birth date part may be raised by 32 or 64 (by 96 for the
// first of a month) when the serial numbers of a date ran out, and day or month may be 00
// when the birth date was not known.
InsuranceNumberProblem CheckInsuranceNumber(std::string_view number);
// The same, and for a valid number also whether its birth date part is the employee's birth
// date `birthDate` (see InsuranceNumberFitsBirthDate): both checks at once, as every record
// needs them.
InsuranceNumberProblem CheckInsuranceNumber(std::string_view number, std::string_view birthDate);

// False only when the birth date part of a well-formed insurance number and the birth date
// `birthDate` (D.M.YYYY, DD.MM.YYYY or DD.MM.YY) really disagree. A raised day counts as the
// day it was raised from; a day or month 00 agrees with any day or month. An empty or
// malformed value on either side cannot be compared and gives true.
bool InsuranceNumberFitsBirthDate(std::string_view number, std::string_view birthDate);

enum class TaxIdProblem : std::uint8_t {
  None,
  Form,         // not exactly 11 digits
  LeadingZero,  // the first digit is 0 (such numbers are only given out for tests)
  DigitRule,    // the first ten digits break the rule of repeated digits
  CheckDigit,   // the last digit is not the ISO/IEC 7064 MOD 11,10 check digit
};

// The tax identification number: in its first ten digits exactly one digit occurs twice or
// three times and every other digit at most once; a digit occurring three times does not
// stand in three neighbouring places.
TaxIdProblem CheckTaxId(std::string_view number);

// True when the part of the place `Ort` before its first blank is a German postcode of five
// digits ("70173 Stuttgart"), and for a place that is empty or blank.
bool PostcodeIsGerman(std::string_view place);

// True for a tax class a reader writes for Kandrel: "1" to "6", "EP" for flat-rate taxed
// employees and "B1" to "B6" for the special tax table; also for an empty value.
bool TaxClassIsKnown(std::string_view taxClass);

// True when `bic` has the form of a BIC: 4 letters (bank), 2 letters (country), 2 letters or
// digits (location) and optionally 3 letters or digits (branch), all upper case; also for an
// empty value.
bool BicFormIsValid(std::string_view bic);

// True when `iban` (without blanks) passes the ISO 13616 check: the first four characters moved
// to the end, letters counted as 10 to 35, the number modulo 97 is 1.
bool IbanCheckDigitsValid(std::string_view iban);
// The length of an IBAN of the country of its first two letters; 0 for a country not known.
std::size_t IbanLengthOfCountry(std::string_view iban);

// True when `value` holds a control character: a byte below 0x20 or 0x7F.
bool HasControlCharacter(std::string_view value);

}  // namespace kd
