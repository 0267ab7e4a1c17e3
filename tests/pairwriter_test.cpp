// The import file and the bank file put in place, and the run and the repair of the next one
// stopped at every step: on the disk by a child process that ends itself, in memory by keeping
// the disk as it was before each step, or as a power cut leaves it. The next run's recovery must
// leave the old pair or the new pair, never a mix and never a leftover, come to the same end
// however often it was stopped itself, and say what it did.
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
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "conversion.h"
#include "faultyfilesystem.h"
#include "memoryfilesystem.h"
#include "recovery.h"
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

// As a run does it (pair_child.cpp too).
void PutPair(kd::FileSystem& files, const std::string& folder) {
  kd::StreamedFile bank(files, folder + "Bank-18");
  kd::StreamedFile import(files, folder + "KDIMPORT.TXT");
  bank.Write("new bank\r\n");
  import.Write("new import\r\n");
  bank.Finish();
  import.Finish();
  const kd::FolderLock lock(files, folder);
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

// The files of a folder ending with its separator, but the lock file, which stays for good.
Folder Now(kd::FileSystem& files, const std::string& folder) {
  Folder now;
  for (const std::string& name : files.List(folder)) {
    if (name != kd::kLockFileName) now[name] = kd::ReadWholeFile(files, folder + name);
  }
  return now;
}

kd::Failure HeldImport(const kdtest::FileOperation& op) {
  const bool held = op.what == "rename" && op.path.ends_with("KDIMPORT.TXT");
  return held ? kd::Failure::HeldOpen : kd::Failure::None;
}

const PairCase kNoOld{"NoOldFiles", false, false, false, ""};
const PairCase kOldImport{"OldImportOnly", false, true, false,
                          ": alte Datei KDIMPORT.TXT wiederhergestellt"};
const PairCase kBothOld{"BothOld", true, true, false,
                        ": alte Dateien KDIMPORT.TXT und Bank-18 wiederhergestellt"};
const PairCase kImportFails{"ImportCannotBePlaced", true, true, true, kBothOld.restored};

// The real thing, on the disk: a process of its own (pair_child.cpp); its exit status.
int RunChild(const std::vector<std::string>& args) {
  const std::string program = kdtest::BuiltProgram(KDIMPORT_PAIR_CHILD_PATH);
#ifdef _WIN32
  // A folder ends with a backslash, which would escape the closing quote: a second one.
  std::wstring command = L"\"" + kd::ToNativePath(program).wstring() + L"\"";
  for (const std::string& arg : args) {
    command += L" \"" + kd::ToNativePath(arg).wstring() + (arg.ends_with('\\') ? L"\\\"" : L"\"");
  }
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
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The child started beside the test.
std::future<int> StartChild(std::vector<std::string> args) {
  return std::async(std::launch::async, [args] { return RunChild(args); });
}

enum class Stop { Killed, KilledInMemory, PowerCut };

// A data directory with the old pair, the run into it stopped before change `step` of the file
// system: on the disk by the child, in memory by keeping the disk as it was before that step (or
// as a power cut leaves it, also after the run's end). With `repairStep` not negative, the next
// run's repair is stopped so too. `status` is 3 when the run was stopped, else 0, or 1 after a
// FileError; the folder is as the last one stopped left it.
struct StoppedFolder {
  StoppedFolder(const PairCase& c, Stop stop, int step, int repairStep = -1) : stop(stop) {
    if (stop != Stop::Killed) memory = std::make_unique<kd::MemoryFileSystem>();
    if (memory) memory->AddFolder(folder = "/d/");
    for (const auto& [name, contents] : OldPair(c)) {
      memory ? memory->Put(folder + name, contents) : kdtest::WriteFile(folder + name, contents);
    }
    status = StopRun(false, step, c.importFails);
    if (repairStep >= 0) repairStatus = StopRun(true, repairStep, false);
  }

  int StopRun(bool repair, int step, bool importFails) {
    if (memory == nullptr) {
      const std::string mode = repair ? "repair" : importFails ? "fail" : "";
      return RunChild({folder, std::to_string(step), mode});
    }
    std::unique_ptr<kd::MemoryFileSystem> stopped;
    kdtest::FaultyFileSystem files(*memory);
    files.fault = [&](const kdtest::FileOperation& op) {
      if (op.step == step) stopped = std::make_unique<kd::MemoryFileSystem>(*memory);
      return importFails ? HeldImport(op) : kd::Failure::None;
    };
    int result = 0;
    try {
      repair ? static_cast<void>(kd::RecoverDataDirectory(files, folder)) : PutPair(files, folder);
    } catch (const kd::FileError&) {
      result = 1;
    }
    if (stopped) {
      memory = std::move(stopped);
      result = 3;
    }
    if (stop == Stop::PowerCut) memory->PowerCut();
    return result;
  }

  kd::FileSystem& Files() { return memory ? *memory : kd::DiskFiles(); }
  Folder Now() { return ::Now(Files(), folder); }

  Stop stop;
  kdtest::TempDir dir;
  std::string folder = dir.Path();
  std::unique_ptr<kd::MemoryFileSystem> memory;
  int status = 0;
  int repairStatus = 0;
};

class StoppedRunTest : public ::testing::TestWithParam<std::tuple<PairCase, Stop>> {};

// Every stop in order: the old pair, then from some stop on the new pair (unless the import file
// cannot be placed), never a mix; the recovery says what it did. For every kind of folder a stop
// leaves, the recovery stopped at each of its own steps too: the next one comes to the same end.
TEST_P(StoppedRunTest, EveryStepRecoversToOnePair) {
  const auto& [c, stop] = GetParam();
  bool sawNew = false;
  std::vector<Folder> kinds;
  for (int step = 0; step < 100; ++step) {
    StoppedFolder run(c, stop, step);
    const int status = run.status;
    ASSERT_TRUE(status == 3 || status == (c.importFails ? 1 : 0)) << status;
    const Folder left = run.Now();
    const Lines lines = kd::RecoverDataDirectory(run.Files(), run.folder);
    const Folder now = run.Now();
    if (status == 0) {
      EXPECT_EQ(left, kNewPair) << "a run that said it wrote its pair";
    }
    const bool old = now == OldPair(c);
    EXPECT_TRUE(old || now == kNewPair) << "a mix at step " << step;
    EXPECT_FALSE(old && sawNew) << "the old pair again at step " << step;
    EXPECT_EQ(lines, ExpectedLines(c, left, now)) << "step " << step;
    sawNew = sawNew || !old;
    static const std::regex unique(R"(\.[0-9a-f]+-[0-9a-f]+-[0-9a-f]{8}\.)");
    Folder kind;  // the folder without the files' unique names
    for (const auto& [name, contents] : left) {
      kind[std::regex_replace(name, unique, ".")] += std::regex_replace(contents, unique, ".");
    }
    const bool seen = std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    for (int repairStep = 0; !seen && repairStep < 100; ++repairStep) {
      StoppedFolder again(c, stop, step, repairStep);
      const Folder middle = again.Now();
      const std::string where =
          std::to_string(step) + ", repair step " + std::to_string(repairStep);
      EXPECT_EQ(kd::RecoverDataDirectory(again.Files(), again.folder),
                ExpectedLines(c, middle, now))
          << "step " << where;
      EXPECT_EQ(again.Now(), now) << "step " << where;
      if (again.repairStatus != 3) break;
    }
    if (!seen) kinds.push_back(kind);
    if (status != 3) return;
  }
  FAIL() << "the run never completed";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoppedRunTest,
    ::testing::Combine(::testing::Values(kNoOld, kOldImport, kBothOld, kImportFails),
                       ::testing::Values(Stop::Killed, Stop::KilledInMemory, Stop::PowerCut)),
    [](const auto& info) {
      const Stop stop = std::get<1>(info.param);
      return std::string(std::get<0>(info.param).what) + (stop == Stop::Killed     ? "_Killed"
                                                          : stop == Stop::PowerCut ? "_PowerCut"
                                                                                   : "_InMemory");
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
  kdtest::RecordingUi ui;
  const kd::ReaderEntry table[] = {{"TEST", false, nullptr, kdtest::EchoReader}};
  kd::Conversion conversion(ui, table, disk);
  conversion.ReadSettings({"/x/export.csv", "/d/", "Ja", "Ja", "18"}, "Test");
  EXPECT_EQ(conversion.Run("Test"), kd::RunResult::Written);
  const Folder now = Now(disk, "/d/");
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
  kdtest::FaultyFileSystem files(disk);
  files.fault = [&](const kdtest::FileOperation& op) {
    const bool restore = op.what == "rename" && op.path == "/d/Bank-18" && ++bankRenames == 2;
    return restore ? kd::Failure::AccessDenied : HeldImport(op);
  };
  std::vector<kd::FileError> errors;
  for (int run = 0; run < 2; ++run) {
    try {
      PutPair(files, "/d/");
    } catch (const kd::FileError& error) {
      errors.push_back(error);
    }
  }
  const Folder left = Now(disk, "/d/");
  const Lines lines = kd::RecoverDataDirectory(disk, "/d/");
  const Folder after = Now(disk, "/d/");
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
  EXPECT_TRUE(errors[1].Reason().starts_with("unvollständige Übernahme /d/KDIMPORT.TXT."));
  EXPECT_EQ(lines, ExpectedLines(kImportFails, left, after));
  EXPECT_EQ(after, OldPair(kImportFails));
}

// What the recovery must not take for its own leftovers, what it cannot decide, and what an
// earlier version left, on the disk. "PID" in a name stands for this process's id: a journal of
// a process that lives is repaired as any other.
struct LeftAloneCase {
  const char* what;
  Folder before;
  Lines lines;
  Folder after;            // empty: as before
  const char* held = "";   // a temporary file that its writer holds
  const char* error = "";  // the recovery stops with this message, "DIR" the folder
};

class RecoveryTest : public ::testing::TestWithParam<LeftAloneCase> {};

std::string Filled(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at; (at = text.find(what)) != std::string::npos;) text.replace(at, 3, with);
  return text;
}

TEST_P(RecoveryTest, TouchesOnlyWhatItMay) {
  const LeftAloneCase& c = GetParam();
  kdtest::TempDir dir;
#ifdef _WIN32
  const std::string pid = (std::ostringstream() << std::hex << GetCurrentProcessId()).str();
#else
  const std::string pid = (std::ostringstream() << std::hex << getpid()).str();
#endif
  const auto placed = [&](const Folder& files) {
    Folder out;
    for (const auto& [name, bytes] : files)
      out[Filled(name, "PID", pid)] = Filled(bytes, "PID", pid);
    return out;
  };
  for (const auto& [name, contents] : placed(c.before)) kdtest::WriteFile(dir.File(name), contents);
  kd::Outcome why;
  const auto writer = *c.held ? kd::DiskFiles().Lock(dir.File(c.held), {}, why) : nullptr;
  try {
    EXPECT_EQ(kd::RecoverDataDirectory(kd::DiskFiles(), dir.Path()), c.lines);
    EXPECT_STREQ(c.error, "");
  } catch (const kd::FileError& error) {
    EXPECT_EQ(error.what(), Filled(c.error, "DIR", dir.Path()));
  }
  EXPECT_EQ(Now(kd::DiskFiles(), dir.Path()), placed(c.after.empty() ? c.before : c.after));
}

const char* const kUnreadable =
    "Im Datenverzeichnis DIR liegt das Journal KDIMPORT.TXT.5-0-00000000.jnl einer abgebrochenen "
    "Übernahme, das sich nicht lesen lässt: es ist unvollständig oder stammt nicht von diesem "
    "Programm. Ob KDIMPORT.TXT und die Bankdatei daneben zusammengehören, lässt sich daher nicht "
    "sagen.\nLöschen Sie bitte die Dateien KDIMPORT.TXT.5-0-00000000.jnl und "
    "KDIMPORT.TXT.5-1-00000000.alt und behalten Sie alle anderen Dateien des Ordners. Starten Sie "
    "die Übernahme dann noch einmal: sie schreibt die Dateien neu.";

INSTANTIATE_TEST_SUITE_P(
    Folders, RecoveryTest,
    ::testing::Values(
        LeftAloneCase{
            "WritersStillRunningOrNotTheProgramsNames",
            {{"KDIMPORT.TXT.7-0-00000000.tmp", "x"}, {"Bank-18.tmp", ""}, {"a.5-x-0.alt", ""}},
            {},
            {},
            "KDIMPORT.TXT.7-0-00000000.tmp"},
        LeftAloneCase{"JournalOfALiveProcessFromAnEarlierVersion",
                      {{"Bank-18", "new"},
                       {"Bank-18.PID-0-00000000.alt", "old bank"},
                       {"KDIMPORT.TXT.PID-1-00000000.tmp", "new"},
                       {"KDIMPORT.TXT.PID-2-00000000.jnl",
                        "KDIMPORT-Journal 1\nZeit 01.02.2026 03:04\nBank-18\tBank-18.PID-3-"
                        "00000000.tmp\tBank-18.PID-0-00000000.alt\nKDIMPORT.TXT\t"
                        "KDIMPORT.TXT.PID-1-00000000.tmp\t\n"}},
                      {"Unvollständige Übernahme vom 01.02.2026 03:04 rückgängig gemacht: alte "
                       "Datei Bank-18 wiederhergestellt; Reste entfernt: 2 Dateien"},
                      {{"Bank-18", "old bank"}}},
        LeftAloneCase{"JournalCutShort",
                      {{"KDIMPORT.TXT.5-1-00000000.alt", "old"},
                       {"KDIMPORT.TXT.5-0-00000000.jnl",
                        "KDIMPORT-Journal 2\nZeit 01.02.2026 03:04\nDateien 1\nKDIMPORT.TXT\t"
                        "KDIMPORT.TXT.5-2-00000000.tmp\tKDIMPORT.TXT.5-1-00000000.alt\n"}},
                      {},
                      {},
                      "",
                      kUnreadable},
        LeftAloneCase{"JournalNamingAnotherFile",
                      {{"Konfi-18", ""},
                       {"KDIMPORT.TXT.5-1-00000000.alt", "old"},
                       {"KDIMPORT.TXT.5-0-00000000.jnl",
                        "KDIMPORT-Journal 1\nZeit 01.02.2026 03:04\nKDIMPORT.TXT\tKonfi-18\t\n"}},
                      {},
                      {},
                      "",
                      kUnreadable},
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

// Two runs into one folder, the first a process of its own: started at the same moment, or the
// second while the first is between its renames and ends while the second waits, or takes
// longer than the second waits. The folder holds the pair of one of them, never a mix; the
// second either waited and then wrote, or stopped with its message and changed nothing.
struct SecondRunCase {
  const char* what;
  bool between;   // the second starts while the first is between its renames
  int endsAfter;  // ms after which the first goes on; -1: after the second
};

class SecondRunTest : public ::testing::TestWithParam<SecondRunCase> {};

TEST_P(SecondRunTest, WaitsOrStopsAndNeverMixes) {
  const SecondRunCase& c = GetParam();
  kdtest::TempDir data, control;
  for (const char* name : {"Konfi-18", "Bank-18", "KDIMPORT.TXT"})
    kdtest::WriteFile(data.File(name), "");
  kdtest::WriteFile(control.File("export.csv"), "7;Neu;\r\n");
  if (c.endsAfter == 0) kdtest::WriteFile(control.File("go"), "");
  std::future<int> first = StartChild({data.Path(), "hold", control.Path()});
  for (int i = 0; c.between && i < 1500 && !kdtest::FileExists(control.File("held")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(c.endsAfter, 0)));
    if (c.endsAfter >= 0) kdtest::WriteFile(control.File("go"), "");
  });
  kdtest::RecordingUi ui;
  const kd::ReaderEntry table[] = {{"TEST", false, nullptr, kdtest::EchoReader}};
  kd::Conversion second(ui, table);
  second.ReadSettings({control.File("export.csv"), data.Path(), "Ja", "Ja", "18"}, "Test");
  const bool written = second.Run("Test") == kd::RunResult::Written;
  release.join();
  kdtest::WriteFile(control.File("go"), "");
  EXPECT_EQ(first.get(), 0);
  Folder now = Now(kd::DiskFiles(), data.Path());
  now.erase("Konfi-18");
  const bool secondsPair = now.at("KDIMPORT.TXT") == "KONV=1;\r\nPNr=7;Name=Neu;\r\n" &&
                           now.at("Bank-18").starts_with("    7 Neu ");
  EXPECT_TRUE(now == kNewPair || (secondsPair && written));
  EXPECT_TRUE(!c.between || (written == secondsPair && written == (c.endsAfter >= 0)));
  if (!written) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, "error");
    EXPECT_EQ(ui.messages[0].text,
              "Das Datenverzeichnis " + data.Path() +
                  " wird gerade von einer anderen Übernahme beschrieben. Warten Sie bitte, bis "
                  "sie fertig ist, und starten Sie diese Übernahme dann noch einmal. Es wurde "
                  "nichts geändert.");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SecondRunTest,
    ::testing::Values(SecondRunCase{"AtTheSameMoment", false, 0},
                      SecondRunCase{"FirstEndsWhileTheSecondWaits", true, 1000},
                      SecondRunCase{"FirstTakesLongerThanTheSecondWaits", true, -1}),
    kdtest::kCaseName);

#ifdef _WIN32
// A virus scanner or the search indexer, another process, opens each file just written for a
// moment: the old import file from before the pair is put in place, or the new one's temporary
// file when it is renamed. Held 300 ms it is waited for and the new pair stands; held 5 s the
// error names the held file, the old pair stays, and the next run removes what was left.
struct HeldCase {
  const char* what;
  bool temporary;
  int ms;
};

class HeldForAMomentTest : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldForAMomentTest, IsWaitedForAWhile) {
  const HeldCase& c = GetParam();
  kdtest::TempDir dir, control;
  const std::string import = dir.File("KDIMPORT.TXT");
  for (const auto& [name, contents] : OldPair(kBothOld))
    kdtest::WriteFile(dir.File(name), contents);
  std::future<int> holder;
  std::string held = import;
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&](const kdtest::FileOperation& op) {
    if (holder.valid() || op.path != import || op.what != (c.temporary ? "rename" : "replace")) {
      return kd::Failure::None;
    }
    for (const std::string& name : kd::DiskFiles().List(dir.Path())) {
      if (c.temporary && name.starts_with("KDIMPORT.TXT.") && name.ends_with(".tmp")) {
        held = dir.File(name);
      }
    }
    holder = StartChild({held, "open", std::to_string(c.ms), control.Path()});
    for (int i = 0; i < 500 && !kdtest::FileExists(control.File("held")); ++i) Sleep(20);
    return kd::Failure::None;
  };
  std::string reason = "-";
  try {
    PutPair(files, dir.Path());
  } catch (const kd::FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Datei " + import + " kann nicht erstellt werden");
    reason = error.Reason();
  }
  ASSERT_TRUE(holder.valid());
  EXPECT_EQ(holder.get(), 0);
  const Lines rest = kd::RecoverDataDirectory(kd::DiskFiles(), dir.Path());
  if (c.ms < 1000) {
    EXPECT_EQ(reason, "-");
    EXPECT_EQ(Now(kd::DiskFiles(), dir.Path()), kNewPair);
    return;
  }
  EXPECT_EQ(reason, "von einem anderen Programm geöffnet" + (c.temporary ? ": " + held : ""));
  EXPECT_EQ(rest.size(), c.temporary ? 1u : 0u);
  EXPECT_EQ(Now(kd::DiskFiles(), dir.Path()), OldPair(kBothOld));
}

INSTANTIATE_TEST_SUITE_P(Holds, HeldForAMomentTest,
                         ::testing::Values(HeldCase{"ImportFile300ms", false, 300},
                                           HeldCase{"ImportFile5s", false, 5000},
                                           HeldCase{"TemporaryFile300ms", true, 300},
                                           HeldCase{"TemporaryFile5s", true, 5000}),
                         kdtest::kCaseName);
#endif

}  // namespace
