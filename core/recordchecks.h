// The checks of every record as written: the protocol's hints on what Kandrel would stumble
// over, and the counts the question before a doubtful run asks for.
#pragma once

#include <cstddef>
#include <string_view>

#include "importformat.h"
#include "protocol.h"
#include "recordfit.h"

namespace kd {

class RecordChecks {
 public:
  explicit RecordChecks(Protocol& protocol) : protocol_(protocol) {}

  // A record of the current line; `controlInLine` tells whether its line holds a control
  // character, for only then can the record.
  void Record(const RecordBuilder& record, bool controlInLine);
  // A bank line; `ofRecord` when it belongs to the record passed last (a bank line of VARIAL's
  // bank connection file does not).
  void BankLine(const BankConnection& bank, bool ofRecord);

  // Records whose personnel number is not digits only, and records without a birth date in any
  // form of a date.
  std::size_t RecordsWithoutDigitNumber() const { return withoutDigitNumber_; }
  std::size_t RecordsWithoutBirthDate() const { return withoutBirthDate_; }
  // How well the records' values have the forms of their keys.
  const RecordFit& Fit() const { return fit_; }

 private:
  void CheckValues(const RecordBuilder& record, bool controlInLine);
  void CheckIban(std::string_view field);

  Protocol& protocol_;
  std::size_t withoutDigitNumber_ = 0;
  std::size_t withoutBirthDate_ = 0;
  RecordFit fit_;
};

}  // namespace kd
