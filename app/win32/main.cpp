// kdimport.exe: the window for taking over personnel master data into Kandrel, on Windows.
// clang-format off
#include "win32form.h"
#include "win32formservices.h"
// Needs windows.h before it.
#include <commctrl.h>
// clang-format on

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
