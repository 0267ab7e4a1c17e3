// Which program made an export. Every layout of the reader table bids how well the beginning
// of a file looks like its export (layoutlook.h); the layout that bids clearly best, and whose
// own reader makes records of those lines whose values fit their keys, names the program.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exporthead.h"
#include "readerentry.h"

namespace kd {

// The programs as the window's list writes them.
inline constexpr std::array<std::string_view, 10> kProgramNames = {
    "Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI", "Lexware", "sage", "SBS", "VARIAL"};

// The list's spelling of a program name given in any case ("SAGE" gives "sage"); the name
// itself when the list lacks it.
std::string_view ProgramListName(std::string_view programName);

// A layout names the program only when its look fits at least kRecognisedFit (layoutlook.h)
// and this much better than every other layout's.
inline constexpr double kClearLead = 0.15;

// A layout's look alone can deceive: an export with a column removed or without its column
// line may look like another layout. A layout is named only when its own reader, run over the
// lines looked at, gives records whose values have the forms of their keys (recordfit.h),
// whatever their check digits say.
// The share of fitting records a layout's reader must reach on the lines looked at.
inline constexpr double kFittingShare = 0.75;

// The share (0 to 1) of fitting records that `reader` makes of the lines of `head`, read as a
// trial: no file is touched, nothing is shown. 0 without a record.
double FittingShare(const ExportHead& head, const ReaderEntry& reader);

// How well one layout (a row of the reader table) fits.
struct LayoutFit {
  const ReaderEntry* reader = nullptr;
  double fit = 0;
};

// Every layout of `readers` that can tell its export, best first.
std::vector<LayoutFit> RankLayouts(const ExportHead& head, std::span<const ReaderEntry> readers);

// The result of recognition.
struct Recognition {
  // The program as the window's list writes it; empty when no layout fits clearly.
  std::string_view program;
  // The layout's name for a program with more than one layout; empty otherwise.
  std::string_view layout;
  // The table row of the layout; null when none fits clearly.
  const ReaderEntry* reader = nullptr;
  // How well the best layout fits (0 to 1), and the best of all other layouts.
  double fit = 0;
  double nextFit = 0;
  // The share of fitting records the best layout's reader made of the lines looked at; it is
  // read only when the best layout's look fits clearly.
  double fittingShare = 0;

  bool Recognised() const { return reader != nullptr; }
};

Recognition Recognize(const ExportHead& head, std::span<const ReaderEntry> readers);

// Recognition of a file from its bytes: `bytes` holds the file or its beginning (at least
// kRecognitionHeadBytes + 1 bytes of a longer file, of which the first kRecognitionHeadBytes
// are looked at).
Recognition RecognizeBytes(std::string_view bytes, std::string_view fileName,
                           std::span<const ReaderEntry> readers);
// The same for text already decoded to Windows-1252 (such as a run's source text).
Recognition RecognizeText(std::string_view text, std::string_view fileName,
                          std::span<const ReaderEntry> readers);
// Reads the beginning of the file at `path` (a UTF-8 path). Throws FileError when the
// file cannot be opened.
Recognition RecognizeFile(std::string_view path, std::span<const ReaderEntry> readers);

// True when the file was recognised as the export of another program than `chosenProgram`
// (the program combo's text, compared in upper case); false while no program is chosen.
bool RecognisedAsOther(const Recognition& recognition, std::string_view chosenProgram);

// The hint beside the program combo (UTF-8): "Erkannt: SBS"; "Die Datei sieht nach SBS aus,
// gewählt ist Datev" when the combo names another program of the list; empty when no layout
// fits clearly. `chosenProgram` is the combo's text (Windows-1252).
std::string RecognitionHint(const Recognition& recognition, std::string_view chosenProgram);

}  // namespace kd
