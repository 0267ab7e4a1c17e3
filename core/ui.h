// What a conversion shows a person. The core declares it; the window implements it with
// message boxes and memos, the command line by printing, tests by recording.
#pragma once

#include <string>
#include <string_view>

namespace kd {

enum class Icon { Information, Stop };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box with one OK button. Text and caption are UTF-8.
  virtual void ShowMessage(const std::string& text, const std::string& caption, Icon icon) = 0;

  // A file error that ends the run, shown as the toolkit shows an error (UTF-8).
  virtual void ShowError(const std::string& text) = 0;

  // A modal question with the buttons "Ja" and "Nein", "Nein" the default: true for "Ja".
  // Text and caption are UTF-8.
  virtual bool Ask(const std::string& text, const std::string& caption) = 0;

  // False for a front end without a source-file view: the source file is then not loaded only
  // to be shown when the settings are read.
  virtual bool ShowsSourceFile() const { return true; }

  // The source-file view: the caption of the panel above it (UTF-8) and the file's contents as
  // loaded (Windows-1252 bytes; empty text empties the view).
  virtual void ShowSourceFile(const std::string& panelCaption, std::string_view contents) = 0;

  // One produced record (Windows-1252), appended to the list of produced records.
  virtual void AppendRecord(std::string_view record) = 0;
};

}  // namespace kd
