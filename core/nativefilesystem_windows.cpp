// The disk on Windows. A virus scanner or the search indexer opens every file just written for a
// moment; renaming, removing or linking it then fails with a sharing violation or "access
// denied". Those steps are tried again, ten times within two seconds, as embedded databases do.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "nativefilesystem.h"

namespace kd {

namespace {

// winerror.h of mingw-w64 lacks it.
constexpr DWORD kDiskQuotaExceeded = 1295;

constexpr int kTries = 10;
constexpr DWORD kRetryStepMs = 40;  // the n-th wait lasts n steps: 1.8 s in all

bool Passing(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// `attempt` again while it fails for a file held open for a moment; GetLastError() afterwards
// is that of the last attempt.
template <class Attempt>
bool Retried(Attempt attempt) {
  for (int n = 1;; ++n) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if (n == kTries || !Passing(error)) {
      SetLastError(error);
      return false;
    }
    Sleep(kRetryStepMs * static_cast<DWORD>(n));
  }
}

Outcome FromSystem(DWORD error, const std::string& path) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return {Failure::NameTaken, {}};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return {Failure::HeldOpen, path};
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
      return Missing(DiskFiles(), path);
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

// A failed change of `target` (from `source`, for a rename) explained: the file that is held
// is named, the temporary file when that is the one.
Outcome ChangeError(const std::string& target, const std::string& source = {}) {
  const DWORD error = GetLastError();
  if (!Passing(error)) return FromSystem(error, target);
  if (HeldOpen(target)) return {Failure::HeldOpen, target};
  if (!source.empty() && HeldOpen(source)) return {Failure::HeldOpen, source};
  return error == ERROR_ACCESS_DENIED ? Outcome{Failure::AccessDenied, {}}
                                      : FromSystem(error, target);
}

class DiskInput : public InputFile {
 public:
  explicit DiskInput(HANDLE h) : h_(h) {}
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
  HANDLE h_;
};

class DiskOutput : public OutputFile {
 public:
  DiskOutput(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
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
  HANDLE h_;
  std::string path_;
};

// One byte far beyond the contents is locked: Windows' locks keep others from reading what they
// cover.
class DiskLock : public FileLock {
 public:
  explicit DiskLock(HANDLE h) : h_(h) {}
  ~DiskLock() override { CloseHandle(h_); }

  static bool Take(HANDLE h) {
    OVERLAPPED at{};
    at.OffsetHigh = 0x40000000;
    return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
  }

 private:
  HANDLE h_;
};

class WindowsFiles : public NativeFiles {
 public:
  // Each native path is made before the call, so that nothing runs between the call and the
  // reading of its error.
  std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    // Other programs may go on reading, writing or renaming it; the snapshot check notices.
    const HANDLE h = CreateFileW(native.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskInput>(h);
  }

  // Others may read it and lock it (the writer's own lock does), and it may be renamed while
  // open; nobody else writes it.
  std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    const HANDLE h = CreateFileW(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskOutput>(h, path);
  }

  Outcome Link(const std::string& existing, const std::string& link) override {
    const std::filesystem::path from = ToNativePath(existing);
    const std::filesystem::path to = ToNativePath(link);
    if (Retried([&] { return CreateHardLinkW(to.c_str(), from.c_str(), nullptr) != 0; })) {
      return {};
    }
    return ChangeError(existing);
  }

  Outcome RenameOver(const std::string& from, const std::string& to) override {
    const std::filesystem::path source = ToNativePath(from);
    const std::filesystem::path target = ToNativePath(to);
    if (Retried([&] {
          return MoveFileExW(source.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        })) {
      return {};
    }
    return ChangeError(to, from);
  }

  Outcome Replaceable(const std::string& path) override {
    for (int n = 1; HeldOpen(path); ++n) {
      if (n == kTries) return {Failure::HeldOpen, path};
      Sleep(kRetryStepMs * static_cast<DWORD>(n));
    }
    return {};
  }

  Outcome Remove(const std::string& path) override {
    const std::filesystem::path native = ToNativePath(path);
    if (Retried([&] { return DeleteFileW(native.c_str()) != 0; })) return {};
    return ChangeError(path);
  }

  // MOVEFILE_WRITE_THROUGH has brought every rename to the disk.
  void SyncFolder(const std::string&) override {}

  std::unique_ptr<FileLock> Lock(const std::string& path, std::chrono::milliseconds patience,
                                 Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
      // Sharing deletion lets the writer rename its own temporary file while it holds it.
      const HANDLE h = CreateFileW(native.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD error = GetLastError();
      if (h != INVALID_HANDLE_VALUE) {
        if (DiskLock::Take(h)) return std::make_unique<DiskLock>(h);
        error = GetLastError();
        CloseHandle(h);
      }
      if (error != ERROR_LOCK_VIOLATION && error != ERROR_SHARING_VIOLATION &&
          error != ERROR_IO_PENDING) {
        why = FromSystem(error, path);
        return nullptr;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        why = {Failure::HeldOpen, {}};
        return nullptr;
      }
      Sleep(20);
    }
  }
};

}  // namespace

std::string Utf8FromWide(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(length - 1));
  return utf8;
}

std::string ProgramDirectory() {
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
  const std::filesystem::path folder = std::filesystem::path(buffer).parent_path();
  if (folder.empty()) return {};
  std::string text = FromNativePath(folder);
  if (text.back() != kPathSeparator && text.back() != '/') text += kPathSeparator;
  return text;
}

FileSystem& DiskFiles() {
  static WindowsFiles disk;
  return disk;
}

}  // namespace kd
