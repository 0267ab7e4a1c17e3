// How well the records a reader wrote fit its layout, judged by the form of their values: a
// personnel number of digits, dates where dates belong, an insurance number of its form, a place
// that begins with a postcode, a street that is no date and no bare number, the keys of their
// known forms. Check digits say nothing here: a wrong one is a data error of the old program,
// while a value of the wrong form means the reader took it from the wrong place. The question
// before a doubtful run and the recognition of an export both ask this measure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "importformat.h"

namespace kd {

// The values whose form is known, by the key that writes them (and the bank line's fields).
enum class FormKey : std::uint8_t {
  PersonnelNumber,    // PNr
  CostCentre,         // KSt
  Name,               // Name
  Street,             // Str
  Place,              // Ort
  Nationality,        // Staat
  BirthDate,          // Geb
  EntryDate,          // BegB
  SecondBeginDate,    // BegV
  InsuranceNumber,    // VNr
  JobTitle,           // Art
  PersonGroup,        // PG
  ActivityKey,        // Taet
  ContributionGroup,  // BG
  TaxClass,           // StKl
  ChildAllowances,    // KiFr
  Factor,             // Faktor
  Church,             // Kirche
  TaxId,              // IdNr
  MunicipalityKey,    // AGS
  WorkingTime,        // WAZ
  Iban,
  BankCode,
  AccountNumber,
  Bic,
};
inline constexpr int kFormKeyCount = 25;

// What a value says about where it was taken from.
enum class FormVerdict : std::uint8_t { Neutral, Fits, Misfit };

// The verdict on one value of `key` as written; an empty value is neutral.
FormVerdict JudgeValue(FormKey key, std::string_view value);

// The name of a key as the question names it (UTF-8): "Versicherungsnummer", "Straße".
std::string_view FormKeyName(FormKey key);

class RecordFit {
 public:
  // A record as written, "PNr=1;Name=Muster, Max;…". Keys without a known form (fixed items,
  // codes a reader derives itself) are passed over.
  void Record(std::string_view record);
  // The bank line of the record passed last.
  void Bank(const BankConnection& bank);

  // Records judged. A big export is judged by a sample: every record of the first
  // kJudgedInFull, then every kSampleEvery-th, which tells a misread export as surely at a
  // fraction of the cost.
  static constexpr std::size_t kJudgedInFull = 4096;
  static constexpr std::size_t kSampleEvery = 32;
  std::size_t Records() const { return records_ + (open_ ? 1 : 0); }
  // True when not every record was judged.
  bool Sampled() const { return seen_ > Records(); }
  // Records with more values of the wrong form than data errors explain.
  std::size_t MisfitRecords() const;
  // True when most records fit: what an export read with its own reader gives.
  bool ExportFits() const;
  // The share of fitting records, 0 without a record.
  double FitShare() const;

  // A value of the wrong form, for the question's example.
  struct Example {
    FormKey key;
    std::string value;  // Windows-1252, as written
  };
  // Up to `count` examples of the keys whose values most often have the wrong form, the most
  // frequent first, each with the first such value; none of the keys in `besides`.
  std::vector<Example> Examples(std::size_t count, const std::vector<FormKey>& besides = {}) const;

 private:
  void Judge(FormKey key, std::string_view value);
  void Close();

  std::size_t seen_ = 0;
  std::size_t records_ = 0;
  std::size_t misfitRecords_ = 0;
  bool open_ = false;
  std::uint16_t checked_ = 0;
  std::uint16_t misfits_ = 0;
  std::array<std::size_t, kFormKeyCount> misfitsByKey_{};
  std::array<std::string, kFormKeyCount> firstMisfit_{};
};

}  // namespace kd
