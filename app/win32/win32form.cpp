#include "win32form.h"

#include <algorithm>

#include "widetext.h"
#include "win32protocolwindow.h"
#include "windowclass.h"

using kd::form::Control;
using kd::form::ControlDefinition;
using kd::form::Kind;
using kd::win32::MakeFont;
using kd::win32::Utf8;
using kd::win32::Wide;
using kd::win32::WithCrLf;
using kd::win32::WithoutCr;

namespace {

constexpr wchar_t kWindowClass[] = L"KDIMPORT.TForm1";
constexpr int kFirstControlId = 100;
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kAqua = RGB(0, 255, 255);
// The program list drops down to show all ten programs.
constexpr int kComboListHeight = 10 * 16 + 4;
// Posted when a program was chosen from the list: its text is in the combo box only after the
// notification.
constexpr UINT kProgramChosen = WM_APP + 1;

int ControlId(std::size_t index) {
  return kFirstControlId + static_cast<int>(index);
}

// The native class and styles of a control of the form.
struct NativeKind {
  const wchar_t* className;
  DWORD style;
  DWORD extendedStyle;
};

NativeKind NativeKindOf(const ControlDefinition& c) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if (c.flags & kd::form::kTabStop) style |= WS_TABSTOP;
  if (c.flags & kd::form::kDisabled) style |= WS_DISABLED;
  switch (c.kind) {
    case Kind::Memo:
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
      if (!(c.flags & kd::form::kWordWrap)) style |= ES_AUTOHSCROLL;
      if (c.flags & kd::form::kVerticalScroll) style |= WS_VSCROLL;
      if (c.flags & kd::form::kHorizontalScroll) style |= WS_HSCROLL;
      style |= (c.flags & kd::form::kReadOnly) ? ES_READONLY : ES_WANTRETURN;
      return {L"EDIT", style, WS_EX_CLIENTEDGE};
    case Kind::Panel:
      return {L"STATIC", style | SS_OWNERDRAW, 0};
    case Kind::Label:
      // A static control without SS_RIGHT wraps its words over its lines.
      return {L"STATIC",
              style | SS_NOPREFIX | ((c.flags & kd::form::kWordWrap) ? SS_LEFT : SS_RIGHT), 0};
    case Kind::Combo:
      return {L"COMBOBOX", style | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0};
    case Kind::Button:
      return {L"BUTTON", style | BS_PUSHBUTTON, 0};
  }
  return {L"STATIC", style, 0};
}

std::wstring TextOf(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

}  // namespace

Win32Form::Win32Form(kd::form::FormServices& services, HINSTANCE instance) : instance_(instance) {
  if (HDC screen = GetDC(nullptr)) {
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  formFont_ = MakeFont(8, dpi_, L"MS Sans Serif", DEFAULT_PITCH | FF_SWISS);
  settingsFont_ = MakeFont(9, dpi_, L"MS Sans Serif", DEFAULT_PITCH | FF_SWISS);
  sourceFont_ = MakeFont(9, dpi_, L"Courier New", FIXED_PITCH | FF_MODERN);
  yellow_ = CreateSolidBrush(kYellow);
  aqua_ = CreateSolidBrush(kAqua);

  window_ = kd::win32::CreateTopLevelWindow(
      instance, kWindowClass,
      &kd::win32::RoutedProcedure<Win32Form, &Win32Form::window_, &Win32Form::OnMessage>,
      kd::form::kWindowCaption, Scaled(kd::form::kClientWidth), Scaled(kd::form::kClientHeight),
      nullptr, this);
  logic_ = std::make_unique<kd::form::TForm1>(static_cast<kd::form::FormView&>(*this), services);
  CreateControls();
}

Win32Form::~Win32Form() {
  if (window_ != nullptr) {
    quitOnClose_ = false;
    DestroyWindow(window_);
  }
  // The protocol window asks the logic for its rows: it goes first.
  protocol_.reset();
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(formFont_), static_cast<HGDIOBJ>(settingsFont_),
                         static_cast<HGDIOBJ>(sourceFont_), static_cast<HGDIOBJ>(yellow_),
                         static_cast<HGDIOBJ>(aqua_)}) {
    if (object != nullptr) DeleteObject(object);
  }
}

int Win32Form::Scaled(int pixels) const {
  return MulDiv(pixels, dpi_, 96);
}

HFONT Win32Form::FontFor(kd::form::Font font) const {
  switch (font) {
    case kd::form::Font::Settings:
      return settingsFont_;
    case kd::form::Font::Source:
      return sourceFont_;
    case kd::form::Font::Form:
      break;
  }
  return formFont_;
}

