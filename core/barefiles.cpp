#include "barefiles.h"

#include <filesystem>
#include <vector>

#include "textfile.h"

namespace kd {

namespace {

std::string InFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != kPathSeparator && path.back() != '/') path += kPathSeparator;
  return path + std::string(name);
}

// The path from the root as a person reads it (UTF-8): a bare name found in the current folder
// says too little about which file it was.
std::string FullPath(std::string_view path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(ToNativePath(path), ec);
  return ec ? std::string(path) : FromNativePath(full.lexically_normal());
}

}  // namespace

std::string BareFileLookup::Read(std::string_view name, BareFileHome home,
                                 std::string* foundAt) const {
  std::vector<std::string> places{InFolder(places_.directory, name)};
  if (!places_.programDirectory.empty()) {
    if (home == BareFileHome::Program) {
      places.push_back(InFolder(places_.programDirectory, name));
    } else {
      // VARIAL writes its bank file beside the export: a file of that name in the current
      // folder may belong to another client.
      places.insert(places.begin(), InFolder(PathFolder(sourcePath_), name));
    }
  }
  for (const std::string& path : places) {
    if (!RegularFileExists(files_, path)) continue;
    try {
      std::string contents = ReadWholeFile(files_, path);
      if (foundAt != nullptr) *foundAt = FullPath(path);
      return contents;
    } catch (const FileError& error) {
      throw FileError(FileError::CannotOpen(name).what(), error.Reason());
    }
  }
  throw FileError::CannotOpen(name, {Failure::FileMissing, {}});
}

}  // namespace kd
