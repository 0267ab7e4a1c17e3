// Recognition over the reader table, and what the command line makes of it.
#include "readers.h"
#include "text.h"
#include "textfile.h"
#include "ui.h"

namespace kd::readers {

Recognition Recognize(std::string_view bytes, std::string_view fileName) {
  return RecognizeBytes(bytes, fileName, Table());
}

Recognition RecognizeText(std::string_view text, std::string_view fileName) {
  return kd::RecognizeText(text, fileName, Table());
}

Recognition RecognizeFile(std::string_view path) {
  return kd::RecognizeFile(path, Table());
}

bool IsAutoProgram(std::string_view programName) {
  return UpperAscii(programName) == "AUTO";
}

namespace {

// The file recognised, or nothing after `ui` has shown the file error.
std::optional<Recognition> RecognizeOrShow(std::string_view path, UserInterface& ui) {
  try {
    return RecognizeFile(path);
  } catch (const FileError& error) {
    ui.ShowError(error.what());
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> ProgramForAutoRun(std::string_view sourcePath, UserInterface& ui) {
  if (!RegularFileExists(sourcePath)) return std::string(kProgramNames.front());
  const std::optional<Recognition> recognition = RecognizeOrShow(sourcePath, ui);
  if (!recognition) return std::nullopt;
  if (!recognition->Recognised()) {
    ui.ShowMessage("Das Programm der Quelldatei wurde nicht erkannt. Bitte wählen Sie es aus.",
                   "Übergabe nicht möglich.", Icon::Stop);
    return std::nullopt;
  }
  ui.ShowMessage(std::string(recognition->program), "Erkannt", Icon::Information);
  return std::string(recognition->program);
}

std::optional<std::string> RecognizedProgramLine(std::string_view path, UserInterface& ui) {
  if (!RegularFileExists(path)) {
    // As the run says it of a source file that is missing.
    ui.ShowMessage("Die angegebene Quelldatei >" + std::string(path) + "< wurde nicht gefunden.",
                   "Übergabe nicht möglich.", Icon::Stop);
    return std::nullopt;
  }
  const std::optional<Recognition> recognition = RecognizeOrShow(path, ui);
  if (!recognition) return std::nullopt;
  return recognition->Recognised() ? std::string(recognition->program) : std::string("keines");
}

}  // namespace kd::readers
