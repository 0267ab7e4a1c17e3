// The protocol window without a toolkit: the summary of the last run, a table of the lines of
// its export (by default only those a person should look at), the export line of a row shown in
// the main window, and the protocol saved as a CSV file. A front end implements ProtocolView
// over a window of its own and routes the window's events to ProtocolWindow; the table asks
// ProtocolWindow for the text of each cell it draws, so a protocol of any size costs the table
// no more than the rows it shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "formservices.h"

namespace kd::form {

inline constexpr std::string_view kProtocolWindowCaption = "Protokoll der letzten Übernahme";
inline constexpr std::string_view kAllLinesText = "Alle Zeilen anzeigen";
inline constexpr std::string_view kSaveButtonText = "Speichern unter …";
inline constexpr std::string_view kSaveDialogTitle = "Protokoll speichern";
inline constexpr std::string_view kProposedProtocolName = "KDIMPORT-Protokoll.csv";
inline constexpr std::string_view kPrintButtonText = "Drucken / Speichern…";
inline constexpr std::string_view kPrintDialogTitle = "Protokoll zum Drucken speichern";
inline constexpr std::string_view kProposedPageName = "KDIMPORT-Protokoll.html";

// The columns of the table, in this order, with their start widths at 96 dots per inch.
enum class ProtocolColumn { Zeile, PNr, Name, Ergebnis, Hinweis };
inline constexpr std::array<std::string_view, 5> kProtocolColumnTitles = {"Zeile", "PNr", "Name",
                                                                          "Ergebnis", "Hinweis"};
inline constexpr std::array<int, 5> kProtocolColumnWidths = {80, 55, 150, 100, 620};
// The client area at the start, at 96 dots per inch: the hints of a line fit beside the rest.
inline constexpr int kProtocolWindowWidth = 1040;
inline constexpr int kProtocolWindowHeight = 640;
// The summary shows this many of its lines at most without scrolling.
inline constexpr int kSummaryLinesShown = 16;
// The height of the summary `text` in lines: one for each of its lines, at least three, at most
// kSummaryLinesShown.
int SummaryHeightInLines(std::string_view text);

// What the protocol window logic needs from a window.
class ProtocolView {
 public:
  virtual ~ProtocolView() = default;

  // Shows the window without blocking, or brings it to the front when it is shown already.
  virtual void Show() = 0;
  virtual bool Shown() const = 0;
  // The summary above the table (UTF-8, lines separated by "\n").
  virtual void SetSummary(const std::string& text) = 0;
  // The table has `rows` rows from now on and forgets every text it showed; it asks
  // ProtocolWindow::Cell for what it draws.
  virtual void SetRowCount(std::size_t rows) = 0;
};

// The caption of the main window's protocol button: "Protokoll (3)" after a run with lines that
// need a second look, "Protokoll" otherwise.
std::string ProtocolButtonCaption(const kd::Protocol& protocol);

class ProtocolWindow {
 public:
  // `conversion` holds the protocol of the last run and the data directory; `showExportLine`
  // shows line n (counted from 1) of that run's export in the main window.
  ProtocolWindow(const kd::Conversion& conversion, FormServices& services,
                 std::function<void(std::size_t)> showExportLine);

  // ---- Called by the main window's logic

  // The protocol button: fills the window and shows it.
  void Open(ProtocolView& view);
  // A run begins and replaces the protocol: the table lets go of its rows before any of them
  // could name a line of the old protocol.
  void RunStarting();
  // The run has ended: an open window shows its protocol.
  void RunEnded();
  // True once a run has read an export.
  bool Available() const { return conversion_.protocol.Started(); }

  // ---- Called by the window

  // The check box "Alle Zeilen anzeigen".
  void ShowAllLines(bool all);
  bool AllLines() const { return allLines_; }
  std::size_t RowCount() const { return rows_.size(); }
  // The text of a cell (UTF-8); empty outside the table.
  std::string Cell(std::size_t row, ProtocolColumn column) const;
  // A row was double-clicked (or chosen with the Enter key): its export line is shown in the
  // main window. Rows of another file (VARIAL's bank connection file) have no line there.
  void Activate(std::size_t row);
  // "Speichern unter …": the protocol as a CSV file.
  void SaveAs();
  // "Drucken / Speichern…": the protocol as the printable page, opened in the browser to be
  // printed there.
  void PrintPage();

  // The summary as the window shows it.
  std::string SummaryText() const;

 private:
  void Fill();
  const kd::Protocol::Line* LineOfRow(std::size_t row) const;

  const kd::Conversion& conversion_;
  FormServices& services_;
  std::function<void(std::size_t)> showExportLine_;
  ProtocolView* view_ = nullptr;
  bool allLines_ = false;
  // Indices into the protocol's lines of the rows shown.
  std::vector<std::uint32_t> rows_;
};

}  // namespace kd::form
