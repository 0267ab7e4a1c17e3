// Text files: read whole as a snapshot, written with CRLF after every line, replaced atomically.
// Paths are Windows-1252 text like every other text of the core.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "largetext.h"

namespace kd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

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

// The folder of the running program, with its trailing separator (Windows-1252); empty when the
// system does not tell.
std::string ProgramDirectory();

// The whole file as bytes; throws FileError::CannotOpen. The file is read as a snapshot: when
// another program changes it while it is read (its size or its modification time differ before
// and after), it counts as a file that cannot be read, so no mix of old and new text is used.
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

// A file handed over in blocks while its text is still being produced. It goes to a temporary
// file beside the target, created for this file alone. A failure does not stop the producer:
// the temporary file is removed at once, later blocks are dropped and Finish reports it. The
// target changes only when the file is put in place (PutInPlace, or Commit for a file alone).
class StreamedFile {
 public:
  explicit StreamedFile(std::string_view path);
  ~StreamedFile();
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  const std::string& Path() const { return path_; }
  void Write(std::string_view bytes);
  // Completes the temporary file and makes sure it is on the disk; throws
  // FileError::CannotCreate when creating or writing it failed.
  void Finish();
  // Finish, then put the file in place.
  void Commit();

 private:
  friend void PutInPlace(std::initializer_list<StreamedFile*> files);
  std::string path_;
  std::unique_ptr<AtomicFile> file_;
  bool finished_ = false;
};

// Puts finished files in place together: either every one replaces its target, or none does.
// An existing target is first moved aside under a temporary name and removed only when every
// new file stands in place; when one cannot be put in place (on Windows, say, because another
// program holds its target open), the targets already replaced get their old files back.
// Throws FileError::CannotCreate naming the target that failed.
void PutInPlace(std::initializer_list<StreamedFile*> files);

// Test seams.
// Called with the target's path and the number of bytes already written to its temporary file
// before each block; returning false makes that write fail as a full disk would.
void SetWriteFaultHook(std::function<bool(std::string_view path, std::size_t bytesWritten)> hook);
// Called with the target's path before a new file is put in place; returning false makes that
// step fail as a target held open by another program would.
void SetReplaceFaultHook(std::function<bool(std::string_view target)> hook);
// When false, written files are not brought to the disk before they are put in place: for the
// fuzz targets, which write thousands of files a second into a folder of their own.
void SetSyncToDisk(bool sync);
// Called with the path and the number of bytes read so far after each block read from a file,
// so a test can change the file in the middle of reading it.
void SetReadHook(std::function<void(std::string_view path, std::size_t bytesRead)> hook);

}  // namespace kd
