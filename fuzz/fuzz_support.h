// Shared pieces of the fuzz targets: a quiet user interface, the per-process work folder in
// memory with a small bank code list, and a check that stops the fuzzer with a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filesystem.h"
#include "ui.h"

namespace kdfuzz {

// Discards what a run shows, but counts it and walks every text so that a bad message text is
// read by the sanitizers.
class QuietUi : public kd::UserInterface {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) override;
  void ShowError(const std::string& text) override;
  // Counts the question and answers `answer`.
  bool Ask(const std::string& text, const std::string& caption) override;
  void ShowSourceFile(const std::string& caption, std::string_view contents) override;
  void AppendRecord(std::string_view record) override;

  int messages = 0;
  int stops = 0;
  int errors = 0;
  int questions = 0;
  bool answer = true;
  std::size_t records = 0;
  std::string lastMessage;
  std::string lastError;

 private:
  unsigned checksum_ = 0;
};

// The file system in memory that holds the work folder; the targets hand it to the run.
kd::FileSystem& Files();
// The work folder of this process in it. Paths end with '/'.
const std::string& WorkDirectory();
// The Kandrel data directory (holds "Konfi-18").
std::string DataDirectory();
// The folder of the files with fixed bare names; holds a small "BLZ_20170904.txt".
std::string BareFileDirectory();
// A folder for source files.
std::string SourceDirectory();

void WriteBytes(const std::string& path, std::string_view bytes);
void RemoveFile(const std::string& path);
// Names of the files in `dir` (without the folder), sorted.
std::string ListFiles(const std::string& dir);

// Stops the fuzzer with `what` when `condition` is false: a broken rule is a finding.
void Require(bool condition, const char* what);

// The input's bytes as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kdfuzz
