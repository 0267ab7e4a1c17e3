// What a run does on a bad day: an export changed while it is read, a target that cannot be
// replaced, a machine without the memory. Whatever happens, the old files stay together and the
// user reads why.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "conversion.h"
#include "faultyfilesystem.h"
#include "largetext.h"
#include "readers.h"
#include "test_support.h"
#include "text.h"
#include "textfile.h"

namespace {

using kdtest::FilesIn;
using kdtest::PrintTo;

using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

const kd::ReaderEntry kEchoTable[] = {{"TEST", false, nullptr, kdtest::EchoReader}};

// The summary's line on how the run ended.
std::string AbortLine(const kd::Protocol& protocol) {
  for (const std::string& line : protocol.Summary()) {
    if (line.starts_with("Abgebrochen: ")) return line;
  }
  return {};
}

const std::string kOldImport = "KONV=0;\r\nPNr=9;Name=Alt;\r\n";
const std::string kOldBank = "    9 Alt\r\n";

// A data directory with an old pair of files, an export of 2000 employees and the run.
class RunSafetyTest : public ::testing::Test {
 protected:
  RunSafetyTest() : conversion(ui, kEchoTable, files) {
    WriteFile(data.File("Konfi-18"), "");
    WriteFile(data.File("KDIMPORT.TXT"), kOldImport);
    WriteFile(data.File("Bank-18"), kOldBank);
    std::string text = "Nr;Name;\r\n";
    for (int i = 1; i <= 2000; ++i)
      text += std::to_string(i) + ";Name " + std::to_string(i) + ";\r\n";
    source = src.File("export.csv");
    WriteFile(source, text);
    conversion.ReadSettings({source, data.Path(), "Ja", "Ja", "18"}, "Test");
  }
  ~RunSafetyTest() override { kd::SetAllocationFaultHook(nullptr); }

  // The old pair is there as it was, nothing else was left behind and no success was reported.
  void ExpectOldFilesAndMessage(const std::string& error) {
    EXPECT_EQ(FilesIn(data.Path()),
              (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT", "Konfi-18"}));
    EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), kOldImport);
    EXPECT_EQ(ReadFile(data.File("Bank-18")), kOldBank);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, "error");
    EXPECT_EQ(ui.messages[0].text, error);
  }

  kdtest::RecordingUi ui;
  TempDir data;
  TempDir src;
  std::string source;
  kdtest::FaultyFileSystem files{kd::DiskFiles()};
  kd::Conversion conversion;
};

// Another program changes the export while it is read: a mapped or half-read file would give
// NUL bytes or a mix of old and new lines; a snapshot sees the change and reads nothing.
struct ChangeCase {
  const char* what;
  std::function<void(const std::filesystem::path&)> change;
};

class SourceChangedWhileReadTest : public RunSafetyTest,
                                   public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SourceChangedWhileReadTest, RunStopsBeforeWritingAnything) {
  bool changed = false;
  files.fault = [&](const kdtest::FileOperation& op) {
    if (!changed && op.what == "read" && op.path == source) {
      changed = true;
      GetParam().change(kd::ToNativePath(source));
    }
    return kd::Failure::None;
  };
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  EXPECT_TRUE(changed);
  ExpectOldFilesAndMessage("Datei " + source + " kann nicht geöffnet werden");
}

// A later modification time, as a program that writes the file gives it.
void Touch(const std::filesystem::path& file) {
  std::filesystem::last_write_time(
      file, std::filesystem::last_write_time(file) + std::chrono::seconds(2));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SourceChangedWhileReadTest,
    ::testing::Values(
        ChangeCase{"ShortenedByLessThanAPage",
                   [](const auto& file) {
                     std::filesystem::resize_file(file, std::filesystem::file_size(file) - 10);
                   }},
        ChangeCase{"Emptied", [](const auto& file) { std::filesystem::resize_file(file, 0); }},
        ChangeCase{"Grown",
                   [](const auto& file) {
                     std::filesystem::resize_file(file, std::filesystem::file_size(file) + 20);
                   }},
        ChangeCase{"RewrittenInPlace",
                   [](const auto& file) {
                     const std::string path = kd::FromNativePath(file);
                     std::string text = ReadFile(path);
                     std::replace(text.begin(), text.end(), 'N', 'X');
                     WriteFile(path, text);
                     Touch(file);
                   }}),
    kdtest::kCaseName);

