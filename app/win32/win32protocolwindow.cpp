#include "win32protocolwindow.h"

// clang-format off
#include <commctrl.h>
// clang-format on

#include <algorithm>

#include "widetext.h"
#include "windowclass.h"

using kd::form::ProtocolColumn;
using kd::win32::Wide;
using kd::win32::WithCrLf;

namespace {

constexpr wchar_t kWindowClass[] = L"KDIMPORT.Protokoll";
constexpr int kSummaryId = 1;
constexpr int kAllLinesId = 2;
constexpr int kSaveId = 3;
constexpr int kListId = 4;
constexpr int kPrintId = 5;

}  // namespace

Win32ProtocolWindow::Win32ProtocolWindow(kd::form::ProtocolWindow& logic, HINSTANCE instance,
                                         HWND owner, int dpi)
    : logic_(logic), instance_(instance), dpi_(dpi) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  font_ = kd::win32::MakeFont(8, dpi_, L"MS Sans Serif", DEFAULT_PITCH | FF_SWISS);
  // Owned by the main window: it stays in front of it and goes with it.
  window_ = kd::win32::CreateTopLevelWindow(
      instance, kWindowClass,
      &kd::win32::RoutedProcedure<Win32ProtocolWindow, &Win32ProtocolWindow::window_,
                                  &Win32ProtocolWindow::OnMessage>,
      kd::form::kProtocolWindowCaption, Scaled(kd::form::kProtocolWindowWidth),
      Scaled(kd::form::kProtocolWindowHeight), owner, this);
  CreateControls();
  PlaceControls();
}

Win32ProtocolWindow::~Win32ProtocolWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

int Win32ProtocolWindow::Scaled(int pixels) const {
  return MulDiv(pixels, dpi_, 96);
}

