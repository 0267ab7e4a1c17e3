// The printable protocol of a takeover: one self-contained German HTML page for A4, to print,
// sign and file with the client's records. It names when the run began, the program, the export
// and the data directory, every file the run wrote with its size and SHA-256 (or why it was not
// written), the summary, and every line of the export with its result and hints.
#pragma once

#include <string>
#include <string_view>

#include "filesystem.h"
#include "protocol.h"
#include "settings.h"

namespace kd {

// What the page names of a run beside its protocol. The settings may change before the page is
// written, so the run keeps them as they were, the export and the data directory as full paths.
struct RunRecord {
  std::string time;     // when the run began, as "09.12.2026, 14:03:27 Uhr"; empty before any run
  std::string program;  // as chosen (Windows-1252)
  ConversionSettings settings;
  bool importFileWritten = false;  // KDIMPORT.TXT was put in place
  bool bankFileWritten = false;    // Bank-YY was put in place with it
};

// The record of a run that begins now with these settings.
RunRecord BeginRun(std::string_view program, const ConversionSettings& settings);

// True for a file name ending in ".html", in any case: the protocol is then written as the page.
bool IsPageName(std::string_view path);

// The page (UTF-8). The files it names are read now through `files`, as they are on the disk,
// for their sizes and SHA-256.
std::string ProtocolPage(FileSystem& files, const Protocol& protocol, const RunRecord& run);

// Writes ProtocolPage to `path` as every output file is written, replacing an old file only when
// complete; throws FileError::CannotCreate.
void WriteProtocolPage(FileSystem& files, std::string_view path, const Protocol& protocol,
                       const RunRecord& run);

}  // namespace kd
