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

std::string ReadWholeFile(std::string_view path) {
  std::error_code ec;
  const std::filesystem::path native = ToNativePath(path);
  if (path.empty() || !std::filesystem::is_regular_file(native, ec)) {
    throw FileError::CannotOpen(path);
  }
  std::ifstream in(native, std::ios::binary);
  if (!in) throw FileError::CannotOpen(path);
  std::string contents;
  const auto size = std::filesystem::file_size(native, ec);
  if (!ec) contents.reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    contents.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw FileError::CannotOpen(path);
  return contents;
}

namespace {

std::function<bool(std::size_t)>& WriteFaultHook() {
  static std::function<bool(std::size_t)> hook;
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

void SetWriteFaultHook(std::function<bool(std::size_t)> hook) {
  WriteFaultHook() = std::move(hook);
}

void WriteLines(std::string_view path, const std::vector<std::string>& lines) {
  const std::filesystem::path target = ToNativePath(path);
  std::error_code ec;
  if (path.empty() || std::filesystem::is_directory(target, ec))
    throw FileError::CannotCreate(path);

  const std::filesystem::path temp = TemporaryBeside(target);
  bool ok = false;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError::CannotCreate(path);
    // The lines go out in blocks of about 1 MiB, so a big file is never held twice in memory.
    constexpr std::size_t kBlock = 1 << 20;
    std::string block;
    block.reserve(kBlock + 4096);
    std::size_t written = 0;
    ok = true;
    const auto flushBlock = [&]() {
      if (!ok) return;
      if (WriteFaultHook() && !WriteFaultHook()(written)) {
        ok = false;
        return;
      }
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      ok = static_cast<bool>(out);
      written += block.size();
      block.clear();
    };
    for (const auto& line : lines) {
      block += line;
      block += "\r\n";
      if (block.size() >= kBlock) flushBlock();
      if (!ok) break;
    }
    flushBlock();
    out.flush();
    ok = ok && static_cast<bool>(out);
  }
  if (!ok || !ReplaceFile(temp, target)) {
    std::filesystem::remove(temp, ec);
    throw FileError::CannotCreate(path);
  }
}

}  // namespace kd
