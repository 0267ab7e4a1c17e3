// What a value of each kind looks like, one rule each: dates, insurance numbers, IBANs, BICs
// and the keys of the payroll programs. Recognition, the fit of a reader's records, the
// plausibility checks and the protocol all ask these; none of them looks at check digits.
#pragma once

#include <string_view>

namespace kd {

// Letters of Windows-1252: a-z, A-Z and the accented letters from 0xC0 on (× and ÷ aside), and
// Š, Œ, Ž, š, œ, ž, Ÿ.
bool IsLetter(char c);
inline bool IsCapital(char c) {
  return c >= 'A' && c <= 'Z';
}

// A date of day, month and year with points, as exports write it: "01.02.1970", "1.2.1970",
// "01.02.70" (day and month of one or two digits, the year of two or four). `year` is the year
// as written (70 for "70").
struct DottedDate {
  int day = 0;
  int month = 0;
  int year = 0;
};
// True when `text` is such a date with a day 1 to 31 and a month 1 to 12.
bool ReadDottedDate(std::string_view text, DottedDate& date);
bool IsDottedDate(std::string_view text);
// Year, month and day run together, "19700201", with a year from 1800 to 2199.
bool IsCompactDate(std::string_view text);
// DD.MM.YYYY naming a day of the calendar: the form Kandrel reads.
bool IsCalendarDate(std::string_view text);
// Days of `month` in `year` (a year of two digits counts as 19xx or 20xx alike: divisible by 4
// is a leap year).
int DaysInMonth(int month, int year);

// Digits with at most one decimal comma or point: "1,0", "0.5", "2".
bool IsDecimal(std::string_view text);
// Area number (2 digits), birth date (6), initial of the birth name, serial number and check
// digit (3): "12010270M001", also with blanks between its parts: "12 010270 M 001".
bool IsInsuranceNumberForm(std::string_view text);
// Two capitals, two check digits and the account of capitals and digits, 15 to 34 characters;
// blanks allowed.
bool IsIbanForm(std::string_view text);
// 4 letters (bank), 2 letters (country), 2 letters or digits (location) and optionally 3
// letters or digits (branch), all upper case.
bool IsBicForm(std::string_view text);
// "EINS" to "SECHS" in any case ("FÜNF" or "FUENF").
bool IsTaxClassWord(std::string_view text);
// Four digits, together ("1111") or apart ("1 1 1 1"), or "0".
bool IsContributionGroup(std::string_view text);

}  // namespace kd
