// The desktop as the window tests see it: dialogs answered from a script, message boxes
// recorded in the order they appear, a chosen program folder and date.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "formservices.h"

struct ShownBox {
  QString kind;  // "message" or "error"
  QString text;
  QString caption;
  kd::Icon icon = kd::Icon::Information;
};

struct SaveDialogCall {
  QString title;
  QString startFolder;
  QString proposedName;
};

class ScriptedServices : public FormServices {
 public:
  std::optional<QString> OpenFileName(QWidget*, const QString& title) override {
    openTitles.append(title);
    return Next(openAnswers);
  }
  std::optional<QString> SaveFileName(QWidget*, const QString& title, const QString& startFolder,
                                      const QString& proposedName) override {
    saveCalls.push_back({title, startFolder, proposedName});
    return Next(saveAnswers);
  }
  void Message(QWidget*, const QString& text, const QString& caption, kd::Icon icon) override {
    boxes.push_back({"message", text, caption, icon});
    if (onBox) onBox();
  }
  void Error(QWidget*, const QString& text) override {
    boxes.push_back({"error", text, QString(), kd::Icon::Stop});
    if (onBox) onBox();
  }
  QString ProgramFolder() override { return programFolder; }
  QDate Today() override { return today; }

  // Answers of the dialogs in turn; nothing left or std::nullopt means "cancelled".
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> saveAnswers;

  QStringList openTitles;
  std::vector<SaveDialogCall> saveCalls;
  std::vector<ShownBox> boxes;
  std::function<void()> onBox;  // runs while a box "is open"

  QString programFolder;
  QDate today{2019, 1, 7};

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
