#include "protocol.h"

#include <algorithm>
#include <bit>

#include "text.h"

namespace kd {

bool Protocol::IsBlankReason(SkipReason reason) {
  return reason == SkipReason::ColumnLine || reason == SkipReason::EmptyLine ||
         reason == SkipReason::BlankLine;
}

// ---------------------------------------------------------------------------------------------
// Collecting

void Protocol::Start(bool bankSetting) {
  *this = Protocol();
  started_ = true;
  bankSetting_ = bankSetting;
}

void Protocol::BeginFile(std::string_view name) {
  MergeBlankRun();
  files_.emplace_back(name);
  fileLines_.push_back(0);
}

// An empty or blank line right after a run of the same kind joins that run, so that an export
// of nothing but line breaks keeps a handful of entries however long it is.
void Protocol::MergeBlankRun() {
  if (lines_.size() < 2) return;
  const Line& last = lines_.back();
  Line& run = lines_[lines_.size() - 2];
  const bool blank = last.result == LineResult::Skipped &&
                     (last.reason == SkipReason::EmptyLine || last.reason == SkipReason::BlankLine);
  if (!blank || last.warnings != 0 || last.bankLine || run.result != last.result ||
      run.reason != last.reason || run.file != last.file || run.warnings != 0 || run.bankLine ||
      run.number + run.count != last.number) {
    return;
  }
  ++run.count;
  lines_.pop_back();
}

void Protocol::NextLine() {
  MergeBlankRun();
  Line line;
  line.number = static_cast<std::uint32_t>(++fileLines_.back());
  line.file = static_cast<std::uint8_t>(files_.size() - 1);
  line.text = kNoText;
  lines_.push_back(line);
}

void Protocol::Skip(SkipReason reason) {
  if (lines_.empty()) return;
  lines_.back().result = LineResult::Skipped;
  lines_.back().reason = reason;
}

void Protocol::Convert(std::string_view personnelNumber, std::string_view name) {
  if (lines_.empty()) return;
  Line& line = lines_.back();
  line.result = LineResult::Converted;
  line.numberSize =
      static_cast<std::uint16_t>(std::min<std::size_t>(personnelNumber.size(), 0xFFFF));
  const std::size_t at = texts_.size();
  const std::size_t size = line.numberSize + name.size() + 2;
  if (at + size < kNoText) {
    line.text = static_cast<std::uint32_t>(at);
    texts_.resize(at + size);
    char* out = texts_.data() + at;
    std::copy_n(personnelNumber.data(), line.numberSize, out);
    out[line.numberSize] = '\0';
    std::copy(name.begin(), name.end(), out + line.numberSize + 1);
    out[size - 1] = '\0';
  }
  // Employees of the export that share a personnel number; the bank connection file's lines
  // repeat the employees' numbers and do not count.
  if (line.file == 0 && !personnelNumber.empty()) {
    const std::uint32_t slot = TwinSlot(personnelNumber);
    ++twinCounts_[slot];
    line.twinGroup = slot + 1;
  }
}

void Protocol::MarkBankLine() {
  if (!lines_.empty()) lines_.back().bankLine = true;
}

void Protocol::Warn(Warning warning, std::string_view detail) {
  Warn(warning, '\0', detail, {});
}

// A hint costs its line a bit and, with a detail, the detail's bytes in one text of all details
// and an entry of 16 bytes pointing there.
void Protocol::Warn(Warning warning, char problem, std::string_view value, std::string_view other) {
  if (lines_.empty()) return;
  lines_.back().warnings |= 1u << static_cast<int>(warning);
  const auto index = static_cast<std::uint32_t>(lines_.size() - 1);
  if (warning == Warning::ColumnShift && shiftLine_ == 0) shiftLine_ = index + 1;
  if (problem == '\0' && value.empty()) return;
  const std::size_t at = detailText_.size();
  if (problem != '\0') detailText_ += problem;
  detailText_.append(value.data(), value.size());
  if (!other.empty()) {
    detailText_ += kDetailSeparator;
    detailText_.append(other.data(), other.size());
  }
  if (details_.capacity() == details_.size())
    details_.reserve(std::max<std::size_t>(64, 2 * details_.size()));
  details_.push_back({index, static_cast<std::uint32_t>(at),
                      static_cast<std::uint32_t>(detailText_.size() - at), warning});
}

// A personnel number as Kandrel tells employees apart: by its number when it is one, so that
// "0012" and "12" are the same employee; as it is written otherwise. Numbers below 10,000 (nearly
// all) have a slot of their own, the rest one each as they come.
std::uint32_t Protocol::TwinSlot(std::string_view personnelNumber) {
  constexpr std::uint32_t kSmall = 10000;
  // The slots of the small numbers grow with the largest number met: a short export needs few.
  const auto next = std::max(static_cast<std::uint32_t>(twinCounts_.size()), kSmall);
  bool digits = personnelNumber.size() <= 18;
  std::uint64_t number = 0;
  for (const char c : personnelNumber) {
    if (!digits) break;
    digits = IsDigit(c);
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  std::uint32_t slot;
  if (digits && number < kSmall) {
    slot = static_cast<std::uint32_t>(number);
  } else if (digits) {
    slot = bigNumberSlots_.try_emplace(number, next).first->second;
  } else {
    slot = textSlots_.try_emplace(std::string(personnelNumber), next).first->second;
  }
  if (slot >= twinCounts_.size()) {
    const std::size_t grown = std::min<std::size_t>(twinCounts_.size() * 2, kSmall);
    twinCounts_.resize(slot < kSmall ? std::max<std::size_t>(slot + 1, grown) : slot + 1, 0);
  }
  return slot;
}

void Protocol::Finish() {
  MergeBlankRun();
  records_ = bankLines_ = 0;
  std::fill(std::begin(skipped_), std::end(skipped_), 0);
  std::fill(std::begin(warned_), std::end(warned_), 0);

  if (!twinsFound_) {
    twinsFound_ = true;
    std::vector<std::uint32_t> groupOfSlot(twinCounts_.size(), 0);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      Line& line = lines_[i];
      if (line.twinGroup == 0) continue;
      const std::uint32_t slot = line.twinGroup - 1;
      line.twinGroup = 0;
      if (twinCounts_[slot] < 2) continue;
      if (groupOfSlot[slot] == 0) {
        twins_.emplace_back();
        twins_.back().reserve(twinCounts_[slot]);
        groupOfSlot[slot] = static_cast<std::uint32_t>(twins_.size());
      }
      twins_[groupOfSlot[slot] - 1].push_back(static_cast<std::uint32_t>(i));
      line.twinGroup = groupOfSlot[slot];
      line.warnings |= 1u << static_cast<int>(Warning::PersonnelNumberTwice);
    }
  }

  attention_ = 0;
  skippedWhileShifted_ = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    const bool converted = line.result == LineResult::Converted;
    if (converted && line.file == 0) ++records_;
    if (line.bankLine) ++bankLines_;
    if (!converted) {
      skipped_[static_cast<int>(line.reason)] += line.count;
      if (!IsBlankReason(line.reason)) ++attention_;
    }
    if (line.warnings != 0) {
      if (converted) ++attention_;
      for (unsigned bits = line.warnings; bits != 0; bits &= bits - 1) {
        ++warned_[std::countr_zero(bits)];
      }
    }
    if (SkippedWhileShifted(i, line)) ++skippedWhileShifted_;
  }
}

