// The conversion run: the checks before it, the choice of the reader, the question before a
// doubtful run, and the import file and bank file put in place.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "barefiles.h"
#include "fields.h"
#include "protocol.h"
#include "protocolpage.h"
#include "readercontext.h"
#include "readerentry.h"
#include "runoutput.h"
#include "settings.h"
#include "sourcetext.h"
#include "ui.h"

namespace kd {

enum class RunResult { Written, Stopped };

// Puts the files a reader prepared in place, both together, and shows the bank file's message
// when the reader saved one. Throws FileError naming the file that could not be put in place.
void PutFilesInPlace(const ReaderContext& context, RunOutput& output, UserInterface& ui);

// The state the window keeps between runs, and the run itself. The front ends set the program
// name and the settings lines; the window and the command line share this object's behaviour.
class Conversion {
 public:
  // Every file of a run is read and written through `files`.
  Conversion(UserInterface& ui, std::span<const ReaderEntry> readers,
             FileSystem& files = DiskFiles());

  // The file system the run reads and writes through.
  FileSystem& Files() const { return files_; }

  ConversionSettings settings;
  std::string headerLine;
  ColumnTable columnTable;
  char decimalSeparator = ',';
  // Where files with fixed bare names are opened.
  BareFilePlaces bareFiles;
  // What became of every line in the last run (empty when the run was refused before reading).
  Protocol protocol;
  // When the last run began, with what, and which files it put in place: the printable page.
  RunRecord lastRun;

  // Copies the five settings lines into `settings` (missing lines count as empty) and shows the
  // source file when it exists.
  void ReadSettings(const std::vector<std::string>& settingsLines, std::string_view programName);

  // The six checks before a run; 0 when the run may go on, -1 after showing the refusal.
  int ValidateInputs(std::string_view programName);

  // One conversion run as the button starts it. Whatever goes wrong ends the run with a
  // message; the old files then stay as they were.
  RunResult Run(std::string_view programName);

  // Path of the import file of the current settings.
  std::string ImportFilePath() const { return settings.DataDirectory + kImportFileName; }

 private:
  const ReaderEntry* ChooseReader(std::string_view upperName, std::string_view firstLine);
  // Shows a refusal of the checks before the run and keeps it for the protocol.
  void Refuse(const std::string& text, const std::string& caption, Icon icon);
  // Names an old bank file in the data directory that this run did not write.
  void NoteBankFileOfAnotherRun(const ReaderContext& context);

  UserInterface& ui_;
  std::span<const ReaderEntry> readers_;
  FileSystem& files_;
  SourceText loadedSource_;  // the source file as ValidateInputs loaded it
};

}  // namespace kd
