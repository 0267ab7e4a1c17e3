#include "qtform.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>

#include "ui_tform1.h"

using kd::form::Control;

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

QtForm::QtForm(kd::form::FormServices& services, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
  Q_INIT_RESOURCE(kdimport);
  ui_->setupUi(this);
  ui_->Memo2->setPlainText(FromUtf8(std::string(kd::form::FindControl("Memo2")->text)));
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
  for (const kd::form::ControlDefinition& definition : kd::form::Controls()) {
    if (auto* widget = findChild<QWidget*>(
            QString::fromUtf8(definition.name.data(), qsizetype(definition.name.size())))) {
      const QRect start = widget->geometry();
      placed_.push_back(
          {widget, {start.x(), start.y(), start.width(), start.height()}, definition.anchor});
    }
  }
  resize(kd::form::kClientWidth, kd::form::kClientHeight);
}

QtForm::~QtForm() = default;

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
  const std::string_view name = kd::form::Definition(control).name;
  return findChild<QWidget*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
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

void QtForm::Focus(Control control) {
  Widget(control)->setFocus();
}

void QtForm::CloseWindow() {
  close();
}
