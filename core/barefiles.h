// Files with fixed bare names that readers take in beside the export: the bank code list
// "BLZ_20170904.txt" and VARIAL's bank connection file "PWASCUEB.EXP".
#pragma once

#include <string>
#include <string_view>

#include "filesystem.h"

namespace kd {

// Where the files with fixed bare names are opened.
struct BareFilePlaces {
  // The first place; empty means the current directory.
  std::string directory;
  // When not empty, a file not found in the first place is looked for in its second home: the
  // bank code list in this folder (the program's own), VARIAL's bank file beside the export.
  std::string programDirectory;
};

// The second home of a file with a fixed bare name.
enum class BareFileHome { Program, Source };

class BareFiles {
 public:
  virtual ~BareFiles() = default;
  // The contents of the file, and in `foundAt` the full path it was read from (UTF-8). Throws
  // FileError naming the bare name when it is nowhere.
  virtual std::string Read(std::string_view name, BareFileHome home,
                           std::string* foundAt = nullptr) const = 0;
};

// The files as a run finds them: the bank code list in the current directory (or the first
// place given), then, when the front end asks for it, beside the program; VARIAL's bank file
// beside the export first when the front end asks for that, then in the current directory.
class BareFileLookup : public BareFiles {
 public:
  BareFileLookup(BareFilePlaces places, std::string sourcePath, FileSystem& files)
      : places_(std::move(places)), sourcePath_(std::move(sourcePath)), files_(files) {}
  std::string Read(std::string_view name, BareFileHome home,
                   std::string* foundAt = nullptr) const override;

 private:
  BareFilePlaces places_;
  std::string sourcePath_;
  FileSystem& files_;
};

// For a trial read, which touches no file: every such file reads as empty.
class NoBareFiles : public BareFiles {
 public:
  std::string Read(std::string_view name, BareFileHome, std::string* foundAt) const override {
    if (foundAt != nullptr) foundAt->assign(name);
    return {};
  }
};

}  // namespace kd
