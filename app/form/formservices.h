// What the window asks of the desktop: the two file dialogs, message boxes, opening a written
// page in the browser, the program's own folder, today's date and the regional decimal separator.
// Each front end implements it with its platform's dialogs; tests answer through their own
// implementation, so no person has to click. Texts are UTF-8; paths use the platform's separator.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "filesystem.h"
#include "ui.h"

namespace kd::form {

struct Today {
  std::string shortDate;  // today in the system's short date form, such as "07.01.2019"
  int year = 0;           // the same day's year, such as 2019
};

class FormServices {
 public:
  virtual ~FormServices() = default;

  // File-open dialog without a file type filter and without a start folder of its own.
  // The full path of the confirmed file, or nothing when the person cancelled.
  virtual std::optional<std::string> OpenFileName(const std::string& title) = 0;

  // File-save dialog used to point at a folder: it starts in `startFolder`, proposes
  // `proposedName`, has no file type filter, asks no overwrite question and writes nothing.
  // The full path of the confirmed name, or nothing when the person cancelled.
  virtual std::optional<std::string> SaveFileName(const std::string& title,
                                                  const std::string& startFolder,
                                                  const std::string& proposedName) = 0;

  // File-save dialog for a file to be written: it starts in `startFolder` (the current
  // directory when that names no folder), proposes `proposedName`, offers files of the type
  // `typeName` (such as "CSV-Dateien") whose names match `pattern` (such as "*.csv") and asks
  // before an existing file is replaced. The full path of the confirmed name, or nothing when
  // the person cancelled.
  virtual std::optional<std::string> SaveFileAs(const std::string& title,
                                                const std::string& startFolder,
                                                const std::string& proposedName,
                                                const std::string& typeName,
                                                const std::string& pattern) = 0;

  // Opens a file the program wrote in the system's program for it (a page in the browser),
  // without waiting for it. False when the system could not open it.
  virtual bool OpenDocument(const std::string& path) = 0;

  // A modal message box with one OK button.
  virtual void Message(const std::string& text, const std::string& caption, Icon icon) = 0;

  // A file error that ended an action: a modal box with the stop icon and the message.
  virtual void Error(const std::string& text) = 0;

  // A modal question with the buttons "Ja" and "Nein", "Nein" the default button and the
  // answer of Escape or the close box: true for "Ja".
  virtual bool Question(const std::string& text, const std::string& caption) = 0;

  // The folder of the program's executable; the current directory is set back to it after
  // each file dialog (BackToProgramFolder).
  virtual std::filesystem::path ProgramFolder() = 0;

  virtual Today Date() = 0;

  // The user's regional decimal separator, such as ",".
  virtual std::string DecimalSeparator() = 0;

  // The files the window reads and writes, its runs' included.
  virtual kd::FileSystem& Files() { return kd::DiskFiles(); }
};

// True for a start folder that names no folder yet: empty, or the lone separator that an empty
// data directory line becomes. A save dialog then opens in the current directory, the
// program's folder, rather than at the root of the drive.
inline bool IsUnsetFolder(const std::string& folder) {
  return folder.empty() || folder == "/" || folder == "\\";
}

// After a file dialog: the current directory is the program's folder again, where the files
// with bare names are found. A folder that cannot be entered leaves it as it is.
inline void BackToProgramFolder(FormServices& services) {
  std::error_code ignored;
  std::filesystem::current_path(services.ProgramFolder(), ignored);
}

}  // namespace kd::form
