// The desktop for the Win32 window: the common file dialogs, message boxes, the shell's program
// for a page, the program's folder, and the short date and the decimal separator from the user's
// locale.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "formservices.h"

class Win32FormServices : public kd::form::FormServices {
 public:
  // The window the dialogs and message boxes belong to.
  void SetOwner(HWND owner) { owner_ = owner; }

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
  HWND owner_ = nullptr;
};
