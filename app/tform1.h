// The main window: help text, program choice, the five settings lines, the four steps of the
// workflow, the source file as loaded and the list of produced records.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "conversion.h"
#include "formservices.h"
#include "ui.h"

namespace Ui {
class TForm1;
}

class TForm1 : public QWidget, private kd::UserInterface {
  Q_OBJECT

 public:
  explicit TForm1(FormServices& services, QWidget* parent = nullptr);
  ~TForm1() override;

  // The settings as the conversion uses them (as they stood at the last ReadSettings).
  const kd::ConversionSettings& Settings() const { return conversion_.settings; }

 public slots:
  void FormShow();
  void Button3Click();
  void Button4Click();
  void Button1Click();
  void EndeButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // kd::UserInterface
  void ShowMessage(const std::string& text, const std::string& caption, kd::Icon icon) override;
  void ShowError(const std::string& text) override;
  void ShowSourceFile(const std::string& panelCaption, std::string_view contents) override;
  void AppendRecord(std::string_view record) override;

  void ReadSettings();
  std::string ProgramName() const;
  // The lines of the settings memo as Windows-1252 text; a line break after the last line
  // starts no extra line.
  std::vector<std::string> SettingsLines() const;
  void SetSettingsLine(int index, const QString& text);
  void ReadSettingsFile();
  // Shows the records collected since the last call below those already in the list.
  void FlushRecords();
  // Runs a handler; an error escaping it is shown as a file error is, and the window goes on.
  template <typename Handler>
  void Guarded(Handler handler);

  std::unique_ptr<Ui::TForm1> ui_;
  FormServices& services_;
  kd::Conversion conversion_;
  std::string shownSource_;     // what the source-file view shows, as loaded
  std::string pendingRecords_;  // records not yet shown, one per line
  bool hasPendingRecords_ = false;
  bool shown_ = false;
  // How each control follows a change of the window size: its place at the start size and
  // the shares (0, 1 = half, 2 = all) of the extra width and height by which it moves and grows.
  struct Anchor {
    QWidget* widget;
    QRect start;
    int moveX, moveY, growWidth, growHeight;
  };
  std::vector<Anchor> anchors_;
};
