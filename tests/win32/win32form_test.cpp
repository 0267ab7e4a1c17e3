// The Win32 window as a person meets it, driven through its controls with window messages:
// the program list, the settings memo, the buttons and the access key, its fonts, colours,
// places and tab order; the dialogs and message boxes answered by the scripted services, and
// once each the real ones. Runs under Wine with a display.
#include <gtest/gtest.h>

// clang-format off
#include "win32form.h"
// Need windows.h before them.
#include <commctrl.h>
#include <commdlg.h>
// clang-format on

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scriptedservices.h"
#include "sha256.h"
#include "test_support.h"
#include "text.h"
#include "textfile.h"
#include "widetext.h"
#include "win32form.h"
#include "win32formservices.h"
#include "win32protocolwindow.h"

using kd::win32::Utf8;
using kd::win32::Wide;
using kdtest::ReadFile;
using kdtest::TempDir;
using kdtest::WriteFile;

namespace {

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

// A control's text as UTF-8 with the line ends the control holds.
std::string TextOf(HWND window) {
  return Utf8(WindowText(window));
}

void Type(HWND control, const std::string& utf8) {
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(utf8).c_str()));
}

void Click(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
  Pump();
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Utf8(name);
}

LONG_PTR Style(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

std::filesystem::path ProgramFile(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path() / name;
}

// Runs kdimport-cli.exe beside this test program in `folder` and waits for it.
DWORD RunCli(const std::vector<std::wstring>& arguments, const std::filesystem::path& folder) {
  std::wstring line = L"\"" + ProgramFile(L"kdimport-cli.exe").wstring() + L"\"";
  for (const std::wstring& a : arguments) line += L" \"" + a + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &process)) {
    return 255;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = 255;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

class Win32FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = std::filesystem::current_path();
    std::filesystem::current_path(kd::ToNativePath(program.Path()));
    services.programFolder = kd::ToNativePath(program.Path());
  }
  void TearDown() override { std::filesystem::current_path(start_); }

  std::unique_ptr<Win32Form> Start(bool show = true) {
    auto form = std::make_unique<Win32Form>(services, GetModuleHandleW(nullptr));
    EXPECT_NE(form->Handle(), nullptr);
    if (show) {
      form->Show(SW_SHOWNORMAL);
      SetForegroundWindow(form->Handle());
      Pump();
    }
    return form;
  }
  // A control's place in the client area, at 96 dots per inch.
  RECT Place(const Win32Form& form, HWND control) const {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return {MulDiv(r.left, 96, dpi), MulDiv(r.top, 96, dpi), MulDiv(r.right, 96, dpi),
            MulDiv(r.bottom, 96, dpi)};
  }

  TempDir program;
  ScriptedServices services;

 private:
  std::filesystem::path start_;
};

// ---------------------------------------------------------------------------------------------
// The window's definition

