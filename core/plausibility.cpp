#include "plausibility.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "text.h"

namespace kd {

namespace {

constexpr std::size_t kInsuranceNumberLength = 12;
constexpr std::size_t kTaxIdLength = 11;

inline int DigitAt(std::string_view text, std::size_t i) {
  return text[i] - '0';
}

inline int TwoDigits(std::string_view text, std::size_t i) {
  return DigitAt(text, i) * 10 + DigitAt(text, i + 1);
}

inline bool IsUpperLetter(char c) {
  return c >= 'A' && c <= 'Z';
}

inline bool IsUpperLetterOrDigit(char c) {
  return IsUpperLetter(c) || IsDigit(c);
}

bool IsBlank(std::string_view text) {
  for (const char c : text) {
    if (c != ' ') return false;
  }
  return true;
}

// The area numbers under which the pension insurance institutions give out insurance numbers:
// the regional institutions, the federal institution and the one for miners, railway and
// seafaring.
constexpr std::array<bool, 100> kAreaNumbers = [] {
  constexpr int kRanges[][2] = {{2, 4},   {8, 21},  {23, 26}, {28, 29}, {38, 39}, {42, 44},
                                {48, 61}, {63, 66}, {68, 69}, {78, 82}, {89, 89}};
  std::array<bool, 100> areas{};
  for (const auto& range : kRanges) {
    for (int area = range[0]; area <= range[1]; ++area) {
      areas[static_cast<std::size_t>(area)] = true;
    }
  }
  return areas;
}();

// Days of a month of a two-digit year; February has 29 days in every year divisible by 4,
// which 1900 is not, but 2000 is.
int DaysInMonth(int month, int year) {
  constexpr std::array<int, 13> kDays{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && year % 4 == 0) return 29;
  return kDays[static_cast<std::size_t>(month)];
}

// The birth date of an insurance number: the day as it was before a raise (0 when not known),
// the month (0 when not known) and the two-digit year.
struct InsuranceDate {
  int day = 0;
  int month = 0;
  int year = 0;
};

// Reads digits 3 to 8 of a compact insurance number; false when they name no birth date.
bool ReadInsuranceDate(std::string_view compact, InsuranceDate& date) {
  const int dayPart = TwoDigits(compact, 2);
  date.month = TwoDigits(compact, 4);
  date.year = TwoDigits(compact, 6);
  if (date.month > 12) return false;
  if (dayPart == 97) {  // the first of a month raised by 96
    date.day = 1;
    return date.month != 0;
  }
  if (dayPart > 95) return false;
  date.day = dayPart % 32;  // raised by 32 or 64
  return date.month == 0 || date.day <= DaysInMonth(date.month, date.year);
}

// The insurance number without its blanks; false when that is not 8 digits, a letter A-Z and
// 3 digits.
bool CompactInsuranceNumber(std::string_view number, std::array<char, kInsuranceNumberLength>& out,
                            std::string_view& compact) {
  std::size_t size = 0;
  for (const char c : number) {
    if (c == ' ') continue;
    if (size == out.size()) return false;
    out[size++] = c;
  }
  compact = std::string_view(out.data(), size);
  if (size != kInsuranceNumberLength) return false;
  for (std::size_t i = 0; i < size; ++i) {
    if (i == 8 ? !IsUpperLetter(compact[i]) : !IsDigit(compact[i])) return false;
  }
  return true;
}

// The letter counts as its two-digit place in the alphabet (A = 01); the twelve digits are
// weighted 2 1 2 5 7 1 2 1 2 1 2 1 and the digit sums of the products are added up. The sum
// modulo 10 is the check digit.
int InsuranceCheckDigit(std::string_view compact) {
  constexpr std::array<int, 12> kWeights{2, 1, 2, 5, 7, 1, 2, 1, 2, 1, 2, 1};
  const int letter = compact[8] - 'A' + 1;
  const std::array<int, 12> digits{DigitAt(compact, 0), DigitAt(compact, 1), DigitAt(compact, 2),
                                   DigitAt(compact, 3), DigitAt(compact, 4), DigitAt(compact, 5),
                                   DigitAt(compact, 6), DigitAt(compact, 7), letter / 10,
                                   letter % 10,         DigitAt(compact, 9), DigitAt(compact, 10)};
  int sum = 0;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const int product = digits[i] * kWeights[i];
    sum += product / 10 + product % 10;
  }
  return sum % 10;
}

// Reads a number of `minDigits` to `maxDigits` digits at `pos`, moving `pos` behind it.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t minDigits,
                std::size_t maxDigits, int& value) {
  std::size_t count = 0;
  value = 0;
  while (pos < text.size() && IsDigit(text[pos]) && count < maxDigits) {
    value = value * 10 + DigitAt(text, pos);
    ++pos;
    ++count;
  }
  return count >= minDigits && (pos == text.size() || !IsDigit(text[pos]));
}

