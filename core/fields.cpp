#include "fields.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text.h"
#include "ui.h"

namespace kd {

namespace {

// Offsets [begin, end) of column n, or false when the line does not close it.
bool ColumnSpan(std::string_view line, int n, std::size_t& begin, std::size_t& end) {
  if (n < 0) return false;
  std::size_t start = 0;  // offset just after the n-th semicolon (line start for n = 0)
  std::size_t pos = 0;
  for (int seen = 0; seen < n; ++seen) {
    pos = line.find(';', pos);
    if (pos == std::string_view::npos) return false;
    ++pos;
  }
  start = pos;
  const std::size_t close = line.find(';', start);
  if (close == std::string_view::npos) return false;
  begin = start;
  end = close;
  return true;
}

// Writes the offsets of all semicolons of `line` from `offsets[count]` on, growing `offsets`
// where its room ends, and counts them in `count`. Sixteen bytes are compared at once where the
// processor can (SSE2, which every x86-64 processor has), eight elsewhere: there a byte of `x`
// is zero exactly where the line has a semicolon, and the expression sets the high bit of
// exactly those bytes (no carry crosses a byte).
void FindSemicolons(std::string_view line, std::vector<std::size_t>& offsets, std::size_t& count) {
  const char* const data = line.data();
  const std::size_t size = line.size();
  // Room for the semicolons of the next `bytes` bytes.
  const auto room = [&](std::size_t bytes) {
    if (offsets.size() < count + bytes) offsets.resize(std::max(2 * offsets.size(), count + bytes));
  };
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i semicolon = _mm_set1_epi8(';');
  for (; i + 16 <= size; i += 16) {
    room(16);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, semicolon)));
    for (; hits != 0; hits &= hits - 1) {
      offsets[count++] = i + static_cast<std::size_t>(std::countr_zero(hits));
    }
  }
#else
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kEveryByte = 0x0101010101010101;
    constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7F;
    for (; i + 8 <= size; i += 8) {
      room(8);
      std::uint64_t word = 0;
      std::memcpy(&word, data + i, 8);
      const std::uint64_t x = word ^ (kEveryByte * ';');
      std::uint64_t hits = ~(((x & kLowBits) + kLowBits) | x | kLowBits);
      for (; hits != 0; hits &= hits - 1) {
        offsets[count++] = i + static_cast<std::size_t>(std::countr_zero(hits) / 8);
      }
    }
  }
#endif
  room(size - i);
  for (; i < size; ++i) {
    if (data[i] == ';') offsets[count++] = i;
  }
}

std::string FillZeros(std::string_view text, std::size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), '0') + std::string(text);
}

std::string StripFirstAndLast(std::string_view field) {
  if (field.size() < 2) return {};
  return std::string(field.substr(1, field.size() - 2));
}

}  // namespace

std::string FieldNo(std::string_view line, int n, std::size_t width) {
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!ColumnSpan(line, n, begin, end)) return FillZeros({}, width);
  return FillZeros(line.substr(begin, end - begin), width);
}

std::string QuotedFieldNo(std::string_view line, int n) {
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!ColumnSpan(line, n, begin, end)) return {};
  return StripFirstAndLast(line.substr(begin, end - begin));
}

std::string FieldAt(std::string_view line, int k, std::size_t width) {
  return FieldNo(line, k < 0 ? 0 : k + 1, width);
}

Columns::Columns(std::string_view line) {
  Assign(line);
}

Columns::Columns(const Columns& other)
    : line_(other.line_),
      semicolons_(other.semicolons_.begin(),
                  other.semicolons_.begin() + static_cast<std::ptrdiff_t>(other.count_)),
      count_(other.count_) {}

Columns& Columns::operator=(const Columns& other) {
  if (this != &other) {
    line_ = other.line_;
    count_ = other.count_;
    semicolons_.assign(other.semicolons_.begin(),
                       other.semicolons_.begin() + static_cast<std::ptrdiff_t>(other.count_));
  }
  return *this;
}

Columns::Columns(Columns&& other) noexcept
    : line_(other.line_),
      semicolons_(std::move(other.semicolons_)),
      count_(std::exchange(other.count_, 0)) {}

Columns& Columns::operator=(Columns&& other) noexcept {
  line_ = other.line_;
  semicolons_ = std::move(other.semicolons_);
  count_ = std::exchange(other.count_, 0);
  return *this;
}

Columns& Columns::Assign(std::string_view line) {
  line_ = line;
  count_ = 0;
  FindSemicolons(line, semicolons_, count_);
  return *this;
}

