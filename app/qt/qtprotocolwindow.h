// The protocol window on Qt: the summary, the table over the logic's rows (a model that asks the
// logic for each cell it shows, so that a protocol of any size costs no more than the rows on
// the screen), the check box for all lines, the save button and the button for the printable
// page. Nothing here decides anything.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include "protocolwindow.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class ProtocolTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ProtocolTableModel(kd::form::ProtocolWindow& logic, QObject* parent = nullptr)
      : QAbstractTableModel(parent), logic_(logic) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The logic's rows changed: every row is asked for again.
  void Reset();

 private:
  kd::form::ProtocolWindow& logic_;
};

class QtProtocolWindow : public QWidget, public kd::form::ProtocolView {
  Q_OBJECT

 public:
  // A window of its own that belongs to `owner` (the main window): it stays in front of it and
  // goes with it.
  QtProtocolWindow(kd::form::ProtocolWindow& logic, QWidget* owner);

  // kd::form::ProtocolView
  void Show() override;
  bool Shown() const override;
  void SetSummary(const std::string& text) override;
  void SetRowCount(std::size_t rows) override;

  QPlainTextEdit* Summary() const { return summary_; }
  QTableView* Table() const { return table_; }
  QCheckBox* AllLines() const { return allLines_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* PrintButton() const { return print_; }

 private:
  kd::form::ProtocolWindow& logic_;
  ProtocolTableModel* model_;
  QPlainTextEdit* summary_;
  QTableView* table_;
  QCheckBox* allLines_;
  QPushButton* save_;
  QPushButton* print_;  // after every other control in the tab order
};
