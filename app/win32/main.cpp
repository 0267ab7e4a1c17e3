// kdimport.exe: the window for taking over personnel master data into Kandrel, on Windows.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <commctrl.h>
#include <windows.h>

#include "win32form.h"
#include "win32formservices.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  Win32FormServices services;
  Win32Form form(services, instance);
  if (form.Handle() == nullptr) return 1;
  services.SetOwner(form.Handle());
  form.QuitOnClose(true);
  form.Show(showCommand);
  return form.RunMessageLoop();
}
