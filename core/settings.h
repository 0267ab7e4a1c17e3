// The settings lines of the window as a run uses them.
#pragma once

#include <string>
#include <string_view>

namespace kd {

// The settings lines as UTF-8 text: the paths and the year, which names files, reach the file
// system as typed.
struct ConversionSettings {
  std::string SourcePath;      // line 1, or set directly by choosing the source file
  std::string DataDirectory;   // line 2, always ending with the path separator
  std::string ConvertUmlauts;  // line 3, trimmed and upper case
  std::string TakeBankData;    // line 4, trimmed and upper case
  std::string PayrollYear;     // line 5, unchanged
};

// A yes/no setting is yes when its text, trimmed and in upper case, is exactly "JA".
bool IsYes(std::string_view setting);

}  // namespace kd
