// The main window as the form designer laid it out: caption, size, and every control with its
// kind, place, texts, font, colour and how it follows a change of the window size. The Win32
// window is created from this table; the Qt window has the same in its .ui form and takes the
// help text and the resize rules from here.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "formview.h"

namespace kd::form {

inline constexpr std::string_view kWindowCaption =
    "Kandrel - Schnittstelle zur Übernahme von Personalstammdaten im Textformat "
    "(Stand: 24.04.2018)";
// The client area at 96 dots per inch.
inline constexpr int kClientWidth = 805;
inline constexpr int kClientHeight = 699;

// A label is right-aligned: its text ends where the program list begins, whatever the font. A
// label that wraps its words is left-aligned and may take several lines.
enum class Kind { Memo, Panel, Label, Combo, Button };

enum class Colour {
  ButtonFace,  // the window's own colour
  Window,      // the system's colour for text boxes
  Yellow,
  Aqua,
};

enum class Font {
  Form,      // "MS Sans Serif" 8 pt
  Settings,  // "MS Sans Serif" 9 pt: the longest caption fits its memo in substituted fonts too
  Source,    // "Courier New" 9 pt
};

// Behaviour flags of a control.
enum Flag : unsigned {
  kReadOnly = 1u << 0,
  kVerticalScroll = 1u << 1,
  kHorizontalScroll = 1u << 2,
  kWordWrap = 1u << 3,
  kTabStop = 1u << 4,
  kDisabled = 1u << 5,
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// How a control follows a window larger than its start size: the shares of the extra width
// and height (0 none, 1 half, 2 all) by which it moves and grows.
struct Anchor {
  int moveX = 0, moveY = 0, growWidth = 0, growHeight = 0;
};

struct ControlDefinition {
  std::string_view name;  // the name in the form, such as "Memo1"
  Kind kind;
  Rect place;  // at 96 dots per inch in the client area of the start size
  Anchor anchor;
  std::string_view text;  // UTF-8; lines separated by "\n"
  unsigned flags;
  Font font;
  Colour colour;
  std::optional<Control> control;  // set for the controls the logic reads or changes
};

// Every control in the designer's order (help text, panels, program choice, settings, buttons,
// source file, records), then the recognition hint and the protocol button.
std::span<const ControlDefinition> Controls();
// The control of that name, or null.
const ControlDefinition* FindControl(std::string_view name);
const ControlDefinition& Definition(Control control);

// The names of the controls that the tab key visits, in its order.
std::span<const std::string_view> TabOrder();

// The items of the program list, in this order.
std::span<const std::string_view> ProgramItems();

// The place of a control in a client area of `width` x `height` (96 dots per inch); never
// smaller than its start place.
Rect Placed(const ControlDefinition& control, int width, int height);
// The same for a control that starts at `start`.
Rect Placed(const Rect& start, const Anchor& anchor, int width, int height);

}  // namespace kd::form
