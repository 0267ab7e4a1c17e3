// Writing files whole: each goes to a temporary file beside its target and replaces the target
// in one atomic step only when it is complete and on the disk, so every name always names a
// whole file, the old one or the new one. A pair (the bank file and the import file) is put in
// place together, as a database commits: under the lock of its folder, with a journal that
// lets the next run finish it or roll it back when the program was killed in between
// (recovery.h).
#pragma once

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem.h"

namespace kd {

// Writes every line followed by CR LF, replacing the target when complete; a failed write
// leaves an existing target untouched and no partial file behind. Throws
// FileError::CannotCreate with the reason.
void WriteLines(FileSystem& files, std::string_view path, const std::vector<std::string>& lines);
// Writes `text` exactly as it stands (its lines already ended by CR LF), in the same way.
void WriteText(FileSystem& files, std::string_view path, std::string_view text);
// The same on the disk.
void WriteLines(std::string_view path, const std::vector<std::string>& lines);
void WriteText(std::string_view path, std::string_view text);

// Files are written in blocks of about this size.
inline constexpr std::size_t kWriteBlock = std::size_t{1} << 20;

class TemporaryFile;

// A file handed over in blocks while its text is still being produced. It goes to a temporary
// file beside the target, created for this file alone and locked while this object holds it,
// so that the repair of another run leaves it alone. A failure does not stop the producer: the
// temporary file is removed at once, later blocks are dropped and Finish reports it. The
// target changes only when the file is put in place (PutInPlace, or Commit for a file alone).
class StreamedFile {
 public:
  StreamedFile(FileSystem& files, std::string_view path);
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
  FileSystem& files_;
  std::string path_;
  std::unique_ptr<TemporaryFile> file_;
  std::unique_ptr<FileError> error_;
  bool finished_ = false;
};

// The file in a data directory whose lock a run holds while it changes the folder. It stays
// there for good.
inline constexpr std::string_view kLockFileName = "KDIMPORT.LCK";
// How long a run waits while another run holds that lock.
inline constexpr std::chrono::milliseconds kLockPatience{5000};

// The lock of a data directory, held while the object lives: by the run that repairs the
// folder, and by the run that puts its files in place there. Waits kLockPatience for another
// run that holds it, then throws FileError saying that another run writes into the folder
// (nothing was changed then); throws FileError::CannotCreate for the lock file when the lock
// cannot be had for another reason.
class FolderLock {
 public:
  FolderLock(FileSystem& files, std::string_view folder);

 private:
  std::unique_ptr<FileLock> lock_;
};

// Puts finished files of one folder in place, the last one last: either every one replaces
// its target, or none does. A single file is renamed over its target. For several, the
// caller holds the folder's lock; an existing target keeps its old file under a second name
// (a hard link, or a copy), a journal naming the files is put on the disk, and then each new
// file is renamed over its target, the folder brought to the disk after each. When one cannot
// be put in place (on Windows, say, because another program holds its target open), the
// targets already replaced get their old files back and new ones are removed. Throws
// FileError::CannotCreate naming the target that failed, with the reason; when an old file
// could not be put back, its details name every file and where its old copy lies.
void PutInPlace(std::initializer_list<StreamedFile*> files);

}  // namespace kd
