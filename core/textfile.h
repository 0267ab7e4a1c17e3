// Text files: read whole, written whole with CRLF after every line, replaced atomically.
// Paths are Windows-1252 text like every other text of the core.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "largetext.h"

namespace kd {

// A file that cannot be opened or created. what() is the message a person sees (UTF-8):
// "Datei <name> kann nicht geöffnet werden" or "Datei <name> kann nicht erstellt werden".
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  static FileError CannotOpen(std::string_view path);
  static FileError CannotCreate(std::string_view path);
};

// The platform path for a Windows-1252 path text.
std::filesystem::path ToNativePath(std::string_view path);
// The Windows-1252 text of a platform path.
std::string FromNativePath(const std::filesystem::path& path);

// True when `path` names an existing regular file (a folder of that name does not count).
bool RegularFileExists(std::string_view path);

// The whole file as bytes; throws FileError::CannotOpen.
std::string ReadWholeFile(std::string_view path);
// The same in a buffer meant for big files (an export).
LargeText ReadLargeFile(std::string_view path);

// Writes every line followed by CR LF. The text goes to a temporary file in the same folder
// that replaces the target only when it is complete, so a failed write leaves an existing
// target untouched and no partial file behind. Throws FileError::CannotCreate.
void WriteLines(std::string_view path, const std::vector<std::string>& lines);

// Writes `text` exactly as it stands (its lines already ended by CR LF), replacing the target
// in the same way as WriteLines.
void WriteText(std::string_view path, std::string_view text);

// Test seam: when set, called with the number of bytes about to be written to the temporary
// file; returning false makes that write fail as a full disk would.
void SetWriteFaultHook(std::function<bool(std::size_t bytesWritten)> hook);

}  // namespace kd
