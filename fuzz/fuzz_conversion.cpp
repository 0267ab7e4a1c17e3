// The whole conversion run as the button starts it: settings, the checks before the run, the
// loading and decoding of the source file, the reader, the written files. Layout of the input:
//   byte 0  the program name as typed: one of the names in the window's list, in upper or lower
//           case, with a trailing blank, empty, or unknown; what is left over answers the
//           question before a doubtful run
//   byte 1  bits 0-1 the umlaut setting text, bits 2-3 the bank setting text, bit 4 whether
//           the data directory holds "Konfi-18", bits 5-6 the source file's name, bit 7 where
//           VARIAL's bank connection file starts (the whole rest, or its second half)
//   rest    the source file
// A run ends either with KDIMPORT.TXT written and reported, or stopped with a message and no
// import file; it never leaves a temporary file behind.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "fuzz_support.h"
#include "readers.h"
#include "text.h"
#include "textfile.h"

namespace {

using kdfuzz::Require;

constexpr std::array<std::string_view, 10> kPrograms = {
    "Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI", "Lexware", "sage", "SBS", "VARIAL"};
constexpr std::array<std::string_view, 4> kYesNo = {"Ja", " ja\t", "Nein", ""};
constexpr std::array<std::string_view, 4> kSourceNames = {"export.csv", "PERSONAL.TXT",
                                                          "Liste.xls.csv", "PWASCANS.EXP"};

std::string ProgramName(std::uint8_t choice) {
  const std::string_view name = kPrograms[choice % kPrograms.size()];
  switch ((choice / kPrograms.size()) % 6) {
    case 0:
      return std::string(name);
    case 1:
      return kd::UpperAscii(name);
    case 2: {
      std::string lower(name);
      for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      return lower;
    }
    case 3:
      return std::string(name) + " ";
    case 4:
      return {};
    default:
      return "Lohn\xFC";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string program = ProgramName(data[0]);
  const std::uint8_t flags = data[1];
  const std::string_view source = kdfuzz::AsText(data + 2, size - 2);

  const std::string dataDir = kdfuzz::DataDirectory();
  const std::string sourcePath =
      kdfuzz::SourceDirectory() + std::string(kSourceNames[(flags >> 5) & 3]);
  const std::string importFile = dataDir + "KDIMPORT.TXT";
  const std::string marker = dataDir + "Konfi-18";
  const std::string bankConnections = kdfuzz::BareFileDirectory() + "PWASCUEB.EXP";
  kdfuzz::WriteBytes(sourcePath, source);
  kdfuzz::WriteBytes(bankConnections,
                     (flags & 0x80) != 0 ? source.substr(source.size() / 2) : source);
  const bool hasMarker = (flags & 0x10) != 0;
  if (hasMarker) {
    kdfuzz::WriteBytes(marker, "");
  } else {
    kdfuzz::RemoveFile(marker);  // the work folder starts with one
  }
  // Every input leaves the work folder as it found it: what an input keeps would look like a
  // leak to the fuzzer, which then runs the input again to look for one.
  struct Tidy {
    std::vector<std::string> paths;
    ~Tidy() {
      for (const std::string& path : paths) kdfuzz::RemoveFile(path);
    }
  } tidy{{sourcePath, bankConnections, importFile, dataDir + "Bank-18", marker,
          dataDir + "KDIMPORT.LCK"}};

  kdfuzz::QuietUi ui;
  // The question before a doubtful run: answered yes or no by what byte 0 leaves over.
  ui.answer = (data[0] / (kPrograms.size() * 6)) % 2 == 0;
  kd::Conversion conversion(ui, kd::readers::Table(), kdfuzz::Files());
  conversion.decimalSeparator = ',';
  conversion.bareFiles.directory = kdfuzz::BareFileDirectory();
  const std::string umlauts(kYesNo[flags & 3]);
  const std::string bank(kYesNo[(flags >> 2) & 3]);
  conversion.ReadSettings({sourcePath, dataDir, umlauts, bank, "18"}, program);
  const kd::RunResult result = conversion.Run(program);

  const std::string expectedFiles =
      std::string(kd::RegularFileExists(kdfuzz::Files(), dataDir + "Bank-18") ? "Bank-18\n" : "") +
      (result == kd::RunResult::Written ? "KDIMPORT.LCK\nKDIMPORT.TXT\n" : "") +
      (hasMarker ? "Konfi-18\n" : "");
  Require(kdfuzz::ListFiles(dataDir) == expectedFiles,
          "the data directory holds only the written files and the lock file of a run that "
          "wrote, no temporary file");
  if (result == kd::RunResult::Stopped) {
    Require(ui.stops + ui.errors + ui.questions > 0 || program.empty(), "a stopped run says why");
    Require(!kd::RegularFileExists(kdfuzz::Files(), importFile),
            "a stopped run writes no import file");
    return 0;
  }
  Require(hasMarker && !program.empty(), "a run without marker or program stops");
  const std::string written = kd::ReadWholeFile(kdfuzz::Files(), importFile);
  const std::string flagLine = umlauts == "Nein" || umlauts.empty() ? "KONV=0;\r\n" : "KONV=1;\r\n";
  Require(written.starts_with(flagLine), "the import file starts with the flag line");
  // Counted by the C library, not byte by byte in this instrumented code.
  std::size_t lines = 0;
  const char* const end = written.data() + written.size();
  for (const char* at = written.data();
       (at = static_cast<const char*>(memmem(at, static_cast<std::size_t>(end - at), "\r\n", 2)));
       at += 2) {
    ++lines;
  }
  Require(written.ends_with("\r\n"), "the import file ends with CR LF");
  Require(ui.lastMessage == std::to_string(lines - 1) + " Datens\xC3\xA4tze in der Datei " +
                                importFile + " gespeichert.",
          "the import file's message counts its records");
  return 0;
}