TEST_F(RunSafetyTest, UnchangedSourceIsReadOnceByTheRun) {
  int reads = 0;
  files.fault = [&](const kdtest::FileOperation& op) {
    reads += op.what == "read" && op.path == source;
    return kd::Failure::None;
  };
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(ui.messages.size(), 2u);
}

// A front end without a source view (the command line) loads the export once per run; the
// window shows it already when the settings are read.
class SourceViewUi : public kdtest::RecordingUi {
 public:
  explicit SourceViewUi(bool shows) : shows_(shows) {}
  bool ShowsSourceFile() const override { return shows_; }

 private:
  bool shows_;
};

TEST(SourceLoads, OnlyAFrontEndWithASourceViewLoadsTheExportToShowIt) {
  for (const bool shows : {true, false}) {
    TempDir data;
    TempDir src;
    WriteFile(data.File("Konfi-18"), "");
    const std::string source = src.File("export.csv");
    WriteFile(source, "1;A;\r\n");
    SourceViewUi ui(shows);
    kdtest::FaultyFileSystem files(kd::DiskFiles());
    kd::Conversion conversion(ui, kEchoTable, files);
    int reads = 0;
    files.fault = [&](const kdtest::FileOperation& op) {
      reads += op.what == "read" && op.path == source;
      return kd::Failure::None;
    };
    conversion.ReadSettings({source, data.Path(), "Ja", "Nein", "18"}, "Test");
    EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
    EXPECT_EQ(reads, shows ? 2 : 1) << "source view " << shows;
  }
}

// VARIAL's bank connection file is read as a snapshot too.
TEST(VarialBankFileSnapshot, ChangedWhileReadStopsTheRun) {
  kdtest::ConversionHarness harness;
  harness.bank = "Ja";
  WriteFile(harness.bareDir.File("BLZ_20170904.txt"), "");
  const std::string connections = harness.bareDir.File("PWASCUEB.EXP");
  WriteFile(connections, std::string(303, ' ') + "\r\n");
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&](const kdtest::FileOperation& op) {
    if (op.what == "read" && op.path == connections)
      std::filesystem::resize_file(kd::ToNativePath(connections), 100);
    return kd::Failure::None;
  };
  harness.files = &files;
  EXPECT_EQ(harness.Run("VARIAL", "", "PWASCANS.EXP"), kd::RunResult::Stopped);
  ASSERT_EQ(harness.ui.messages.size(), 1u);
  EXPECT_EQ(harness.ui.messages[0].text, "Datei PWASCUEB.EXP kann nicht geöffnet werden");
  EXPECT_EQ(AbortLine(harness.protocol),
            "Abgebrochen: Datei PWASCUEB.EXP kann nicht geöffnet werden (beim Lesen verändert)");
  EXPECT_FALSE(harness.ImportFileExists());
  EXPECT_FALSE(harness.BankFileExists());
}

// Kandrel matches bank lines to employees by personnel number: a new bank file beside an old
// import file would put connections at the wrong employees. When either file cannot be put in
// place (on Windows: Kandrel or an editor holds it open), the old pair stays.
class TargetHeldOpenTest : public RunSafetyTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(TargetHeldOpenTest, OldPairStaysAndTheFileIsNamed) {
  const std::string held = GetParam();
  files.fault = [&](const kdtest::FileOperation& op) {
    return op.what == "rename" && op.path.ends_with(held) ? kd::Failure::HeldOpen
                                                          : kd::Failure::None;
  };
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  ExpectOldFilesAndMessage("Datei " + data.File(held) + " kann nicht erstellt werden");
  EXPECT_TRUE(AbortLine(conversion.protocol).ends_with("(von einem anderen Programm geöffnet)"));
}

INSTANTIATE_TEST_SUITE_P(Files, TargetHeldOpenTest, ::testing::Values("KDIMPORT.TXT", "Bank-18"),
                         [](const auto& info) { return std::string(info.param).substr(0, 4); });

// The box shows the message as it was; the protocol adds why the import file could not be
// written. On Windows a file that another program holds open cannot be replaced, whether that
// program lets others read and write it or not.
struct ReasonCase {
  const char* what;
  // Gives the undo.
  std::function<std::function<void()>(kdtest::FaultyFileSystem& files, const std::string& import)>
      cause;
  const char* reason;
};

