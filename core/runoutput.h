// Where a reader's import file and bank file go: to temporary files beside their targets, put
// in place together when the run decides to write (FileOutput), or nowhere, for a trial read
// that only checks and counts what a reader makes of an export (TrialOutput).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "filesystem.h"
#include "importformat.h"
#include "largetext.h"
#include "settings.h"

namespace kd {

class StreamedFile;

class RunOutput {
 public:
  virtual ~RunOutput() = default;
  // A line of the import file (the flag line or a record), without its line end.
  virtual void AddImportLine(std::string_view line) = 0;
  // A bank line of `bank`, converted to the OEM code page when `toOem`.
  virtual void AddBankLine(const BankConnection& bank, bool toOem) = 0;
  // The bank file is complete; it is put in place with the import file (also when empty).
  virtual void SaveBankFile() = 0;
  // After the reader: both files stand ready beside their targets. Throws FileError when one
  // could not be written.
  virtual void Complete() = 0;
  // Puts the import file in place together with the bank file, if one was saved: either both
  // replace their old versions or neither does, under the data directory's lock. Throws
  // FileError naming the file that could not be put in place, or saying that another run
  // writes into the folder.
  virtual void PutInPlace() = 0;
};

// The files DataDirectory + "KDIMPORT.TXT" and DataDirectory + "Bank-" + PayrollYear.
class FileOutput : public RunOutput {
 public:
  // `sourceSize` sizes the first block of the import file: a small export needs no whole block.
  FileOutput(const ConversionSettings& settings, std::size_t sourceSize, FileSystem& files);
  ~FileOutput() override;

  void AddImportLine(std::string_view line) override;
  void AddBankLine(const BankConnection& bank, bool toOem) override;
  void SaveBankFile() override;
  void Complete() override;
  void PutInPlace() override;

 private:
  void HandOverImportText();
  void HandOverBankText();

  FileSystem& files_;
  std::string folder_;
  std::string bankPath_;
  std::size_t sourceSize_;
  std::unique_ptr<StreamedFile> importFile_;
  LargeText importText_;
  std::unique_ptr<StreamedFile> bankFile_;
  LargeText bankText_;
  bool bankFileSaved_ = false;
};

class TrialOutput : public RunOutput {
 public:
  void AddImportLine(std::string_view) override {}
  void AddBankLine(const BankConnection&, bool) override {}
  void SaveBankFile() override {}
  void Complete() override {}
  void PutInPlace() override {}
};

// DataDirectory + "Bank-" + PayrollYear.
std::string BankFilePath(const ConversionSettings& settings);

}  // namespace kd
