// Value rules that both Lexware export layouts share.
#pragma once

#include <string>
#include <string_view>

#include "text.h"

namespace kd::readers::lexware {

// Person groups beginning with "99" are written as 000.
inline std::string PersonGroup(std::string_view group) {
  return group.substr(0, 2) == "99" ? std::string("000") : std::string(group);
}

// The social insurance number "12 010270 M 001" without its blanks at positions 3, 10 and 12.
inline std::string InsuranceNumberWithoutBlanks(std::string_view text) {
  std::string result(Cut(text, 1, 2));
  result += Cut(text, 4, 6);
  result += Cut(text, 11, 1);
  result += Cut(text, 13, 3);
  return result;
}

// "1 1 1 1": the contribution groups for health, pension, unemployment and care insurance,
// separated by blanks.
inline std::string ContributionGroupDigits(std::string_view groups) {
  std::string result(Cut(groups, 1, 1));
  result += Cut(groups, 3, 1);
  result += Cut(groups, 5, 1);
  result += Cut(groups, 7, 1);
  return result;
}

// Child allowances with a decimal comma such as "0,5" are written with a point.
inline std::string ChildAllowance(std::string_view children) {
  std::string result(children);
  if (result.size() > 2 && result[1] == ',') result[1] = '.';
  return result;
}

}  // namespace kd::readers::lexware
