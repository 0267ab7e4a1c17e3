#include "win32formservices.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "widetext.h"

using kd::win32::Utf8;
using kd::win32::Wide;

namespace {

// Room for the longest path the dialogs can give back.
constexpr DWORD kPathRoom = 32768;

std::optional<std::string> Chosen(BOOL confirmed, const std::vector<wchar_t>& buffer) {
  if (!confirmed || buffer[0] == L'\0') return std::nullopt;
  return Utf8(buffer.data());
}

// A save dialog owned by `owner` that proposes `proposedName` in `startFolder`; `filter` and
// `extension` (the one added to a name without any) may be null; `flags` add to those of every
// dialog.
std::optional<std::string> SaveDialog(HWND owner, const std::string& title,
                                      const std::string& startFolder,
                                      const std::string& proposedName, const wchar_t* filter,
                                      const wchar_t* extension, DWORD flags) {
  std::vector<wchar_t> file(kPathRoom, L'\0');
  const std::wstring proposed = Wide(proposedName);
  proposed.copy(file.data(), kPathRoom - 1);
  const std::wstring wideTitle = Wide(title);
  // Before a data directory was ever chosen it is a lone backslash, the root of the drive:
  // the dialog opens in the current directory, the program's folder, instead.
  const std::wstring folder = kd::form::IsUnsetFolder(startFolder) ? L"" : Wide(startFolder);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathRoom;
  dialog.lpstrTitle = wideTitle.c_str();
  dialog.lpstrFilter = filter;
  dialog.lpstrDefExt = extension;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | flags;
  return Chosen(GetSaveFileNameW(&dialog), file);
}

}  // namespace

std::optional<std::string> Win32FormServices::OpenFileName(const std::string& title) {
  std::vector<wchar_t> file(kPathRoom, L'\0');
  const std::wstring wideTitle = Wide(title);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathRoom;
  dialog.lpstrTitle = wideTitle.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  return Chosen(GetOpenFileNameW(&dialog), file);
}

std::optional<std::string> Win32FormServices::SaveFileName(const std::string& title,
                                                           const std::string& startFolder,
                                                           const std::string& proposedName) {
  return SaveDialog(owner_, title, startFolder, proposedName, nullptr, nullptr, 0);
}

std::optional<std::string> Win32FormServices::SaveFileAs(const std::string& title,
                                                         const std::string& startFolder,
                                                         const std::string& proposedName,
                                                         const std::string& typeName,
                                                         const std::string& pattern) {
  // "CSV-Dateien (*.csv)", "*.csv", then every file; pairs of texts ended by NUL, the list by
  // one more.
  const std::wstring widePattern = Wide(pattern);
  std::wstring filter = Wide(typeName) + L" (" + widePattern + L")";
  filter.push_back(L'\0');
  filter += widePattern;
  filter.push_back(L'\0');
  filter += L"Alle Dateien (*.*)";
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  const std::size_t dot = widePattern.rfind(L'.');
  const std::wstring extension = dot == std::wstring::npos ? L"" : widePattern.substr(dot + 1);
  // The window in front, such as the protocol window, owns the dialog.
  HWND active = GetActiveWindow();
  return SaveDialog(active != nullptr ? active : owner_, title, startFolder, proposedName,
                    filter.c_str(), extension.empty() ? nullptr : extension.c_str(),
                    OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
}

bool Win32FormServices::OpenDocument(const std::string& path) {
  // The program the shell opens the file type with; a value above 32 means it was started.
  const HINSTANCE started =
      ShellExecuteW(owner_, L"open", Wide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

void Win32FormServices::Message(const std::string& text, const std::string& caption,
                                kd::Icon icon) {
  MessageBoxW(owner_, Wide(text).c_str(), Wide(caption).c_str(),
              MB_OK | (icon == kd::Icon::Stop ? MB_ICONSTOP : MB_ICONINFORMATION));
}

void Win32FormServices::Error(const std::string& text) {
  MessageBoxW(owner_, Wide(text).c_str(), L"KDIMPORT", MB_OK | MB_ICONSTOP);
}

bool Win32FormServices::Question(const std::string& text, const std::string& caption) {
  return MessageBoxW(owner_, Wide(text).c_str(), Wide(caption).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::filesystem::path Win32FormServices::ProgramFolder() {
  std::vector<wchar_t> path(kPathRoom, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), kPathRoom);
  return std::filesystem::path(std::wstring(path.data(), length)).parent_path();
}

kd::form::Today Win32FormServices::Date() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t date[128] = {};
  const int length =
      GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128, nullptr);
  return {length > 0 ? Utf8(date) : std::string(), now.wYear};
}

std::string Win32FormServices::DecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 0) return {};
  return Utf8(separator);
}