// The controls are created in the order of the tab key, so that the dialog keys visit them in
// that order; those the tab key skips follow.
void Win32Form::CreateControls() {
  if (window_ == nullptr) return;
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
  const std::span<const ControlDefinition> all = kd::form::Controls();
  std::vector<std::size_t> order;
  for (const std::string_view name : kd::form::TabOrder()) {
    order.push_back(static_cast<std::size_t>(kd::form::FindControl(name) - all.data()));
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
  }
  for (const std::size_t i : order) {
    const ControlDefinition& c = all[i];
    const NativeKind native = NativeKindOf(c);
    const int height = c.kind == Kind::Combo ? c.place.height + kComboListHeight : c.place.height;
    HWND handle = CreateWindowExW(
        native.extendedStyle, native.className, L"", native.style, Scaled(c.place.x),
        Scaled(c.place.y), Scaled(c.place.width), Scaled(height), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(i))), instance_, nullptr);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
    if (c.kind == Kind::Memo) {
      SendMessageW(handle, EM_SETLIMITTEXT, 0, 0);
      // Narrow margins, so that the settings captions keep their last characters.
      SendMessageW(handle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(Scaled(2), Scaled(2)));
    }
    if (c.kind == Kind::Combo) {
      for (const std::string_view item : kd::form::ProgramItems()) {
        SendMessageW(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      }
    }
    const std::wstring text = Wide(c.text);
    SetWindowTextW(handle, (c.kind == Kind::Memo ? WithCrLf(text) : text).c_str());
    controls_.push_back({&c, handle});
  }
}

void Win32Form::PlaceControls() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = MulDiv(client.right, 96, dpi_);
  const int height = MulDiv(client.bottom, 96, dpi_);
  for (const Created& c : controls_) {
    const kd::form::Rect r = kd::form::Placed(*c.definition, width, height);
    const int extra = c.definition->kind == Kind::Combo ? kComboListHeight : 0;
    MoveWindow(c.handle, Scaled(r.x), Scaled(r.y), Scaled(r.width), Scaled(r.height + extra), TRUE);
  }
}

HWND Win32Form::Control(std::string_view name) const {
  for (const Created& c : controls_) {
    if (c.definition->name == name) return c.handle;
  }
  return nullptr;
}

HWND Win32Form::Handle(kd::form::Control control) const {
  for (const Created& c : controls_) {
    if (c.definition->control == control) return c.handle;
  }
  return nullptr;
}

const Win32Form::Created* Win32Form::Find(HWND handle) const {
  for (const Created& c : controls_) {
    if (c.handle == handle) return &c;
  }
  return nullptr;
}

