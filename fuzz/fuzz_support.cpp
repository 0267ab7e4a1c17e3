#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bankcodes.h"
#include "memoryfilesystem.h"
#include "text.h"
#include "textfile.h"

namespace kdfuzz {

void QuietUi::ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) {
  ++messages;
  if (icon == kd::Icon::Stop) ++stops;
  for (const char c : text) checksum_ += static_cast<unsigned char>(c);
  for (const char c : caption) checksum_ += static_cast<unsigned char>(c);
  lastMessage = text;
}

void QuietUi::ShowError(const std::string& text) {
  ++errors;
  lastError = text;
}

bool QuietUi::Ask(const std::string& text, const std::string& caption) {
  ++questions;
  for (const char c : text) checksum_ += static_cast<unsigned char>(c);
  for (const char c : caption) checksum_ += static_cast<unsigned char>(c);
  return answer;
}

void QuietUi::ShowSourceFile(const std::string& caption, std::string_view contents) {
  for (const char c : caption) checksum_ += static_cast<unsigned char>(c);
  if (!contents.empty()) checksum_ += static_cast<unsigned char>(contents.back());
}

void QuietUi::AppendRecord(std::string_view record) {
  ++records;
  if (!record.empty()) checksum_ += static_cast<unsigned char>(record.back());
}

namespace {

// One record of the Bundesbank's bank code file: bank code 1-8, flag 9, name 10-67, postcode
// 68-72, town 73-107, short name 108-134, PAN 135-139, BIC 140-150, rest of the record.
std::string BankCodeRecord(std::string_view code, std::string_view shortName,
                           std::string_view bic) {
  std::string line(code);
  line += '1';
  line += kd::PadRight(shortName, 58);
  line += "26122";
  line += kd::PadRight("Oldenburg", 35);
  line += kd::PadRight(shortName, 27);
  line += "12345";
  line += kd::PadRight(bic, 11);
  line += "09000000U000000000";
  return line;
}

// The work folder lives in memory: the targets run the whole run, the pair writer with its
// journal and recovery included, thousands of times a second without touching the disk.
class WorkFolder {
 public:
  WorkFolder() {
    for (const char* sub : {"data", "bare", "source"}) files_.AddFolder(text_ + sub);
    files_.Put(text_ + "data/Konfi-18", "");
    const std::vector<std::string> table = {
        BankCodeRecord("28050100", "LZO Oldenburg", "BRLADE21LZO"),
        BankCodeRecord("28020050", "Oldenburgische Landesbank", "OLBODEH2XXX"),
        BankCodeRecord("10050000", "Berliner Sparkasse", "BELADEBEXXX"),
        BankCodeRecord("50010517", "ING-DiBa", "INGDDEFFXXX"),
        BankCodeRecord("37050198",
                       "Sparkasse K\xF6ln"
                       "Bonn",
                       "COLSDE33XXX"),
        std::string("70050000 short line with a BIC BYLADEMMXXX"),
        BankCodeRecord("70020270", "UniCredit Bank - HypoVereinsbank", "HYVEDEMMXXX"),
    };
    std::string contents;
    for (const auto& line : table) contents += line + "\r\n";
    files_.Put(text_ + "bare/" + kd::kBankCodeListName, contents);
  }
  const std::string& Text() const { return text_; }
  kd::MemoryFileSystem& Files() { return files_; }

 private:
  kd::MemoryFileSystem files_;
  std::string text_ = "/kdimport-fuzz/";
};

WorkFolder& Work() {
  static WorkFolder folder;
  return folder;
}

}  // namespace

kd::FileSystem& Files() {
  return Work().Files();
}

const std::string& WorkDirectory() {
  return Work().Text();
}

std::string DataDirectory() {
  return WorkDirectory() + "data/";
}
std::string BareFileDirectory() {
  return WorkDirectory() + "bare/";
}
std::string SourceDirectory() {
  return WorkDirectory() + "source/";
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  Work().Files().Put(path, std::string(bytes));
}

void RemoveFile(const std::string& path) {
  Work().Files().Remove(path);
}

std::string ListFiles(const std::string& dir) {
  std::string list;
  for (const auto& name : Work().Files().List(dir)) list += name + "\n";
  return list;
}

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "kdimport fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace kdfuzz
