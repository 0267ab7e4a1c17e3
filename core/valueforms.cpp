#include "valueforms.h"

#include <algorithm>
#include <array>
#include <string>

#include "text.h"

namespace kd {

namespace {

int DigitsValue(std::string_view digits) {
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

bool DayAndMonthPossible(const DottedDate& date) {
  return date.day >= 1 && date.day <= 31 && date.month >= 1 && date.month <= 12;
}

}  // namespace

bool IsLetter(char c) {
  const auto b = static_cast<unsigned char>(c);
  if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') return true;
  if (b >= 0xC0) return b != 0xD7 && b != 0xF7;
  return b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E || b == 0x9F;
}

bool ReadDottedDate(std::string_view text, DottedDate& date) {
  // DD.MM.YYYY, as nearly every export writes it, without the general way.
  if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto digit = [p](int i) { return static_cast<unsigned>(p[i] - '0'); };
    const unsigned d0 = digit(0), d1 = digit(1), m0 = digit(3), m1 = digit(4);
    const unsigned y0 = digit(6), y1 = digit(7), y2 = digit(8), y3 = digit(9);
    if (d0 <= 9 && d1 <= 9 && m0 <= 9 && m1 <= 9 && y0 <= 9 && y1 <= 9 && y2 <= 9 && y3 <= 9) {
      date.day = static_cast<int>(d0 * 10 + d1);
      date.month = static_cast<int>(m0 * 10 + m1);
      date.year = static_cast<int>(y0 * 1000 + y1 * 100 + y2 * 10 + y3);
      return DayAndMonthPossible(date);
    }
  }
  const std::size_t first = text.find('.');
  if (first == std::string_view::npos) return false;
  const std::size_t second = text.find('.', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view day = text.substr(0, first);
  const std::string_view month = text.substr(first + 1, second - first - 1);
  const std::string_view year = text.substr(second + 1);
  if (!AllDigits(day) || !AllDigits(month) || !AllDigits(year)) return false;
  if (day.size() > 2 || month.size() > 2 || (year.size() != 2 && year.size() != 4)) return false;
  date.day = DigitsValue(day);
  date.month = DigitsValue(month);
  date.year = DigitsValue(year);
  return DayAndMonthPossible(date);
}

bool IsDottedDate(std::string_view text) {
  DottedDate date;
  return ReadDottedDate(text, date);
}

bool IsCompactDate(std::string_view text) {
  if (text.size() != 8 || !AllDigits(text)) return false;
  const int year = DigitsValue(text.substr(0, 4));
  const int month = DigitsValue(text.substr(4, 2));
  const int day = DigitsValue(text.substr(6, 2));
  return year >= 1800 && year <= 2199 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

int DaysInMonth(int month, int year) {
  constexpr std::array<int, 13> kDays{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && year % 4 == 0 && (year < 100 || year % 100 != 0 || year % 400 == 0)) {
    return 29;
  }
  return kDays[static_cast<std::size_t>(month)];
}

bool IsCalendarDate(std::string_view text) {
  DottedDate date;
  if (text.size() != 10 || !ReadDottedDate(text, date) || text[2] != '.' || text[5] != '.') {
    return false;
  }
  return date.day <= 28 || date.day <= DaysInMonth(date.month, date.year);
}

bool IsDecimal(std::string_view text) {
  const std::size_t separator = text.find_first_of(",.");
  if (separator == std::string_view::npos) return AllDigits(text);
  return AllDigits(text.substr(0, separator)) && AllDigits(text.substr(separator + 1));
}

bool IsInsuranceNumberForm(std::string_view text) {
  std::array<char, 12> number{};
  std::size_t size = 0;
  for (const char c : text) {
    if (c == ' ') continue;
    if (size == number.size()) return false;
    number[size++] = c;
  }
  if (size != number.size()) return false;
  for (std::size_t i = 0; i < number.size(); ++i) {
    if (i == 8 ? !IsLetter(number[i]) : !IsDigit(number[i])) return false;
  }
  return true;
}

bool IsIbanForm(std::string_view text) {
  std::size_t size = 0;
  for (const char c : text) {
    if (c == ' ') continue;
    const bool fits = size < 2 ? IsCapital(c) : size < 4 ? IsDigit(c) : IsDigit(c) || IsCapital(c);
    if (!fits) return false;
    ++size;
  }
  return size >= 15 && size <= 34;
}

bool IsBicForm(std::string_view text) {
  if (text.size() != 8 && text.size() != 11) return false;
  return std::all_of(text.begin(), text.begin() + 6, IsCapital) &&
         std::all_of(text.begin() + 6, text.end(),
                     [](char c) { return IsDigit(c) || IsCapital(c); });
}

bool IsTaxClassWord(std::string_view text) {
  std::string upper = UpperAscii(text);
  for (char& c : upper) {
    if (c == '\xFC') c = '\xDC';  // ü
  }
  return upper == "EINS" || upper == "ZWEI" || upper == "DREI" || upper == "VIER" ||
         upper == "F\xDCNF" || upper == "FUENF" || upper == "SECHS";
}

bool IsContributionGroup(std::string_view text) {
  if (text == "0") return true;
  if (text.size() == 4) return AllDigits(text);
  return text.size() == 7 && IsDigit(text[0]) && text[1] == ' ' && IsDigit(text[2]) &&
         text[3] == ' ' && IsDigit(text[4]) && text[5] == ' ' && IsDigit(text[6]);
}

}  // namespace kd
