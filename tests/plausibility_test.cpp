#include "plausibility.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using Ins = kd::InsuranceNumberProblem;
using Tax = kd::TaxIdProblem;
using Values = std::initializer_list<std::string_view>;

// One row of a table: every value gives `expected`.
template <typename Check, typename Result>
void Expect(Check check, Result expected, Values values) {
  for (std::string_view value : values) EXPECT_EQ(check(value), expected) << value;
}

// Every number with every birth date gives `expected`.
void ExpectFits(bool expected, Values numbers, Values birthDates) {
  for (std::string_view number : numbers) {
    for (std::string_view date : birthDates) {
      EXPECT_EQ(kd::InsuranceNumberFitsBirthDate(number, date), expected) << number << " " << date;
    }
  }
}

// Deutsche Rentenversicherung, VKVV § 2 and its published example 15070649C103; birth date part
// after GKV-Spitzenverband/DRV/BA, Gemeinsames Rundschreiben Meldeverfahren, 3.1.1.2; area
// numbers after the field checks of the Verfahrensbeschreibung Zahlstellen-Meldeverfahren.
TEST(Plausibility, InsuranceNumber) {
  const auto check = [](std::string_view number) { return kd::CheckInsuranceNumber(number); };
  Expect(check, Ins::None,
         {"15070649C103", "15 070649 C 103", "", "15390649C100", "65970764A011", "15000049C109",
          "15290200C107"});
  Expect(check, Ins::CheckDigit, {"15070649C104", "15070694C103", "15070649D103"});
  Expect(check, Ins::Form,
         {"15070649c103", "150706490103", "15070649C10", "15070649C1033", "15070649C\t103"});
  Expect(check, Ins::AreaNumber, {"01070649C103", "99070649C103"});
  Expect(check, Ins::BirthDatePart, {"15071349C103", "15300249C103", "15960649C103"});
}

// The same rules: a day raised by 32, 64 or 96 and a day or month 00 (not known).
TEST(Plausibility, InsuranceNumberFitsBirthDate) {
  ExpectFits(true, {"15070649C103", "15 070649 C 103", "15390649C100", "15710649C105"},
             {"07.06.1949", "7.6.1949", "07.06.49"});
  ExpectFits(false, {"15070649C103", "15390649C100"}, {"08.06.1949", "07.07.1949", "07.06.1950"});
  ExpectFits(true, {"65970764A011"}, {"01.07.1964"});
  ExpectFits(false, {"65970764A011"}, {"02.07.1964"});
  ExpectFits(true, {"15000049C109", "15170049C109"}, {"12.03.1949", "03.04.1949"});
  // Both checks in one call, as every record is checked: a valid number of another birth date.
  EXPECT_EQ(kd::CheckInsuranceNumber("15070649C103", "08.06.1949"), Ins::OtherBirthDate);
  EXPECT_EQ(kd::CheckInsuranceNumber("15070649C104", "08.06.1949"), Ins::CheckDigit);
  EXPECT_EQ(kd::CheckInsuranceNumber("15070649C103", "07.06.1949"), Ins::None);
  ExpectFits(false, {"15000049C109", "15170049C109"}, {"12.03.1950"});
  ExpectFits(true, {"", "15071349C103", "15070649C10"}, {"08.06.1949", "", "1949", "7.6.949"});
}

// ITZBund/ELSTER, "Prüfung der Steuer- und Steueridentifikationsnummer" (its examples, the
// rule of repeated digits, test numbers beginning with 0); ISO/IEC 7064 MOD 11,10.
TEST(Plausibility, TaxId) {
  const auto check = kd::CheckTaxId;
  Expect(check, Tax::None,
         {"86095742719", "47036892816", "65929970489", "57549285017", "25768131411", "11213456783",
          ""});
  Expect(check, Tax::LeadingZero, {"02476291358"});
  Expect(check, Tax::Form, {"8609574271", "860957427190", "86095 742719", "8609574271X"});
  Expect(check, Tax::DigitRule, {"12345678903", "11123456789", "11223456789", "12131415678"});
  Expect(check, Tax::CheckDigit, {"86095742718", "86059742719"});
}

// Forms of other written values: German postcodes of five digits (Deutsche Post), the tax
// classes I to VI (§ 38b EStG) as the readers write them, the BIC (ISO 9362), control characters.
TEST(Plausibility, ValueForms) {
  Expect(kd::PostcodeIsGerman, true, {"70173 Stuttgart", "04109", "  "});
  Expect(kd::PostcodeIsGerman, false,
         {"1010 Wien", "D-70173 Stuttgart", " 70173 Stuttgart", "70173Stuttgart", "Stuttgart"});
  Expect(kd::TaxClassIsKnown, true, {"1", "6", "EP", "B1", "B5", ""});
  Expect(kd::TaxClassIsKnown, false, {"0", "7", "B", "B7", "P", "ep", " 1", "01", "2 Elektro"});
  Expect(kd::BicFormIsValid, true, {"SOLADEST600", "COBADEFF", "BRLADE21LZO", ""});
  Expect(
      kd::BicFormIsValid, false,
      {"soladest600", "SOLADEST60", "SOLADEST6000", "S0LADEST600", "SOLAD3ST600", "SOLADEST60 "});
  // Long values are looked at eight bytes at a time: each position of a word, and the rest.
  Expect(kd::HasControlCharacter, false,
         {"Wei\xDF \xA0\x80", "", "PNr=1;Name=M\xFCller, J\xFCrgen;Str=\xFF\x80\x7E !;"});
  Expect(kd::HasControlCharacter, true,
         {"a\tb", "\x7F", "ab\x1F", "\r", "PNr=1;Na\x01me=x;", "PNr=1;Name=M\x7Fller;",
          "0123456789abcdef\x1F", "01234567\x7F"});
}

}  // namespace
