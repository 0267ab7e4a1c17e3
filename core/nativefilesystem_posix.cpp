// The disk on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "nativefilesystem.h"

namespace kd {

namespace {

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
      return Missing(DiskFiles(), path);
    default:
      return {Failure::Other, std::strerror(error)};
  }
}

Outcome LastError(const std::string& path) {
  return FromSystem(errno, path);
}

class DiskInput : public InputFile {
 public:
  explicit DiskInput(int fd) : fd_(fd) {}
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
  int fd_;
};

class DiskOutput : public OutputFile {
 public:
  DiskOutput(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
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
  int fd_;
  std::string path_;
};

// flock: a lock of the open file, so that two opens exclude each other also within one process.
class DiskLock : public FileLock {
 public:
  explicit DiskLock(int fd) : fd_(fd) {}
  ~DiskLock() override { ::close(fd_); }

 private:
  int fd_;
};

class PosixFiles : public NativeFiles {
 public:
  // Each native path is made before the call, so that nothing runs between the call and the
  // reading of its error.
  std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskInput>(fd);
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      why = LastError(path);
      return nullptr;
    }
    return std::make_unique<DiskOutput>(fd, path);
  }

  Outcome Link(const std::string& existing, const std::string& link) override {
    const std::filesystem::path from = ToNativePath(existing);
    const std::filesystem::path to = ToNativePath(link);
    if (::link(from.c_str(), to.c_str()) == 0) return {};
    return LastError(existing);
  }

  Outcome RenameOver(const std::string& from, const std::string& to) override {
    const std::filesystem::path source = ToNativePath(from);
    const std::filesystem::path target = ToNativePath(to);
    if (std::rename(source.c_str(), target.c_str()) == 0) return {};
    return LastError(from);
  }

  // Nothing keeps a name from being replaced here.
  Outcome Replaceable(const std::string&) override { return {}; }

  Outcome Remove(const std::string& path) override {
    const std::filesystem::path native = ToNativePath(path);
    if (::unlink(native.c_str()) == 0) return {};
    return LastError(path);
  }

  // A rename is only safe from a power loss once the folder that holds the names is on the disk.
  void SyncFolder(const std::string& folder) override {
    const int fd = ::open(folder.empty() ? "." : ToNativePath(folder).c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }

  std::unique_ptr<FileLock> Lock(const std::string& path, std::chrono::milliseconds patience,
                                 Outcome& why) override {
    const std::filesystem::path native = ToNativePath(path);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
      // Read rights suffice for the lock: the file may be another user's.
      const int fd = ::open(native.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
      if (fd < 0) {
        why = LastError(path);
        return nullptr;
      }
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // A file removed between the open and the lock no longer has the name: lock the one
        // that has it now.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(native.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
          return std::make_unique<DiskLock>(fd);
        }
        ::close(fd);
        continue;
      }
      const int error = errno;
      ::close(fd);
      if (error != EWOULDBLOCK && error != EINTR) {
        why = FromSystem(error, path);
        return nullptr;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        why = {Failure::HeldOpen, {}};
        return nullptr;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
};

}  // namespace

std::string ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::filesystem::path folder = program.parent_path();
  if (folder.empty()) return {};
  std::string text = FromNativePath(folder);
  if (text.back() != kPathSeparator) text += kPathSeparator;
  return text;
}

FileSystem& DiskFiles() {
  static PosixFiles disk;
  return disk;
}

}  // namespace kd
