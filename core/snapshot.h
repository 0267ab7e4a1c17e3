// Reading files whole, as a snapshot: a file that another program changes while it is read
// counts as a file that cannot be read, so no mix of old and new text is ever used.
#pragma once

#include <string>
#include <string_view>

#include "filesystem.h"
#include "largetext.h"

namespace kd {

// True when `path` names an existing regular file (a folder of that name does not count).
bool RegularFileExists(FileSystem& files, std::string_view path);

// The whole file as bytes; throws FileError::CannotOpen with the reason. A file whose size or
// modification time differ before and after the reading is not used.
std::string ReadWholeFile(FileSystem& files, std::string_view path);
// The same in a buffer meant for big files (an export).
LargeText ReadLargeFile(FileSystem& files, std::string_view path);

// The same on the disk.
bool RegularFileExists(std::string_view path);
std::string ReadWholeFile(std::string_view path);

}  // namespace kd
