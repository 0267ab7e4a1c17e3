// The disk as the file units see it: the only place that knows the platform's file API.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "filesystem.h"
#include "text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace kd {

FileSystem& DiskFileSystem();

namespace {

#ifdef _WIN32
using Handle = HANDLE;

// winerror.h of mingw-w64 lacks it.
constexpr DWORD kDiskQuotaExceeded = 1295;

Outcome FromSystem(DWORD error, const std::string& path) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return {Failure::NameTaken, {}};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return {Failure::HeldOpen, {}};
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return {Failure::AccessDenied, {}};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kDiskQuotaExceeded:
      return {Failure::DiskFull, {}};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return {Failure::FolderMissing, {}};
    case ERROR_FILE_NOT_FOUND:
      return Missing(DiskFileSystem(), path);
    default:
      break;
  }
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text != nullptr ? Utf8FromWide(text) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return {Failure::Other, message.empty() ? "Fehler " + std::to_string(error) : message};
}

Outcome LastError(const std::string& path) {
  return FromSystem(GetLastError(), path);
}

// Windows refuses to replace or remove a file (or any other name of it) that another program
// holds open without allowing its deletion, and says "access denied" for it: whether that is
// the true reason shows when the file itself cannot be opened for deletion.
bool HeldOpen(const std::string& path) {
  const std::filesystem::path native = ToNativePath(path);
  const HANDLE probe =
      CreateFileW(native.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

// An access denied while replacing or removing `target`, explained.
Outcome ChangeError(const std::string& target) {
  const DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED) return FromSystem(error, target);
  return {HeldOpen(target) ? Failure::HeldOpen : Failure::AccessDenied, {}};
}

class DiskInput : public InputFile {
 public:
  explicit DiskInput(Handle h) : h_(h) {}
  ~DiskInput() override { CloseHandle(h_); }
  Outcome Read(char* buffer, std::size_t size, std::size_t& got) override {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    got = 0;
    if (!ReadFile(h_, buffer, chunk, &done, nullptr)) return LastError({});
    got = done;
    return {};
  }

 private:
  Handle h_;
};

class DiskOutput : public OutputFile {
 public:
  DiskOutput(Handle h, std::string path) : h_(h), path_(std::move(path)) {}
  ~DiskOutput() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Outcome Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD done = 0;
      if (!WriteFile(h_, bytes.data(), chunk, &done, nullptr)) return LastError(path_);
      if (done == 0) return {Failure::DiskFull, {}};
      bytes.remove_prefix(done);
    }
    return {};
  }
  Outcome Close(bool sync) override {
    Outcome result;
    if (sync && !FlushFileBuffers(h_)) result = LastError(path_);
    if (!CloseHandle(h_) && result.Ok()) result = LastError(path_);
    h_ = INVALID_HANDLE_VALUE;
    return result;
  }

 private:
  Handle h_;
  std::string path_;
};
#else
using Handle = int;

Outcome FromSystem(int error, const std::string& path) {
  switch (error) {
    case EEXIST:
      return {Failure::NameTaken, {}};
    case EBUSY:
    case ETXTBSY:
      return {Failure::HeldOpen, {}};
    case EACCES:
    case EPERM:
    case EROFS:
      return {Failure::AccessDenied, {}};
    case ENOSPC:
    case EDQUOT:
      return {Failure::DiskFull, {}};
    case ENOTDIR:
      return {Failure::FolderMissing, {}};
    case ENOENT:
      return Missing(DiskFileSystem(), path);
    default:
      return {Failure::Other, std::strerror(error)};
  }
}

Outcome LastError(const std::string& path) {
  return FromSystem(errno, path);
}

class DiskInput : public InputFile {
 public:
  explicit DiskInput(Handle fd) : fd_(fd) {}
  ~DiskInput() override { ::close(fd_); }
  Outcome Read(char* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    for (;;) {
      const ssize_t done = ::read(fd_, buffer, size);
      if (done >= 0) {
        got = static_cast<std::size_t>(done);
        return {};
      }
      if (errno != EINTR) return LastError({});
    }
  }

 private:
  Handle fd_;
};

