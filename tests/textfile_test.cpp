#include "textfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "faultyfilesystem.h"
#include "sourcetext.h"
#include "test_support.h"

namespace {

using kdtest::FilesIn;
using kdtest::PrintTo;

using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

TEST(WriteLines, EndsEveryLineWithCrLfAndReplacesTheFile) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.TXT");
  WriteFile(path, "old contents that are longer than the new ones");
  kd::WriteLines(path, {"KONV=1;", "PNr=1;"});
  EXPECT_EQ(ReadFile(path), "KONV=1;\r\nPNr=1;\r\n");
  kd::WriteLines(path, {});
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.TXT"});
}

TEST(WriteLines, MissingFolderGivesCreateErrorAndNoFile) {
  TempDir dir;
  const std::string path = dir.Path() + "no-such-folder/KDIMPORT.TXT";
  try {
    kd::WriteLines(path, {"x"});
    FAIL() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Datei " + path + " kann nicht erstellt werden");
  }
  EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST(WriteLines, TargetThatIsAFolderGivesCreateErrorAndStays) {
  TempDir dir;
  const std::string path = dir.File("Bank-18");
  std::filesystem::create_directory(kd::ToNativePath(path));
  EXPECT_THROW(kd::WriteLines(path, {"x"}), kd::FileError);
  EXPECT_TRUE(std::filesystem::is_directory(kd::ToNativePath(path)));
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"Bank-18"});
}

class WriteFaultTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WriteFaultTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.TXT");
  WriteFile(path, "KONV=1;\r\nPNr=1;\r\n");
  const std::size_t failAt = GetParam();
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [failAt](const kdtest::FileOperation& op) {
    return op.bytes < failAt ? kd::Failure::None : kdtest::FailWrites(op);
  };
  std::vector<std::string> lines(300000, "PNr=1234;Name=Muster, Max;Str=Hauptstr. 1;");
  try {
    kd::WriteLines(files, path, lines);
    FAIL() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Datei " + path + " kann nicht erstellt werden");
  }
  EXPECT_EQ(ReadFile(path), "KONV=1;\r\nPNr=1;\r\n");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.TXT"});
}

// Fail at the first chunk, and in the middle of a file of several chunks.
INSTANTIATE_TEST_SUITE_P(Points, WriteFaultTest, ::testing::Values(0u, 1u, 5u << 20));

TEST(StreamedFile, TargetChangesOnlyWhenCommitted) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.TXT");
  WriteFile(path, "KONV=0;\r\n");
  {
    kd::StreamedFile file(kd::DiskFiles(), path);
    file.Write("KONV=1;\r\n");
    file.Write("PNr=1;\r\n");
    EXPECT_EQ(ReadFile(path), "KONV=0;\r\n");
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u);  // the target and the temporary file
    file.Commit();
  }
  EXPECT_EQ(ReadFile(path), "KONV=1;\r\nPNr=1;\r\n");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.TXT"});

  {
    kd::StreamedFile abandoned(kd::DiskFiles(), path);
    abandoned.Write("PNr=2;\r\n");
  }
  EXPECT_EQ(ReadFile(path), "KONV=1;\r\nPNr=1;\r\n");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.TXT"});
}

// A failure while blocks go out, or when the file cannot be created at all, lets the producer go
// on: the temporary file goes at once, and only Commit reports the failure.
class StreamedFileFaultTest : public ::testing::TestWithParam<int> {};

TEST_P(StreamedFileFaultTest, CommitReportsTheFailureAndTheOldFileStays) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.TXT");
  const std::string other = dir.File("Bank-18");
  const int failingBlock = GetParam();  // -1: the target is a folder
  if (failingBlock < 0) {
    std::filesystem::create_directory(kd::ToNativePath(path));
  } else {
    WriteFile(path, "KONV=0;\r\n");
  }
  int blocks = 0;
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&](const kdtest::FileOperation& op) {
    const bool fails = op.what == "write" && op.path.starts_with(path + ".");
    return fails && blocks++ == failingBlock ? kd::Failure::DiskFull : kd::Failure::None;
  };
  kd::StreamedFile file(files, path);
  const std::string block(1000, 'x');
  for (int i = 0; i < 4; ++i) {
    EXPECT_NO_THROW(file.Write(block));
    if (i == std::max(failingBlock, 0)) {
      // Another file may still be written meanwhile.
      kd::WriteText(other, "bank\r\n");
      EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT"}));
    }
  }
  try {
    file.Commit();
    FAIL() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Datei " + path + " kann nicht erstellt werden");
  }
  if (failingBlock >= 0) {
    EXPECT_EQ(ReadFile(path), "KONV=0;\r\n");
  }
  EXPECT_EQ(ReadFile(other), "bank\r\n");
  EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT"}));
}

