#include "protocolwindow.h"

#include <algorithm>
#include <exception>

#include "filesystem.h"
#include "formview.h"
#include "pairwriter.h"
#include "text.h"

namespace kd::form {

namespace {

constexpr std::string_view kNoProtocol =
    "Kein Protokoll: Der letzte Lauf hat die Quelldatei nicht gelesen.";

}  // namespace

int SummaryHeightInLines(std::string_view text) {
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  return std::clamp(lines, 3, kSummaryLinesShown);
}

std::string ProtocolButtonCaption(const kd::Protocol& protocol) {
  const std::size_t count = protocol.AttentionCount();
  return count == 0 ? std::string("Protokoll") : "Protokoll (" + std::to_string(count) + ")";
}

ProtocolWindow::ProtocolWindow(const kd::Conversion& conversion, FormServices& services,
                               std::function<void(std::size_t)> showExportLine)
    : conversion_(conversion), services_(services), showExportLine_(std::move(showExportLine)) {}

void ProtocolWindow::Open(ProtocolView& view) {
  view_ = &view;
  Fill();
  view_->Show();
}

void ProtocolWindow::RunStarting() {
  rows_.clear();
  if (view_ != nullptr) view_->SetRowCount(0);
}

void ProtocolWindow::RunEnded() {
  if (view_ != nullptr && view_->Shown()) Fill();
}

void ProtocolWindow::ShowAllLines(bool all) {
  allLines_ = all;
  if (view_ != nullptr) Fill();
}

// The rows are the protocol's lines that the filter lets through, as indices: a table over an
// export of a hundred thousand lines holds no text of its own.
void ProtocolWindow::Fill() {
  rows_.clear();
  const kd::Protocol& protocol = conversion_.protocol;
  if (Available()) {
    const kd::Protocol::LineList& lines = protocol.Lines();
    rows_.reserve(allLines_ ? lines.size() : protocol.AttentionCount());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (allLines_ || kd::Protocol::NeedsAttention(lines[i])) {
        rows_.push_back(static_cast<std::uint32_t>(i));
      }
    }
  }
  view_->SetSummary(SummaryText());
  view_->SetRowCount(rows_.size());
}

std::string ProtocolWindow::SummaryText() const {
  if (!Available()) return std::string(kNoProtocol);
  return JoinLines(conversion_.protocol.Summary());
}

const kd::Protocol::Line* ProtocolWindow::LineOfRow(std::size_t row) const {
  const kd::Protocol::LineList& lines = conversion_.protocol.Lines();
  if (row >= rows_.size() || rows_[row] >= lines.size()) return nullptr;
  return &lines[rows_[row]];
}

std::string ProtocolWindow::Cell(std::size_t row, ProtocolColumn column) const {
  const kd::Protocol::Line* line = LineOfRow(row);
  if (line == nullptr) return {};
  const kd::Protocol& protocol = conversion_.protocol;
  switch (column) {
    case ProtocolColumn::Zeile: {
      // Lines of the export carry their number; lines of another file (VARIAL's bank
      // connection file) its name too.
      std::string number = std::to_string(line->number);
      if (line->count > 1) number += "–" + std::to_string(line->number + line->count - 1);
      if (line->file == 0 || line->file >= protocol.Files().size()) return number;
      // The summary names the file's folder; the column its name.
      const std::string& file = protocol.Files()[line->file];
      return std::string(kd::PathName(file)) + " " + number;
    }
    case ProtocolColumn::PNr:
      return kd::Cp1252ToUtf8(protocol.PersonnelNumber(*line));
    case ProtocolColumn::Name:
      return kd::Cp1252ToUtf8(protocol.Name(*line));
    case ProtocolColumn::Ergebnis:
      return std::string(protocol.ResultText(*line));
    case ProtocolColumn::Hinweis:
      return protocol.Hint(*line);
  }
  return {};
}

void ProtocolWindow::Activate(std::size_t row) {
  const kd::Protocol::Line* line = LineOfRow(row);
  if (line == nullptr || line->file != 0) return;
  showExportLine_(line->number);
}

void ProtocolWindow::SaveAs() {
  if (!Available()) return;
  const std::optional<std::string> chosen =
      services_.SaveFileAs(std::string(kSaveDialogTitle), conversion_.settings.DataDirectory,
                           std::string(kProposedProtocolName), "CSV-Dateien", "*.csv");
  BackToProgramFolder(services_);
  if (!chosen) return;
  try {
    kd::WriteText(services_.Files(), *chosen, conversion_.protocol.Csv());
  } catch (const std::exception& error) {
    services_.Error(error.what());
  }
}

void ProtocolWindow::PrintPage() {
  if (!Available()) return;
  const std::optional<std::string> chosen =
      services_.SaveFileAs(std::string(kPrintDialogTitle), conversion_.settings.DataDirectory,
                           std::string(kProposedPageName), "HTML-Seiten", "*.html");
  BackToProgramFolder(services_);
  if (!chosen) return;
  try {
    kd::WriteProtocolPage(services_.Files(), *chosen, conversion_.protocol, conversion_.lastRun);
  } catch (const std::exception& error) {
    services_.Error(error.what());
    return;
  }
  if (!services_.OpenDocument(*chosen)) {
    services_.Message("Das Protokoll ist in der Datei " + *chosen +
                          " gespeichert, lässt sich aber nicht im Browser öffnen. Öffnen Sie "
                          "die Datei mit einem Doppelklick und drucken Sie sie dort.",
                      "Hinweis", Icon::Information);
  }
}

}  // namespace kd::form
