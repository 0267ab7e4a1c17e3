// Arbitrary bytes recognised as an export: the first byte chooses the file's name and whether
// the rest is the file as stored (decoded as a run decodes it) or text already decoded. Any
// bytes give a fit between 0 and 1, and a program of the window's list only with a clear lead
// and records of its own reader whose values fit their keys.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "readers.h"
#include "recognition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static constexpr std::string_view kFileNames[] = {"export.csv", "PWASCANS.EXP", "persli.txt",
                                                    "Tabelle2929.csv", "LG_ASCII_1_SD.txt"};
  const std::string_view fileName = kFileNames[data[0] % std::size(kFileNames)];
  const std::string_view bytes = kdfuzz::AsText(data + 1, size - 1);
  // One of the two per input: both would mostly do the same work twice.
  const bool stored = (data[0] / std::size(kFileNames)) % 2 == 0;
  {
    const kd::Recognition r = stored ? kd::readers::Recognize(bytes, fileName)
                                     : kd::readers::RecognizeText(bytes, fileName);
    kdfuzz::Require(r.fit >= 0 && r.fit <= 1 && r.nextFit >= 0 && r.nextFit <= r.fit,
                    "fits lie between 0 and 1, the best first");
    if (!r.Recognised()) {
      kdfuzz::Require(r.program.empty() && r.layout.empty(), "no program without a clear fit");
      return 0;
    }
    kdfuzz::Require(r.fit >= kd::kRecognisedFit && r.fit - r.nextFit >= kd::kClearLead,
                    "a program only with a clear lead");
    kdfuzz::Require(r.fittingShare >= kd::kFittingShare,
                    "a program only when its records' values fit their keys");
    kdfuzz::Require(r.program == kd::ProgramListName(r.reader->program),
                    "the program as the window's list writes it");
  }
  return 0;
}
