#include "plausibility.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "text.h"
#include "valueforms.h"

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
  if (number.size() == kInsuranceNumberLength) {
    // Written without blanks, as most exports write it: checked where it stands.
    bool form = true;
    for (std::size_t i = 0; i < kInsuranceNumberLength; ++i) {
      form = form && (i == 8 ? IsUpperLetter(number[i]) : IsDigit(number[i]));
    }
    if (form) {
      compact = number;
      return true;
    }
  }
  std::size_t size = 0;
  bool form = true;
  for (const char c : number) {
    if (c == ' ') continue;
    if (size == out.size()) return false;
    form = form && (size == 8 ? IsUpperLetter(c) : IsDigit(c));
    out[size++] = c;
  }
  compact = std::string_view(out.data(), size);
  return form && size == kInsuranceNumberLength;
}

// The letter counts as its two-digit place in the alphabet (A = 01); the twelve digits are
// weighted 2 1 2 5 7 1 2 1 2 1 2 1 and the digit sums of the products are added up. The sum
// modulo 10 is the check digit.
int InsuranceCheckDigit(std::string_view compact) {
  // The digit sum of every product a digit and a weight can give (at most 9 * 7).
  constexpr std::array<std::uint8_t, 64> kDigitSums = [] {
    std::array<std::uint8_t, 64> sums{};
    for (int p = 0; p < 64; ++p)
      sums[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(p / 10 + p % 10);
    return sums;
  }();
  const auto term = [&](int digit, int weight) {
    return static_cast<int>(kDigitSums[static_cast<std::size_t>(digit * weight)]);
  };
  const int letter = compact[8] - 'A' + 1;
  const int sum =
      term(DigitAt(compact, 0), 2) + term(DigitAt(compact, 1), 1) + term(DigitAt(compact, 2), 2) +
      term(DigitAt(compact, 3), 5) + term(DigitAt(compact, 4), 7) + term(DigitAt(compact, 5), 1) +
      term(DigitAt(compact, 6), 2) + term(DigitAt(compact, 7), 1) + term(letter / 10, 2) +
      term(letter % 10, 1) + term(DigitAt(compact, 9), 2) + term(DigitAt(compact, 10), 1);
  return sum % 10;
}

// A birth date as exports write it (valueforms.h); `year` is its last two digits.
bool ReadBirthDate(std::string_view text, int& day, int& month, int& year) {
  DottedDate date;
  if (!ReadDottedDate(TrimView(text), date)) return false;
  day = date.day;
  month = date.month;
  year = date.year % 100;
  return true;
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

// In the first ten digits exactly one digit occurs twice or three times, and not three times
// in a row; every other digit occurs at most once. `counts` holds each digit's count in four
// bits: a count of 4 or more sets a nibble's third bit, a count of 2 or 3 its second.
bool TaxIdDigitsFollowRule(std::string_view number, std::uint64_t counts) {
  constexpr std::uint64_t kNibbles = 0x1111111111u;
  if (((counts >> 2) & kNibbles) != 0) return false;
  const std::uint64_t repeated = (counts >> 1) & kNibbles;
  if (repeated == 0 || (repeated & (repeated - 1)) != 0) return false;
  const int digit = std::countr_zero(repeated) / 4;
  if (((counts >> (4 * digit)) & 0xF) != 3) return true;
  const char c = static_cast<char>('0' + digit);
  for (std::size_t i = 0; i + 2 < kTaxIdLength - 1; ++i) {
    if (number[i] == c && number[i + 1] == c && number[i + 2] == c) return false;
  }
  return true;
}

}  // namespace

namespace {

bool DatesAgree(const InsuranceDate& date, std::string_view birthDate) {
  int day = 0;
  int month = 0;
  int year = 0;
  if (!ReadBirthDate(birthDate, day, month, year)) return true;
  if (date.year != year) return false;
  if (date.month == 0) return true;  // the day then is the day the number was given out
  if (date.month != month) return false;
  return date.day == 0 || date.day == day;
}

}  // namespace

InsuranceNumberProblem CheckInsuranceNumber(std::string_view number) {
  return CheckInsuranceNumber(number, {});
}

InsuranceNumberProblem CheckInsuranceNumber(std::string_view number, std::string_view birthDate) {
  if (number.empty() || (number.front() == ' ' && IsBlank(number))) {
    return InsuranceNumberProblem::None;
  }
  std::array<char, kInsuranceNumberLength> buffer;
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
  if (!DatesAgree(date, birthDate)) return InsuranceNumberProblem::OtherBirthDate;
  return InsuranceNumberProblem::None;
}

bool InsuranceNumberFitsBirthDate(std::string_view number, std::string_view birthDate) {
  std::array<char, kInsuranceNumberLength> buffer{};
  std::string_view compact;
  InsuranceDate date;
  if (!CompactInsuranceNumber(number, buffer, compact) || !ReadInsuranceDate(compact, date)) {
    return true;
  }
  return DatesAgree(date, birthDate);
}

TaxIdProblem CheckTaxId(std::string_view number) {
  if (number.empty()) return TaxIdProblem::None;
  if (number.size() != kTaxIdLength) return TaxIdProblem::Form;
  // One pass over the first ten digits: each digit's count in four bits of `counts`, and the
  // running product of the check digit.
  std::uint64_t counts = 0;
  std::size_t product = 10;
  for (std::size_t i = 0; i + 1 < kTaxIdLength; ++i) {
    const auto digit = static_cast<unsigned>(static_cast<unsigned char>(number[i]) - '0');
    if (digit > 9) return TaxIdProblem::Form;
    counts += std::uint64_t{1} << (4 * digit);
    product = kMod1110Steps[product][digit];
  }
  const auto last = static_cast<unsigned>(static_cast<unsigned char>(number.back()) - '0');
  if (last > 9) return TaxIdProblem::Form;
  if (number.front() == '0') return TaxIdProblem::LeadingZero;
  if (!TaxIdDigitsFollowRule(number, counts)) return TaxIdProblem::DigitRule;
  const int check = 11 - static_cast<int>(product);
  if (static_cast<unsigned>(check == 10 ? 0 : check) != last) return TaxIdProblem::CheckDigit;
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
  return bic.empty() || IsBicForm(bic);
}

bool HasControlCharacter(std::string_view value) {
  // Every record passes here. A loop over bytes without an early exit, which the compiler turns
  // into vector instructions: control characters are rare, and a record is short.
  const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
  unsigned char bad = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    bad |= static_cast<unsigned char>((bytes[i] < 0x20) | (bytes[i] == 0x7F));
  }
  return bad != 0;
}

