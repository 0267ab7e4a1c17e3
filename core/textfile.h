// Text files: read whole, written whole with CRLF after every line, replaced atomically.
// Paths are Windows-1252 text like every other text of the core.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
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

// Files are written in blocks of about this size.
inline constexpr std::size_t kWriteBlock = std::size_t{1} << 20;

class AtomicFile;

// A file handed over in blocks while its text is still being produced. Like WriteText it goes to
// a temporary file beside the target that replaces the target only in Commit, when every block
// went out. A failure does not stop the producer: the temporary file is removed at once, later
// blocks are dropped and Commit reports the failure. Without Commit the target stays as it was.
class StreamedFile {
 public:
  explicit StreamedFile(std::string_view path);
  ~StreamedFile();
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  void Write(std::string_view bytes);
  // Puts the file in place; throws FileError::CannotCreate when creating or writing it failed.
  void Commit();

 private:
  std::string path_;
  std::unique_ptr<AtomicFile> file_;
};

// Test seam: when set, called with the target's path and the number of bytes already written
// to its temporary file before each block; returning false makes that write fail as a full disk
// would.
void SetWriteFaultHook(std::function<bool(std::string_view path, std::size_t bytesWritten)> hook);

}  // namespace kd
