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
#include <map>
#include <memory>

#include "memoryfilesystem.h"
#include "test_support.h"
#include "textfile.h"

namespace {

using kdtest::FilesIn;
using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;
using Folder = std::map<std::string, std::string>;  // file name to contents

struct PairCase {
  const char* what;
  bool oldBank, oldImport;
  bool importFails;      // the import file cannot be put in place: the old pair must come back
  bool withBank;         // false: the import file alone, renamed over its name
  const char* restored;  // the recovery's words for the old files after a rollback
};

void PrintTo(const PairCase& c, std::ostream* os) {
  *os << c.what;
}

Folder OldPair(const PairCase& c) {
  Folder old;
  if (c.oldBank) old["Bank-18"] = "old bank\r\n";
  if (c.oldImport) old["KDIMPORT.TXT"] = "old import\r\n";
  return old;
}

Folder NewPair(const PairCase& c) {
  Folder fresh = OldPair(c);
  if (c.withBank) fresh["Bank-18"] = "new bank\r\n";
  fresh["KDIMPORT.TXT"] = "new import\r\n";
  return fresh;
}

void PutPair(const std::string& folder, bool withBank) {
  std::unique_ptr<kd::StreamedFile> bank;
  if (withBank) {
    bank = std::make_unique<kd::StreamedFile>(folder + "Bank-18");
    bank->Write("new bank\r\n");
    bank->Finish();
  }
  kd::StreamedFile import(folder + "KDIMPORT.TXT");
  import.Write("new import\r\n");
  import.Finish();
  kd::PutInPlace({bank.get(), &import});
}

std::string Count(std::size_t files) {
  return std::to_string(files) + (files == 1 ? " Datei" : " Dateien");
}

std::size_t Leftovers(const Folder& folder) {
  return static_cast<std::size_t>(std::count_if(folder.begin(), folder.end(), [](const auto& f) {
    return f.first != "Bank-18" && f.first != "KDIMPORT.TXT";
  }));
}

// The line the recovery owes for a folder a run left: rolled back or finished when a journal
// stood, else leftovers removed; nothing when nothing was left. A leftover that took a
// target's name again (an old file put back) was not removed.
std::vector<std::string> ExpectedLines(const PairCase& c, const Folder& left, const Folder& now) {
  const auto journal = std::find_if(left.begin(), left.end(),
                                    [](const auto& f) { return f.first.ends_with(".jnl"); });
  std::size_t rest = Leftovers(left);
  if (rest == 0) return {};
  if (journal == left.end()) return {"Reste abgebrochener Läufe entfernt: " + Count(rest)};
  // The time of the run, as its journal holds it.
  const std::string& text = journal->second;
  const std::size_t time = text.find("\nZeit ") + 6;
  const std::string kRun = "Unvollständige Übernahme vom " + text.substr(time, 16) + " ";
  for (const char* target : {"Bank-18", "KDIMPORT.TXT"}) {
    rest -= now.count(target) > 0 && (left.count(target) == 0 || left.at(target) != now.at(target));
  }
  if (now == NewPair(c)) {
    return {kRun +
            "abgeschlossen: neue Dateien KDIMPORT.TXT und Bank-18 übernommen; Reste "
            "entfernt: " +
            Count(rest)};
  }
  std::string done = c.restored;
  if (!c.oldBank && left.count("Bank-18") > 0) {
    done += (done.empty() ? ": " : ", ") + std::string("neue Datei Bank-18 entfernt");
  }
  return {kRun + "rückgängig gemacht" + done + "; Reste entfernt: " + Count(rest)};
}

class Steps {
 public:
  explicit Steps(const PairCase& c) : case_(c) {}
  // One stop: the folder as the stopped run left it, and as the recovery left it.
  void Check(const Folder& left, const Folder& now, const std::vector<std::string>& lines) {
    const bool old = now == OldPair(case_);
    EXPECT_TRUE(old || now == NewPair(case_)) << "a mix at stop " << stops_;
    EXPECT_FALSE(old && sawNew_) << "the old pair again at stop " << stops_;
    EXPECT_EQ(lines, ExpectedLines(case_, left, now)) << "stop " << stops_;
    sawNew_ = sawNew_ || !old;
    ++stops_;
  }
  void CheckEnd(const Folder& now) {
    EXPECT_EQ(now, case_.importFails ? OldPair(case_) : NewPair(case_));
    EXPECT_GE(stops_, 2);
  }

