#include "snapshot.h"

#include <algorithm>

namespace kd {

namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

template <class Text>
Text ReadWhole(FileSystem& files, std::string_view path) {
  const std::string name(path);
  if (path.empty()) throw FileError::CannotOpen(path, {Failure::FileMissing, {}});
  const EntryKind kind = files.Kind(name);
  if (kind == EntryKind::None) throw FileError::CannotOpen(path, Missing(files, path));
  if (kind != EntryKind::File)
    throw FileError::CannotOpen(path, {Failure::Other, "ist ein Ordner"});
  const std::optional<FileStamp> before = files.Stamp(name);
  Outcome why;
  const std::unique_ptr<InputFile> in = files.Open(name, why);
  if (!in) throw FileError::CannotOpen(path, why);
  if (!before) throw FileError::CannotOpen(path, Missing(files, path));
  Text contents;
  contents.resize(static_cast<std::size_t>(before->size));
  std::size_t have = 0;
  std::size_t got = 1;
  while (have < contents.size() && got != 0) {
    const std::size_t want = std::min(kReadBlock, contents.size() - have);
    why = in->Read(contents.data() + have, want, got);
    if (!why.Ok()) throw FileError::CannotOpen(path, why);
    have += got;
  }
  // A file that is shorter or longer than it was when the reading began, or that was written
  // meanwhile, is no longer the file whose first part was read.
  char more = 0;
  if (have == contents.size()) why = in->Read(&more, 1, got);
  if (!why.Ok() || have != contents.size() || got != 0 || files.Stamp(name) != before) {
    throw FileError::CannotOpen(path, {Failure::Other, "beim Lesen verändert"});
  }
  return contents;
}

}  // namespace

bool RegularFileExists(FileSystem& files, std::string_view path) {
  return !path.empty() && files.Kind(std::string(path)) == EntryKind::File;
}

std::string ReadWholeFile(FileSystem& files, std::string_view path) {
  return ReadWhole<std::string>(files, path);
}

LargeText ReadLargeFile(FileSystem& files, std::string_view path) {
  return ReadWhole<LargeText>(files, path);
}

bool RegularFileExists(std::string_view path) {
  return RegularFileExists(DiskFiles(), path);
}

std::string ReadWholeFile(std::string_view path) {
  return ReadWholeFile(DiskFiles(), path);
}

}  // namespace kd
