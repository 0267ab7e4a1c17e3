// Writing files whole: each goes to a temporary file beside its target and replaces the target
// in one atomic step only when it is complete and on the disk, so every name always names a
// whole file, the old one or the new one. A pair (the bank file and the import file) is put in
// place together: a journal in the folder lets the next run finish it or roll it back when the
// program was killed in between (RecoverDataDirectory).
#pragma once

#include <functional>
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
void WriteLines(std::string_view path, const std::vector<std::string>& lines);

// Writes `text` exactly as it stands (its lines already ended by CR LF), in the same way.
void WriteText(std::string_view path, std::string_view text);

// Files are written in blocks of about this size.
inline constexpr std::size_t kWriteBlock = std::size_t{1} << 20;

class TemporaryFile;

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
  std::unique_ptr<TemporaryFile> file_;
  std::unique_ptr<FileError> error_;
  bool finished_ = false;
};

// Puts finished files of one folder in place, the last one last: either every one replaces
// its target, or none does. A single file is renamed over its target. For several, an
// existing target keeps its old file under a second name (a hard link, or a copy), a journal
// names the files, and then each new file is renamed over its target; when one cannot be put
// in place (on Windows, say, because another program holds its target open), the targets
// already replaced get their old files back and new ones are removed. Throws
// FileError::CannotCreate naming the target that failed, with the reason; when an old file
// could not be put back, its details name every file and where its old copy lies.
void PutInPlace(std::initializer_list<StreamedFile*> files);

// Brings a folder back to a consistent state after a run that was killed while it put files
// in place, and removes what killed runs left there: an unfinished pair is rolled back while
// its last file was not yet in place, else finished; temporary, backup and journal files of
// processes that no longer run are removed. Files of a process that still runs are left alone.
// Returns what it did, one line each for the protocol (German, UTF-8); empty when there was
// nothing to do.
std::vector<std::string> RecoverDataDirectory(std::string_view folder);

// Test seams.
// Called with the target's path and the number of bytes already written to its temporary file
// before each block; returning false makes that write fail as a full disk would.
void SetWriteFaultHook(std::function<bool(std::string_view path, std::size_t bytesWritten)> hook);
// Called with the target's path before a new file is put in place; returning false makes that
// step fail as a target held open by another program would.
void SetReplaceFaultHook(std::function<bool(std::string_view target)> hook);
// When false, written files are not brought to the disk before they are put in place: for the
// fuzz targets, which write thousands of files a second.
void SetSyncToDisk(bool sync);
// Called before every change of the file system while files are put in place, numbered from 0
// for each PutInPlace: a test may end the process there, as a power cut or a kill would.
void SetStepHook(std::function<void(int step)> hook);

}  // namespace kd
