#include "bankcodes.h"

#include "text.h"

namespace kd {

BankCodeTable::BankCodeTable(std::string contents)
    : contents_(std::move(contents)), lines_(SplitLines(contents_)) {}

std::string BankCodeTable::Lookup(std::string_view bic) {
  if (bic.empty()) return {};
  const auto known = answers_.find(std::string(bic));
  if (known != answers_.end()) return known->second;
  std::string name;
  for (const std::string_view line : lines_) {
    if (line.find(bic) != std::string_view::npos) {
      name = Trim(Cut(line, 108, 27));
      break;
    }
  }
  answers_.emplace(std::string(bic), name);
  return name;
}

}  // namespace kd