// ---------------------------------------------------------------------------------------------
// Reading

bool Protocol::SkippedWhileShifted(std::size_t index, const Line& line) const {
  return shiftLine_ != 0 && index >= shiftLine_ && line.result == LineResult::Skipped &&
         !IsBlankReason(line.reason) && line.file == lines_[shiftLine_ - 1].file;
}

std::string_view Protocol::Stored(std::uint32_t at) const {
  if (at == kNoText || at >= texts_.size()) return {};
  const std::size_t end = texts_.find('\0', at);
  return std::string_view(texts_).substr(at, end - at);
}

std::string_view Protocol::PersonnelNumber(const Line& line) const {
  if (line.result != LineResult::Converted || line.text == kNoText) return {};
  return std::string_view(texts_).substr(line.text, line.numberSize);
}

std::string_view Protocol::Name(const Line& line) const {
  if (line.result != LineResult::Converted || line.text == kNoText) return {};
  return Stored(static_cast<std::uint32_t>(line.text + line.numberSize + 1));
}

std::size_t Protocol::LinesRead(std::size_t file) const {
  return file < fileLines_.size() ? fileLines_[file] : 0;
}

std::size_t Protocol::AttentionCount() const {
  return attention_;
}

std::string_view Protocol::DetailOf(std::size_t index, Warning warning) const {
  const auto found = std::lower_bound(details_.begin(), details_.end(), index,
                                      [](const Detail& d, std::size_t i) { return d.line < i; });
  for (auto d = found; d != details_.end() && d->line == index; ++d) {
    if (d->warning == warning) return std::string_view(detailText_).substr(d->at, d->size);
  }
  return {};
}

}  // namespace kd