TEST_F(Win32FormTest, ControlsInTheirPlacesWithTheirTexts) {
  auto form = Start(false);
  struct Case {
    const char* name;
    const char* className;
    RECT place;  // left, top, right, bottom; the combo's height follows its font
    const char* text;
  };
  const Case cases[] = {
      {"Panel3", "Static", {8, 336, 241, 361}, "Die Angaben hierfür ......................"},
      {"Panel2", "Static", {256, 336, 473, 361}, "....... legen Sie hier fest."},
      {"Label1", "Static", {474, 344, 647, 361}, "1. Übernahme aus Programm:"},
      {"ProgrammCombo", "ComboBox", {648, 342, 737, 0}, ""},
      {"Memo5",
       "Edit",
       {8, 368, 241, 481},
       "Pfad und Name der Quell-Datei:\r\nDatenverzeichnis in Kandrel:\r\nUmlaute "
       "konvertieren:\r\nBankverbindungen übernehmen:\r\nJahr der 1. Abr. - wird aut. akt."},
      {"FormelMemo",
       "Edit",
       {256, 368, 473, 481},
       "c:\\Kandrel\\Firma\\\r\n\r\nJa\r\nJa \r\n15-wird autom. aktualiert "},
      {"Button3", "Button", {472, 368, 601, 386}, "2.  Suchen woher"},
      {"Button4", "Button", {472, 386, 601, 404}, "3.  Suchen wohin"},
      {"Button1", "Button", {608, 416, 769, 457}, "4.  Kandrel-Datei  erstellen"},
      {"EndeButton", "Button", {608, 480, 769, 505}, "&Ende"},
      {"Panel4", "Static", {8, 528, 489, 561}, "Quelldatei"},
      {"Memo1", "Edit", {8, 560, 489, 673}, ""},
      {"Panel1", "Static", {504, 528, 769, 561}, "Erzeugte Datensätze"},
      {"Memo3", "Edit", {504, 560, 769, 673}, ""},
      {"Memo2", "Edit", {8, 8, 769, 321}, nullptr},
      {"ErkanntLabel", "Static", {608, 366, 769, 412}, ""},
      {"ProtokollButton", "Button", {473, 456, 601, 481}, "Protokoll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND control = form->Control(c.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ClassOf(control), c.className);
    const RECT r = Place(*form, control);
    EXPECT_EQ(r.left, c.place.left);
    EXPECT_EQ(r.top, c.place.top);
    EXPECT_EQ(r.right, c.place.right);
    if (c.place.bottom != 0) {
      EXPECT_EQ(r.bottom, c.place.bottom);
    }
    if (c.text != nullptr) {
      EXPECT_EQ(TextOf(control), c.text);
    }
  }
  const std::string help = TextOf(form->Control("Memo2"));
  EXPECT_EQ(help.rfind("Folgende Voraussetzungen müssen vorliegen:\r\n1. ", 0), 0u);
  EXPECT_NE(help.find("\r\nVarial (Stand 25.09.2017) Mitarbeiterdaten in der Datei PWASCANS.EXP"),
            std::string::npos);

  HWND combo = form->Control("ProgrammCombo");
  std::vector<std::string> items;
  for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t item[32] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    items.push_back(Utf8(item));
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI",
                                             "Lexware", "sage", "SBS", "VARIAL"}));
  EXPECT_EQ(Style(combo) & 3, CBS_DROPDOWN);
}

