// A file system that a test wraps around the disk or a MemoryFileSystem: every operation is
// shown to `fault` first, which may fail it or do something meanwhile (end the process, keep a
// copy of the disk, change a file), and every change is numbered, so that a test can stop a run
// before any one of them.
#pragma once

#include <functional>

#include "filesystem.h"

namespace kdtest {

struct FileOperation {
  // A change: "create", "write", "close", "link", "rename", "remove", "sync", "lock"; or
  // "replace" (whether a file can be replaced) and "read" (after a block was read).
  std::string_view what;
  const std::string& path;  // for "rename" and "link" the new name
  std::size_t bytes = 0;    // "write": written to the file before; "read": read so far
  int step = -1;            // the change's number, from 0; -1 for the rest
};

// Every write fails as on a full disk.
inline kd::Failure FailWrites(const FileOperation& op) {
  return op.what == "write" ? kd::Failure::DiskFull : kd::Failure::None;
}

class FaultyFileSystem : public kd::FileSystem {
 public:
  explicit FaultyFileSystem(kd::FileSystem& inner) : inner_(inner) {}

  // Failure::None lets the operation go ahead; any other makes it fail so, undone.
  std::function<kd::Failure(const FileOperation&)> fault;
  int changes = 0;  // numbered so far

  kd::Outcome Check(std::string_view what, const std::string& path, std::size_t bytes = 0) {
    const int step = what == "read" || what == "replace" ? -1 : changes++;
    return {fault ? fault({what, path, bytes, step}) : kd::Failure::None, {}};
  }
  template <class Do>
  auto Checked(std::string_view what, const std::string& path, Do done) -> decltype(done()) {
    const kd::Outcome why = Check(what, path);
    return why.Ok() ? done() : why;
  }

  kd::EntryKind Kind(const std::string& path) override { return inner_.Kind(path); }
  std::optional<kd::FileStamp> Stamp(const std::string& path) override {
    return inner_.Stamp(path);
  }
  std::unique_ptr<kd::InputFile> Open(const std::string& path, kd::Outcome& why) override {
    std::unique_ptr<kd::InputFile> in = inner_.Open(path, why);
    return in ? std::make_unique<File<kd::InputFile>>(*this, path, std::move(in)) : nullptr;
  }
  std::unique_ptr<kd::OutputFile> CreateNew(const std::string& path, kd::Outcome& why) override {
    why = Check("create", path);
    std::unique_ptr<kd::OutputFile> out = why.Ok() ? inner_.CreateNew(path, why) : nullptr;
    return out ? std::make_unique<File<kd::OutputFile>>(*this, path, std::move(out)) : nullptr;
  }
  kd::Outcome Link(const std::string& existing, const std::string& link) override {
    return Checked("link", link, [&] { return inner_.Link(existing, link); });
  }
  kd::Outcome RenameOver(const std::string& from, const std::string& to) override {
    return Checked("rename", to, [&] { return inner_.RenameOver(from, to); });
  }
  kd::Outcome Replaceable(const std::string& path) override {
    return Checked("replace", path, [&] { return inner_.Replaceable(path); });
  }
  kd::Outcome Remove(const std::string& path) override {
    return Checked("remove", path, [&] { return inner_.Remove(path); });
  }
  std::vector<std::string> List(const std::string& folder) override { return inner_.List(folder); }
  void SyncFolder(const std::string& folder) override {
    if (Check("sync", folder).Ok()) inner_.SyncFolder(folder);
  }
  std::unique_ptr<kd::FileLock> Lock(const std::string& path, std::chrono::milliseconds patience,
                                     kd::Outcome& why) override {
    why = Check("lock", path);
    return why.Ok() ? inner_.Lock(path, patience, why) : nullptr;
  }
  std::string LocalTime() override { return inner_.LocalTime(); }

 private:
  // A file read or written, each block shown first ("write") or after ("read").
  template <class Base>
  struct File : Base {
    File(FaultyFileSystem& files, std::string path, std::unique_ptr<Base> inner)
        : files(files), path(std::move(path)), inner(std::move(inner)) {}
    kd::Outcome Read(char* buffer, std::size_t size, std::size_t& got) {
      const kd::Outcome why = inner->Read(buffer, size, got);
      bytes += got;
      return !why.Ok() || got == 0 ? why : files.Check("read", path, bytes);
    }
    kd::Outcome Write(std::string_view block) {
      const kd::Outcome why = files.Check("write", path, bytes);
      bytes += block.size();
      return why.Ok() ? inner->Write(block) : why;
    }
    kd::Outcome Close(bool sync) {
      return files.Checked("close", path, [&] { return inner->Close(sync); });
    }
    FaultyFileSystem& files;
    std::string path;
    std::unique_ptr<Base> inner;
    std::size_t bytes = 0;
  };

  kd::FileSystem& inner_;
};

}  // namespace kdtest
