// Arbitrary bytes as a source file through every reader. The first byte chooses the program
// from the reader table, the second the settings:
//   bit 0  "Umlaute konvertieren" yes        bit 1  "Bankverbindungen übernehmen" yes
//   bit 2  decimal separator '.' (else ',')  bits 3-7  where VARIAL's bank connection file
//                                            "PWASCUEB.EXP" starts within the rest (in 32nds)
// The rest is the export file, decoded and split into lines as a run does. VARIAL reads its
// bank connection file from the tail of the same bytes, so positions of both files are fuzzed.
// A file error is an expected end of a run; anything else that escapes is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bankcodes.h"
#include "conversion.h"
#include "fuzz_support.h"
#include "readers.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace {

// The entry the run would take for the program name of `choice`: the first row of that name
// whose test on the column line passes.
const kd::ReaderEntry* ChooseLikeTheRun(std::size_t choice, std::string_view firstLine,
                                        std::string& headerLine) {
  const auto table = kd::readers::Table();
  const std::string_view program = table[choice].program;
  for (const kd::ReaderEntry& entry : table) {
    if (entry.program != program) continue;
    if (entry.keepsHeaderLine) headerLine = std::string(firstLine) + ";";
    if (entry.applies == nullptr || entry.applies(headerLine)) return &entry;
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto table = kd::readers::Table();
  const std::size_t choice = data[0] % table.size();
  const std::uint8_t flags = data[1];
  const std::string_view rest = kdfuzz::AsText(data + 2, size - 2);

  kd::ConversionSettings settings;
  settings.DataDirectory = kdfuzz::DataDirectory();
  settings.ConvertUmlauts = (flags & 1) != 0 ? "JA" : "NEIN";
  settings.TakeBankData = (flags & 2) != 0 ? "JA" : "NEIN";
  settings.PayrollYear = "18";
  const char decimalSeparator = (flags & 4) != 0 ? '.' : ',';
  const std::string bankFile = settings.DataDirectory + "Bank-18";

  const std::string text = kd::DecodeSourceText(std::string(rest));
  const std::vector<std::string_view> lines = kd::SplitLines(text);
  std::string headerLine;
  const kd::ReaderEntry* entry =
      ChooseLikeTheRun(choice, lines.empty() ? std::string_view() : lines.front(), headerLine);
  kdfuzz::Require(entry != nullptr && entry->read != nullptr, "every program has a reader");

  const bool varial = entry->program == "VARIAL";
  std::size_t bankSourceLines = lines.size();
  if (varial && (flags & 2) != 0) {
    const std::string_view tail = rest.substr(rest.size() * (flags >> 3) / 32);
    kdfuzz::WriteBytes(kdfuzz::BareFileDirectory() + "PWASCUEB.EXP", tail);
    bankSourceLines = kd::SplitLines(kd::DecodeSourceText(std::string(tail))).size();
  }
  const std::string importFile = settings.DataDirectory + kd::kImportFileName;
  kdfuzz::RemoveFile(bankFile);
  kdfuzz::RemoveFile(importFile);

  kdfuzz::QuietUi ui;
  kd::ColumnTable columnTable;
  std::size_t bankLineCount = 0;
  try {
    kd::FileOutput files(settings, text.size(), kdfuzz::Files());
    const kd::BareFileLookup bareFiles({kdfuzz::BareFileDirectory(), ""}, settings.SourcePath,
                                       kdfuzz::Files());
    kd::Protocol protocol;
    kd::ReaderContext context(text, settings, ui, headerLine, columnTable, decimalSeparator,
                              bareFiles, files, protocol);
    entry->read(context);
    kd::PutFilesInPlace(context, files, ui);
    bankLineCount = context.BankLineCount();
  } catch (const kd::FileError&) {
    // The bank code list or the bank connection file is missing: the run ends, nothing written.
    kdfuzz::Require(!kd::RegularFileExists(kdfuzz::Files(), importFile),
                    "no import file after a file error");
    kdfuzz::Require(!kd::RegularFileExists(kdfuzz::Files(), bankFile),
                    "no bank file after a file error");
    return 0;
  }

  // What every reader promises, whatever the input.
  std::vector<std::string> output;
  const std::string importText = kd::ReadWholeFile(kdfuzz::Files(), importFile);
  for (const std::string_view line : kd::SplitLines(importText)) output.emplace_back(line);
  kdfuzz::Require(importText.ends_with("\r\n"), "every line of the import file ends with CR LF");
  kdfuzz::Require(!output.empty(), "the flag line is written");
  kdfuzz::Require(output.front() == ((flags & 1) != 0 ? "KONV=1;" : "KONV=0;"),
                  "the flag line follows the umlaut setting");
  kdfuzz::Require(output.size() - 1 <= lines.size(), "at most one record per source line");
  kdfuzz::Require(ui.records == output.size() - 1, "every record is shown once");
  for (std::size_t i = 1; i < output.size(); ++i) {
    kdfuzz::Require(!output[i].empty() && output[i].back() == ';', "a record ends with ';'");
  }
  if ((flags & 2) == 0) {
    kdfuzz::Require(bankLineCount == 0, "no bank lines without the bank setting");
    kdfuzz::Require(!kd::RegularFileExists(kdfuzz::Files(), bankFile),
                    "no bank file without the bank setting");
    return 0;
  }
  kdfuzz::Require(bankLineCount <= bankSourceLines, "at most one bank line per line");
  if (entry->program == "SBS") {
    kdfuzz::Require(!kd::RegularFileExists(kdfuzz::Files(), bankFile), "SBS writes no bank file");
    return 0;
  }
  kdfuzz::Require(kd::RegularFileExists(kdfuzz::Files(), bankFile), "the bank file is written");
  const std::string bankText = kd::ReadWholeFile(kdfuzz::Files(), bankFile);
  const std::vector<std::string_view> bankLines = kd::SplitLines(bankText);
  kdfuzz::Require(bankLines.size() == bankLineCount, "the bank file holds exactly the bank lines");
  kdfuzz::Require(bankText.empty() || bankText.ends_with("\r\n"), "bank lines end with CR LF");
  for (const std::string_view line : bankLines) {
    kdfuzz::Require(!line.empty() && line.back() == 'E', "a bank line ends with E");
  }
  return 0;
}