TEST_F(Win32FormTest, WindowCaptionSizeIconAndVersion) {
  auto form = Start(false);
  EXPECT_EQ(TextOf(form->Handle()),
            "Kandrel - Schnittstelle zur Übernahme von Personalstammdaten im Textformat "
            "(Stand: 24.04.2018)");
  RECT client{};
  GetClientRect(form->Handle(), &client);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(MulDiv(client.right, 96, dpi), 805);
  EXPECT_EQ(MulDiv(client.bottom, 96, dpi), 699);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE) != nullptr, true);
  EXPECT_EQ(GetClassLongPtrW(form->Handle(), GCLP_HBRBACKGROUND),
            static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  // The program itself carries the icon, the version and the manifest.
  HMODULE exe = LoadLibraryExW(ProgramFile(L"kdimport.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  EXPECT_NE(FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // icon
  HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string manifestText(
      static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
      SizeofResource(exe, manifest));
  EXPECT_NE(manifestText.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  FreeLibrary(exe);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(ProgramFile(L"kdimport.exe").c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> version(size);
  ASSERT_TRUE(GetFileVersionInfoW(ProgramFile(L"kdimport.exe").c_str(), 0, size, version.data()));
  wchar_t* description = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\040704B0\\FileDescription",
                             reinterpret_cast<void**>(&description), &length));
  EXPECT_EQ(Utf8(description),
            "Kandrel - Schnittstelle zur Übernahme von Personalstammdaten im Textformat");
}

TEST_F(Win32FormTest, FontsOfTheControls) {
  auto form = Start(false);
  struct Case {
    const char* name;
    const wchar_t* face;
    int points;
  };
  const Case cases[] = {{"Button1", L"MS Sans Serif", 8},    {"Panel4", L"MS Sans Serif", 8},
                        {"Memo2", L"MS Sans Serif", 8},      {"Memo5", L"MS Sans Serif", 9},
                        {"FormelMemo", L"MS Sans Serif", 9}, {"Memo1", L"Courier New", 9}};
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto font = reinterpret_cast<HFONT>(SendMessageW(form->Control(c.name), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW log{};
    GetObjectW(font, sizeof log, &log);
    EXPECT_EQ(std::wstring(log.lfFaceName), c.face);
    EXPECT_EQ(log.lfHeight, -MulDiv(c.points, dpi, 72));
  }
  // The source file's fixed positions line up: every character takes the same room.
  auto source = reinterpret_cast<HFONT>(SendMessageW(form->Control("Memo1"), WM_GETFONT, 0, 0));
  HGDIOBJ previous = SelectObject(screen, source);
  SIZE narrow{}, wide{};
  for (const wchar_t* c : {L"W", L"0", L"\u00e4", L" ", L";"}) {
    GetTextExtentPoint32W(screen, L"i", 1, &narrow);
    GetTextExtentPoint32W(screen, c, 1, &wide);
    EXPECT_EQ(wide.cx, narrow.cx) << Utf8(c);
  }
  // Every label and button shows its whole text on one line.
  for (const char* name :
       {"Label1", "Button1", "Button3", "Button4", "EndeButton", "ProtokollButton"}) {
    HWND control = form->Control(name);
    SelectObject(screen, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring text = WindowText(control);
    RECT needed{0, 0, 0, 0};
    DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
    RECT room{};
    GetClientRect(control, &room);
    EXPECT_LE(needed.right, room.right) << name;
  }
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
}

TEST_F(Win32FormTest, YellowPanelsAquaCaptionsWhiteHelp) {
  auto form = Start(false);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const COLORREF yellow = RGB(255, 255, 0), aqua = RGB(0, 255, 255);
  for (const char* panel : {"Panel3", "Panel2", "Panel4", "Panel1"}) {
    HWND control = form->Control(panel);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
    item.hwndItem = control;
    item.hDC = memory;
    item.rcItem = {0, 0, 40, 40};
    SendMessageW(form->Handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(GetPixel(memory, 5, 3), yellow) << panel;
  }
  const std::pair<const char*, COLORREF> backgrounds[] = {{"Memo5", aqua},
                                                          {"Memo2", GetSysColor(COLOR_WINDOW)}};
  for (const auto& [memo, colour] : backgrounds) {
    SendMessageW(form->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory),
                 reinterpret_cast<LPARAM>(form->Control(memo)));
    EXPECT_EQ(GetBkColor(memory), colour) << memo;
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST_F(Win32FormTest, StylesAndTabOrder) {
  auto form = Start(false);
  EXPECT_FALSE(IsWindowEnabled(form->Control("Button1")));
  form->Show(SW_SHOWNORMAL);
  Pump();
  EXPECT_TRUE(IsWindowEnabled(form->Control("Button1")));

  struct Case {
    const char* name;
    bool readOnly, tabStop, vertical, horizontal, wraps;
  };
  const Case memos[] = {{"Memo2", true, true, true, false, true},
                        {"Memo5", true, false, false, false, false},
                        {"FormelMemo", false, true, false, true, false},
                        {"Memo1", false, true, true, true, false},
                        {"Memo3", false, true, true, true, false}};
  for (const Case& c : memos) {
    SCOPED_TRACE(c.name);
    const LONG_PTR style = Style(form->Control(c.name));
    EXPECT_EQ((style & ES_READONLY) != 0, c.readOnly);
    EXPECT_EQ((style & WS_TABSTOP) != 0, c.tabStop);
    EXPECT_EQ((style & WS_VSCROLL) != 0, c.vertical);
    EXPECT_EQ((style & WS_HSCROLL) != 0, c.horizontal);
    EXPECT_EQ((style & ES_AUTOHSCROLL) == 0, c.wraps);
    EXPECT_TRUE(style & ES_MULTILINE);
  }

  std::vector<std::string> order;
  HWND first = form->Control("Button1");
  HWND at = first;
  do {
    for (const char* name :
         {"Memo2", "Panel3", "Panel2", "Label1", "ProgrammCombo", "Memo5", "FormelMemo", "Button3",
          "Button4", "Button1", "EndeButton", "Panel4", "Memo1", "Panel1", "Memo3"}) {
      if (form->Control(name) == at) order.push_back(name);
    }
    at = GetNextDlgTabItem(form->Handle(), at, FALSE);
  } while (at != nullptr && at != first && order.size() < 20);
  EXPECT_EQ(order,
            (std::vector<std::string>{"Button1", "ProgrammCombo", "Button3", "Button4",
                                      "FormelMemo", "EndeButton", "Memo2", "Memo1", "Memo3"}));
}

// The tab key in the settings memo moves on, as in a dialog, instead of typing a tab.
TEST_F(Win32FormTest, TabKeyLeavesTheSettingsMemo) {
  auto form = Start();
  HWND memo = form->Control("FormelMemo");
  SetFocus(memo);
  const std::string before = TextOf(memo);
  MSG key{memo, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  if (!form->DialogKey(key)) {
    TranslateMessage(&key);
    DispatchMessageW(&key);
  }
  Pump();
  EXPECT_EQ(GetFocus(), form->Control("EndeButton"));
  EXPECT_EQ(TextOf(memo), before);
}

// ---------------------------------------------------------------------------------------------
// A person's first start, a conversion, "&Ende" and the next start

TEST_F(Win32FormTest, FirstStartConversionEndeAndRestart) {
  const std::string sample = ReadFile(KDIMPORT_SAMPLES_DIR "/agenda/Personaldaten.csv");
  ASSERT_FALSE(sample.empty());
  const std::string exportFolder = program.File("Lohn Müller");
  std::filesystem::create_directory(kd::ToNativePath(exportFolder));
  const std::string source = exportFolder + "\\Personaldaten.csv";
  WriteFile(source, sample);
  const std::string data = program.File("FIRMA");
  std::filesystem::create_directory(kd::ToNativePath(data));
  WriteFile(data + "\\Konfi-18", "");
  services.today = {"07.01.2019", 2019};

  // The command line on the same export, with the same settings, into a folder of its own.
  // (A folder without its trailing backslash: "...\" would quote the closing quote.)
  TempDir cliData;
  std::filesystem::create_directory(kd::ToNativePath(cliData.File("FIRMA")));
  WriteFile(cliData.File("FIRMA\\Konfi-18"), "");
  ASSERT_EQ(RunCli({L"--program", L"Agenda", L"--source", kd::ToNativePath(source).wstring(),
                    L"--data-dir", kd::ToNativePath(cliData.File("FIRMA")).wstring(), L"--year",
                    L"18", L"--umlauts", L"Ja", L"--bank", L"Ja ", L"--decimal-separator", L","},
                   kd::ToNativePath(program.Path())),
            0u);
  const std::string expectedImport = ReadFile(cliData.File("FIRMA\\KDIMPORT.TXT"));
  const std::string expectedBank = ReadFile(cliData.File("FIRMA\\Bank-18"));
  ASSERT_EQ(expectedImport.rfind("KONV=1;\r\n", 0), 0u);

  auto form = Start();
  HWND combo = form->Control("ProgrammCombo");
  HWND settings = form->Control("FormelMemo");
  EXPECT_EQ(TextOf(settings), "c:\\Kandrel\\Firma\\\r\n\r\nJa\r\nJa \r\n19");
  EXPECT_EQ(GetFocus(), form->Control("Button1"));

  // 1. The program from the list.
  const LRESULT agenda = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"Agenda"));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(agenda), 0);
  EXPECT_EQ(TextOf(combo), "Agenda");
  // 2. The export.
  services.openAnswers.push_back(source);
  Click(form->Control("Button3"));
  EXPECT_EQ(services.openTitles, std::vector<std::string>{"Agenda -Exportdatei suchen"});
  // The samples are of 2018: the year line is changed before choosing the data directory.
  std::string lines = TextOf(settings);
  lines.replace(lines.rfind("\r\n") + 2, std::string::npos, "18");
  Type(settings, lines);
  // 3. The data directory.
  services.saveAnswers.push_back(data + "\\Konfi-18");
  Click(form->Control("Button4"));
  ASSERT_EQ(services.saveCalls.size(), 1u);
  EXPECT_EQ(services.saveCalls[0].proposedName, "Konfi-18");
  EXPECT_EQ(TextOf(settings), source + "\r\n" + data + "\\\r\nJa\r\nJa \r\n18");
  EXPECT_EQ(TextOf(form->Control("Panel4")), "Datei aus Agenda: " + source);
  // 4. The conversion.
  Click(form->Control("Button1"));
  EXPECT_EQ(ReadFile(data + "\\KDIMPORT.TXT"), expectedImport);
  EXPECT_EQ(ReadFile(data + "\\Bank-18"), expectedBank);
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[1].text, std::to_string(kd::SplitLines(expectedImport).size() - 1) +
                                        " Datensätze in der Datei " + data +
                                        "\\KDIMPORT.TXT gespeichert.");
  EXPECT_EQ(services.boxes[1].caption, "Datei erfolgreich hergestellt.");
  EXPECT_EQ(services.boxes[0].icon, kd::Icon::Information);
  std::string records;
  for (const std::string_view record : kd::SplitLines(expectedImport)) {
    if (record.rfind("KONV=", 0) == 0) continue;
    records += (records.empty() ? "" : "\r\n") + kd::Cp1252ToUtf8(record);
  }
  EXPECT_EQ(TextOf(form->Control("Memo3")), records);
  EXPECT_EQ(TextOf(form->Control("Panel4")), "Quelldatei: " + source);
  EXPECT_NE(TextOf(form->Control("Memo1")).find("\r\n"), std::string::npos);

  // "&Ende" by its access key.
  MSG key{form->Control("Button1"), WM_SYSCHAR, L'e', 0, 0, {}};
  EXPECT_TRUE(form->DialogKey(key));
  Pump();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")),
            "Agenda\r\n" + kd::Utf8ToCp1252(source) + "\r\n" + data + "\\\r\nJa\r\nJa \r\n18\r\n");

  // The next start shows the saved settings, the year line of today.
  services.today = {"02.01.2020", 2020};
  services.boxes.clear();
  auto again = Start();
  EXPECT_EQ(TextOf(again->Control("ProgrammCombo")), "Agenda");
  EXPECT_EQ(TextOf(again->Control("FormelMemo")), source + "\r\n" + data + "\\\r\nJa\r\nJa \r\n20");
  EXPECT_EQ(again->Logic().Settings().PayrollYear, "18");
  Click(again->Control("Button1"));
  EXPECT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(ReadFile(data + "\\KDIMPORT.TXT"), expectedImport);
  // Closing the window otherwise saves nothing.
  const std::string saved = ReadFile(program.File("KDIMPORT.INI"));
  Type(again->Control("ProgrammCombo"), "Datev");
  SendMessageW(again->Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(again->Closed());
  EXPECT_EQ(ReadFile(program.File("KDIMPORT.INI")), saved);
}

// A run that cannot start shows its refusal and writes nothing; the window goes on.
TEST_F(Win32FormTest, ARefusalLeavesTheWindowUsable) {
  auto form = Start();
  Type(form->Control("ProgrammCombo"), "Lexware ");
  Click(form->Control("Button1"));
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Programmname Lexware  unbekannt.");
  EXPECT_EQ(services.boxes[0].icon, kd::Icon::Stop);
  Type(form->Control("ProgrammCombo"), "");
  Click(form->Control("Button1"));
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[1].caption, "Hinweis");
  EXPECT_FALSE(form->Closed());
}

// ---------------------------------------------------------------------------------------------
// The recognition hint and the protocol window

// The text of a cell as the list view gives it, asking the window for it.
std::string ItemText(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Utf8(text);
}

// Keys typed into the edit field of the program list, as a person types them.
void TypeIntoCombo(HWND combo, const std::wstring& text) {
  HWND edit = GetWindow(combo, GW_CHILD);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (const wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
  Pump();
}

TEST_F(Win32FormTest, HintBesideTheProgramList) {
  const std::string source = program.File("Tabelle2929.csv");
  WriteFile(source, ReadFile(KDIMPORT_SAMPLES_DIR "/sbs/Tabelle2929.csv"));
  auto form = Start();
  HWND hint = form->Control("ErkanntLabel");
  HWND combo = form->Control("ProgrammCombo");
  EXPECT_EQ(TextOf(hint), "");
  EXPECT_EQ(Style(hint) & SS_TYPEMASK, SS_LEFT);

  // An empty list takes the program recognised.
  services.openAnswers.push_back(source);
  Click(form->Control("Button3"));
  EXPECT_EQ(TextOf(combo), "SBS");
  EXPECT_EQ(TextOf(hint), "Erkannt: SBS");

  TypeIntoCombo(combo, L"Datev");
  EXPECT_EQ(TextOf(combo), "Datev");
  EXPECT_EQ(TextOf(hint), "Die Datei sieht nach SBS aus, gewählt ist Datev");

  // Chosen from the list: the combo box has its new text only after telling its window.
  const LRESULT sbs = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(L"SBS"));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(sbs), 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  Pump();
  EXPECT_EQ(TextOf(hint), "Erkannt: SBS");

  // The longest hint fits the label on its lines.
  HDC dc = GetDC(hint);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hint, WM_GETFONT, 0, 0)));
  RECT room{};
  GetClientRect(hint, &room);
  RECT needed = room;
  DrawTextW(dc, L"Die Datei sieht nach Dataline aus, gewählt ist Lexware", -1, &needed,
            DT_CALCRECT | DT_WORDBREAK);
  EXPECT_LE(needed.bottom, room.bottom);
  EXPECT_LE(needed.right, room.right);
  SelectObject(dc, previous);
  ReleaseDC(hint, dc);
}

