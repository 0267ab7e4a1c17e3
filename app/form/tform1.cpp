#include "tform1.h"

#include <exception>

#include "readers.h"
#include "sourcetext.h"
#include "text.h"
#include "textfile.h"

namespace kd::form {

namespace {

std::string Utf8(std::string_view cp1252) {
  return kd::Cp1252ToUtf8(cp1252);
}

std::string Cp1252(std::string_view utf8) {
  return kd::Utf8ToCp1252(utf8);
}

// The lines of a memo as the control shows them: a text ending in a line break has an empty
// last line.
std::vector<std::string> MemoLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

}  // namespace

std::string YearLine(const Today& today) {
  // One byte per character, so that positions count characters.
  const std::string date = Cp1252(today.shortDate);
  const int year = ((today.year % 100) + 100) % 100;
  const std::string twoDigits{static_cast<char>('0' + year / 10),
                              static_cast<char>('0' + year % 10)};
  if (date.size() >= 10 && kd::IsDigit(date[8]) && kd::IsDigit(date[9]) &&
      date.compare(8, 2, twoDigits) == 0) {
    return date.substr(8, 2);
  }
  return twoDigits;
}

char Printable(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 0x20 || code == 0x7F ? ' ' : c;
}

std::string CutBackToFolder(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 1;) {
    if (path[i] == kd::kPathSeparator) return path.substr(0, i) + kd::kPathSeparator;
  }
  return std::string(1, kd::kPathSeparator);
}

std::string MemoText(std::string_view contents) {
  std::string text;
  text.reserve(contents.size());
  for (std::size_t i = 0; i < contents.size(); ++i) {
    const char c = contents[i];
    if (c == '\r') {
      if (i + 1 < contents.size() && contents[i + 1] == '\n') ++i;
      text += '\n';
    } else {
      text += c == '\n' || c == '\t' ? c : Printable(c);
    }
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

TForm1::TForm1(FormView& view, FormServices& services)
    : view_(view),
      services_(services),
      conversion_(*this, kd::readers::Table(), services.Files()),
      protocolWindow_(conversion_, services_,
                      [this](std::size_t number) { ShowExportLine(number); }) {
  // A separator of one character that Windows-1252 has; anything else keeps the comma.
  const std::string separator = services_.DecimalSeparator();
  const std::string point = Cp1252(separator);
  if (point.size() == 1 && (point != "?" || separator == "?")) {
    conversion_.decimalSeparator = point[0];
  }
}

template <typename Handler>
void TForm1::Guarded(Handler handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    try {
      FlushRecords();
    } catch (const std::exception&) {
      // The records that do not fit stay unshown; the files are what counts.
      pendingRecords_ = std::string();
      hasPendingRecords_ = false;
    }
    services_.Error(error.what());
  }
}

// ---------------------------------------------------------------------------------------------
// Start

void TForm1::FormShow() {
  Guarded([this] {
    view_.Enable(Control::Button1);
    view_.Focus(Control::Button1);
    ReadSettingsFile();
  });
  const std::string year = YearLine(services_.Date());
  SetMemoLine(Control::FormelMemo, 4, year);
  SetMemoLine(Control::Memo5, 4, "Jahr der ersten Abrechnung (z.B. " + year + ")");
  // The restored source file is recognised; the restored program choice stays as it is.
  RecognizeSource();
  ShowRecognitionHint();
}

// The settings file holds the program name, then the settings lines.
void TForm1::ReadSettingsFile() {
  if (!kd::RegularFileExists(services_.Files(), kSettingsFile)) return;
  const std::string contents = kd::ReadWholeFile(services_.Files(), kSettingsFile);
  const std::vector<std::string_view> lines = kd::SplitLines(contents);
  std::string memo;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (i > 1) memo += '\n';
    memo += Utf8(lines[i]);
  }
  view_.SetText(Control::ProgrammCombo, lines.empty() ? std::string() : Utf8(lines.front()));
  view_.SetText(Control::FormelMemo, memo);
  ReadSettings();
}

// ---------------------------------------------------------------------------------------------
// Source and target selection

