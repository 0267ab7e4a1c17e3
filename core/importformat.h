// The two files Kandrel reads: the import file KDIMPORT.TXT (a flag line, then one record of
// key=value; items per employee) and the fixed-width bank file "Bank-" + year.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kd {

inline constexpr const char* kImportFileName = "KDIMPORT.TXT";

// "KONV=1;" when umlauts are to be converted, otherwise "KONV=0;".
std::string ConversionFlagLine(bool convertUmlauts);

// One employee as a run of items key, "=", value, ";".
class RecordBuilder {
 public:
  RecordBuilder() { text_.reserve(256); }
  // Appends key=value; (written also when the value is empty).
  RecordBuilder& Add(std::string_view key, std::string_view value) {
    text_.append(key).append(1, '=').append(value).append(1, ';');
    return *this;
  }
  // Appends key=value; with the value made of `parts` one after the other, such as
  // {surname, ", ", firstName}, without joining them into a text of their own first.
  RecordBuilder& AddJoined(std::string_view key, std::initializer_list<std::string_view> parts) {
    text_.append(key).append(1, '=');
    for (const std::string_view part : parts) text_.append(part);
    text_.append(1, ';');
    return *this;
  }
  // Appends a fixed text that already holds its items, such as "KK=19;KKU=19;".
  RecordBuilder& AddItems(std::string_view items) {
    text_.append(items);
    return *this;
  }
  const std::string& Text() const { return text_; }
  // Empties the record for the next employee; the room it had stays.
  void Clear() { text_.clear(); }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
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

}  // namespace kd
