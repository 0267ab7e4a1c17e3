// What the disk's file system does alike on every platform, through the standard library; the
// platform's own part (opening, writing, renaming, locking) is one source file per platform:
// nativefilesystem_posix.cpp or nativefilesystem_windows.cpp, chosen by the build.
#pragma once

#include "filesystem.h"

namespace kd {

class NativeFiles : public FileSystem {
 public:
  EntryKind Kind(const std::string& path) override;
  std::optional<FileStamp> Stamp(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder) override;
  std::string LocalTime() override;
};

}  // namespace kd