void TForm1::Button3Click() {
  Guarded([this] {
    const std::string title = view_.Text(Control::ProgrammCombo) + " -Exportdatei suchen";
    if (const std::optional<std::string> chosen = services_.OpenFileName(title)) {
      conversion_.settings.SourcePath = *chosen;
    }
    SetMemoLine(Control::FormelMemo, 0, conversion_.settings.SourcePath);
    BackToProgramFolder(services_);
    // The file chosen (or kept) is recognised anew, as it may have been exported again. An
    // empty program list takes the program recognised; a program already chosen is left to
    // the person, and the hint says when the file looks like another one's export.
    RecognizeSource();
    if (recognition_.Recognised() && kd::TrimView(ProgramName()).empty()) {
      view_.SetText(Control::ProgrammCombo, std::string(recognition_.program));
    }
    ShowRecognitionHint();
  });
}

void TForm1::Button4Click() {
  Guarded([this] {
    ReadSettings();
    kd::ConversionSettings& settings = conversion_.settings;
    const std::optional<std::string> chosen = services_.SaveFileName(
        "Kandrel - Verzeichnis suchen", settings.DataDirectory, "Konfi-" + settings.PayrollYear);
    if (chosen) settings.DataDirectory = *chosen;
    BackToProgramFolder(services_);
    settings.DataDirectory = CutBackToFolder(settings.DataDirectory);
    SetMemoLine(Control::FormelMemo, 1, settings.DataDirectory);
    ReadSettings();
    // A source path typed into the first settings line takes effect now.
    if (settings.SourcePath != recognizedPath_) RecognizeSource();
    ShowRecognitionHint();
  });
}

// ---------------------------------------------------------------------------------------------
// Recognition of the source file's program

void TForm1::RecognizeSource() {
  recognizedPath_ = conversion_.settings.SourcePath;
  recognition_ = kd::Recognition();
  if (recognizedPath_.empty() || !kd::RegularFileExists(recognizedPath_)) return;
  try {
    recognition_ = kd::readers::RecognizeFile(recognizedPath_);
  } catch (const kd::FileError&) {
    // A file that cannot be read names no program; the run reports it when it loads the file.
  }
}

void TForm1::ShowRecognitionHint() {
  view_.SetText(Control::ErkanntLabel, kd::RecognitionHint(recognition_, ProgramName()));
}

void TForm1::ProgrammComboChange() {
  ShowRecognitionHint();
}

// ---------------------------------------------------------------------------------------------
// Conversion run and end

void TForm1::Button1Click() {
  protocolWindow_.RunStarting();
  // The records reach the list inside the guard: a list too big for the memory is a message.
  Guarded([this] {
    conversion_.Run(ProgramName());
    FlushRecords();
  });
  if (conversion_.protocol.Started()) {
    // The run showed the export it read in the source-file view.
    protocolSourcePath_ = conversion_.settings.SourcePath;
    protocolSourceShown_ = true;
  }
  ShowProtocolButton();
  protocolWindow_.RunEnded();
}

void TForm1::EndeButtonClick() {
  // The settings file is Windows-1252 text: a line it cannot hold is not saved as something
  // else (a path with "?" would name no file); the person decides.
  std::vector<std::string> lines{view_.Text(Control::ProgrammCombo)};
  const std::vector<std::string> settingsLines = SettingsLines();
  lines.insert(lines.end(), settingsLines.begin(), settingsLines.end());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string converted;
    if (kd::Utf8ToCp1252Exact(lines[i], converted)) {
      lines[i] = std::move(converted);
      continue;
    }
    services_.Message(
        (i == 0 ? "Die Zeile \"Übernahme aus Programm\"" : "Die Zeile " + std::to_string(i)) +
            " der Einstellungen enthält ein Zeichen, das die Datei " + kSettingsFile +
            " nicht speichern kann:\n\n" + lines[i] +
            "\n\nDie Einstellungen werden nicht gespeichert und das Fenster bleibt offen. Ändern "
            "Sie die Zeile, oder schließen Sie das Fenster ohne zu speichern.",
        "Einstellungen nicht gespeichert", kd::Icon::Stop);
    return;
  }
  try {
    kd::WriteLines(services_.Files(), kSettingsFile, lines);
  } catch (const kd::FileError& error) {
    services_.Error(error.what());
    return;
  }
  view_.CloseWindow();
}