TEST_F(Win32FormTest, ProtocolButtonAndWindow) {
  const std::string sample =
      ReadFile(KDIMPORT_SAMPLES_DIR "/lexware/Personalstammblatt_Protokoll.csv");
  ASSERT_FALSE(sample.empty());
  const std::string source = program.File("Personalstammblatt_Protokoll.csv");
  WriteFile(source, sample);
  const std::string data = program.File("FIRMA");
  std::filesystem::create_directory(kd::ToNativePath(data));
  WriteFile(data + "\\Konfi-18", "");
  WriteFile(program.File("KDIMPORT.INI"),
            "Lexware\r\n" + source + "\r\n" + data + "\\\r\nJa\r\nJa \r\n18\r\n");
  auto form = Start();
  HWND button = form->Control("ProtokollButton");
  EXPECT_FALSE(IsWindowEnabled(button));
  EXPECT_EQ(TextOf(form->Control("ErkanntLabel")), "Erkannt: Lexware");

  // Two notices of shortened personnel numbers, the bank file, the import file.
  Click(form->Control("Button1"));
  ASSERT_EQ(services.boxes.size(), 4u);
  EXPECT_EQ(services.boxes[3].caption, "Datei erfolgreich hergestellt.");
  EXPECT_TRUE(IsWindowEnabled(button));
  const std::size_t attention = form->Logic().LastProtocol().AttentionCount();
  EXPECT_EQ(attention, 6u);  // four converted lines with hints, two lost to the column shift
  EXPECT_EQ(TextOf(button), "Protokoll (" + std::to_string(attention) + ")");
  // Enabled, it is the last stop of the tab key.
  EXPECT_EQ(GetNextDlgTabItem(form->Handle(), form->Control("Button1"), TRUE), button);

  Click(button);
  Win32ProtocolWindow* window = form->ProtocolWindowIfCreated();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  EXPECT_EQ(GetWindow(window->Handle(), GW_OWNER), form->Handle());
  EXPECT_EQ(GetFocus(), window->List());  // the keys work in the list at once
  EXPECT_EQ(TextOf(window->Handle()), "Protokoll der letzten Übernahme");
  EXPECT_EQ(TextOf(window->Summary())
                .rfind("Zeilen gelesen: 8 (Personalstammblatt_Protokoll.csv)"
                       "\r\nDatensätze übernommen: 5\r\n",
                       0),
            0u);
  EXPECT_EQ(TextOf(window->AllLines()), "Alle Zeilen anzeigen");
  // The summary shows every one of its fourteen lines without scrolling.
  HWND summary = window->Summary();
  EXPECT_EQ(SendMessageW(summary, EM_GETLINECOUNT, 0, 0), 14);
  const LRESULT lastLine = SendMessageW(summary, EM_LINEINDEX, 13, 0);
  const LRESULT lastPosition = SendMessageW(summary, EM_POSFROMCHAR, lastLine, 0);
  const LRESULT firstPosition = SendMessageW(summary, EM_POSFROMCHAR, 0, 0);
  RECT summaryRoom{};
  SendMessageW(summary, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&summaryRoom));
  const int lineStep = (short(HIWORD(lastPosition)) - short(HIWORD(firstPosition))) / 13;
  EXPECT_GT(lineStep, 0);
  EXPECT_LE(short(HIWORD(lastPosition)) + lineStep, summaryRoom.bottom);
  EXPECT_EQ(TextOf(window->SaveButton()), "Speichern unter …");
  // "Drucken / Speichern…", last in the tab order, writes the page, which names the import file
  // by its SHA-256, and opens it in the browser.
  EXPECT_EQ(TextOf(window->PrintButton()), "Drucken / Speichern…");
  EXPECT_EQ(GetNextDlgTabItem(window->Handle(), window->List(), FALSE), window->PrintButton());
  services.saveAnswers.push_back(data + "\\protokoll.html");
  Click(window->PrintButton());
  EXPECT_EQ(services.saveCalls.back().proposedName, "KDIMPORT-Protokoll.html");
  EXPECT_EQ(services.opened, std::vector<std::string>{data + "\\protokoll.html"});
  EXPECT_NE(
      ReadFile(data + "\\protokoll.html").find(kd::Sha256Hex(ReadFile(data + "\\KDIMPORT.TXT"))),
      std::string::npos);
  // The tab key goes on from the summary, as in a dialog.
  SetFocus(window->Summary());
  MSG tab{window->Summary(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  if (!form->DialogKey(tab)) {
    TranslateMessage(&tab);
    DispatchMessageW(&tab);
  }
  Pump();
  EXPECT_EQ(GetFocus(), window->AllLines());

  HWND list = window->List();
  EXPECT_EQ(ClassOf(list), "SysListView32");
  EXPECT_TRUE(Style(list) & LVS_OWNERDATA);
  std::vector<std::string> titles;
  for (int c = 0; c < 5; ++c) {
    wchar_t title[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = 32;
    SendMessageW(list, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    titles.push_back(Utf8(title));
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Zeile", "PNr", "Name", "Ergebnis", "Hinweis"}));
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 7);
  EXPECT_EQ(ItemText(list, 2, 0), "4");
  EXPECT_EQ(ItemText(list, 2, 2), "Krause, Thomas");
  EXPECT_EQ(ItemText(list, 6, 3), "übersprungen");
  Click(window->AllLines());
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 8);
  EXPECT_EQ(ItemText(list, 1, 2), "Hartmann, Peter");
  Click(window->AllLines());
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 7);

  // A double-click on the row of line 4 selects that line in the source-file view, where every
  // line before it ends with CR LF.
  RECT row{};
  row.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row)));
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(row.left + 10, (row.top + row.bottom) / 2));
  Pump();
  HWND memo1 = form->Control("Memo1");
  DWORD start = 0, end = 0;
  SendMessageW(memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::wstring shown = WindowText(memo1);
  std::size_t lineStart = 0;
  for (int i = 0; i < 3; ++i) lineStart = shown.find(L"\r\n", lineStart) + 2;
  EXPECT_EQ(start, lineStart);
  const std::vector<std::string_view> lines = kd::SplitLines(sample);
  EXPECT_EQ(Utf8(shown.substr(start, end - start)), kd::Cp1252ToUtf8(lines[3]));

  // Closing only hides it; the button shows it again.
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindow(window->Handle()));
  EXPECT_FALSE(IsWindowVisible(window->Handle()));
  EXPECT_FALSE(form->Closed());
  Click(button);
  EXPECT_EQ(form->ProtocolWindowIfCreated(), window);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));

  // "&Ende" takes the protocol window with it.
  HWND protocolHandle = window->Handle();
  Click(form->Control("EndeButton"));
  Pump();
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(IsWindow(protocolHandle));
}

