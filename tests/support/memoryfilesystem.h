// A file system in memory, for the fuzz targets and for tests that stop a run at every step
// without touching the disk. Copying it keeps the state of every file at that moment, links
// included, and none of its locks: the disk as a killed process leaves it. PowerCut forgets,
// besides, what was not yet brought to the disk.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "filesystem.h"

namespace kd {

class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem() = default;
  MemoryFileSystem(const MemoryFileSystem& other);
  MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

  // Adds a folder and the folders above it. "/" and "\" both separate.
  void AddFolder(const std::string& path);
  // Creates or replaces a file, and the folders above it.
  void Put(const std::string& path, std::string bytes);
  // The contents of a file; nothing when there is no such file.
  std::optional<std::string> Contents(const std::string& path) const;

  void SetTime(std::string text) { time_ = std::move(text); }
  // As after a power cut: each folder's names as at its last sync, each file's contents as when
  // it was last synced.
  void PowerCut();

  // FileSystem
  EntryKind Kind(const std::string& path) override;
  std::optional<FileStamp> Stamp(const std::string& path) override;
  std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) override;
  std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) override;
  Outcome Link(const std::string& existing, const std::string& link) override;
  Outcome RenameOver(const std::string& from, const std::string& to) override;
  Outcome Replaceable(const std::string&) override { return {}; }
  Outcome Remove(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder) override;
  void SyncFolder(const std::string& folder) override;
  std::unique_ptr<FileLock> Lock(const std::string& path, std::chrono::milliseconds,
                                 Outcome& why) override;
  std::string LocalTime() override { return time_; }

  struct Node {
    std::string bytes;
    std::string synced;  // what a power cut leaves
    std::int64_t modified = 0;
    bool locked = false;
  };

 private:
  bool FolderExists(const std::string& key) const;

  std::map<std::string, std::shared_ptr<Node>> files_;   // by path with "/" as separator
  std::map<std::string, std::shared_ptr<Node>> synced_;  // the names as the disk holds them
  std::set<std::string> folders_;
  std::shared_ptr<std::int64_t> clock_ = std::make_shared<std::int64_t>(0);
  std::string time_ = "09.12.2026 14:03";
};

}  // namespace kd
