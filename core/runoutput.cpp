#include "runoutput.h"

#include <algorithm>

#include "text.h"
#include "textfile.h"

namespace kd {

std::string BankFilePath(const ConversionSettings& settings) {
  return settings.DataDirectory + "Bank-" + settings.PayrollYear;
}

FileOutput::FileOutput(const ConversionSettings& settings, std::size_t sourceSize,
                       FileSystem& files)
    : files_(files),
      folder_(settings.DataDirectory),
      bankPath_(BankFilePath(settings)),
      sourceSize_(sourceSize),
      importFile_(std::make_unique<StreamedFile>(files, settings.DataDirectory + kImportFileName)) {
  // The import and bank files go out in blocks; a small export needs no whole block.
  importText_.reserve(std::min(kWriteBlock + 64 * 1024, 2 * sourceSize_ + 4096));
}

FileOutput::~FileOutput() = default;

void FileOutput::AddImportLine(std::string_view line) {
  importText_ += line;
  importText_ += "\r\n";
  if (importText_.size() >= kWriteBlock) HandOverImportText();
}

void FileOutput::AddBankLine(const BankConnection& bank, bool toOem) {
  if (bankText_.capacity() < 256) {
    bankText_.reserve(std::min(kWriteBlock + 4096, sourceSize_ + 4096));
  }
  const std::size_t start = bankText_.size();
  AppendBankLine(bankText_, bank);
  if (toOem) CharToOemInPlace(bankText_.data() + start, bankText_.size() - start);
  bankText_ += "\r\n";
  if (bankText_.size() >= kWriteBlock) HandOverBankText();
}

void FileOutput::HandOverImportText() {
  importFile_->Write({importText_.data(), importText_.size()});
  importText_.clear();
}

void FileOutput::HandOverBankText() {
  if (!bankFile_) bankFile_ = std::make_unique<StreamedFile>(files_, bankPath_);
  bankFile_->Write({bankText_.data(), bankText_.size()});
  bankText_.clear();
}

void FileOutput::SaveBankFile() {
  bankFileSaved_ = true;
  HandOverBankText();
  bankFile_->Finish();
}

void FileOutput::Complete() {
  HandOverImportText();
  importFile_->Finish();
}

// Also the import file alone: a pair of another run must not be put in place around it.
void FileOutput::PutInPlace() {
  Complete();
  const FolderLock lock(files_, folder_);
  kd::PutInPlace({bankFileSaved_ ? bankFile_.get() : nullptr, importFile_.get()});
}

}  // namespace kd
