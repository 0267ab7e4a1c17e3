#include "textfile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kd {

FileError FileError::CannotOpen(std::string_view path) {
  return FileError("Datei " + Cp1252ToUtf8(path) + " kann nicht geöffnet werden");
}

FileError FileError::CannotCreate(std::string_view path) {
  return FileError("Datei " + Cp1252ToUtf8(path) + " kann nicht erstellt werden");
}

std::filesystem::path ToNativePath(std::string_view path) {
  const std::string utf8 = Cp1252ToUtf8(path);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromNativePath(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return Utf8ToCp1252(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

bool RegularFileExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(ToNativePath(path), ec);
}

std::string ProgramDirectory() {
  std::filesystem::path program;
#ifdef _WIN32
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  program = buffer;
#else
  std::error_code ec;
  program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
#endif
  const std::filesystem::path folder = program.parent_path();
  if (folder.empty()) return {};
  std::string text = FromNativePath(folder);
  if (text.back() != kPathSeparator && text.back() != '/') text += kPathSeparator;
  return text;
}

namespace {

std::function<bool(std::string_view, std::size_t)>& WriteFaultHook() {
  static std::function<bool(std::string_view, std::size_t)> hook;
  return hook;
}

std::function<bool(std::string_view)>& ReplaceFaultHook() {
  static std::function<bool(std::string_view)> hook;
  return hook;
}

bool& SyncToDisk() {
  static bool sync = true;
  return sync;
}

std::function<void(std::string_view, std::size_t)>& ReadHook() {
  static std::function<void(std::string_view, std::size_t)> hook;
  return hook;
}

// What tells a file's versions apart: its size and its last modification.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
  std::error_code ec;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  stamp.modified = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return stamp;
}

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

template <class Text>
Text ReadWhole(std::string_view path) {
  std::error_code ec;
  const std::filesystem::path native = ToNativePath(path);
  if (path.empty() || !std::filesystem::is_regular_file(native, ec)) {
    throw FileError::CannotOpen(path);
  }
  const std::optional<FileStamp> before = StampOf(native);
  if (!before) throw FileError::CannotOpen(path);
  std::ifstream in(native, std::ios::binary);
  if (!in) throw FileError::CannotOpen(path);
  Text contents;
  contents.resize(static_cast<std::size_t>(before->size));
  std::size_t have = 0;
  while (have < contents.size()) {
    const std::size_t want = std::min(kReadBlock, contents.size() - have);
    in.read(contents.data() + have, static_cast<std::streamsize>(want));
    have += static_cast<std::size_t>(in.gcount());
    if (ReadHook()) ReadHook()(path, have);
    if (!in) break;
  }
  // A file that is shorter or longer than it was when the reading began, or that was written
  // meanwhile, is no longer the file whose first part was read.
  const bool more = have == contents.size() && in.peek() != std::ifstream::traits_type::eof();
  if (in.bad() || more || have != contents.size() || StampOf(native) != before) {
    throw FileError::CannotOpen(path);
  }
  return contents;
}

// A name beside `target` that no other file has yet: the process, a counter and a random number,
// so that two runs (or two files of one run) never share one.
std::filesystem::path UniqueBeside(const std::filesystem::path& target, const char* ending) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
#ifdef _WIN32
  const unsigned long process = GetCurrentProcessId();
#else
  const unsigned long process = static_cast<unsigned long>(getpid());
#endif
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%lx-%x-%08x%s", process, counter++,
                static_cast<unsigned>(random()), ending);
  std::filesystem::path name = target;
  name += suffix;
  return name;
}

// The operating system's side of a file written once: created only when no file of its name
// exists, written, brought to the disk, renamed.
#ifdef _WIN32
using Handle = HANDLE;
const Handle kNoHandle = INVALID_HANDLE_VALUE;

// kNoHandle with `exists` set when the name is taken.
Handle CreateExclusive(const std::filesystem::path& path, bool& exists) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  return h;
}

bool WriteAll(Handle h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD done = 0;
    if (!WriteFile(h, bytes.data(), chunk, &done, nullptr) || done == 0) return false;
    bytes.remove_prefix(done);
  }
  return true;
}

bool SyncAndClose(Handle h) {
  const bool synced = !SyncToDisk() || FlushFileBuffers(h) != 0;
  return CloseHandle(h) != 0 && synced;
}

void CloseQuietly(Handle h) {
  CloseHandle(h);
}

bool Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void SyncFolder(const std::filesystem::path&) {
  // MOVEFILE_WRITE_THROUGH has brought the renames to the disk.
}
#else
using Handle = int;
const Handle kNoHandle = -1;

Handle CreateExclusive(const std::filesystem::path& path, bool& exists) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  exists = fd < 0 && errno == EEXIST;
  return fd;
}

