// The German bank code list, consulted for bank names by BIC.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kd {

inline constexpr const char* kBankCodeListName = "BLZ_20170904.txt";

class BankCodeTable {
 public:
  // The table over the file's contents (fixed-width records, one bank or branch a line).
  explicit BankCodeTable(std::string contents);

  // The bank's short name (characters 108-134, trimmed) of the first line that contains `bic`
  // anywhere, case-sensitive; empty when `bic` is empty or no line contains it. Each BIC's
  // answer is remembered, so a run scans the table once per distinct BIC.
  std::string Lookup(std::string_view bic);

  std::size_t LineCount() const;

 private:
  std::string contents_;
  std::unordered_map<std::string, std::string> answers_;
};

}  // namespace kd