// ---------------------------------------------------------------------------------------------
// The real dialogs and message boxes, answered by a timer while they are open

struct OpenWindowCheck {
  std::wstring title;
  std::function<void(HWND)> check;
  bool seen = false;
  int ticks = 0;
};
OpenWindowCheck* g_check = nullptr;

BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770") PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

void CALLBACK LookForDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  if (g_check == nullptr || g_check->seen) return;
  HWND dialog = FindWindowW(L"#32770", g_check->title.c_str());
  if (dialog == nullptr) {
    // A dialog with another title would wait for ever: after ten seconds it is cancelled and
    // the check fails.
    if (++g_check->ticks > 100) {
      EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
      KillTimer(nullptr, timer);
    }
    return;
  }
  g_check->seen = true;
  g_check->check(dialog);
  KillTimer(nullptr, timer);
}

// Runs `show`, which opens a modal window titled `title`; `check` sees it and closes it.
bool WhileOpen(const std::wstring& title, std::function<void(HWND)> check,
               const std::function<void()>& show) {
  OpenWindowCheck expectation{title, std::move(check)};
  g_check = &expectation;
  SetTimer(nullptr, 0, 100, LookForDialog);
  show();
  g_check = nullptr;
  return expectation.seen;
}

TEST_F(Win32FormTest, RealMessageBoxes) {
  Win32FormServices real;
  struct Case {
    bool isError;
    kd::Icon icon;
    const char* caption;
    LPCWSTR expectedIcon;
  };
  const Case cases[] = {{false, kd::Icon::Information, "Hinweis", IDI_ASTERISK},
                        {false, kd::Icon::Stop, "Übergabe nicht möglich.", IDI_HAND},
                        {true, kd::Icon::Stop, "KDIMPORT", IDI_HAND}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    std::string text;
    HICON icon = nullptr;
    const bool seen = WhileOpen(
        Wide(c.caption),
        [&](HWND box) {
          wchar_t shown[256] = {};
          GetDlgItemTextW(box, 0xFFFF, shown, 256);
          text = Utf8(shown);
          for (HWND child = GetWindow(box, GW_CHILD); child;
               child = GetWindow(child, GW_HWNDNEXT)) {
            if (HICON i = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) icon = i;
          }
          PostMessageW(box, WM_COMMAND, IDOK, 0);
        },
        [&] {
          if (c.isError) {
            real.Error("Datei C:\\x\\ä kann nicht erstellt werden");
          } else {
            real.Message("Datei C:\\x\\ä kann nicht erstellt werden", c.caption, c.icon);
          }
        });
    EXPECT_TRUE(seen);
    EXPECT_EQ(text, "Datei C:\\x\\ä kann nicht erstellt werden");
    EXPECT_EQ(icon, LoadIconW(nullptr, c.expectedIcon));
  }
}

