// The main window on Qt: the controls of the .ui form, the window's events routed to the
// toolkit-free logic, and the dialogs of QtFormServices. Nothing here decides anything.
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>
#include <vector>

#include "formdefinition.h"
#include "formservices.h"
#include "formview.h"
#include "tform1.h"

class QtProtocolWindow;

namespace Ui {
class TForm1;
}

class QtForm : public QWidget, private kd::form::FormView {
  Q_OBJECT

 public:
  explicit QtForm(kd::form::FormServices& services, QWidget* parent = nullptr);
  ~QtForm() override;

  kd::form::TForm1& Logic() { return *logic_; }
  // The protocol window once the protocol button opened it; null before.
  QtProtocolWindow* ProtocolWindowIfCreated() const { return protocol_.get(); }
  const kd::ConversionSettings& Settings() const { return logic_->Settings(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // kd::form::FormView
  std::string Text(kd::form::Control control) const override;
  void SetText(kd::form::Control control, const std::string& text) override;
  void AppendLines(kd::form::Control control, const std::string& lines) override;
  bool Edited(kd::form::Control control) const override;
  void Enable(kd::form::Control control) override;
  void Disable(kd::form::Control control) override;
  void Focus(kd::form::Control control) override;
  void SelectLine(kd::form::Control memo, std::size_t line) override;
  kd::form::ProtocolView& ProtocolWindow() override;
  void CloseWindow() override;

  QWidget* Widget(kd::form::Control control) const;

  std::unique_ptr<Ui::TForm1> ui_;
  std::unique_ptr<kd::form::TForm1> logic_;
  std::unique_ptr<QtProtocolWindow> protocol_;
  bool shown_ = false;
  // Each control with its place in the .ui form and its rule for following a change of the
  // window size.
  struct Placement {
    QWidget* widget;
    kd::form::Rect start;
    kd::form::Anchor anchor;
  };
  std::vector<Placement> placed_;
};
