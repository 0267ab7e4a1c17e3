#include "mappedfile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "conversion.h"
#include "test_support.h"
#include "textfile.h"

namespace {

using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

#if defined(__linux__)

std::string Filled(std::size_t size) {
  std::string text(size, 'x');
  for (std::size_t i = 0; i < size; i += 97) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

TEST(MappedFile, ShowsTheFileByteForByte) {
  TempDir dir;
  std::string bytes = Filled(3 * 4096 + 100);
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
  WriteFile(dir.File("export.csv"), bytes);
  const auto mapped = kd::MappedFile::Open(dir.File("export.csv"));
  ASSERT_TRUE(mapped.has_value());
  EXPECT_TRUE(mapped->View() == bytes);
  EXPECT_FALSE(mapped->Damaged());
}

TEST(MappedFile, NothingToMapIsReadInstead) {
  TempDir dir;
  WriteFile(dir.File("empty.csv"), "");
  EXPECT_FALSE(kd::MappedFile::Open(dir.File("empty.csv")).has_value());
  EXPECT_FALSE(kd::MappedFile::Open(dir.File("missing.csv")).has_value());
  EXPECT_FALSE(kd::MappedFile::Open(dir.Path()).has_value());
  EXPECT_FALSE(kd::MappedFile::Open("").has_value());
}

TEST(MappedFile, ShortenedFileReadsAsNulBytesAndCountsAsDamaged) {
  TempDir dir;
  const std::string path = dir.File("export.csv");
  const std::string bytes = Filled(5 * 4096 + 10);
  WriteFile(path, bytes);
  const auto mapped = kd::MappedFile::Open(path);
  ASSERT_TRUE(mapped.has_value());
  std::filesystem::resize_file(kd::ToNativePath(path), 4096);

  const std::string_view view = mapped->View();
  ASSERT_EQ(view.size(), bytes.size());
  EXPECT_TRUE(view.substr(0, 4096) == std::string_view(bytes).substr(0, 4096));
  EXPECT_FALSE(mapped->Damaged());
  std::size_t nul = 0;
  for (std::size_t i = 4096; i < view.size(); ++i) nul += view[i] == '\0';
  EXPECT_EQ(nul, view.size() - 4096);
  EXPECT_TRUE(mapped->Damaged());
}

TEST(MappedFile, MappingsAreReleasedAndTheirPlacesReused) {
  TempDir dir;
  WriteFile(dir.File("a.csv"), "1;A;\r\n");
  for (int i = 0; i < 100; ++i) {
    const auto mapped = kd::MappedFile::Open(dir.File("a.csv"));
    ASSERT_TRUE(mapped.has_value()) << "mapping " << i;
    EXPECT_EQ(mapped->View(), "1;A;\r\n");
  }
}

TEST(MappedFileDeathTest, OtherBusErrorsStillEndTheProgram) {
  TempDir dir;
  WriteFile(dir.File("a.csv"), "1;A;\r\n");
  const auto mapped = kd::MappedFile::Open(dir.File("a.csv"));
  ASSERT_TRUE(mapped.has_value());
  EXPECT_DEATH(std::raise(SIGBUS), "");
}

// A reader during whose run somebody shortens the export to nothing.
void ShorteningReader(kd::ReaderContext& context) {
  context.AddFlagLine();
  std::size_t index = 0;
  for (const std::string_view line : context.SourceLines()) {
    if (index++ == 1)
      std::filesystem::resize_file(kd::ToNativePath(context.Settings().SourcePath), 0);
    context.AddRecord(std::string(line));
  }
  if (context.TakeBankData()) context.SaveBankFile();
}

const kd::ReaderEntry kShorteningTable[] = {{"TEST", false, nullptr, &ShorteningReader}};

class ShortenedSourceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ShortenedSourceTest, RunStopsAndKeepsTheOldFiles) {
  TempDir data;
  TempDir src;
  kdtest::RecordingUi ui;
  const std::string source = src.File("export.csv");
  std::string text;
  for (int i = 0; text.size() < 64 * 1024; ++i)
    text += std::to_string(i) + ";Name " + std::to_string(i) + ";\r\n";
  WriteFile(source, text);
  WriteFile(data.File("Konfi-18"), "");
  WriteFile(data.File("KDIMPORT.TXT"), "KONV=0;\r\nPNr=9;\r\n");
  WriteFile(data.File("Bank-18"), "old bank line\r\n");

  kd::Conversion conversion(ui, kShorteningTable);
  conversion.ReadSettings({source, data.Path(), "Ja", GetParam(), "18"}, "Test");
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Stopped);

  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().kind, "error");
  EXPECT_EQ(ui.messages.back().text, "Datei " + source + " kann nicht geöffnet werden");
  EXPECT_EQ(ReadFile(data.File("KDIMPORT.TXT")), "KONV=0;\r\nPNr=9;\r\n");
  EXPECT_EQ(ReadFile(data.File("Bank-18")), "old bank line\r\n");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kd::ToNativePath(data.Path()))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 3u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(BankSetting, ShortenedSourceTest, ::testing::Values("Nein", "Ja"));

#endif

}  // namespace
