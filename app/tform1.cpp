#include "tform1.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <exception>

#include "readers.h"
#include "text.h"
#include "textfile.h"
#include "ui_tform1.h"

namespace {

constexpr const char* kSettingsFile = "KDIMPORT.INI";
constexpr QSize kStartSize(805, 699);

// Windows-1252 agrees with Latin-1 everywhere but in 0x80-0x9F; text without those bytes (the
// usual export) is taken over directly, which matters for the file and record views.
QString FromCp1252(std::string_view text) {
  const bool latin1 = std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte <= 0x9F;
  });
  if (latin1) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  const std::string utf8 = kd::Cp1252ToUtf8(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCp1252(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return kd::Utf8ToCp1252(
      std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// A path from a file dialog as the core holds paths: native separators, Windows-1252.
std::string DialogPath(const QString& path) {
  return ToCp1252(QDir::toNativeSeparators(path));
}

// The folder of a path chosen in the save dialog: the text before the last separator at the
// second character or later, with one separator appended; a single separator when there is
// none. A folder that already ends with its separator stays as it is.
std::string CutBackToFolder(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 1;) {
    if (path[i] == kd::kPathSeparator) return path.substr(0, i) + kd::kPathSeparator;
  }
  return std::string(1, kd::kPathSeparator);
}

// File text as one memo text: CR LF, LF and a lone CR end a line; a line break after the
// last line starts no extra line.
std::string MemoText(std::string_view contents) {
  std::string text;
  text.reserve(contents.size());
  for (std::size_t i = 0; i < contents.size(); ++i) {
    const char c = contents[i];
    if (c == '\r') {
      if (i + 1 < contents.size() && contents[i + 1] == '\n') ++i;
      text += '\n';
    } else {
      text += c;
    }
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void SetMemoLine(QPlainTextEdit* memo, int index, const QString& line) {
  QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
  while (lines.size() <= index) lines.append(QString());
  lines[index] = line;
  memo->setPlainText(lines.join(QLatin1Char('\n')));
}

}  // namespace

TForm1::TForm1(FormServices& services, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      services_(services),
      conversion_(*this, kd::readers::Table()) {
  Q_INIT_RESOURCE(kdimport);
  ui_->setupUi(this);
  ui_->Memo1->setFont([this] {
    QFont font = ui_->Memo1->font();
    font.setStyleHint(QFont::TypeWriter);
    return font;
  }());

  const std::string point = ToCp1252(QLocale::system().decimalPoint().left(1));
  if (point.size() == 1) conversion_.decimalSeparator = point[0];

  connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(ui_->EndeButton, &QPushButton::clicked, this, &TForm1::EndeButtonClick);

  const auto anchor = [this](QWidget* widget, int moveX, int moveY, int growWidth, int growHeight) {
    anchors_.push_back({widget, widget->geometry(), moveX, moveY, growWidth, growHeight});
  };
  anchor(ui_->Memo2, 0, 0, 2, 1);
  for (QWidget* w : {static_cast<QWidget*>(ui_->Panel3), static_cast<QWidget*>(ui_->Panel2),
                     static_cast<QWidget*>(ui_->Memo5), static_cast<QWidget*>(ui_->FormelMemo),
                     static_cast<QWidget*>(ui_->Button3), static_cast<QWidget*>(ui_->Button4)}) {
    anchor(w, 0, 1, 0, 0);
  }
  for (QWidget* w : {static_cast<QWidget*>(ui_->Label1), static_cast<QWidget*>(ui_->ProgrammCombo),
                     static_cast<QWidget*>(ui_->Button1), static_cast<QWidget*>(ui_->EndeButton)}) {
    anchor(w, 2, 1, 0, 0);
  }
  anchor(ui_->Panel4, 0, 1, 1, 0);
  anchor(ui_->Memo1, 0, 1, 1, 1);
  anchor(ui_->Panel1, 1, 1, 1, 0);
  anchor(ui_->Memo3, 1, 1, 1, 1);
  resize(kStartSize);
}

TForm1::~TForm1() = default;

template <typename Handler>
void TForm1::Guarded(Handler handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    FlushRecords();
    services_.Error(this, QString::fromUtf8(error.what()));
  }
}

// ---------------------------------------------------------------------------------------------
// Window events

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_ || event->spontaneous()) return;
  shown_ = true;
  if (const QScreen* display = screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(display->availableGeometry().center());
    move(frame.topLeft());
  }
  FormShow();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int dx = std::max(0, width() - kStartSize.width());
  const int dy = std::max(0, height() - kStartSize.height());
  const auto share = [](int extra, int parts) { return parts == 2 ? extra : parts * extra / 2; };
  for (const Anchor& a : anchors_) {
    a.widget->setGeometry(
        a.start.x() + share(dx, a.moveX), a.start.y() + share(dy, a.moveY),
        a.start.width() + (a.growWidth == 1 ? dx - dx / 2 : share(dx, a.growWidth)),
        a.start.height() + (a.growHeight == 1 ? dy - dy / 2 : share(dy, a.growHeight)));
  }
}

void TForm1::FormShow() {
  Guarded([this] {
    ui_->Button1->setEnabled(true);
    ui_->Button1->setFocus();
    ReadSettingsFile();
  });
  const QDate today = services_.Today();
  const QString year = QString::number(today.year() % 100).rightJustified(2, QLatin1Char('0'));
  SetSettingsLine(4, year);
  SetMemoLine(ui_->Memo5, 4, QStringLiteral("Jahr der ersten Abrechnung (z.B. ") + year + ')');
}

// The settings file holds the program name, then the settings lines.
void TForm1::ReadSettingsFile() {
  if (!kd::RegularFileExists(kSettingsFile)) return;
  const std::string contents = kd::ReadWholeFile(kSettingsFile);
  const std::vector<std::string_view> lines = kd::SplitLines(contents);
  QStringList memoLines;
  for (std::size_t i = 1; i < lines.size(); ++i) memoLines.append(FromCp1252(lines[i]));
  ui_->ProgrammCombo->setEditText(lines.empty() ? QString() : FromCp1252(lines.front()));
  ui_->FormelMemo->setPlainText(memoLines.join(QLatin1Char('\n')));
  ReadSettings();
}

// ---------------------------------------------------------------------------------------------
// Source and target selection

void TForm1::Button3Click() {
  Guarded([this] {
    const QString title =
        ui_->ProgrammCombo->currentText() + QStringLiteral(" -Exportdatei suchen");
    if (const std::optional<QString> chosen = services_.OpenFileName(this, title)) {
      conversion_.settings.SourcePath = DialogPath(*chosen);
    }
    SetSettingsLine(0, FromCp1252(conversion_.settings.SourcePath));
    QDir::setCurrent(services_.ProgramFolder());
  });
}

void TForm1::Button4Click() {
  Guarded([this] {
    const QString title = QStringLiteral("Kandrel - Verzeichnis suchen");
    ReadSettings();
    kd::ConversionSettings& settings = conversion_.settings;
    const std::optional<QString> chosen =
        services_.SaveFileName(this, title, FromCp1252(settings.DataDirectory),
                               QStringLiteral("Konfi-") + FromCp1252(settings.PayrollYear));
    if (chosen) settings.DataDirectory = DialogPath(*chosen);
    QDir::setCurrent(services_.ProgramFolder());
    settings.DataDirectory = CutBackToFolder(settings.DataDirectory);
    SetSettingsLine(1, FromCp1252(settings.DataDirectory));
    ReadSettings();
  });
}

// ---------------------------------------------------------------------------------------------
// Conversion run and end

void TForm1::Button1Click() {
  Guarded([this] { conversion_.Run(ProgramName()); });
  FlushRecords();
}

void TForm1::EndeButtonClick() {
  std::vector<std::string> lines{ProgramName()};
  const std::vector<std::string> settingsLines = SettingsLines();
  lines.insert(lines.end(), settingsLines.begin(), settingsLines.end());
  try {
    kd::WriteLines(kSettingsFile, lines);
  } catch (const kd::FileError& error) {
    services_.Error(this, QString::fromUtf8(error.what()));
    return;
  }
  close();
}

// ---------------------------------------------------------------------------------------------
// Settings lines

void TForm1::ReadSettings() {
  conversion_.ReadSettings(SettingsLines(), ProgramName());
}

std::string TForm1::ProgramName() const {
  return ToCp1252(ui_->ProgrammCombo->currentText());
}

std::vector<std::string> TForm1::SettingsLines() const {
  const std::string text = ToCp1252(ui_->FormelMemo->toPlainText());
  std::vector<std::string> lines;
  for (std::string_view line : kd::SplitLines(text)) lines.emplace_back(line);
  return lines;
}

void TForm1::SetSettingsLine(int index, const QString& text) {
  SetMemoLine(ui_->FormelMemo, index, text);
}

// ---------------------------------------------------------------------------------------------
// What the conversion shows

void TForm1::ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) {
  FlushRecords();
  services_.Message(this, QString::fromUtf8(text), QString::fromUtf8(caption), icon);
}

void TForm1::ShowError(const std::string& text) {
  FlushRecords();
  services_.Error(this, QString::fromUtf8(text));
}

void TForm1::ShowSourceFile(const std::string& panelCaption, std::string_view contents) {
  ui_->Panel4->setText(QString::fromUtf8(panelCaption));
  // Choosing a file shows it, and the run shows the same file again when it loads it; a view
  // that already holds exactly these contents, unedited, is left as it is.
  if (contents == shownSource_ && !ui_->Memo1->document()->isModified()) return;
  ui_->Memo1->setPlainText(FromCp1252(MemoText(contents)));
  shownSource_.assign(contents);
}

// Records are collected and shown in blocks (before every message and at the end of a run),
// so a long run costs one append per block, not one per record.
void TForm1::AppendRecord(std::string_view record) {
  if (hasPendingRecords_) pendingRecords_ += '\n';
  pendingRecords_.append(record);
  hasPendingRecords_ = true;
}

void TForm1::FlushRecords() {
  if (!hasPendingRecords_) return;
  ui_->Memo3->appendPlainText(FromCp1252(pendingRecords_));
  pendingRecords_.clear();
  hasPendingRecords_ = false;
}
