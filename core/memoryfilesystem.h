// A file system in memory, for the fuzz targets and for tests that stop a run at every step
// without touching the disk. Copying it keeps the state of every file at that moment, links
// included: the disk as a killed process leaves it.
#pragma once

#include <functional>
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

  // The process this file system answers for; other processes run when marked so.
  void SetProcess(unsigned long id) { process_ = id; }
  void SetRunning(unsigned long id) { running_.insert(id); }
  void SetTime(std::string text) { time_ = std::move(text); }
  // Called before every change (operation "create", "link", "rename", "remove") and for the
  // question "replace", with the path; a failure other than Failure::None makes it fail so.
  std::function<Failure(std::string_view operation, const std::string& path)> faults;

  // FileSystem
  EntryKind Kind(const std::string& path) override;
  std::optional<FileStamp> Stamp(const std::string& path) override;
  std::unique_ptr<InputFile> Open(const std::string& path, Outcome& why) override;
  std::unique_ptr<OutputFile> CreateNew(const std::string& path, Outcome& why) override;
  Outcome Link(const std::string& existing, const std::string& link) override;
  Outcome RenameOver(const std::string& from, const std::string& to) override;
  Outcome Replaceable(const std::string& path) override { return Fault("replace", path); }
  Outcome Remove(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder) override;
  void SyncFolder(const std::string&) override {}
  unsigned long ProcessId() override { return process_; }
  bool ProcessRuns(unsigned long id) override { return id == process_ || running_.count(id) > 0; }
  std::string LocalTime() override { return time_; }

  struct Node {
    std::string bytes;
    std::int64_t modified = 0;
  };

 private:
  Outcome Fault(std::string_view operation, const std::string& path) const;
  bool FolderExists(const std::string& key) const;

  std::map<std::string, std::shared_ptr<Node>> files_;  // by path with "/" as separator
  std::set<std::string> folders_;
  std::shared_ptr<std::int64_t> clock_ = std::make_shared<std::int64_t>(0);
  unsigned long process_ = 1;
  std::set<unsigned long> running_;
  std::string time_ = "09.12.2026 14:03";
};

}  // namespace kd
