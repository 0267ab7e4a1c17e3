// The main window's logic without a toolkit: the state and the handlers of the form TForm1.
// A front end creates the controls, implements FormView over them, routes the window's events
// to the handlers below and shows the dialogs of FormServices; everything the window decides
// happens here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "formservices.h"
#include "formview.h"
#include "protocolwindow.h"
#include "recognition.h"
#include "ui.h"

namespace kd::form {

// The settings file, opened by its bare name in the current directory.
inline constexpr const char* kSettingsFile = "KDIMPORT.INI";

class TForm1 : private kd::UserInterface {
 public:
  TForm1(FormView& view, FormServices& services);

  // The settings as the conversion uses them (as they stood at the last ReadSettings).
  const kd::ConversionSettings& Settings() const { return conversion_.settings; }
  // What became of every line in the last run.
  const kd::Protocol& LastProtocol() const { return conversion_.protocol; }

  // The window is shown for the first time: enables the conversion button, restores the
  // settings file and puts the current year into the fifth settings line.
  void FormShow();
  // "2.  Suchen woher": the source file.
  void Button3Click();
  // "3.  Suchen wohin": the data directory.
  void Button4Click();
  // "4.  Kandrel-Datei  erstellen": one conversion run.
  void Button1Click();
  // "&Ende": saves the settings file and closes the window. A line that the settings file
  // (Windows-1252) cannot hold is named in a message box; nothing is saved, the window stays.
  void EndeButtonClick();
  // The text of the program list changed (typed or chosen): the recognition hint compares the
  // new choice with the program the source file looks like.
  void ProgrammComboChange();
  // "Protokoll": opens the protocol window of the last run.
  void ProtokollButtonClick();

  // The protocol window's logic; its window routes its events there.
  ProtocolWindow& ProtocolLogic() { return protocolWindow_; }

  // Routes a click on a button to its handler; other controls have none.
  void Click(Control control);

 private:
  // kd::UserInterface
  void ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) override;
  void ShowError(const std::string& text) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  void ShowSourceFile(const std::string& panelCaption, std::string_view contents) override;
  void AppendRecord(std::string_view record) override;

  void ReadSettings();
  void ReadSettingsFile();
  // The program combo text as Windows-1252.
  std::string ProgramName() const;
  // The lines of the settings memo (UTF-8); a line break after the last line starts no extra
  // line.
  std::vector<std::string> SettingsLines() const;
  // Replaces line `index` (from 0) of a memo, adding empty lines up to it.
  void SetMemoLine(Control memo, std::size_t index, const std::string& utf8Line);
  // Recognises the program of the file in SourcePath (reading its beginning once per path and
  // choice of the file), and shows the hint beside the program list.
  void RecognizeSource();
  void ShowRecognitionHint();
  // The protocol button after a run: enabled with its count once a run has read an export.
  void ShowProtocolButton();
  // Shows line n (from 1) of the last run's export selected in the source-file view.
  void ShowExportLine(std::size_t number);
  // Shows the records collected since the last call below those already in the list.
  void FlushRecords();
  // Runs a handler; an error escaping it is shown as a file error is, and the window goes on.
  template <typename Handler>
  void Guarded(Handler handler);

  FormView& view_;
  FormServices& services_;
  kd::Conversion conversion_;
  std::string shownSource_;     // what the source-file view shows, as loaded
  std::string pendingRecords_;  // records not yet shown, one per line
  bool hasPendingRecords_ = false;
  // The recognition of the file `recognizedPath_`, kept while the program list
  // changes.
  kd::Recognition recognition_;
  std::string recognizedPath_;
  // The export of the last run that read one, and whether the source-file view shows it.
  std::string protocolSourcePath_;
  bool protocolSourceShown_ = false;
  ProtocolWindow protocolWindow_;
};

// The fifth settings line for today: characters 9 and 10 of the short date, which are the
// two-digit year in the form dd.mm.yyyy. Other forms (yyyy-mm-dd, m/d/yyyy, dd.mm.yy, another
// calendar's year) have no year there; the line then takes the year of the date itself.
std::string YearLine(const Today& today);

// The folder of a path chosen in the save dialog: the text before the last separator at the
// second character or later, with one separator appended; a single separator when there is
// none. A folder that already ends with its separator stays as it is.
std::string CutBackToFolder(const std::string& path);

// File text as one memo text: CR LF, LF and a lone CR end a line; a line break after the last
// line starts no extra line; other control characters but the tab show as blanks.
std::string MemoText(std::string_view contents);

// A character as the window's memos show it: a control character as a blank.
char Printable(char c);

}  // namespace kd::form
