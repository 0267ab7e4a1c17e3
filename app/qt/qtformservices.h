// The desktop for the Qt window: Qt's file dialogs and message boxes, the desktop's browser, the
// program's folder, today's date and the decimal separator from the system locale.
#pragma once

#include "formservices.h"

class QWidget;

class QtFormServices : public kd::form::FormServices {
 public:
  // The window the dialogs and message boxes belong to.
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> OpenFileName(const std::string& title) override;
  std::optional<std::string> SaveFileName(const std::string& title, const std::string& startFolder,
                                          const std::string& proposedName) override;
  std::optional<std::string> SaveFileAs(const std::string& title, const std::string& startFolder,
                                        const std::string& proposedName,
                                        const std::string& typeName,
                                        const std::string& pattern) override;
  bool OpenDocument(const std::string& path) override;
  void Message(const std::string& text, const std::string& caption, kd::Icon icon) override;
  void Error(const std::string& text) override;
  bool Question(const std::string& text, const std::string& caption) override;
  std::filesystem::path ProgramFolder() override;
  kd::form::Today Date() override;
  std::string DecimalSeparator() override;

 private:
  QWidget* parent_ = nullptr;
};