Columns& Columns::AssignClosed(std::string_view line) {
  Assign(line);
  if (semicolons_.size() == count_) semicolons_.resize(count_ + 1);
  semicolons_[count_++] = line.size();  // where the appended semicolon would stand
  return *this;
}

std::string_view Columns::operator[](int n) const {
  if (n < 0 || static_cast<std::size_t>(n) >= count_) return {};
  const std::size_t begin = n == 0 ? 0 : semicolons_[static_cast<std::size_t>(n) - 1] + 1;
  return {line_.data() + begin, semicolons_[static_cast<std::size_t>(n)] - begin};
}

std::string Columns::Field(int n, std::size_t width) const {
  return FillZeros((*this)[n], width);
}

std::string Columns::Quoted(int n) const {
  return StripFirstAndLast((*this)[n]);
}

void FillColumnTable(std::string_view headerLine, ColumnTable& table) {
  table.positions.fill(0);
  table.shift = 0;
  // The appended semicolon at the very end is not entered.
  const std::string_view own =
      headerLine.empty() ? headerLine : headerLine.substr(0, headerLine.size() - 1);
  int k = 0;
  for (std::size_t i = 0; i < own.size() && k < ColumnTable::kEntries; ++i) {
    if (own[i] == ';') table.positions[static_cast<std::size_t>(k++)] = static_cast<int>(i + 1);
  }
}

int HeaderColumnIndex(std::string_view name, std::string_view headerLine,
                      const ColumnTable& table) {
  if (name.empty()) return -1;
  const std::size_t found = headerLine.find(name);
  if (found == std::string_view::npos) return -1;
  const int p = static_cast<int>(found + 1);
  for (int k = 0; k < ColumnTable::kEntries; ++k) {
    if (table.positions[static_cast<std::size_t>(k)] == p) return k;
  }
  return -1;
}

std::string_view FieldUnderHeader(const Columns& line, int index, int shift) {
  if (index < 0) return {};
  const int k = index - shift;
  return line[k < 0 ? 0 : k + 1];
}

std::string FieldByHeader(std::string_view name, std::string_view dataLine,
                          std::string_view headerLine, const ColumnTable& table,
                          std::size_t width) {
  const int index = HeaderColumnIndex(name, headerLine, table);
  if (index < 0) return {};
  return FieldAt(dataLine, index - table.shift, width);
}

std::string StripBlanks(std::string_view text) {
  std::string result;
  AssignWithoutBlanks(result, text);
  return result;
}

void AssignWithoutBlanks(std::string& target, std::string_view text) {
  target.clear();
  target.reserve(text.size());
  for (const char c : text) {
    if (c != ' ') target.push_back(c);
  }
}

std::string NormalizeDate(std::string_view text) {
  const std::size_t d1 = text.find('.');
  if (d1 == std::string_view::npos) return std::string(text);
  const std::size_t d2 = text.find('.', d1 + 1);
  if (d2 == std::string_view::npos) return std::string(text);
  // 1-based positions as in the rule: d1 and d2 are the positions of the dots.
  const std::size_t p1 = d1 + 1;
  const std::size_t p2 = d2 + 1;
  std::string result;
  if (p1 == 2) {
    result += '0';
    result += Cut(text, 1, 1);
  } else {
    result += Cut(text, 1, 2);
  }
  result += '.';
  if (p2 - p1 == 2) {
    result += '0';
    result += Cut(text, p2 - 1, 1);
  } else {
    result += Cut(text, p1 + 1, 2);
  }
  result += '.';
  result += Cut(text, p2 + 1, 4);
  return result;
}

std::string TaxClassWordToDigit(std::string_view text) {
  if (text == "EINS") return "1";
  if (text == "ZWEI") return "2";
  if (text == "DREI") return "3";
  if (text == "VIER") return "4";
  if (text == "F\xDCNF") return "5";
  if (text == "SECHS") return "6";
  return {};
}

std::string CheckPersonnelNumber(std::string_view number, UserInterface& ui) {
  if (number.size() <= 4) return std::string(number);
  std::string result(number.substr(number.size() - 4));
  ui.ShowMessage("Personalnummer " + Cp1252ToUtf8(number) + " geändert in " + Cp1252ToUtf8(result) +
                     ", da Kandrel nur mit 4-stelligen Personalnummern arbeitet.",
                 "Hinweis", Icon::Information);
  return result;
}

}  // namespace kd
