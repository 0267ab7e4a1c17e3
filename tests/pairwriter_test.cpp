// The import file and the bank file put in place, and the run stopped at every step of it: on
// the disk by a child process that ends itself, in memory by keeping the disk as it was before
// each step. The next run's recovery must leave the old pair or the new pair, never a mix and
// never a leftover, and say what it did.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "conversion.h"
#include "memoryfilesystem.h"
#include "test_support.h"
#include "textfile.h"

namespace {

using kdtest::PrintTo;
using Folder = std::map<std::string, std::string>;  // file name to contents
using Lines = std::vector<std::string>;

struct PairCase {
  const char* what;
  bool oldBank, oldImport;
  bool importFails;      // the import file cannot be put in place: the old pair must come back
  const char* restored;  // the recovery's words for the old files after a rollback
};

Folder OldPair(const PairCase& c) {
  Folder old;
  if (c.oldBank) old["Bank-18"] = "old bank\r\n";
  if (c.oldImport) old["KDIMPORT.TXT"] = "old import\r\n";
  return old;
}

const Folder kNewPair{{"Bank-18", "new bank\r\n"}, {"KDIMPORT.TXT", "new import\r\n"}};

void PutPair(const std::string& folder) {
  kd::StreamedFile bank(folder + "Bank-18");
  kd::StreamedFile import(folder + "KDIMPORT.TXT");
  bank.Write("new bank\r\n");
  import.Write("new import\r\n");
  bank.Finish();
  import.Finish();
  kd::PutInPlace({&bank, &import});
}

std::string Count(std::size_t files) {
  return std::to_string(files) + (files == 1 ? " Datei" : " Dateien");
}

// The line the recovery owes for a folder a run left: rolled back or finished when a journal
// stood, else leftovers removed; nothing when nothing was left. A leftover that took a
// target's name again (an old file put back) was not removed.
Lines ExpectedLines(const PairCase& c, const Folder& left, const Folder& now) {
  std::size_t rest = left.size() - left.count("Bank-18") - left.count("KDIMPORT.TXT");
  const auto journal = std::find_if(left.begin(), left.end(),
                                    [](const auto& f) { return f.first.ends_with(".jnl"); });
  if (rest == 0) return {};
  if (journal == left.end()) return {"Reste abgebrochener Läufe entfernt: " + Count(rest)};
  for (const char* target : {"Bank-18", "KDIMPORT.TXT"}) {
    rest -= now.count(target) > 0 && (left.count(target) == 0 || left.at(target) != now.at(target));
  }
  const std::size_t time = journal->second.find("\nZeit ") + 6;  // as the journal holds it
  const std::string run = "Unvollständige Übernahme vom " + journal->second.substr(time, 16);
  if (now == kNewPair) {
    return {run +
            " abgeschlossen: neue Dateien KDIMPORT.TXT und Bank-18 übernommen; Reste "
            "entfernt: " +
            Count(rest)};
  }
  std::string done = c.restored;
  if (!c.oldBank && left.count("Bank-18") > 0) done += done.empty() ? ": " : ", ";
  if (!c.oldBank && left.count("Bank-18") > 0) done += "neue Datei Bank-18 entfernt";
  return {run + " rückgängig gemacht" + done + "; Reste entfernt: " + Count(rest)};
}

// The files of a folder ending with its separator, through the file system in use.
Folder Now(const std::string& folder) {
  Folder files;
  for (const std::string& name : kd::Files().List(folder)) {
    files[name] = kd::ReadWholeFile(folder + name);
  }
  return files;
}

void FailImportPlacement(bool fails) {
  if (fails) kd::SetReplaceFaultHook([](std::string_view t) { return !t.ends_with("T.TXT"); });
}

const PairCase kNoOld{"NoOldFiles", false, false, false, ""};
const PairCase kOldImport{"OldImportOnly", false, true, false,
                          ": alte Datei KDIMPORT.TXT wiederhergestellt"};
const PairCase kBothOld{"BothOld", true, true, false,
                        ": alte Dateien KDIMPORT.TXT und Bank-18 wiederhergestellt"};
const PairCase kImportFails{"ImportCannotBePlaced", true, true, true, kBothOld.restored};

// The real thing: a process that ends itself at step N, on the disk.
int RunKilledChild(const std::string& folder, int step, bool importFails) {
  const std::string program = kdtest::BuiltProgram(KDIMPORT_PAIR_CHILD_PATH);
  const std::string stepText = std::to_string(step);
#ifdef _WIN32
  // The folder ends with a backslash, which would escape the closing quote: a second one.
  std::wstring command = L"\"" + kd::ToNativePath(program).wstring() + L"\" \"" +
                         kd::ToNativePath(folder).wstring() + L"\\\" " +
                         kd::ToNativePath(stepText).wstring() + (importFails ? L" fail" : L"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
#else
  const pid_t child = fork();
  if (child == 0) {
    execl(program.c_str(), program.c_str(), folder.c_str(), stepText.c_str(),
          importFails ? "fail" : nullptr, nullptr);
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The run stopped before change `step` of the file system: on the disk by the child, in memory
// by keeping the disk as it was before that step. 3 when it was stopped, else 0, or 1 after a
// FileError; the file system in use then holds the folder as the run left it.
int StopRun(std::unique_ptr<kd::MemoryFileSystem>& memory, const std::string& folder, int step,
            bool importFails) {
  if (memory == nullptr) return RunKilledChild(folder, step, importFails);
  std::unique_ptr<kd::MemoryFileSystem> stopped;
  kd::SetStepHook([&](int at) {
    if (at == step) stopped = std::make_unique<kd::MemoryFileSystem>(*memory);
  });
  FailImportPlacement(importFails);
  int status = 0;
  try {
    PutPair(folder);
  } catch (const kd::FileError&) {
    status = 1;
  }
  kd::SetStepHook(nullptr);
  kd::SetReplaceFaultHook(nullptr);
  if (stopped == nullptr) return status;
  memory = std::move(stopped);
  memory->SetProcess(2);  // the run, process 1, is gone
  kd::SetFileSystem(memory.get());
  return 3;
}

class StoppedRunTest : public ::testing::TestWithParam<std::tuple<PairCase, bool>> {
 protected:
  ~StoppedRunTest() override {
    kd::SetFileSystem(nullptr);
    kd::SetStepHook(nullptr);
    kd::SetReplaceFaultHook(nullptr);
  }
};

// Every stop in order: the old pair, then from some stop on the new pair (unless the import file
// cannot be placed), never a mix; the recovery says what it did.
TEST_P(StoppedRunTest, EveryStepRecoversToOnePair) {
  const auto& [c, inMemory] = GetParam();
  bool sawNew = false;
  for (int step = 0; step < 100; ++step) {
    kdtest::TempDir dir;
    auto memory = inMemory ? std::make_unique<kd::MemoryFileSystem>() : nullptr;
    const std::string folder = inMemory ? "/d/" : dir.Path();
    if (inMemory) memory->AddFolder("/d");
    kd::SetFileSystem(memory.get());
    for (const auto& [name, contents] : OldPair(c)) {
      inMemory ? memory->Put(folder + name, contents) : kdtest::WriteFile(folder + name, contents);
    }
    const int status = StopRun(memory, folder, step, c.importFails);
    ASSERT_TRUE(status == 3 || status == (c.importFails ? 1 : 0)) << status;
    const Folder left = Now(folder);
    const Lines lines = kd::RecoverDataDirectory(folder);
    const Folder now = Now(folder);
    if (status != 3) {
      EXPECT_EQ(lines, Lines{});
      EXPECT_EQ(now, c.importFails ? OldPair(c) : kNewPair);
      EXPECT_GE(step, 2);
      return;
    }
    const bool old = now == OldPair(c);
    EXPECT_TRUE(old || now == kNewPair) << "a mix at step " << step;
    EXPECT_FALSE(old && sawNew) << "the old pair again at step " << step;
    EXPECT_EQ(lines, ExpectedLines(c, left, now)) << "step " << step;
    sawNew = sawNew || !old;
  }
  FAIL() << "the run never completed";
}

INSTANTIATE_TEST_SUITE_P(Cases, StoppedRunTest,
                         ::testing::Combine(::testing::Values(kNoOld, kOldImport, kBothOld,
                                                              kImportFails),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).what) +
                                  (std::get<1>(info.param) ? "_InMemory" : "_Killed");
                         });

// The next run into a folder that a killed run left (a new bank file beside old files moved
// aside) repairs it first and says so, then writes its pair; all of it in memory, nothing on the
// disk.
TEST(KilledRun, TheNextRunRepairsTheFolderAndSaysSo) {
  kd::MemoryFileSystem disk;
  disk.Put("/d/Konfi-18", "");
  disk.Put("/d/Bank-18", "new bank\r\n");
  disk.Put("/d/Bank-18.5-0-00000000.alt", "old bank\r\n");
  disk.Put("/d/KDIMPORT.TXT.5-1-00000000.alt", "old import\r\n");
  disk.Put("/x/export.csv", "1;Meier;\r\n");
  kd::SetFileSystem(&disk);
  kdtest::RecordingUi ui;
  const kd::ReaderEntry table[] = {{"TEST", false, nullptr, kdtest::EchoReader}};
  kd::Conversion conversion(ui, table);
  conversion.ReadSettings({"/x/export.csv", "/d/", "Ja", "Ja", "18"}, "Test");
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  const Folder now = Now("/d/");
  kd::SetFileSystem(nullptr);
  const Lines summary = conversion.protocol.Summary();
  EXPECT_EQ(
      std::count(summary.begin(), summary.end(),
                 "Abgebrochener Lauf: alte Dateien Bank-18 und KDIMPORT.TXT wiederhergestellt"),
      1);
  EXPECT_EQ(now.size(), 3u);
  EXPECT_EQ(now.at("KDIMPORT.TXT"), "KONV=1;\r\nPNr=1;Name=Meier;\r\n");
  EXPECT_FALSE(std::filesystem::exists("/x/export.csv"));
}

// An old file that cannot be put back is named with where its copy lies; the journal stays, a
// new pair is refused over it, and the recovery puts the old file back once it can.
TEST(FailedRestore, IsNamedAndRecoveredLater) {
  kd::MemoryFileSystem disk;
  disk.Put("/d/Bank-18", "old bank\r\n");
  disk.Put("/d/KDIMPORT.TXT", "old import\r\n");
  int bankRenames = 0;
  disk.faults = [&](std::string_view operation, const std::string& path) {
    const bool restore = operation == "rename" && path == "/d/Bank-18" && ++bankRenames == 2;
    return restore ? kd::Failure::AccessDenied : kd::Failure::None;
  };
  kd::SetFileSystem(&disk);
  FailImportPlacement(true);
  std::vector<kd::FileError> errors;
  for (int run = 0; run < 2; ++run) {
    try {
      PutPair("/d/");
    } catch (const kd::FileError& error) {
      errors.push_back(error);
    }
    kd::SetReplaceFaultHook(nullptr);
  }
  const Folder left = Now("/d/");
  const Lines lines = kd::RecoverDataDirectory("/d/");
  const Folder after = Now("/d/");
  kd::SetFileSystem(nullptr);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(std::string(errors[0].what()), "Datei /d/KDIMPORT.TXT kann nicht erstellt werden");
  EXPECT_EQ(errors[0].Reason(), "von einem anderen Programm geöffnet");
  const std::string backup = left.lower_bound("Bank-18.")->first;  // its temporary file is placed
  EXPECT_EQ(errors[0].Details(),
            (Lines{"Datei /d/Bank-18 nicht wiederhergestellt (Zugriff verweigert): die alte Datei "
                   "liegt in /d/" +
                       backup,
                   "Datei /d/KDIMPORT.TXT unverändert",
                   "Der nächste Lauf in diesen Ordner stellt die alten Dateien wieder her."}));
  EXPECT_TRUE(errors[1].Reason().starts_with("unvollständige Übernahme /d/KDIMPORT.TXT.1-"));
  EXPECT_EQ(lines, ExpectedLines(kImportFails, left, after));
  EXPECT_EQ(after, OldPair(kImportFails));
}

// What the recovery must not take for its own leftovers, and what an earlier version left.
struct LeftAloneCase {
  const char* what;
  Folder before;
  Lines lines;
  Folder after;  // empty: as before
};

class RecoveryTest : public ::testing::TestWithParam<LeftAloneCase> {};

TEST_P(RecoveryTest, TouchesOnlyWhatItMay) {
  const LeftAloneCase& c = GetParam();
  kd::MemoryFileSystem disk;
  for (const auto& [name, contents] : c.before) disk.Put("/d/" + name, contents);
  disk.SetRunning(0x7);
  kd::SetFileSystem(&disk);
  EXPECT_EQ(kd::RecoverDataDirectory("/d/"), c.lines);
  EXPECT_EQ(Now("/d/"), c.after.empty() ? c.before : c.after);
  kd::SetFileSystem(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RecoveryTest,
    ::testing::Values(
        LeftAloneCase{
            "ProcessStillRunsOrNotTheProgramsNames",
            {{"KDIMPORT.TXT.7-0-00000000.tmp", "x"}, {"Bank-18.tmp", ""}, {"a.5-x-0.alt", ""}},
            {},
            {}},
        LeftAloneCase{"JournalNamingAnotherFile",
                      {{"Konfi-18", ""},
                       {"KDIMPORT.TXT.5-0-00000000.jnl",
                        "KDIMPORT-Journal 1\nZeit 01.02.2026 03:04\nKDIMPORT.TXT\tKonfi-18\t\n"}},
                      {"Datei /d/KDIMPORT.TXT.5-0-00000000.jnl ist kein lesbares Journal und "
                       "bleibt liegen"},
                      {}},
        LeftAloneCase{
            "OldFilesMovedAsideByAnEarlierVersion",
            {{"Bank-18", "new"},
             {"Bank-18.5-0-00000000.alt", "old bank"},
             {"KDIMPORT.TXT.5-1-00000000.alt", "old import"},
             {"KDIMPORT.TXT.5-2-00000000.tmp", "new"}},
            {"Abgebrochener Lauf: alte Dateien Bank-18 und KDIMPORT.TXT wiederhergestellt",
             "Reste abgebrochener Läufe entfernt: 1 Datei"},
            {{"Bank-18", "old bank"}, {"KDIMPORT.TXT", "old import"}}}),
    kdtest::kCaseName);

}  // namespace
