#include "bankcodes.h"

#include "text.h"

namespace kd {

BankCodeTable::BankCodeTable(std::string contents) : contents_(std::move(contents)) {}

std::size_t BankCodeTable::LineCount() const {
  return SplitLines(contents_).size();
}

std::string BankCodeTable::Lookup(std::string_view bic) {
  // No line holds an empty text or a line break.
  if (bic.empty() || bic.find_first_of("\r\n") != std::string_view::npos) return {};
  const auto known = answers_.find(std::string(bic));
  if (known != answers_.end()) return known->second;
  // The first occurrence in the whole text lies in the first line that contains the BIC.
  std::string name;
  const std::string_view text(contents_);
  const std::size_t hit = text.find(bic);
  if (hit != std::string_view::npos) {
    const std::size_t before = text.find_last_of("\r\n", hit);
    const std::size_t begin = before == std::string_view::npos ? 0 : before + 1;
    std::size_t end = text.find_first_of("\r\n", hit);
    if (end == std::string_view::npos) end = text.size();
    name = Trim(Cut(text.substr(begin, end - begin), 108, 27));
  }
  answers_.emplace(std::string(bic), name);
  return name;
}

}  // namespace kd