void Win32Form::Show(int showCommand) {
  if (window_ == nullptr) return;
  RECT frame{};
  GetWindowRect(window_, &frame);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, work.left + std::max(0L, (work.right - work.left - width) / 2),
               work.top + std::max(0L, (work.bottom - work.top - height) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

int Win32Form::RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (DialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

bool Win32Form::DialogKey(MSG& message) {
  if (protocol_ && protocol_->DialogKey(message)) return true;
  return window_ != nullptr && IsDialogMessageW(window_, &message);
}

// ---------------------------------------------------------------------------------------------
// Window messages

LRESULT Win32Form::OnMessage(UINT message, WPARAM w, LPARAM l) {
  HWND window = window_;
  switch (message) {
    case WM_SHOWWINDOW:
      if (w && !shown_ && logic_) {
        shown_ = true;
        logic_->FormShow();
      }
      break;
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED) {
        if (const Created* c = Find(reinterpret_cast<HWND>(l)); c && c->definition->control) {
          logic_->Click(*c->definition->control);
          return 0;
        }
      }
      if (reinterpret_cast<HWND>(l) == Handle(Control::ProgrammCombo) && l != 0) {
        if (HIWORD(w) == CBN_EDITCHANGE) {
          logic_->ProgrammComboChange();
          return 0;
        }
        if (HIWORD(w) == CBN_SELCHANGE) {
          PostMessageW(window, kProgramChosen, 0, 0);
          return 0;
        }
      }
      break;
    case kProgramChosen:
      if (logic_) logic_->ProgrammComboChange();
      return 0;
    case WM_NEXTDLGCTL:
      kd::win32::MoveDialogFocus(window, w, l);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (const Created* c = Find(reinterpret_cast<HWND>(l))) {
        HDC dc = reinterpret_cast<HDC>(w);
        switch (c->definition->colour) {
          case kd::form::Colour::Aqua:
            SetBkColor(dc, kAqua);
            return reinterpret_cast<LRESULT>(aqua_);
          case kd::form::Colour::Yellow:
            SetBkColor(dc, kYellow);
            return reinterpret_cast<LRESULT>(yellow_);
          case kd::form::Colour::Window:
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
          case kd::form::Colour::ButtonFace:
            break;
        }
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlType == ODT_STATIC) {
        DrawPanel(*item);
        return TRUE;
      }
      break;
    }
    case WM_SIZE:
      PlaceControls();
      return 0;
    case WM_ACTIVATE:
      // Focus goes back to the control that had it before a message box or dialog.
      if (kd::win32::KeepFocus(window, w, lastFocus_, nullptr)) return 0;
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (quitOnClose_) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

// A panel: yellow, raised, its caption centred; a long path loses its middle, not its ends.
void Win32Form::DrawPanel(const DRAWITEMSTRUCT& item) {
  const Created* c = Find(item.hwndItem);
  RECT r = item.rcItem;
  FillRect(item.hDC, &r,
           c && c->definition->colour == kd::form::Colour::Yellow
               ? yellow_
               : GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(item.hDC, &r, BDR_RAISEDINNER, BF_RECT);
  InflateRect(&r, -2, -1);
  std::wstring text = TextOf(item.hwndItem);
  const HGDIOBJ previous = SelectObject(item.hDC, formFont_);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
  text.push_back(L'\0');  // room for the ellipsis that DT_MODIFYSTRING may not write
  DrawTextW(item.hDC, text.c_str(), -1, &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  SelectObject(item.hDC, previous);
}

// ---------------------------------------------------------------------------------------------
// The controls

std::string Win32Form::Text(kd::form::Control control) const {
  HWND handle = Handle(control);
  if (handle == nullptr) return {};
  return Utf8(WithoutCr(TextOf(handle)));
}

void Win32Form::SetText(kd::form::Control control, const std::string& text) {
  HWND handle = Handle(control);
  if (handle == nullptr) return;
  const Created* c = Find(handle);
  const std::wstring wide = Wide(text);
  if (c->definition->kind == Kind::Memo) {
    SetWindowTextW(handle, WithCrLf(wide).c_str());
    SendMessageW(handle, EM_SETMODIFY, FALSE, 0);
  } else {
    SetWindowTextW(handle, wide.c_str());
    if (c->definition->kind == Kind::Panel) InvalidateRect(handle, nullptr, TRUE);
  }
}

void Win32Form::AppendLines(kd::form::Control control, const std::string& lines) {
  HWND handle = Handle(control);
  if (handle == nullptr) return;
  const int length = GetWindowTextLengthW(handle);
  std::wstring text = length > 0 ? L"\r\n" : L"";
  text += WithCrLf(Wide(lines));
  SendMessageW(handle, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
  SendMessageW(handle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  // The list shows its last line from its start, as after scrolling down.
  const LRESULT lastLine = SendMessageW(handle, EM_GETLINECOUNT, 0, 0) - 1;
  const LRESULT lastStart = SendMessageW(handle, EM_LINEINDEX, static_cast<WPARAM>(lastLine), 0);
  SendMessageW(handle, EM_SETSEL, static_cast<WPARAM>(lastStart), lastStart);
  SendMessageW(handle, EM_SCROLLCARET, 0, 0);
}

bool Win32Form::Edited(kd::form::Control control) const {
  HWND handle = Handle(control);
  return handle != nullptr && SendMessageW(handle, EM_GETMODIFY, 0, 0) != 0;
}

void Win32Form::Enable(kd::form::Control control) {
  if (HWND handle = Handle(control)) EnableWindow(handle, TRUE);
}

void Win32Form::Disable(kd::form::Control control) {
  if (HWND handle = Handle(control)) EnableWindow(handle, FALSE);
}

// Selected from its end back to its beginning: the caret, and with it the view, stands at the
// beginning of a long line. The edit control counts CR LF between lines.
void Win32Form::SelectLine(kd::form::Control control, std::size_t line) {
  HWND handle = Handle(control);
  if (handle == nullptr) return;
  const auto lines = static_cast<std::size_t>(SendMessageW(handle, EM_GETLINECOUNT, 0, 0));
  if (line >= lines) return;
  const LRESULT start = SendMessageW(handle, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (start < 0) return;
  const LRESULT length = SendMessageW(handle, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageW(handle, EM_SETSEL, static_cast<WPARAM>(start + length), start);
  SendMessageW(handle, EM_SCROLLCARET, 0, 0);
}

kd::form::ProtocolView& Win32Form::ProtocolWindow() {
  if (!protocol_) {
    protocol_ =
        std::make_unique<Win32ProtocolWindow>(logic_->ProtocolLogic(), instance_, window_, dpi_);
  }
  return *protocol_;
}

void Win32Form::Focus(kd::form::Control control) {
  if (HWND handle = Handle(control)) {
    SetFocus(handle);
    lastFocus_ = handle;
  }
}

// The handler that closes runs inside the button's click; the window goes when it returns.
void Win32Form::CloseWindow() {
  if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
}