class FileReasonTest : public RunSafetyTest, public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(FileReasonTest, ProtocolNamesTheReasonAndTheOldPairStays) {
  const std::string import = data.File("KDIMPORT.TXT");
  const std::function<void()> undo = GetParam().cause(files, import);
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  undo();
  ExpectOldFilesAndMessage("Datei " + import + " kann nicht erstellt werden");
  EXPECT_EQ(
      AbortLine(conversion.protocol),
      "Abgebrochen: Datei " + import + " kann nicht erstellt werden (" + GetParam().reason + ")");
}

std::function<void()> FullDisk(kdtest::FaultyFileSystem& files, const std::string& import) {
  files.fault = [import](const kdtest::FileOperation& op) {
    return op.path.starts_with(import + ".") ? kdtest::FailWrites(op) : kd::Failure::None;
  };
  return [] {};
}

#ifdef _WIN32
template <DWORD share>
std::function<void()> HeldOpen(kdtest::FaultyFileSystem&, const std::string& file) {
  const HANDLE handle = CreateFileW(kd::ToNativePath(file).c_str(), GENERIC_READ, share, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE);
  return [handle] { CloseHandle(handle); };
}
#endif

INSTANTIATE_TEST_SUITE_P(Causes, FileReasonTest,
                         ::testing::Values(ReasonCase{"DiskFull", FullDisk, "Datenträger voll"}
#ifdef _WIN32
                                           ,
                                           ReasonCase{"HeldOpenSharingReadAndWrite",
                                                      HeldOpen<FILE_SHARE_READ | FILE_SHARE_WRITE>,
                                                      "von einem anderen Programm geöffnet"},
                                           ReasonCase{"HeldOpenWithoutSharing", HeldOpen<0>,
                                                      "von einem anderen Programm geöffnet"}
#endif
                                           ),
                         kdtest::kCaseName);

TEST_F(RunSafetyTest, BothFilesReplacedThenBothMessagesInOrder) {
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  EXPECT_EQ(FilesIn(data.Path()),
            (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT", "Konfi-18"}));
  EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")).substr(0, 30),
            "KONV=1;\r\nPNr=1;Name=Name 1;\r\nP");
  EXPECT_EQ(ReadFile(data.File("Bank-18")).substr(0, 16), "    1 Name 1    ");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text,
            "2000 Bankverbindungen in der Datei " + data.File("Bank-18") + " gespeichert.");
  EXPECT_EQ(ui.messages[1].text,
            "2000 Datensätze in der Datei " + data.File("KDIMPORT.TXT") + " gespeichert.");
}

// Out of memory at any point of the run: a message instead of a crash, the old files stay.
struct MemoryCase {
  const char* what;
  std::function<bool(std::size_t bytes, std::size_t exportBytes)> fails;
};

class OutOfMemoryTest : public RunSafetyTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(OutOfMemoryTest, RunEndsWithAMessageAndKeepsTheOldFiles) {
  const std::size_t exportBytes = ReadFile(source).size();
  bool failed = false;
  kd::SetAllocationFaultHook([&](std::size_t bytes) {
    const bool fail = GetParam().fails(bytes, exportBytes);
    failed = failed || fail;
    return !fail;
  });
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);
  EXPECT_TRUE(failed) << "no allocation matched";
  ExpectOldFilesAndMessage("Nicht genügend Arbeitsspeicher, um die Datei " + source +
                           " zu übernehmen.");
}

INSTANTIATE_TEST_SUITE_P(
    Allocations, OutOfMemoryTest,
    ::testing::Values(
        MemoryCase{"TheExport",
                   [](std::size_t bytes, std::size_t e) { return bytes >= e && bytes < e + 64; }},
        // The blocks of the files, as big as a small export needs: twice the export, and once
        // (a string's block holds its closing zero too).
        MemoryCase{"TheImportFileBlock",
                   [](std::size_t bytes, std::size_t e) { return bytes == 2 * e + 4096 + 1; }},
        MemoryCase{"TheBankFileBlock",
                   [](std::size_t bytes, std::size_t e) { return bytes == e + 4096 + 1; }}),
    kdtest::kCaseName);

}  // namespace
