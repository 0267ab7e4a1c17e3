#include "formservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

std::optional<QString> QtFormServices::OpenFileName(QWidget* parent, const QString& title) {
  const QString chosen = QFileDialog::getOpenFileName(parent, title);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

std::optional<QString> QtFormServices::SaveFileName(QWidget* parent, const QString& title,
                                                    const QString& startFolder,
                                                    const QString& proposedName) {
  // Before a data directory was ever chosen it is a lone separator, the root of the drive: a
  // person expects the dialog in the program's folder then.
  const QString cleaned = QDir::fromNativeSeparators(startFolder);
  const QString folder =
      cleaned.isEmpty() || cleaned == QStringLiteral("/") ? QDir::currentPath() : startFolder;
  const QString start = QDir(folder).filePath(proposedName);
  const QString chosen = QFileDialog::getSaveFileName(parent, title, start, QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

void QtFormServices::Message(QWidget* parent, const QString& text, const QString& caption,
                             kd::Icon icon) {
  QMessageBox box(icon == kd::Icon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                  caption, text, QMessageBox::Ok, parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void QtFormServices::Error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("KDIMPORT"), text, QMessageBox::Ok, parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

QString QtFormServices::ProgramFolder() {
  return QCoreApplication::applicationDirPath();
}

QDate QtFormServices::Today() {
  return QDate::currentDate();
}