// Created in the order of the tab key.
void Win32ProtocolWindow::CreateControls() {
  if (window_ == nullptr) return;
  const auto create = [this](DWORD extendedStyle, const wchar_t* className, const wchar_t* text,
                             DWORD style, int id) {
    HWND control = CreateWindowExW(
        extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  summary_ =
      create(WS_EX_CLIENTEDGE, L"EDIT", L"",
             WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, kSummaryId);
  allLines_ = create(0, L"BUTTON", Wide(kd::form::kAllLinesText).c_str(),
                     WS_TABSTOP | BS_AUTOCHECKBOX, kAllLinesId);
  save_ = create(0, L"BUTTON", Wide(kd::form::kSaveButtonText).c_str(), WS_TABSTOP | BS_PUSHBUTTON,
                 kSaveId);
  list_ =
      create(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
             WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, kListId);
  print_ = create(0, L"BUTTON", Wide(kd::form::kPrintButtonText).c_str(),
                  WS_TABSTOP | BS_PUSHBUTTON, kPrintId);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  for (std::size_t i = 0; i < kd::form::kProtocolColumnTitles.size(); ++i) {
    std::wstring title = Wide(kd::form::kProtocolColumnTitles[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = static_cast<ProtocolColumn>(i) == ProtocolColumn::PNr ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = Scaled(kd::form::kProtocolColumnWidths[i]);
    column.pszText = title.data();
    SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

// The summary takes the room of its lines, up to a limit; the list the rest.
void Win32ProtocolWindow::PlaceControls() {
  if (window_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  int lineHeight = Scaled(13);
  if (HDC dc = GetDC(summary_)) {
    const HGDIOBJ previous = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(dc, &metrics)) lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    SelectObject(dc, previous);
    ReleaseDC(summary_, dc);
  }
  const int margin = Scaled(8);
  const int width = client.right;
  const int summaryHeight = summaryLines_ * lineHeight + Scaled(8);
  const int row = margin + summaryHeight + Scaled(6);
  const auto place = [](HWND control, int x, int y, int w, int h) {
    MoveWindow(control, x, y, std::max(w, 0), std::max(h, 0), TRUE);
  };
  place(summary_, margin, margin, width - 2 * margin, summaryHeight);
  place(allLines_, margin, row + Scaled(2), Scaled(220), Scaled(22));
  place(print_, width - margin - Scaled(129), row, Scaled(129), Scaled(25));
  place(save_, width - margin - Scaled(129 + 6 + 129), row, Scaled(129), Scaled(25));
  const int listTop = row + Scaled(25) + Scaled(6);
  place(list_, margin, listTop, width - 2 * margin, client.bottom - listTop - margin);
}

void Win32ProtocolWindow::Show() {
  if (window_ == nullptr) return;
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  // The keys work in the list at once: arrows move through the rows, Enter shows the line.
  SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : list_);
  UpdateWindow(window_);
}

bool Win32ProtocolWindow::Shown() const {
  return window_ != nullptr && IsWindowVisible(window_);
}

void Win32ProtocolWindow::SetSummary(const std::string& text) {
  if (summary_ == nullptr) return;
  SetWindowTextW(summary_, WithCrLf(Wide(text)).c_str());
  summaryLines_ = kd::form::SummaryHeightInLines(text);
  PlaceControls();
}

void Win32ProtocolWindow::SetRowCount(std::size_t rows) {
  if (list_ == nullptr) return;
  // No row stays selected across a change of the rows.
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  SendMessageW(list_, LVM_SETITEMCOUNT, rows, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

bool Win32ProtocolWindow::DialogKey(MSG& message) {
  return window_ != nullptr && IsDialogMessageW(window_, &message);
}

// ---------------------------------------------------------------------------------------------
// Window messages

LRESULT Win32ProtocolWindow::OnMessage(UINT message, WPARAM w, LPARAM l) {
  HWND window = window_;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(w) == kAllLinesId && HIWORD(w) == BN_CLICKED) {
        logic_.ShowAllLines(SendMessageW(allLines_, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return 0;
      }
      if (LOWORD(w) == kSaveId && HIWORD(w) == BN_CLICKED) {
        logic_.SaveAs();
        return 0;
      }
      if (LOWORD(w) == kPrintId && HIWORD(w) == BN_CLICKED) {
        logic_.PrintPage();
        return 0;
      }
      // The Enter key in the list, as the dialog keys report it.
      if (LOWORD(w) == IDOK && GetFocus() == list_) {
        const LRESULT row =
            SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (row >= 0) logic_.Activate(static_cast<std::size_t>(row));
        return 0;
      }
      break;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(l));
    case WM_NEXTDLGCTL:
      // The multi-line summary asks for the next control on the tab key.
      kd::win32::MoveDialogFocus(window, w, l);
      return 0;
    case WM_SIZE:
      PlaceControls();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(l);
      limits->ptMinTrackSize = {Scaled(560), Scaled(320)};
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The read-only summary on the colour of text boxes.
      if (reinterpret_cast<HWND>(l) == summary_) {
        HDC dc = reinterpret_cast<HDC>(w);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_ACTIVATE:
      // Focus goes back to the control that had it when another window came to the front.
      if (kd::win32::KeepFocus(window, w, lastFocus_, list_)) return 0;
      break;
    case WM_CLOSE:
      // Closing only hides the window; the protocol button shows it again.
      ShowWindow(window, SW_HIDE);
      return 0;
    case WM_NCDESTROY:
      summary_ = allLines_ = save_ = list_ = print_ = lastFocus_ = nullptr;
      return DefWindowProcW(window, message, w, l);
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

LRESULT Win32ProtocolWindow::OnNotify(NMHDR& header) {
  if (header.hwndFrom != list_) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0 &&
          item.iItem >= 0 && item.iSubItem >= 0 &&
          item.iSubItem < static_cast<int>(kd::form::kProtocolColumnTitles.size())) {
        cell_ = Wide(logic_.Cell(static_cast<std::size_t>(item.iItem),
                                 static_cast<ProtocolColumn>(item.iSubItem)));
        const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
        const std::size_t length = std::min(cell_.size(), room);
        std::copy_n(cell_.data(), length, item.pszText);
        item.pszText[length] = L'\0';
      }
      return 0;
    }
    case LVN_ITEMACTIVATE: {
      const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (activate.iItem >= 0) logic_.Activate(static_cast<std::size_t>(activate.iItem));
      return 0;
    }
    default:
      return 0;
  }
}
