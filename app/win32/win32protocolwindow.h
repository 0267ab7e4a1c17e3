// The protocol window on the Win32 API: a second top-level window owned by the main window, with
// the summary in a read-only edit control, the check box for all lines, the save button, a
// list view in virtual mode, which asks the logic for the text of each cell it draws, so that a
// protocol of any size costs no more than the rows on the screen, and the button for the
// printable page. Closing it only hides it.
// Nothing here decides anything.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "protocolwindow.h"

class Win32ProtocolWindow : public kd::form::ProtocolView {
 public:
  // Creates the window hidden; `owner` is the main window, `dpi` its scale.
  Win32ProtocolWindow(kd::form::ProtocolWindow& logic, HINSTANCE instance, HWND owner, int dpi);
  ~Win32ProtocolWindow() override;
  Win32ProtocolWindow(const Win32ProtocolWindow&) = delete;
  Win32ProtocolWindow& operator=(const Win32ProtocolWindow&) = delete;

  // kd::form::ProtocolView
  void Show() override;
  bool Shown() const override;
  void SetSummary(const std::string& text) override;
  void SetRowCount(std::size_t rows) override;

  HWND Handle() const { return window_; }
  HWND Summary() const { return summary_; }
  HWND List() const { return list_; }
  HWND AllLines() const { return allLines_; }
  HWND SaveButton() const { return save_; }
  HWND PrintButton() const { return print_; }

  // The tab key and the Enter key for a message of the loop; true when it was handled.
  bool DialogKey(MSG& message);

 private:
  LRESULT OnMessage(UINT message, WPARAM w, LPARAM l);
  LRESULT OnNotify(NMHDR& header);
  void CreateControls();
  void PlaceControls();
  int Scaled(int pixels) const;

  kd::form::ProtocolWindow& logic_;
  HINSTANCE instance_;
  HWND window_ = nullptr;
  int dpi_;
  HFONT font_ = nullptr;
  HWND summary_ = nullptr;
  HWND allLines_ = nullptr;
  HWND save_ = nullptr;
  HWND list_ = nullptr;
  HWND print_ = nullptr;  // after every other control in the tab order
  HWND lastFocus_ = nullptr;
  int summaryLines_ = kd::form::SummaryHeightInLines({});  // the summary's height in lines
  std::wstring cell_;  // the text of the cell the list view asked for last
};
