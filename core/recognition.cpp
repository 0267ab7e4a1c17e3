#include "recognition.h"

#include <algorithm>

#include "layoutlook.h"
#include "readercontext.h"
#include "text.h"

namespace kd {

std::string_view ProgramListName(std::string_view programName) {
  const std::string upper = UpperAscii(programName);
  for (const std::string_view name : kProgramNames) {
    if (UpperAscii(name) == upper) return name;
  }
  return programName;
}

// ---------------------------------------------------------------------------------------------
// The decision

std::vector<LayoutFit> RankLayouts(const ExportHead& head, std::span<const ReaderEntry> readers) {
  std::vector<LayoutFit> fits;
  for (const ReaderEntry& entry : readers) {
    if (entry.recognizer.fit == nullptr) continue;
    fits.push_back({&entry, std::clamp(entry.recognizer.fit(head), 0.0, 1.0)});
  }
  std::stable_sort(fits.begin(), fits.end(),
                   [](const LayoutFit& a, const LayoutFit& b) { return a.fit > b.fit; });
  return fits;
}

namespace {

// A reader run for a trial shows nothing and asks nothing.
class SilentUi : public UserInterface {
 public:
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
  void ShowError(const std::string&) override {}
  bool Ask(const std::string&, const std::string&) override { return false; }
  bool ShowsSourceFile() const override { return false; }
  void ShowSourceFile(const std::string&, std::string_view) override {}
  void AppendRecord(std::string_view) override {}
};

}  // namespace

double FittingShare(const ExportHead& head, const ReaderEntry& reader) {
  if (reader.read == nullptr) return 0;
  ConversionSettings settings;
  settings.ConvertUmlauts = "NEIN";
  settings.TakeBankData = "NEIN";
  settings.PayrollYear = "18";
  settings.SourcePath = std::string(head.FileName());
  std::string headerLine;
  if (reader.keepsHeaderLine) headerLine = std::string(head.FirstLine()) + ";";
  if (reader.applies != nullptr && !reader.applies(headerLine)) return 0;
  SilentUi ui;
  ColumnTable table;
  Protocol protocol;
  TrialOutput output;
  const NoBareFiles bareFiles;
  try {
    ReaderContext context(head.Text(), settings, ui, headerLine, table, ',', bareFiles, output,
                          protocol);
    reader.read(context);
    return context.Checks().Fit().FitShare();
  } catch (const std::exception&) {
    return 0;
  }
}

Recognition Recognize(const ExportHead& head, std::span<const ReaderEntry> readers) {
  const std::vector<LayoutFit> fits = RankLayouts(head, readers);
  Recognition result;
  if (fits.empty()) return result;
  result.fit = fits[0].fit;
  result.nextFit = fits.size() > 1 ? fits[1].fit : 0;
  if (result.fit < kRecognisedFit || result.fit - result.nextFit < kClearLead) return result;
  result.fittingShare = FittingShare(head, *fits[0].reader);
  if (result.fittingShare < kFittingShare) return result;
  result.reader = fits[0].reader;
  result.program = ProgramListName(result.reader->program);
  result.layout = result.reader->recognizer.layout;
  return result;
}

Recognition RecognizeBytes(std::string_view bytes, std::string_view fileName,
                           std::span<const ReaderEntry> readers) {
  const ExportHead head(HeadOfBytes(bytes), fileName);
  return Recognize(head, readers);
}

Recognition RecognizeText(std::string_view text, std::string_view fileName,
                          std::span<const ReaderEntry> readers) {
  const ExportHead head(HeadOfText(text), fileName);
  return Recognize(head, readers);
}

Recognition RecognizeFile(std::string_view path, std::span<const ReaderEntry> readers) {
  return RecognizeBytes(ReadHeadBytes(path), path, readers);
}

bool RecognisedAsOther(const Recognition& recognition, std::string_view chosenProgram) {
  return recognition.Recognised() && !chosenProgram.empty() &&
         UpperAscii(chosenProgram) != recognition.reader->program;
}

std::string RecognitionHint(const Recognition& recognition, std::string_view chosenProgram) {
  if (!recognition.Recognised()) return {};
  const std::string program(recognition.program);
  bool chosenIsListed = false;
  for (const std::string_view name : kProgramNames) {
    chosenIsListed = chosenIsListed || UpperAscii(name) == UpperAscii(chosenProgram);
  }
  if (chosenIsListed && RecognisedAsOther(recognition, chosenProgram)) {
    return "Die Datei sieht nach " + program + " aus, gewählt ist " + Cp1252ToUtf8(chosenProgram);
  }
  return "Erkannt: " + program;
}

}  // namespace kd
