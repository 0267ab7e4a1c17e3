// What the file units share: paths, the file error a person reads with the system's reason, and
// the file system itself behind a small interface, handed to the snapshot reader, the writer of
// the pair and the run, so that they work unchanged over the disk or over memory, and a test can
// wrap either to inject faults. Paths are UTF-8 text; the files' contents are bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The platform path of a UTF-8 path text, and back.
std::filesystem::path ToNativePath(std::string_view path);
std::string FromNativePath(const std::filesystem::path& path);
#ifdef _WIN32
// A zero-terminated UTF-16 text of Windows (a path, an argument, a message) as UTF-8.
std::string Utf8FromWide(const wchar_t* text);
#endif

// The folder part of a path with its separator; empty for a bare name.
std::string_view PathFolder(std::string_view path);
// The name after the folder part.
std::string_view PathName(std::string_view path);

// The folder of the running program, with its trailing separator; empty when the system does not
// tell.
std::string ProgramDirectory();

// Why a file operation failed.
enum class Failure : std::uint8_t {
  None,
  NameTaken,      // a file or folder of that name exists
  HeldOpen,       // another program holds the file open (sharing or lock violation)
  AccessDenied,   // no rights, a read-only folder or medium
  DiskFull,       // no room left, or the quota used up
  FolderMissing,  // the folder of the path does not exist
  FileMissing,
  Other,  // see Outcome::text
};

struct Outcome {
  Failure failure = Failure::None;
  // For Failure::Other: the system's own message (UTF-8), or what happened. For
  // Failure::HeldOpen: the path of the file that is held, when it is not the one named.
  std::string text;
  bool Ok() const { return failure == Failure::None; }
};

// The reason as the protocol names it (German, UTF-8): "von einem anderen Programm geöffnet",
// "Zugriff verweigert", "Datenträger voll", "Ordner nicht gefunden", "Datei nicht gefunden", or
// the system's own text. Empty for no failure. A file that is held and not `path` is named:
// "von einem anderen Programm geöffnet: <file>".
std::string ReasonText(const Outcome& outcome, std::string_view path = {});

// A file that cannot be opened or created. what() is the message a person sees (UTF-8):
// "Datei <path> kann nicht geöffnet werden" or "Datei <path> kann nicht erstellt werden".
// The protocol adds the reason and, after a failed restore of an old file, the details.
class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& message, std::string reason = {},
                     std::vector<std::string> details = {});
  static FileError CannotOpen(std::string_view path, const Outcome& why = {});
  static FileError CannotCreate(std::string_view path, const Outcome& why = {});

  // The system's reason (German, UTF-8); empty when none is known.
  const std::string& Reason() const { return reason_; }
  // After an old file could not be put back: one line per file of the pair (where its old copy
  // lies, or that it is unchanged), and what the next run does.
  const std::vector<std::string>& Details() const { return details_; }

 private:
  std::string reason_;
  std::vector<std::string> details_;
};

// A file being written; closing it without Close leaves what was written.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual Outcome Write(std::string_view bytes) = 0;
  // Brings the file to the disk when `sync` is set, and closes it.
  virtual Outcome Close(bool sync) = 0;
};

// An exclusive lock on a file, held while the object lives. The system ends it with the process
// that holds it: a killed program holds none.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Up to `size` bytes; `got` is 0 at the end of the file.
  virtual Outcome Read(char* buffer, std::size_t size, std::size_t& got) = 0;
};

// What tells a file's versions apart: its size and its last modification.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};

enum class EntryKind { None, File, Folder, Other };

// The operations the file units need. Every name is replaced by one atomic step (RenameOver).
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual EntryKind Kind(const std::string& path) = 0;
  virtual std::optional<FileStamp> Stamp(const std::string& path) = 0;
  virtual std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) = 0;
  // A new file, only when no entry of that name exists (else Failure::NameTaken).
  virtual std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) = 0;
  // A second name of the same file; fails where the file system has no links.
  virtual Outcome Link(const std::string& existing, const std::string& link) = 0;
  // Gives `from` the name `to` in one step, replacing a file of that name.
  virtual Outcome RenameOver(const std::string& from, const std::string& to) = 0;
  // Whether an existing file can be replaced or removed now: on Windows not while another
  // program holds it open without allowing that (Failure::HeldOpen).
  virtual Outcome Replaceable(const std::string& path) = 0;
  virtual Outcome Remove(const std::string& path) = 0;
  // The names of the files in `folder`, sorted; empty when it cannot be read.
  virtual std::vector<std::string> List(const std::string& folder) = 0;
  // Brings the names of a folder to the disk, where the system needs that after a rename.
  virtual void SyncFolder(const std::string& folder) = 0;
  // An exclusive lock on the file at `path`, which is created when missing. While another
  // holder has it, waits up to `patience`; then nothing, with Failure::HeldOpen. Every lock of a
  // file excludes every other, also within one process.
  virtual std::unique_ptr<FileLock> Lock(const std::string& path,
                                         std::chrono::milliseconds patience, Outcome& why) = 0;
  // Now, as "09.12.2026 14:03".
  virtual std::string LocalTime() = 0;
};

// The disk, through the platform's own file API (one source file per platform). On Windows a
// rename, removal or link that finds the file held open for a moment (a virus scanner or the
// search indexer opens every file just written) is tried again, ten times within two seconds.
FileSystem& DiskFiles();

// Failure::FileMissing when the folder of `path` exists, else Failure::FolderMissing.
Outcome Missing(FileSystem& files, std::string_view path);

}  // namespace kd