bool WriteAll(Handle fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

bool SyncAndClose(Handle fd) {
  int synced = 0;
  while (SyncToDisk() && (synced = ::fsync(fd)) != 0 && errno == EINTR) {
  }
  return ::close(fd) == 0 && synced == 0;
}

void CloseQuietly(Handle fd) {
  ::close(fd);
}

bool Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

// A rename is only safe from a power loss once the folder that holds the names is on the disk.
void SyncFolder(const std::filesystem::path& folder) {
  if (!SyncToDisk()) return;
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
#endif

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

std::string ReadWholeFile(std::string_view path) {
  return ReadWhole<std::string>(path);
}

LargeText ReadLargeFile(std::string_view path) {
  return ReadWhole<LargeText>(path);
}

// A file written under a temporary name beside its target, created for it alone; it replaces
// the target only when every byte went out and is on the disk. A failure or an abandoned file
// removes the temporary file and leaves the target as it was.
class AtomicFile {
 public:
  explicit AtomicFile(std::string_view path) : path_(path), target_(ToNativePath(path)) {
    std::error_code ec;
    if (path.empty() || std::filesystem::is_directory(target_, ec)) {
      throw FileError::CannotCreate(path_);
    }
    for (int attempt = 0; attempt < 100 && handle_ == kNoHandle; ++attempt) {
      temp_ = UniqueBeside(target_, ".tmp");
      bool exists = false;
      handle_ = CreateExclusive(temp_, exists);
      if (handle_ == kNoHandle && !exists) break;
    }
    if (handle_ == kNoHandle) throw FileError::CannotCreate(path_);
  }
  ~AtomicFile() {
    if (handle_ != kNoHandle) CloseQuietly(handle_);
    if (!placed_) RemoveQuietly(temp_);
  }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const std::string& Path() const { return path_; }
  const std::filesystem::path& Target() const { return target_; }
  const std::filesystem::path& Temp() const { return temp_; }

  void Write(std::string_view bytes) {
    if (WriteFaultHook() && !WriteFaultHook()(path_, written_)) {
      throw FileError::CannotCreate(path_);
    }
    if (handle_ == kNoHandle || !WriteAll(handle_, bytes)) throw FileError::CannotCreate(path_);
    written_ += bytes.size();
  }

  void Finish() {
    const Handle handle = handle_;
    handle_ = kNoHandle;
    if (handle == kNoHandle || !SyncAndClose(handle)) throw FileError::CannotCreate(path_);
  }

  void MarkPlaced() { placed_ = true; }

 private:
  std::string path_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  Handle handle_ = kNoHandle;
  std::size_t written_ = 0;
  bool placed_ = false;
};

void SetWriteFaultHook(std::function<bool(std::string_view, std::size_t)> hook) {
  WriteFaultHook() = std::move(hook);
}

void SetReplaceFaultHook(std::function<bool(std::string_view)> hook) {
  ReplaceFaultHook() = std::move(hook);
}

void SetSyncToDisk(bool sync) {
  SyncToDisk() = sync;
}

void SetReadHook(std::function<void(std::string_view, std::size_t)> hook) {
  ReadHook() = std::move(hook);
}

void WriteLines(std::string_view path, const std::vector<std::string>& lines) {
  StreamedFile file(path);
  std::string block;
  block.reserve(kWriteBlock + 4096);
  for (const auto& line : lines) {
    block += line;
    block += "\r\n";
    if (block.size() >= kWriteBlock) {
      file.Write(block);
      block.clear();
    }
  }
  file.Write(block);
  file.Commit();
}

void WriteText(std::string_view path, std::string_view text) {
  StreamedFile file(path);
  std::size_t done = 0;
  do {
    const std::size_t n = std::min(kWriteBlock, text.size() - done);
    file.Write(text.substr(done, n));
    done += n;
  } while (done < text.size());
  file.Commit();
}

StreamedFile::StreamedFile(std::string_view path) : path_(path) {
  try {
    file_ = std::make_unique<AtomicFile>(path);
  } catch (const FileError&) {
    // Reported by Finish.
  }
}

StreamedFile::~StreamedFile() = default;

void StreamedFile::Write(std::string_view bytes) {
  if (!file_ || finished_) return;
  try {
    file_->Write(bytes);
  } catch (const FileError&) {
    file_.reset();  // removes the temporary file
  }
}

void StreamedFile::Finish() {
  if (finished_) return;
  if (!file_) throw FileError::CannotCreate(path_);
  try {
    file_->Finish();
  } catch (const FileError&) {
    file_.reset();
    throw;
  }
  finished_ = true;
}

void StreamedFile::Commit() {
  Finish();
  PutInPlace({this});
}

void PutInPlace(std::initializer_list<StreamedFile*> files) {
  struct Step {
    AtomicFile* file;
    std::filesystem::path aside;  // where the old target waits; empty when there was none
    bool placed = false;
  };
  std::vector<Step> steps;
  for (StreamedFile* f : files) {
    if (f == nullptr) continue;
    if (!f->finished_ || !f->file_) throw FileError::CannotCreate(f->path_);
    steps.push_back({f->file_.get(), {}});
  }

  // Undoes what was done so far, newest first: an old file moved aside comes back over the new
  // one; a new file without an old one goes.
  const auto undo = [&] {
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
      if (!step->aside.empty()) {
        Rename(step->aside, step->file->Target());
      } else if (step->placed) {
        RemoveQuietly(step->file->Target());
      }
    }
  };

  for (Step& step : steps) {
    const std::filesystem::path& target = step.file->Target();
    if (!Exists(target)) continue;
    std::filesystem::path aside;
    for (int attempt = 0; attempt < 100 && (aside.empty() || Exists(aside)); ++attempt) {
      aside = UniqueBeside(target, ".alt");
    }
    if (Exists(aside) || !Rename(target, aside)) {
      undo();
      throw FileError::CannotCreate(step.file->Path());
    }
    step.aside = aside;
  }
  for (Step& step : steps) {
    const bool allowed = !ReplaceFaultHook() || ReplaceFaultHook()(step.file->Path());
    if (!allowed || !Rename(step.file->Temp(), step.file->Target())) {
      undo();
      throw FileError::CannotCreate(step.file->Path());
    }
    step.placed = true;
    step.file->MarkPlaced();
  }
  for (Step& step : steps) {
    if (!step.aside.empty()) RemoveQuietly(step.aside);
  }
  std::vector<std::filesystem::path> folders;
  for (const Step& step : steps) {
    const std::filesystem::path folder = step.file->Target().parent_path();
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
      SyncFolder(folder);
    }
  }
}

}  // namespace kd
