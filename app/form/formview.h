// What the window logic needs from a window: the texts of its controls and the few things a
// person sees change besides them. Each front end (Qt, Win32) implements it by creating the
// controls and mapping these calls onto them; the logic never sees a toolkit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kd::form {

class ProtocolView;

// The controls of the main window that the logic reads or changes, named as in the form.
enum class Control {
  ProgrammCombo,    // program choice, an editable drop-down list
  Memo5,            // captions of the settings lines
  FormelMemo,       // the five settings lines
  Button3,          // "2.  Suchen woher"
  Button4,          // "3.  Suchen wohin"
  Button1,          // "4.  Kandrel-Datei  erstellen"
  EndeButton,       // "&Ende"
  Panel4,           // caption above the source file
  Memo1,            // the source file as loaded
  Memo3,            // the list of produced records
  ErkanntLabel,     // which program the source file looks like
  ProtokollButton,  // opens the protocol window
};

// Lines as the text of a memo or a label: "\n" between them, none after the last.
inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  return text;
}

class FormView {
 public:
  virtual ~FormView() = default;

  // Texts are UTF-8; lines are separated by "\n" both ways.
  virtual std::string Text(Control control) const = 0;
  virtual void SetText(Control control, const std::string& text) = 0;
  // Appends lines below the text of a memo; an empty memo takes them as its first lines.
  virtual void AppendLines(Control control, const std::string& lines) = 0;
  // True when the person changed the control's text since it was last set.
  virtual bool Edited(Control control) const = 0;
  virtual void Enable(Control control) = 0;
  virtual void Disable(Control control) = 0;
  virtual void Focus(Control control) = 0;
  // Selects line `line` (counted from 0) of a memo, without its line break, and scrolls it into
  // view, its beginning first; a line beyond the text selects nothing.
  virtual void SelectLine(Control memo, std::size_t line) = 0;
  // The protocol window that belongs to this window, created hidden on first use.
  virtual ProtocolView& ProtocolWindow() = 0;
  // Closes the window, which ends the program.
  virtual void CloseWindow() = 0;
};

}  // namespace kd::form
