// The two files Kandrel reads: the import file KDIMPORT.TXT (a flag line, then one record of
// key=value; items per employee) and the fixed-width bank file "Bank-" + year.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kd {

inline constexpr const char* kImportFileName = "KDIMPORT.TXT";

// "KONV=1;" when umlauts are to be converted, otherwise "KONV=0;".
std::string ConversionFlagLine(bool convertUmlauts);

// The items of a record that the protocol looks at.
enum class CheckedItem {
  PersonnelNumber,  // PNr
  Name,             // Name
  BirthDate,        // Geb
  EntryDate,        // BegB
  InsuranceNumber,  // VNr
  TaxId,            // IdNr
  Place,            // Ort
  TaxClass,         // StKl
};
inline constexpr int kCheckedItems = 8;

// One employee as a run of items key, "=", value, ";". It notes where the values of the items
// the protocol looks at stand (the first of each), so that they need not be searched for
// again.
class RecordBuilder {
 public:
  RecordBuilder() {
    text_.reserve(256);
    Clear();
  }
  // Appends key=value; (written also when the value is empty).
  RecordBuilder& Add(std::string_view key, std::string_view value) {
    text_.append(key).append(1, '=');
    const std::size_t start = text_.size();
    text_.append(value).append(1, ';');
    Note(key, start);
    return *this;
  }
  // Appends key=value; with the value made of `parts` one after the other, such as
  // {surname, ", ", firstName}, without joining them into a text of their own first.
  RecordBuilder& AddJoined(std::string_view key, std::initializer_list<std::string_view> parts) {
    text_.append(key).append(1, '=');
    const std::size_t start = text_.size();
    for (const std::string_view part : parts) text_.append(part);
    text_.append(1, ';');
    Note(key, start);
    return *this;
  }
  // Appends a fixed text that already holds its items, such as "KK=19;KKU=19;".
  RecordBuilder& AddItems(std::string_view items) {
    text_.append(items);
    return *this;
  }
  const std::string& Text() const { return text_; }
  // The value of a checked item; empty when the record has no such item.
  std::string_view Value(CheckedItem item) const {
    const Span span = spans_[static_cast<int>(item)];
    return {text_.data() + span.start, span.end - span.start};
  }
  // Empties the record for the next employee; the room it had stays.
  void Clear() {
    text_.clear();
    spans_.fill({0, 0});
  }
  std::string Take() { return std::move(text_); }

 private:
  struct Span {
    std::uint32_t start, end;  // end 0: no such item
  };
  // The checked item a key names; -1 for the other keys. Every record has some twenty items:
  // a key is told apart by its length and then by its characters as one number.
  static constexpr std::uint32_t Code(const char* key, std::size_t size) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < size; ++i) {
      code |= static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])) << (8 * i);
    }
    return code;
  }
  static int ItemOf(std::string_view key) {
    if (key.size() != 3 && key.size() != 4) return -1;
    const std::uint32_t code = Code(key.data(), key.size());
    if (key.size() == 3) {
      switch (code) {
        case Code("PNr", 3):
          return static_cast<int>(CheckedItem::PersonnelNumber);
        case Code("Geb", 3):
          return static_cast<int>(CheckedItem::BirthDate);
        case Code("VNr", 3):
          return static_cast<int>(CheckedItem::InsuranceNumber);
        case Code("Ort", 3):
          return static_cast<int>(CheckedItem::Place);
        default:
          return -1;
      }
    }
    switch (code) {
      case Code("Name", 4):
        return static_cast<int>(CheckedItem::Name);
      case Code("BegB", 4):
        return static_cast<int>(CheckedItem::EntryDate);
      case Code("IdNr", 4):
        return static_cast<int>(CheckedItem::TaxId);
      case Code("StKl", 4):
        return static_cast<int>(CheckedItem::TaxClass);
      default:
        return -1;
    }
  }
  void Note(std::string_view key, std::size_t start) {
    const int item = ItemOf(key);
    if (item < 0 || spans_[item].end != 0) return;
    spans_[item] = {static_cast<std::uint32_t>(start),
                    static_cast<std::uint32_t>(text_.size() - 1)};
  }

  std::string text_;
  std::array<Span, kCheckedItems> spans_;
};

// The values of one bank line; empty fields become blanks.
struct BankConnection {
  std::string personnelNumber;
  std::string holder;
  std::string bankCode;
  std::string accountNumber;
  std::string bankName;
  std::string iban;
  std::string bic;
};

// The fixed-width bank line, 186 characters when every field fits:
//   1-5 personnel number right-aligned (a longer one is not cut and shifts the rest), 6 blank,
//   7-34 holder (cut to 28), 35-42 bank code, 43 blank, 44-56 account number (cut to 13),
//   57-84 bank name (cut to 28), 85-135 blanks, 136 "0", 137-171 IBAN (filled to 35, not cut),
//   172-185 BIC (filled to 14, not cut), 186 "E".
std::string FormatBankLine(const BankConnection& bank);

// Appends the bank line of FormatBankLine to `out`.
template <class Text>
void AppendBankLine(Text& out, const BankConnection& bank) {
  // `text` cut to `width` characters and filled with blanks on the right.
  const auto field = [&out](std::string_view text, std::size_t width) {
    const std::size_t n = std::min(text.size(), width);
    out.append(text.data(), n).append(width - n, ' ');
  };
  // `text` whole, filled with blanks on the right to at least `width` characters.
  const auto filled = [&out](std::string_view text, std::size_t width) {
    out.append(text.data(), text.size());
    if (text.size() < width) out.append(width - text.size(), ' ');
  };
  if (bank.personnelNumber.size() < 5) out.append(5 - bank.personnelNumber.size(), ' ');
  out.append(bank.personnelNumber.data(), bank.personnelNumber.size());
  out.push_back(' ');
  field(bank.holder, 28);
  field(bank.bankCode, 8);
  out.push_back(' ');
  field(bank.accountNumber, 13);
  field(bank.bankName, 28);
  out.append(51, ' ');
  out.push_back('0');
  filled(bank.iban, 35);
  filled(bank.bic, 14);
  out.push_back('E');
}

}  // namespace kd
