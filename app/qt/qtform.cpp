#include "qtform.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTextBlock>

#include "qtprotocolwindow.h"
#include "qttext.h"
#include "ui_tform1.h"

using kd::form::Control;
using kd::qt::FromUtf8;

namespace {

std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

QtForm::QtForm(kd::form::FormServices& services, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
  Q_INIT_RESOURCE(kdimport);
  ui_->setupUi(this);
  ui_->Memo2->setPlainText(FromUtf8(kd::form::FindControl("Memo2")->text));
  ui_->Memo1->setFont([this] {
    QFont font = ui_->Memo1->font();
    font.setStyleHint(QFont::TypeWriter);
    return font;
  }());
  logic_ = std::make_unique<kd::form::TForm1>(static_cast<kd::form::FormView&>(*this), services);

  // Every button of the form reaches the logic's handler of its control.
  for (const kd::form::ControlDefinition& definition : kd::form::Controls()) {
    if (definition.kind != kd::form::Kind::Button || !definition.control) continue;
    const Control control = *definition.control;
    connect(qobject_cast<QPushButton*>(Widget(control)), &QPushButton::clicked, this,
            [this, control] { logic_->Click(control); });
  }
  // Typed or chosen from the list, with the keyboard or the mouse.
  connect(ui_->ProgrammCombo, &QComboBox::editTextChanged, this,
          [this] { logic_->ProgrammComboChange(); });
  for (const kd::form::ControlDefinition& definition : kd::form::Controls()) {
    if (auto* widget = findChild<QWidget*>(FromUtf8(definition.name))) {
      const QRect start = widget->geometry();
      placed_.push_back(
          {widget, {start.x(), start.y(), start.width(), start.height()}, definition.anchor});
    }
  }
  resize(kd::form::kClientWidth, kd::form::kClientHeight);
}

// The protocol window goes first: it asks the logic for its rows until it is gone.
QtForm::~QtForm() {
  protocol_.reset();
}

// ---------------------------------------------------------------------------------------------
// Window events

void QtForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_ || event->spontaneous()) return;
  shown_ = true;
  if (const QScreen* display = screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(display->availableGeometry().center());
    move(frame.topLeft());
  }
  logic_->FormShow();
}

void QtForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (const Placement& p : placed_) {
    const kd::form::Rect r = kd::form::Placed(p.start, p.anchor, width(), height());
    p.widget->setGeometry(r.x, r.y, r.width, r.height);
  }
}

// ---------------------------------------------------------------------------------------------
// The controls

QWidget* QtForm::Widget(Control control) const {
  return findChild<QWidget*>(FromUtf8(kd::form::Definition(control).name));
}

std::string QtForm::Text(Control control) const {
  QWidget* widget = Widget(control);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return ToUtf8(memo->toPlainText());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return ToUtf8(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToUtf8(label->text());
  if (auto* button = qobject_cast<QPushButton*>(widget)) return ToUtf8(button->text());
  return {};
}

void QtForm::SetText(Control control, const std::string& text) {
  QWidget* widget = Widget(control);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
    memo->setPlainText(FromUtf8(text));
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    combo->setEditText(FromUtf8(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(FromUtf8(text));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(FromUtf8(text));
  }
}

void QtForm::AppendLines(Control control, const std::string& lines) {
  if (auto* memo = qobject_cast<QPlainTextEdit*>(Widget(control))) {
    memo->appendPlainText(FromUtf8(lines));
  }
}

bool QtForm::Edited(Control control) const {
  auto* memo = qobject_cast<QPlainTextEdit*>(Widget(control));
  return memo != nullptr && memo->document()->isModified();
}

void QtForm::Enable(Control control) {
  Widget(control)->setEnabled(true);
}

void QtForm::Disable(Control control) {
  Widget(control)->setEnabled(false);
}

void QtForm::Focus(Control control) {
  Widget(control)->setFocus();
}

void QtForm::SelectLine(Control control, std::size_t line) {
  auto* memo = qobject_cast<QPlainTextEdit*>(Widget(control));
  if (memo == nullptr || line >= std::size_t(memo->document()->blockCount())) return;
  const QTextBlock block = memo->document()->findBlockByNumber(int(line));
  // Selected from its end back to its beginning, so that the cursor, and with it the view,
  // stands at the beginning of a long line.
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + block.length() - 1);
  cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
  memo->setTextCursor(cursor);
  memo->centerCursor();
  memo->ensureCursorVisible();
}

kd::form::ProtocolView& QtForm::ProtocolWindow() {
  if (!protocol_) protocol_ = std::make_unique<QtProtocolWindow>(logic_->ProtocolLogic(), this);
  return *protocol_;
}

void QtForm::CloseWindow() {
  close();
}