class DiskOutput : public OutputFile {
 public:
  DiskOutput(Handle fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~DiskOutput() override {
    if (fd_ >= 0) ::close(fd_);
  }
  Outcome Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
      if (done < 0 && errno == EINTR) continue;
      if (done < 0) return LastError(path_);
      if (done == 0) return {Failure::DiskFull, {}};
      bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return {};
  }
  Outcome Close(bool sync) override {
    Outcome result;
    int synced = 0;
    while (sync && (synced = ::fsync(fd_)) != 0 && errno == EINTR) {
    }
    if (synced != 0) result = LastError(path_);
    if (::close(fd_) != 0 && result.Ok()) result = LastError(path_);
    fd_ = -1;
    return result;
  }

 private:
  Handle fd_;
  std::string path_;
};
#endif

class DiskFiles : public FileSystem {
 public:
  EntryKind Kind(const std::string& path) override {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(ToNativePath(path), ec);
    if (ec || !std::filesystem::exists(status)) return EntryKind::None;
    if (std::filesystem::is_regular_file(status)) return EntryKind::File;
    if (std::filesystem::is_directory(status)) return EntryKind::Folder;
    return EntryKind::Other;
  }

  std::optional<FileStamp> Stamp(const std::string& path) override {
    std::error_code ec;
    const std::filesystem::path native = ToNativePath(path);
    FileStamp stamp;
    stamp.size = std::filesystem::file_size(native, ec);
    if (ec) return std::nullopt;
    stamp.modified = std::filesystem::last_write_time(native, ec).time_since_epoch().count();
    if (ec) return std::nullopt;
    return stamp;
  }

  // Each native path is made before the call, so that nothing runs between the call and the
  // reading of its error.
  std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
#ifdef _WIN32
    // Other programs may go on reading, writing or renaming it; the snapshot check notices.
    const HANDLE h = CreateFileW(native.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
#else
    const int h = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (h < 0) {
#endif
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskInput>(h);
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
#ifdef _WIN32
    const HANDLE h = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
#else
    const int h = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (h < 0) {
#endif
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskOutput>(h, path);
  }

  Outcome Link(const std::string& existing, const std::string& link) override {
    const std::filesystem::path from = ToNativePath(existing);
    const std::filesystem::path to = ToNativePath(link);
#ifdef _WIN32
    if (CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
      return {};
    }
#else
    if (::link(from.c_str(), to.c_str()) == 0) return {};
#endif
    return LastError(existing);
  }

  Outcome RenameOver(const std::string& from, const std::string& to) override {
    const std::filesystem::path source = ToNativePath(from);
    const std::filesystem::path target = ToNativePath(to);
#ifdef _WIN32
    if (MoveFileExW(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    return ChangeError(to);
#else
    if (std::rename(source.c_str(), target.c_str()) == 0) return {};
    return LastError(from);
#endif
  }

  Outcome Replaceable(const std::string& path) override {
#ifdef _WIN32
    if (HeldOpen(path)) return {Failure::HeldOpen, {}};
#else
    (void)path;
#endif
    return {};
  }

  Outcome Remove(const std::string& path) override {
    const std::filesystem::path native = ToNativePath(path);
#ifdef _WIN32
    if (DeleteFileW(native.c_str())) return {};
    return ChangeError(path);
#else
    if (::unlink(native.c_str()) == 0) return {};
    return LastError(path);
#endif
  }

  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(ToNativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
      std::error_code kind;
      if (!it->is_directory(kind)) names.push_back(FromNativePath(it->path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void SyncFolder(const std::string& folder) override {
#ifndef _WIN32
    // A rename is only safe from a power loss once the folder that holds the names is on the
    // disk. (On Windows MOVEFILE_WRITE_THROUGH has done that.)
    const int fd = ::open(folder.empty() ? "." : ToNativePath(folder).c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    (void)folder;
#endif
  }

  unsigned long ProcessId() override {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
  }

  bool ProcessRuns(unsigned long id) override {
#ifdef _WIN32
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
#else
    const auto pid = static_cast<pid_t>(id);
    if (pid <= 0 || static_cast<unsigned long>(pid) != id) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
#endif
  }

  std::string LocalTime() override {
    const std::tm local = LocalCalendarTime(std::time(nullptr));
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
  }
};

}  // namespace

#ifdef _WIN32
std::string Utf8FromWide(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(length - 1));
  return utf8;
}
#endif

FileSystem& DiskFileSystem() {
  static DiskFiles disk;
  return disk;
}

}  // namespace kd