namespace {

// IBAN lengths by country (the ISO 13616 registry).
struct CountryLength {
  char code[3];
  std::uint8_t length;
};
constexpr CountryLength kIbanLengths[] = {
    {"AD", 24}, {"AE", 23}, {"AL", 28}, {"AT", 20}, {"AZ", 28}, {"BA", 20}, {"BE", 16}, {"BG", 22},
    {"BH", 22}, {"BR", 29}, {"BY", 28}, {"CH", 21}, {"CR", 22}, {"CY", 28}, {"CZ", 24}, {"DE", 22},
    {"DK", 18}, {"DO", 28}, {"EE", 20}, {"EG", 29}, {"ES", 24}, {"FI", 18}, {"FO", 18}, {"FR", 27},
    {"GB", 22}, {"GE", 22}, {"GI", 23}, {"GL", 18}, {"GR", 27}, {"GT", 28}, {"HR", 21}, {"HU", 28},
    {"IE", 22}, {"IL", 23}, {"IQ", 23}, {"IS", 26}, {"IT", 27}, {"JO", 30}, {"KW", 30}, {"KZ", 20},
    {"LB", 28}, {"LC", 32}, {"LI", 21}, {"LT", 20}, {"LU", 20}, {"LV", 21}, {"MC", 27}, {"MD", 24},
    {"ME", 22}, {"MK", 19}, {"MR", 27}, {"MT", 31}, {"MU", 30}, {"NL", 18}, {"NO", 15}, {"PK", 24},
    {"PL", 28}, {"PS", 29}, {"PT", 25}, {"QA", 29}, {"RO", 24}, {"RS", 22}, {"SA", 24}, {"SC", 31},
    {"SE", 24}, {"SI", 19}, {"SK", 24}, {"SM", 27}, {"ST", 25}, {"SV", 28}, {"TL", 23}, {"TN", 24},
    {"TR", 26}, {"UA", 29}, {"VA", 22}, {"VG", 24}, {"XK", 20},
};

}  // namespace

bool IbanCheckDigitsValid(std::string_view iban) {
  if (iban.size() < 5) return false;
  unsigned remainder = 0;
  const auto add = [&remainder](char c) {
    if (IsDigit(c)) {
      remainder = (remainder * 10 + static_cast<unsigned>(c - '0')) % 97;
      return true;
    }
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper < 'A' || upper > 'Z') return false;
    remainder = (remainder * 100 + static_cast<unsigned>(upper - 'A' + 10)) % 97;
    return true;
  };
  for (std::size_t i = 4; i < iban.size(); ++i) {
    if (!add(iban[i])) return false;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    if (!add(iban[i])) return false;
  }
  return remainder == 1;
}

std::size_t IbanLengthOfCountry(std::string_view iban) {
  if (iban.size() < 2) return 0;
  const std::string country = UpperAscii(iban.substr(0, 2));
  for (const CountryLength& entry : kIbanLengths) {
    if (country == entry.code) return entry.length;
  }
  return 0;
}

}  // namespace kd