INSTANTIATE_TEST_SUITE_P(Blocks, StreamedFileFaultTest, ::testing::Values(-1, 0, 2));

// Files put in place together: when one cannot replace its target, none does.
struct PlaceCase {
  const char* what;
  bool oldBank, oldImport;
  const char* failing;  // the target that cannot be replaced; empty: none
};

class PutInPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PutInPlaceTest, EveryFileOrNone) {
  const PlaceCase& c = GetParam();
  TempDir dir;
  const std::string bankPath = dir.File("Bank-18");
  const std::string importPath = dir.File("KDIMPORT.TXT");
  if (c.oldBank) WriteFile(bankPath, "old bank\r\n");
  if (c.oldImport) WriteFile(importPath, "old import\r\n");
  const std::vector<std::string> before = FilesIn(dir.Path());
  const std::string failing = c.failing;
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&](const kdtest::FileOperation& op) {
    const bool held = !failing.empty() && op.what == "rename" && op.path.ends_with(failing);
    return held ? kd::Failure::HeldOpen : kd::Failure::None;
  };
  {
    kd::StreamedFile bank(files, bankPath);
    kd::StreamedFile import(files, importPath);
    bank.Write("new bank\r\n");
    import.Write("new import\r\n");
    bank.Finish();
    import.Finish();
    if (failing.empty()) {
      kd::PutInPlace({&bank, &import});
    } else {
      try {
        kd::PutInPlace({&bank, &import});
        ADD_FAILURE() << "no error";
      } catch (const kd::FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Datei " + dir.File(failing) + " kann nicht erstellt werden");
      }
    }
  }
  if (failing.empty()) {
    EXPECT_EQ(ReadFile(bankPath), "new bank\r\n");
    EXPECT_EQ(ReadFile(importPath), "new import\r\n");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"Bank-18", "KDIMPORT.TXT"}));
    return;
  }
  // The old files as they were, nothing new, no temporary or set-aside file left.
  EXPECT_EQ(FilesIn(dir.Path()), before);
  if (c.oldBank) {
    EXPECT_EQ(ReadFile(bankPath), "old bank\r\n");
  }
  if (c.oldImport) {
    EXPECT_EQ(ReadFile(importPath), "old import\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PutInPlaceTest,
    ::testing::Values(PlaceCase{"BothReplaced", true, true, ""},
                      PlaceCase{"BothNew", false, false, ""},
                      PlaceCase{"SecondFailsAfterFirstWasReplaced", true, true, "KDIMPORT.TXT"},
                      PlaceCase{"FirstFails", true, true, "Bank-18"},
                      PlaceCase{"SecondFailsFirstWasNew", false, true, "KDIMPORT.TXT"},
                      PlaceCase{"SecondFailsSecondWasNew", true, false, "KDIMPORT.TXT"}),
    kdtest::kCaseName);

TEST(StreamedFile, TwoWritersOfOneTargetEachHaveTheirOwnTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("KDIMPORT.TXT");
  kd::StreamedFile first(kd::DiskFiles(), path);
  kd::StreamedFile second(kd::DiskFiles(), path);
  first.Write("first\r\n");
  second.Write("second\r\n");
  EXPECT_EQ(FilesIn(dir.Path()).size(), 2u);
  second.Commit();
  EXPECT_EQ(ReadFile(path), "second\r\n");
  first.Commit();
  EXPECT_EQ(ReadFile(path), "first\r\n");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"KDIMPORT.TXT"});
}

TEST(ReadWholeFile, MissingFileAndFolderGiveOpenError) {
  TempDir dir;
  try {
    kd::ReadWholeFile(dir.File("missing.csv"));
    FAIL() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Datei " + dir.File("missing.csv") + " kann nicht geöffnet werden");
  }
  EXPECT_THROW(kd::ReadWholeFile(dir.Path()), kd::FileError);
  EXPECT_FALSE(kd::RegularFileExists(dir.Path()));
  EXPECT_FALSE(kd::RegularFileExists(""));
}

