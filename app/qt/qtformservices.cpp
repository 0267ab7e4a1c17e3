#include "qtformservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QUrl>

#include "qttext.h"

using kd::qt::FromUtf8;

namespace {

// A dialog's answer as the window holds paths: native separators, UTF-8.
std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(path).toStdString();
}

// Where a save dialog starts: the proposed name in the start folder, or in the current
// directory, the program's folder, while the start folder names none.
QString StartPath(const std::string& startFolder, const std::string& proposedName) {
  const QString folder =
      kd::form::IsUnsetFolder(startFolder) ? QDir::currentPath() : FromUtf8(startFolder);
  return QDir(folder).filePath(FromUtf8(proposedName));
}

}  // namespace

std::optional<std::string> QtFormServices::OpenFileName(const std::string& title) {
  return Chosen(QFileDialog::getOpenFileName(parent_, FromUtf8(title)));
}

std::optional<std::string> QtFormServices::SaveFileName(const std::string& title,
                                                        const std::string& startFolder,
                                                        const std::string& proposedName) {
  return Chosen(QFileDialog::getSaveFileName(parent_, FromUtf8(title),
                                             StartPath(startFolder, proposedName), QString(),
                                             nullptr, QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> QtFormServices::SaveFileAs(const std::string& title,
                                                      const std::string& startFolder,
                                                      const std::string& proposedName,
                                                      const std::string& typeName,
                                                      const std::string& pattern) {
  const QString filter = FromUtf8(typeName) + " (" + FromUtf8(pattern) + ")";
  // The window in front, such as the protocol window, owns the dialog.
  QWidget* owner = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : parent_;
  return Chosen(QFileDialog::getSaveFileName(owner, FromUtf8(title),
                                             StartPath(startFolder, proposedName), filter));
}

bool QtFormServices::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(FromUtf8(path)));
}

void QtFormServices::Message(const std::string& text, const std::string& caption, kd::Icon icon) {
  QMessageBox box(icon == kd::Icon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                  FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, parent_);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void QtFormServices::Error(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("KDIMPORT"), FromUtf8(text),
                  QMessageBox::Ok, parent_);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool QtFormServices::Question(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, FromUtf8(caption), FromUtf8(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

std::filesystem::path QtFormServices::ProgramFolder() {
  return QCoreApplication::applicationDirPath().toStdU16String();
}

kd::form::Today QtFormServices::Date() {
  const QDate today = QDate::currentDate();
  return {QLocale::system().toString(today, QLocale::ShortFormat).toStdString(), today.year()};
}

std::string QtFormServices::DecimalSeparator() {
  return QLocale::system().decimalPoint().toStdString();
}