// A birth date D.M.YYYY, DD.MM.YYYY, DD.MM.YY or D.M.YY with a day 1 to 31 and a month 1 to
// 12; `year` is its last two digits.
bool ReadBirthDate(std::string_view text, int& day, int& month, int& year) {
  text = TrimView(text);
  std::size_t pos = 0;
  if (!ReadNumber(text, pos, 1, 2, day) || pos == text.size() || text[pos++] != '.') return false;
  if (!ReadNumber(text, pos, 1, 2, month) || pos == text.size() || text[pos++] != '.') {
    return false;
  }
  const std::size_t yearStart = pos;
  if (!ReadNumber(text, pos, 2, 4, year) || pos != text.size()) return false;
  if (pos - yearStart == 3) return false;
  year %= 100;
  return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

// ISO/IEC 7064 MOD 11,10: each digit takes the running product p (1 to 10) to
// 2 * ((p + digit) mod 10, with 0 counted as 10) mod 11. The steps stand in a table, so the
// ten steps of a number are ten lookups.
constexpr std::array<std::array<std::uint8_t, 10>, 11> kMod1110Steps = [] {
  std::array<std::array<std::uint8_t, 10>, 11> steps{};
  for (int product = 1; product <= 10; ++product) {
    for (int digit = 0; digit <= 9; ++digit) {
      const int sum = (product + digit) % 10 == 0 ? 10 : (product + digit) % 10;
      steps[static_cast<std::size_t>(product)][static_cast<std::size_t>(digit)] =
          static_cast<std::uint8_t>(2 * sum % 11);
    }
  }
  return steps;
}();

int TaxIdCheckDigit(std::string_view number) {
  std::size_t product = 10;
  for (std::size_t i = 0; i + 1 < kTaxIdLength; ++i) {
    product = kMod1110Steps[product][static_cast<std::size_t>(DigitAt(number, i))];
  }
  const int check = 11 - static_cast<int>(product);
  return check == 10 ? 0 : check;
}

// In the first ten digits exactly one digit occurs twice or three times, and not three times
// in a row; every other digit occurs at most once.
bool TaxIdDigitsFollowRule(std::string_view number) {
  constexpr std::size_t kDigits = kTaxIdLength - 1;
  std::array<int, 10> counts{};
  for (std::size_t i = 0; i < kDigits; ++i) {
    ++counts[static_cast<std::size_t>(DigitAt(number, i))];
  }
  int repeated = -1;
  for (int digit = 0; digit < 10; ++digit) {
    const int count = counts[static_cast<std::size_t>(digit)];
    if (count < 2) continue;
    if (count > 3 || repeated >= 0) return false;
    repeated = digit;
  }
  if (repeated < 0) return false;
  if (counts[static_cast<std::size_t>(repeated)] == 3) {
    for (std::size_t i = 0; i + 2 < kDigits; ++i) {
      if (DigitAt(number, i) == repeated && DigitAt(number, i + 1) == repeated &&
          DigitAt(number, i + 2) == repeated) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

InsuranceNumberProblem CheckInsuranceNumber(std::string_view number) {
  if (IsBlank(number)) return InsuranceNumberProblem::None;
  std::array<char, kInsuranceNumberLength> buffer{};
  std::string_view compact;
  if (!CompactInsuranceNumber(number, buffer, compact)) return InsuranceNumberProblem::Form;
  if (!kAreaNumbers[static_cast<std::size_t>(TwoDigits(compact, 0))]) {
    return InsuranceNumberProblem::AreaNumber;
  }
  InsuranceDate date;
  if (!ReadInsuranceDate(compact, date)) return InsuranceNumberProblem::BirthDatePart;
  if (InsuranceCheckDigit(compact) != DigitAt(compact, 11)) {
    return InsuranceNumberProblem::CheckDigit;
  }
  return InsuranceNumberProblem::None;
}

bool InsuranceNumberFitsBirthDate(std::string_view number, std::string_view birthDate) {
  std::array<char, kInsuranceNumberLength> buffer{};
  std::string_view compact;
  InsuranceDate date;
  if (!CompactInsuranceNumber(number, buffer, compact) || !ReadInsuranceDate(compact, date)) {
    return true;
  }
  int day = 0;
  int month = 0;
  int year = 0;
  if (!ReadBirthDate(birthDate, day, month, year)) return true;
  if (date.year != year) return false;
  if (date.month == 0) return true;  // the day then is the day the number was given out
  if (date.month != month) return false;
  return date.day == 0 || date.day == day;
}

TaxIdProblem CheckTaxId(std::string_view number) {
  if (number.empty()) return TaxIdProblem::None;
  if (number.size() != kTaxIdLength || !AllDigits(number)) return TaxIdProblem::Form;
  if (number.front() == '0') return TaxIdProblem::LeadingZero;
  if (!TaxIdDigitsFollowRule(number)) return TaxIdProblem::DigitRule;
  if (TaxIdCheckDigit(number) != DigitAt(number, kTaxIdLength - 1)) {
    return TaxIdProblem::CheckDigit;
  }
  return TaxIdProblem::None;
}

bool PostcodeIsGerman(std::string_view place) {
  if (IsBlank(place)) return true;
  const std::string_view postcode = place.substr(0, place.find(' '));
  return postcode.size() == 5 && AllDigits(postcode);
}

bool TaxClassIsKnown(std::string_view taxClass) {
  if (taxClass.empty() || taxClass == "EP") return true;
  if (taxClass.size() == 2 && taxClass.front() == 'B') taxClass.remove_prefix(1);
  return taxClass.size() == 1 && taxClass.front() >= '1' && taxClass.front() <= '6';
}

bool BicFormIsValid(std::string_view bic) {
  if (bic.empty()) return true;
  if (bic.size() != 8 && bic.size() != 11) return false;
  for (std::size_t i = 0; i < bic.size(); ++i) {
    if (i < 6 ? !IsUpperLetter(bic[i]) : !IsUpperLetterOrDigit(bic[i])) return false;
  }
  return true;
}

bool HasControlCharacter(std::string_view value) {
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

}  // namespace kd
