// The file units' shared pieces that know no platform.
#include "filesystem.h"

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

std::string ReasonText(const Outcome& outcome, std::string_view path) {
  switch (outcome.failure) {
    case Failure::None:
      return {};
    case Failure::NameTaken:
      return "Name bereits vergeben";
    case Failure::HeldOpen:
      return "von einem anderen Programm geöffnet" +
             (outcome.text.empty() || outcome.text == path ? std::string() : ": " + outcome.text);
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
  return FileError("Datei " + std::string(path) + " kann nicht geöffnet werden",
                   ReasonText(why, path));
}

FileError FileError::CannotCreate(std::string_view path, const Outcome& why) {
  return FileError("Datei " + std::string(path) + " kann nicht erstellt werden",
                   ReasonText(why, path));
}

Outcome Missing(FileSystem& files, std::string_view path) {
  const std::string_view folder = PathFolder(path);
  const bool folderExists = folder.empty() || files.Kind(std::string(folder)) == EntryKind::Folder;
  return {folderExists ? Failure::FileMissing : Failure::FolderMissing, {}};
}

}  // namespace kd
