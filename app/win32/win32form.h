// The main window on the Win32 API: the controls of the form definition created as native
// controls, the window's messages routed to the toolkit-free logic, the dialogs of the
// FormServices given to it. Nothing here decides anything.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <memory>
#include <string_view>
#include <vector>

#include "formdefinition.h"
#include "formservices.h"
#include "formview.h"
#include "tform1.h"

class Win32ProtocolWindow;

class Win32Form : private kd::form::FormView {
 public:
  // Creates the window and its controls, hidden; Show puts it on the screen.
  Win32Form(kd::form::FormServices& services, HINSTANCE instance);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND Handle() const { return window_; }
  // The native control of a name of the form, such as "Button1"; null for an unknown name.
  HWND Control(std::string_view name) const;
  kd::form::TForm1& Logic() { return *logic_; }
  // The protocol window once the protocol button opened it; null before.
  Win32ProtocolWindow* ProtocolWindowIfCreated() const { return protocol_.get(); }

  // Shows the window centred on the screen; the first show runs FormShow.
  void Show(int showCommand);
  // True once the window was closed (by "&Ende" or otherwise).
  bool Closed() const { return window_ == nullptr; }
  // When set, closing the window ends the thread's message loop.
  void QuitOnClose(bool quit) { quitOnClose_ = quit; }

  // The message loop of a program whose window this is: keyboard navigation (tab key, access
  // keys) as in a dialog. Returns when the window is closed.
  int RunMessageLoop();
  // Dialog keys for one message from the loop (for this window or its protocol window); true
  // when it was handled.
  bool DialogKey(MSG& message);

 private:
  struct Created {
    const kd::form::ControlDefinition* definition;
    HWND handle;
  };

  LRESULT OnMessage(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  void PlaceControls();
  void DrawPanel(const DRAWITEMSTRUCT& item);
  HFONT FontFor(kd::form::Font font) const;
  int Scaled(int pixels) const;

  // kd::form::FormView
  std::string Text(kd::form::Control control) const override;
  void SetText(kd::form::Control control, const std::string& text) override;
  void AppendLines(kd::form::Control control, const std::string& lines) override;
  bool Edited(kd::form::Control control) const override;
  void Enable(kd::form::Control control) override;
  void Disable(kd::form::Control control) override;
  void Focus(kd::form::Control control) override;
  void SelectLine(kd::form::Control memo, std::size_t line) override;
  kd::form::ProtocolView& ProtocolWindow() override;
  void CloseWindow() override;

  HWND Handle(kd::form::Control control) const;
  const Created* Find(HWND handle) const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  HFONT formFont_ = nullptr;
  HFONT settingsFont_ = nullptr;
  HFONT sourceFont_ = nullptr;
  HBRUSH yellow_ = nullptr;
  HBRUSH aqua_ = nullptr;
  std::vector<Created> controls_;
  std::unique_ptr<kd::form::TForm1> logic_;
  std::unique_ptr<Win32ProtocolWindow> protocol_;
  HWND lastFocus_ = nullptr;
  bool shown_ = false;
  bool quitOnClose_ = false;
};
