// What the window asks of the desktop: the two file dialogs, message boxes, the program's own
// folder and today's date. The program uses Qt's dialogs; tests answer through their own
// implementation, so no person has to click.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "ui.h"

class QWidget;

class FormServices {
 public:
  virtual ~FormServices() = default;

  // File-open dialog without a file type filter and without a start folder of its own.
  // The full path of the confirmed file, or nothing when the user cancelled.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& title) = 0;

  // File-save dialog used to point at a folder: it starts in `startFolder`, proposes
  // `proposedName`, has no file type filter, asks no overwrite question and writes nothing.
  // The full path of the confirmed name, or nothing when the user cancelled.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QString& startFolder,
                                              const QString& proposedName) = 0;

  // A modal message box with one OK button.
  virtual void Message(QWidget* parent, const QString& text, const QString& caption,
                       kd::Icon icon) = 0;

  // A file error that ended an action: a modal box with the stop icon and the message.
  virtual void Error(QWidget* parent, const QString& text) = 0;

  // The folder of the program's executable; the current directory is set back to it after
  // each file dialog.
  virtual QString ProgramFolder() = 0;

  virtual QDate Today() = 0;
};

// The real desktop: Qt's file dialogs and message boxes.
class QtFormServices : public FormServices {
 public:
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                      const QString& startFolder,
                                      const QString& proposedName) override;
  void Message(QWidget* parent, const QString& text, const QString& caption,
               kd::Icon icon) override;
  void Error(QWidget* parent, const QString& text) override;
  QString ProgramFolder() override;
  QDate Today() override;
};