// The question before a doubtful run: "Nein" is the default button, so Enter answers no.
TEST_F(Win32FormTest, RealQuestionBox) {
  Win32FormServices real;
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Ja" : "Enter");
    WORD defaultButton = 0;
    HICON icon = nullptr;
    bool answer = !yes;
    const bool seen = WhileOpen(
        L"Übernahme prüfen",
        [&](HWND box) {
          // The default button is the one drawn as default and holding the focus, so that
          // Enter presses it.
          for (HWND child = GetWindow(box, GW_CHILD); child;
               child = GetWindow(child, GW_HWNDNEXT)) {
            if (HICON i = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) icon = i;
            const LONG style = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
            if (style == BS_DEFPUSHBUTTON && child == GetFocus()) {
              defaultButton = static_cast<WORD>(GetDlgCtrlID(child));
            }
          }
          PostMessageW(box, WM_COMMAND, yes ? IDYES : defaultButton, 0);
        },
        [&] { answer = real.Question("Trotzdem KDIMPORT.TXT ersetzen?", "Übernahme prüfen"); });
    EXPECT_TRUE(seen);
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_EQ(icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(answer, yes);
  }
}

TEST_F(Win32FormTest, RealFileDialogs) {
  Win32FormServices real;
  const bool openSeen = WhileOpen(
      L"Agenda -Exportdatei suchen",
      [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); },
      [&] { EXPECT_EQ(real.OpenFileName("Agenda -Exportdatei suchen"), std::nullopt); });
  EXPECT_TRUE(openSeen);

  // The save dialog starts in the data directory with the proposed name, and gives back the
  // confirmed name without asking about an existing file.
  const std::string folder = program.File("FIRMA");
  std::filesystem::create_directory(kd::ToNativePath(folder));
  WriteFile(folder + "\\Konfi-19", "");
  std::wstring shownFolder, shownName;
  std::optional<std::string> chosen;
  const bool saveSeen = WhileOpen(
      L"Kandrel - Verzeichnis suchen",
      [&](HWND dialog) {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(text));
        shownFolder = text;
        SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(text));
        shownName = text;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      },
      [&] {
        chosen = real.SaveFileName("Kandrel - Verzeichnis suchen", folder + "\\", "Konfi-19");
      });
  EXPECT_TRUE(saveSeen);
  EXPECT_TRUE(std::filesystem::equivalent(shownFolder, kd::ToNativePath(folder)));
  EXPECT_EQ(shownName, L"Konfi-19");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(kd::ToNativePath(*chosen),
                                          kd::ToNativePath(folder + "\\Konfi-19")));

  // The protocol's save dialog: in the data directory, with the proposed name and the CSV type.
  std::wstring protocolFolder, protocolName;
  const bool protocolSeen = WhileOpen(
      L"Protokoll speichern",
      [&](HWND dialog) {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(text));
        protocolFolder = text;
        SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(text));
        protocolName = text;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      },
      [&] {
        EXPECT_EQ(real.SaveFileAs("Protokoll speichern", folder + "\\", "KDIMPORT-Protokoll.csv",
                                  "CSV-Dateien", "*.csv"),
                  std::nullopt);
      });
  EXPECT_TRUE(protocolSeen);
  EXPECT_TRUE(std::filesystem::equivalent(protocolFolder, kd::ToNativePath(folder)));
  EXPECT_EQ(protocolName, L"KDIMPORT-Protokoll.csv");
}

TEST_F(Win32FormTest, LocaleOfTheSystem) {
  Win32FormServices real;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const kd::form::Today today = real.Date();
  EXPECT_EQ(today.year, now.wYear);
  EXPECT_FALSE(today.shortDate.empty());
  EXPECT_EQ(kd::form::YearLine(today).size(), 2u);
  EXPECT_EQ(real.DecimalSeparator().size(), 1u);
  EXPECT_EQ(real.ProgramFolder(), ProgramFile(L"kdimport.exe").parent_path());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  return RUN_ALL_TESTS();
}