void TForm1::Click(Control control) {
  switch (control) {
    case Control::Button3:
      return Button3Click();
    case Control::Button4:
      return Button4Click();
    case Control::Button1:
      return Button1Click();
    case Control::EndeButton:
      return EndeButtonClick();
    case Control::ProtokollButton:
      return ProtokollButtonClick();
    default:
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// The protocol

void TForm1::ShowProtocolButton() {
  const bool available = protocolWindow_.Available();
  view_.SetText(Control::ProtokollButton,
                available ? ProtocolButtonCaption(conversion_.protocol) : "Protokoll");
  if (available) {
    view_.Enable(Control::ProtokollButton);
  } else {
    view_.Disable(Control::ProtokollButton);
  }
}

void TForm1::ProtokollButtonClick() {
  if (!protocolWindow_.Available()) return;
  protocolWindow_.Open(view_.ProtocolWindow());
}

// The line of the export as the run read it: the view shows that export again when it shows
// another file now or was typed into.
void TForm1::ShowExportLine(std::size_t number) {
  if (number == 0) return;
  Guarded([&] {
    if (!protocolSourceShown_) {
      const kd::SourceText contents = kd::LoadSourceText(services_.Files(), protocolSourcePath_);
      ShowSourceFile("Quelldatei: " + protocolSourcePath_, contents.View());
      protocolSourceShown_ = true;
    } else if (view_.Edited(Control::Memo1)) {
      view_.SetText(Control::Memo1, Utf8(MemoText(shownSource_)));
    }
    view_.SelectLine(Control::Memo1, number - 1);
  });
}

// ---------------------------------------------------------------------------------------------
// Settings lines

void TForm1::ReadSettings() {
  conversion_.ReadSettings(SettingsLines(), ProgramName());
}

std::string TForm1::ProgramName() const {
  return Cp1252(view_.Text(Control::ProgrammCombo));
}

std::vector<std::string> TForm1::SettingsLines() const {
  const std::string text = view_.Text(Control::FormelMemo);
  std::vector<std::string> lines;
  for (std::string_view line : kd::SplitLines(text)) lines.emplace_back(line);
  return lines;
}

void TForm1::SetMemoLine(Control memo, std::size_t index, const std::string& utf8Line) {
  std::vector<std::string> lines = MemoLines(view_.Text(memo));
  if (lines.size() <= index) lines.resize(index + 1);
  lines[index] = utf8Line;
  view_.SetText(memo, JoinLines(lines));
}

// ---------------------------------------------------------------------------------------------
// What the conversion shows

void TForm1::ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) {
  FlushRecords();
  services_.Message(text, caption, icon);
}

void TForm1::ShowError(const std::string& text) {
  FlushRecords();
  services_.Error(text);
}

bool TForm1::Ask(const std::string& text, const std::string& caption) {
  FlushRecords();
  return services_.Question(text, caption);
}

void TForm1::ShowSourceFile(const std::string& panelCaption, std::string_view contents) {
  view_.SetText(Control::Panel4, panelCaption);
  if (contents != shownSource_) protocolSourceShown_ = false;
  // Choosing a file shows it, and the run shows the same file again when it loads it; a view
  // that already holds exactly these contents, unedited, is left as it is.
  if (contents == shownSource_ && !view_.Edited(Control::Memo1)) return;
  view_.SetText(Control::Memo1, Utf8(MemoText(contents)));
  shownSource_.assign(contents);
}

// Records are collected and shown in blocks (before every message and at the end of a run),
// so a long run costs one append per block, not one per record.
void TForm1::AppendRecord(std::string_view record) {
  if (hasPendingRecords_) pendingRecords_ += '\n';
  const std::size_t start = pendingRecords_.size();
  pendingRecords_.append(record);
  // A control character would cut the memo's text or break its line.
  for (std::size_t i = start; i < pendingRecords_.size(); ++i) {
    pendingRecords_[i] = Printable(pendingRecords_[i]);
  }
  hasPendingRecords_ = true;
}

void TForm1::FlushRecords() {
  if (!hasPendingRecords_) return;
  view_.AppendLines(Control::Memo3, Utf8(pendingRecords_));
  pendingRecords_.clear();
  hasPendingRecords_ = false;
}

}  // namespace kd::form
