// A run killed while it puts its pair of files in place: writes "Bank-18" and "KDIMPORT.TXT"
// into FOLDER with the real writer and ends at once, without cleanup, before change STEP of the
// file system; with "fail" the import file cannot be placed, with "repair" it repairs FOLDER
// instead. Exit status 3 when it ended itself, else 0, or 1 after a FileError.
//   kdimport_pair_child FOLDER STEP [fail|repair]
// Held before its second rename until the file CONTROL/go exists, saying so by CONTROL/held:
//   kdimport_pair_child FOLDER hold CONTROL
// FILE held open for MS milliseconds as a virus scanner holds it (others may read and write it,
// not remove it), once open saying so by CONTROL/held (Windows):
//   kdimport_pair_child FILE open MS CONTROL
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "faultyfilesystem.h"
#include "recovery.h"
#include "textfile.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string folder = argv[1];
  const std::string mode = argc > 3 ? argv[3] : "";
  const std::string control = argv[2] == std::string("hold") ? mode : argc > 4 ? argv[4] : "";
  if (argv[2] == std::string("open")) {
#ifdef _WIN32
    const HANDLE held = CreateFileW(kd::ToNativePath(folder).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    std::ofstream(kd::ToNativePath(control + "held")).put('\n');
    Sleep(static_cast<DWORD>(std::atoi(mode.c_str())));
    CloseHandle(held);
#endif
    return 0;
  }
  const int killAt = argv[2] == std::string("hold") ? -1 : std::atoi(argv[2]);
  kdtest::FaultyFileSystem files(kd::DiskFiles());
  files.fault = [&](const kdtest::FileOperation& op) {
    if (killAt >= 0 && op.step == killAt) std::_Exit(3);
    if (op.what != "rename" || !op.path.ends_with("KDIMPORT.TXT")) return kd::Failure::None;
    if (!control.empty()) std::ofstream(kd::ToNativePath(control + "held")).put('\n');
    for (int i = 0; !control.empty() && i < 3000; ++i) {
      if (std::filesystem::exists(kd::ToNativePath(control + "go"))) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return mode == "fail" ? kd::Failure::HeldOpen : kd::Failure::None;
  };
  try {
    if (mode == "repair") {
      kd::RecoverDataDirectory(files, folder);
      return 0;
    }
    kd::StreamedFile bank(files, folder + "Bank-18");
    kd::StreamedFile import(files, folder + "KDIMPORT.TXT");
    bank.Write("new bank\r\n");
    import.Write("new import\r\n");
    bank.Finish();
    import.Finish();
    const kd::FolderLock lock(files, folder);
    kd::PutInPlace({&bank, &import});
  } catch (const kd::FileError&) {
    return 1;
  }
  return 0;
}
