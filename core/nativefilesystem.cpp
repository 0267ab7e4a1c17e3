#include "nativefilesystem.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "text.h"

namespace kd {

EntryKind NativeFiles::Kind(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(ToNativePath(path), ec);
  if (ec || !std::filesystem::exists(status)) return EntryKind::None;
  if (std::filesystem::is_regular_file(status)) return EntryKind::File;
  if (std::filesystem::is_directory(status)) return EntryKind::Folder;
  return EntryKind::Other;
}

std::optional<FileStamp> NativeFiles::Stamp(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path native = ToNativePath(path);
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(native, ec);
  if (ec) return std::nullopt;
  stamp.modified = std::filesystem::last_write_time(native, ec).time_since_epoch().count();
  if (ec) return std::nullopt;
  return stamp;
}

std::vector<std::string> NativeFiles::List(const std::string& folder) {
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

std::string NativeFiles::LocalTime() {
  const std::tm local = LocalCalendarTime(std::time(nullptr));
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900, local.tm_hour, local.tm_min);
  return text;
}

}  // namespace kd