TEST(ReadWholeFile, KeepsEveryByte) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  WriteFile(dir.File("all.bin"), bytes);
  EXPECT_EQ(kd::ReadWholeFile(dir.File("all.bin")), bytes);
}

TEST(Paths, Utf8PathsReachTheFileSystem) {
  TempDir dir;
  const std::string path = dir.File("Łódź Müller.csv");
  kd::WriteLines(path, {"a;b;"});
  EXPECT_TRUE(kd::RegularFileExists(path));
  EXPECT_EQ(kd::ReadWholeFile(path), "a;b;\r\n");
}

// A file error keeps the message a person sees and adds the system's reason for the protocol.
struct ReasonCase {
  const char* what;
  const char* name;  // in the test's folder
  bool write;        // else read
  const char* reason;
  const char* folder = "";  // made in the test's folder first
  bool readOnly = false;    // the test's folder without write rights
};

class FileErrorReasonTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(FileErrorReasonTest, NamesTheSystemsReason) {
  const ReasonCase& c = GetParam();
#ifdef _WIN32
  if (c.readOnly) GTEST_SKIP() << "a folder's read-only attribute does not stop writing into it";
#else
  if (c.readOnly && geteuid() == 0) GTEST_SKIP() << "folder rights do not stop root from writing";
#endif
  TempDir dir;
  const std::string path = dir.File(c.name);
  if (*c.folder != '\0') std::filesystem::create_directory(kd::ToNativePath(dir.File(c.folder)));
  const auto folder = kd::ToNativePath(dir.Path());
  if (c.readOnly) std::filesystem::permissions(folder, std::filesystem::perms::owner_read);
  try {
    c.write ? kd::WriteLines(path, {"x"}) : static_cast<void>(kd::ReadWholeFile(path));
    ADD_FAILURE() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Datei " + path +
                  (c.write ? " kann nicht erstellt werden" : " kann nicht geöffnet werden"));
    EXPECT_EQ(error.Reason(), c.reason);
  }
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FileErrorReasonTest,
    ::testing::Values(
        ReasonCase{"FolderMissing", "fehlt/KDIMPORT.TXT", true, "Ordner nicht gefunden"},
        ReasonCase{"ReadFolderMissing", "fehlt/export.csv", false, "Ordner nicht gefunden"},
        ReasonCase{"FileMissing", "export.csv", false, "Datei nicht gefunden"},
        ReasonCase{"TargetIsAFolder", "Bank-18", true, "ein Ordner trägt diesen Namen", "Bank-18"},
        ReasonCase{"ReadOnlyFolder", "KDIMPORT.TXT", true, "Zugriff verweigert", "", true}),
    kdtest::kCaseName);

struct DecodeCase {
  const char* what;
  std::string bytes;
  std::string expected;
};

class DecodeSourceTextTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeSourceTextTest, GivesWindows1252) {
  EXPECT_EQ(kd::DecodeSourceText(GetParam().bytes), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeSourceTextTest,
    ::testing::Values(
        DecodeCase{"Windows-1252 stays", "M\xFCller;", "M\xFCller;"},
        DecodeCase{"plain ASCII stays", "a;b;\r\n", "a;b;\r\n"},
        DecodeCase{"UTF-8 without mark", "M\xC3\xBCller;", "M\xFCller;"},
        DecodeCase{"UTF-8 with mark", "\xEF\xBB\xBFM\xC3\xBCller;", "M\xFCller;"},
        DecodeCase{"UTF-8 mark on ASCII",
                   "\xEF\xBB\xBF"
                   "a;",
                   "a;"},
        DecodeCase{"UTF-16LE", std::string("\xFF\xFEM\0\xFC\0;\0\r\0\n\0", 12), "M\xFC;\r\n"},
        DecodeCase{"UTF-16BE", std::string("\xFE\xFF\0M\0\xFC\0;", 8), "M\xFC;"},
        DecodeCase{"UTF-16 euro sign", std::string("\xFF\xFE\xAC\x20", 4), "\x80"},
        DecodeCase{"UTF-16 character outside Windows-1252", std::string("\xFF\xFE\xA9\x03x\0", 6),
                   "?x"},
        DecodeCase{"UTF-16 odd byte at the end", std::string("\xFF\xFEx\0y", 5), "x?"},
        DecodeCase{"invalid UTF-8 is read as Windows-1252", "\xC3\x28;", "\xC3\x28;"},
        DecodeCase{"UTF-8 character outside Windows-1252", "\xCE\xA9;", "?;"}));

}  // namespace
