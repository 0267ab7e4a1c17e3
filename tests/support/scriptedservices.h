// The desktop as the window tests see it: dialogs answered from a script, message boxes
// recorded in the order they appear, a chosen program folder, date and decimal separator.
// The same object serves the tests of the window logic, of the Qt window and of the Win32
// window.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formservices.h"

struct ShownBox {
  std::string kind;  // "message", "error" or "question"
  std::string text;
  std::string caption;
  kd::Icon icon = kd::Icon::Information;
};

struct SaveDialogCall {
  std::string title;
  std::string startFolder;
  std::string proposedName;
  std::string fileType;  // "CSV-Dateien (*.csv)"; empty for the dialog that points at a folder
};

class ScriptedServices : public kd::form::FormServices {
 public:
  std::optional<std::string> OpenFileName(const std::string& title) override {
    openTitles.push_back(title);
    return Next(openAnswers);
  }
  std::optional<std::string> SaveFileName(const std::string& title, const std::string& startFolder,
                                          const std::string& proposedName) override {
    saveCalls.push_back({title, startFolder, proposedName, std::string()});
    return Next(saveAnswers);
  }
  std::optional<std::string> SaveFileAs(const std::string& title, const std::string& startFolder,
                                        const std::string& proposedName,
                                        const std::string& typeName,
                                        const std::string& pattern) override {
    saveCalls.push_back({title, startFolder, proposedName, typeName + " (" + pattern + ")"});
    return Next(saveAnswers);
  }
  // Records the page instead of starting a browser.
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return opens;
  }
  void Message(const std::string& text, const std::string& caption, kd::Icon icon) override {
    boxes.push_back({"message", text, caption, icon});
    if (onBox) onBox();
  }
  void Error(const std::string& text) override {
    boxes.push_back({"error", text, std::string(), kd::Icon::Stop});
    if (onBox) onBox();
  }
  bool Question(const std::string& text, const std::string& caption) override {
    questions.push_back({"question", text, caption, kd::Icon::Information});
    if (onBox) onBox();
    if (questionAnswers.empty()) return true;
    const bool yes = questionAnswers.front();
    questionAnswers.pop_front();
    return yes;
  }
  std::filesystem::path ProgramFolder() override { return programFolder; }
  kd::form::Today Date() override { return today; }
  std::string DecimalSeparator() override { return decimalSeparator; }
  kd::FileSystem& Files() override { return *files; }

  // Answers of the dialogs in turn (UTF-8 paths); nothing left or std::nullopt means
  // "cancelled".
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  // Answers to questions in turn: true "Ja"; nothing left means "Ja".
  std::deque<bool> questionAnswers;

  std::vector<std::string> openTitles;
  std::vector<SaveDialogCall> saveCalls;
  std::vector<ShownBox> boxes;
  std::vector<ShownBox> questions;  // apart from the boxes of messages
  std::vector<std::string> opened;  // documents opened in their program, in turn
  bool opens = true;                // whether opening them succeeds
  std::function<void()> onBox;      // runs while a box "is open"

  std::filesystem::path programFolder;
  kd::form::Today today{"07.01.2019", 2019};
  std::string decimalSeparator = ",";
  kd::FileSystem* files = &kd::DiskFiles();

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
