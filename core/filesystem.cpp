#include "filesystem.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace kd {

std::filesystem::path ToNativePath(std::string_view path) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

std::string FromNativePath(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

namespace {

constexpr std::string_view kSeparators = kPathSeparator == '/' ? "/" : "\\/";

}  // namespace

std::string_view PathFolder(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

std::string_view PathName(std::string_view path) {
  return path.substr(PathFolder(path).size());
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

std::string ReasonText(const Outcome& outcome) {
  switch (outcome.failure) {
    case Failure::None:
      return {};
    case Failure::NameTaken:
      return "Name bereits vergeben";
    case Failure::HeldOpen:
      return "von einem anderen Programm geöffnet";
    case Failure::AccessDenied:
      return "Zugriff verweigert";
    case Failure::DiskFull:
      return "Datenträger voll";
    case Failure::FolderMissing:
      return "Ordner nicht gefunden";
    case Failure::FileMissing:
      return "Datei nicht gefunden";
    case Failure::Other:
      break;
  }
  return outcome.text;
}

FileError::FileError(const std::string& message, std::string reason,
                     std::vector<std::string> details)
    : std::runtime_error(message), reason_(std::move(reason)), details_(std::move(details)) {}

FileError FileError::CannotOpen(std::string_view path, const Outcome& why) {
  return FileError("Datei " + std::string(path) + " kann nicht geöffnet werden", ReasonText(why));
}

FileError FileError::CannotCreate(std::string_view path, const Outcome& why) {
  return FileError("Datei " + std::string(path) + " kann nicht erstellt werden", ReasonText(why));
}

FileSystem& DiskFileSystem();  // nativefilesystem.cpp

namespace {

FileSystem*& ChosenFileSystem() {
  static FileSystem* files = nullptr;
  return files;
}

}  // namespace

FileSystem& Files() {
  FileSystem* chosen = ChosenFileSystem();
  return chosen != nullptr ? *chosen : DiskFileSystem();
}

void SetFileSystem(FileSystem* files) {
  ChosenFileSystem() = files;
}

Outcome Missing(FileSystem& files, std::string_view path) {
  const std::string_view folder = PathFolder(path);
  const bool folderExists = folder.empty() || files.Kind(std::string(folder)) == EntryKind::Folder;
  return {folderExists ? Failure::FileMissing : Failure::FolderMissing, {}};
}

}  // namespace kd
