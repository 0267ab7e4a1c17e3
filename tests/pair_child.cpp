// A run killed while it puts its pair of files in place: writes "Bank-18" and "KDIMPORT.TXT"
// into FOLDER with the real writer and ends at once, without cleanup, before change STEP of the
// file system; with "fail" the import file cannot be placed. Exit status 3 when it ended itself,
// else 0, or 1 after a FileError.   kdimport_pair_child FOLDER STEP [fail]
#include <cstdlib>
#include <string>

#include "textfile.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string folder = argv[1];
  const int killAt = std::atoi(argv[2]);
  kd::SetStepHook([killAt](int step) {
    if (step == killAt) std::_Exit(3);
  });
  if (argc > 3 && std::string(argv[3]) == "fail") {
    kd::SetReplaceFaultHook(
        [](std::string_view target) { return !target.ends_with("KDIMPORT.TXT"); });
  }
  try {
    kd::StreamedFile bank(folder + "Bank-18");
    kd::StreamedFile import(folder + "KDIMPORT.TXT");
    bank.Write("new bank\r\n");
    import.Write("new import\r\n");
    bank.Finish();
    import.Finish();
    kd::PutInPlace({&bank, &import});
  } catch (const kd::FileError&) {
    return 1;
  }
  return 0;
}