 private:
  const PairCase& case_;
  bool sawNew_ = false;
  int stops_ = 0;
};

Folder InMemory(kd::MemoryFileSystem& disk) {
  Folder folder;
  for (const std::string& name : disk.List("/d")) folder[name] = *disk.Contents("/d/" + name);
  return folder;
}

void FailImportPlacement(bool fails) {
  if (fails) {
    kd::SetReplaceFaultHook([](std::string_view target) { return !target.ends_with("T.TXT"); });
  }
}

class StoppedInMemoryTest : public ::testing::TestWithParam<PairCase> {
 protected:
  ~StoppedInMemoryTest() override {
    kd::SetFileSystem(nullptr);
    kd::SetStepHook(nullptr);
    kd::SetReplaceFaultHook(nullptr);
  }
};

TEST_P(StoppedInMemoryTest, EveryStepRecoversToOnePair) {
  const PairCase& c = GetParam();
  kd::MemoryFileSystem disk;
  for (const auto& [name, contents] : OldPair(c)) disk.Put("/d/" + name, contents);
  disk.AddFolder("/d");
  std::vector<std::unique_ptr<kd::MemoryFileSystem>> moments;  // before each step
  kd::SetFileSystem(&disk);
  kd::SetStepHook([&](int) { moments.push_back(std::make_unique<kd::MemoryFileSystem>(disk)); });
  FailImportPlacement(c.importFails);
  try {
    PutPair("/d/", c.withBank);
    EXPECT_FALSE(c.importFails);
  } catch (const kd::FileError&) {
    EXPECT_TRUE(c.importFails);
  }
  kd::SetStepHook(nullptr);
  kd::SetReplaceFaultHook(nullptr);
  Steps steps(c);
  for (const auto& moment : moments) {
    moment->SetProcess(2);  // the run, process 1, is gone
    kd::SetFileSystem(moment.get());
    const Folder left = InMemory(*moment);
    const std::vector<std::string> lines = kd::RecoverDataDirectory("/d/");
    steps.Check(left, InMemory(*moment), lines);
  }
  kd::SetFileSystem(&disk);
  EXPECT_TRUE(kd::RecoverDataDirectory("/d/").empty());
  steps.CheckEnd(InMemory(disk));
}

const PairCase kNoOld{"NoOldFiles", false, false, false, true, ""};
const PairCase kOldImport{"OldImportOnly", false, true,
                          false,           true,  ": alte Datei KDIMPORT.TXT wiederhergestellt"};
const PairCase kBothOld{"BothOld", true,
                        true,      false,
                        true,      ": alte Dateien KDIMPORT.TXT und Bank-18 wiederhergestellt"};
const PairCase kImportFails{"ImportCannotBePlaced",
                            true,
                            true,
                            true,
                            true,
                            ": alte Dateien KDIMPORT.TXT und Bank-18 wiederhergestellt"};

INSTANTIATE_TEST_SUITE_P(Cases, StoppedInMemoryTest,
                         ::testing::Values(kNoOld, kOldImport, kBothOld, kImportFails,
                                           PairCase{"ImportAlone", false, true, false, false, ""}),
                         [](const auto& info) { return std::string(info.param.what); });

// The real thing: a process that ends itself at step N, on the disk.
int RunKilledChild(const std::string& folder, int step, bool importFails) {
  const std::string program = kdtest::BuiltProgram(KDIMPORT_PAIR_CHILD_PATH);
  const std::string stepText = std::to_string(step);
#ifdef _WIN32
  // A backslash before the closing quote would escape it.
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

Folder OnDisk(const TempDir& dir) {
  Folder folder;
  for (const std::string& name : FilesIn(dir.Path())) folder[name] = ReadFile(dir.File(name));
  return folder;
}

class KilledRunTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(KilledRunTest, EveryStepRecoversToOnePair) {
  const PairCase& c = GetParam();
  Steps steps(c);
  for (int step = 0; step < 100; ++step) {
    TempDir dir;
    for (const auto& [name, contents] : OldPair(c)) WriteFile(dir.File(name), contents);
    const int status = RunKilledChild(dir.Path(), step, c.importFails);
    ASSERT_TRUE(status == 3 || status == (c.importFails ? 1 : 0)) << status;
    const Folder left = OnDisk(dir);
    const std::vector<std::string> lines = kd::RecoverDataDirectory(dir.Path());
    if (status != 3) {
      EXPECT_TRUE(lines.empty());
      return steps.CheckEnd(OnDisk(dir));
    }
    steps.Check(left, OnDisk(dir), lines);
  }
  FAIL() << "the child never completed";
}

INSTANTIATE_TEST_SUITE_P(Cases, KilledRunTest,
                         ::testing::Values(kNoOld, kOldImport, kBothOld, kImportFails),
                         [](const auto& info) { return std::string(info.param.what); });

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
  try {
    PutPair("/d/", true);
    ADD_FAILURE() << "no error";
  } catch (const kd::FileError& error) {
    const std::vector<std::string> names = disk.List("/d");
    const auto backup = std::find_if(names.begin(), names.end(),
                                     [](const auto& n) { return n.starts_with("Bank-18.1-"); });
    ASSERT_NE(backup, names.end());
    EXPECT_EQ(std::string(error.what()), "Datei /d/KDIMPORT.TXT kann nicht erstellt werden");
    EXPECT_EQ(error.Reason(), "von einem anderen Programm geöffnet");
    EXPECT_EQ(error.Details(),
              (std::vector<std::string>{
                  "Datei /d/Bank-18 nicht wiederhergestellt (Zugriff verweigert): die alte "
                  "Datei liegt in /d/" +
                      *backup,
                  "Datei /d/KDIMPORT.TXT unverändert",
                  "Der nächste Lauf in diesen Ordner stellt die alten Dateien wieder her."}));
  }
  kd::SetReplaceFaultHook(nullptr);
  try {
    PutPair("/d/", true);
    ADD_FAILURE() << "no error";
  } catch (const kd::FileError& error) {
    EXPECT_TRUE(error.Reason().starts_with("unvollständige Übernahme /d/KDIMPORT.TXT.1-"));
  }
  const Folder left = InMemory(disk);
  const std::vector<std::string> lines = kd::RecoverDataDirectory("/d/");
  kd::SetFileSystem(nullptr);
  EXPECT_EQ(lines, ExpectedLines(kImportFails, left, InMemory(disk)));
  EXPECT_EQ(InMemory(disk), OldPair(kImportFails));
}

// What the recovery must not take for its own leftovers, and what an earlier version left.
struct LeftAloneCase {
  const char* what;
  Folder before;
  std::vector<std::string> lines;
  Folder after;  // empty: as before
};

void PrintTo(const LeftAloneCase& c, std::ostream* os) {
  *os << c.what;
}

class RecoveryTest : public ::testing::TestWithParam<LeftAloneCase> {};

TEST_P(RecoveryTest, TouchesOnlyWhatItMay) {
  const LeftAloneCase& c = GetParam();
  kd::MemoryFileSystem disk;
  for (const auto& [name, contents] : c.before) disk.Put("/d/" + name, contents);
  disk.SetRunning(0x7);
  kd::SetFileSystem(&disk);
  EXPECT_EQ(kd::RecoverDataDirectory("/d/"), c.lines);
  kd::SetFileSystem(nullptr);
  EXPECT_EQ(InMemory(disk), c.after.empty() ? c.before : c.after);
}

const std::string kJournalOf5 = "KDIMPORT-Journal 1\nZeit 01.02.2026 03:04\n";

INSTANTIATE_TEST_SUITE_P(
    Folders, RecoveryTest,
    ::testing::Values(
        LeftAloneCase{"ProcessStillRuns",
                      {{"KDIMPORT.TXT.7-0-00000000.tmp", "x"}, {"Bank-18.7-1-00000000.alt", "b"}},
                      {},
                      {}},
        LeftAloneCase{
            "UnreadableJournal",
            {{"KDIMPORT.TXT.5-0-00000000.jnl", "?"}, {"KDIMPORT.TXT.5-1-0000abcd.tmp", ""}},
            {"Datei /d/KDIMPORT.TXT.5-0-00000000.jnl ist kein lesbares Journal und "
             "bleibt liegen"},
            {}},
        LeftAloneCase{
            "JournalNamingAnotherFile",
            {{"Konfi-18", ""},
             {"KDIMPORT.TXT.5-0-00000000.jnl", kJournalOf5 + "KDIMPORT.TXT\tKonfi-18\t\n"}},
            {"Datei /d/KDIMPORT.TXT.5-0-00000000.jnl ist kein lesbares Journal und "
             "bleibt liegen"},
            {}},
        LeftAloneCase{
            "NotTheProgramsNames",
            {{"Bank-18.tmp", ""}, {"KDIMPORT.TXT.5-0-0000000.tmp", ""}, {"a.5-x-0.alt", ""}},
            {},
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
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
