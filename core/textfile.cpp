#include "textfile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include "text.h"

#ifdef _WIN32
#include <windows.h>
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

namespace {

template <class Text>
Text ReadWhole(std::string_view path) {
  std::error_code ec;
  const std::filesystem::path native = ToNativePath(path);
  if (path.empty() || !std::filesystem::is_regular_file(native, ec)) {
    throw FileError::CannotOpen(path);
  }
  std::ifstream in(native, std::ios::binary);
  if (!in) throw FileError::CannotOpen(path);
  // Read straight into the result: its size is known, and a file that grows meanwhile is read on.
  Text contents;
  const auto size = std::filesystem::file_size(native, ec);
  std::size_t have = 0;
  contents.resize(ec ? std::size_t{1} << 16 : static_cast<std::size_t>(size) + 1);
  for (;;) {
    in.read(contents.data() + have, static_cast<std::streamsize>(contents.size() - have));
    have += static_cast<std::size_t>(in.gcount());
    if (!in) break;
    contents.resize(contents.size() * 2);
  }
  if (in.bad()) throw FileError::CannotOpen(path);
  contents.resize(have);
  return contents;
}

}  // namespace

std::string ReadWholeFile(std::string_view path) {
  return ReadWhole<std::string>(path);
}

LargeText ReadLargeFile(std::string_view path) {
  return ReadWhole<LargeText>(path);
}

namespace {

std::function<bool(std::string_view, std::size_t)>& WriteFaultHook() {
  static std::function<bool(std::string_view, std::size_t)> hook;
  return hook;
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  std::filesystem::path temp = target;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFull));
  temp += suffix;
  return temp;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return !ec;
#endif
}

}  // namespace

// A file written under a temporary name beside its target and renamed over the target only
// when every byte went out; a failure removes the temporary file and leaves the target as it was.
class AtomicFile {
 public:
  explicit AtomicFile(std::string_view path) : path_(path), target_(ToNativePath(path)) {
    std::error_code ec;
    if (path.empty() || std::filesystem::is_directory(target_, ec))
      throw FileError::CannotCreate(path_);
    temp_ = TemporaryBeside(target_);
    out_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!out_) throw FileError::CannotCreate(path_);
  }
  ~AtomicFile() {
    if (!committed_) {
      out_.close();
      std::error_code ec;
      std::filesystem::remove(temp_, ec);
    }
  }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes) {
    if (WriteFaultHook() && !WriteFaultHook()(path_, written_))
      throw FileError::CannotCreate(path_);
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out_) throw FileError::CannotCreate(path_);
    written_ += bytes.size();
  }

  void Commit() {
    out_.flush();
    const bool ok = static_cast<bool>(out_);
    out_.close();
    if (!ok || out_.fail() || !ReplaceFile(temp_, target_)) throw FileError::CannotCreate(path_);
    committed_ = true;
  }

 private:
  std::string path_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::ofstream out_;
  std::size_t written_ = 0;
  bool committed_ = false;
};

void SetWriteFaultHook(std::function<bool(std::string_view, std::size_t)> hook) {
  WriteFaultHook() = std::move(hook);
}

void WriteLines(std::string_view path, const std::vector<std::string>& lines) {
  AtomicFile file(path);
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
  AtomicFile file(path);
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
    // Reported by Commit.
  }
}

StreamedFile::~StreamedFile() = default;

void StreamedFile::Write(std::string_view bytes) {
  if (!file_) return;
  try {
    file_->Write(bytes);
  } catch (const FileError&) {
    file_.reset();  // removes the temporary file
  }
}

void StreamedFile::Commit() {
  if (!file_) throw FileError::CannotCreate(path_);
  file_->Commit();
  file_.reset();
}

}  // namespace kd
