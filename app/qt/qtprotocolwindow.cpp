#include "qtprotocolwindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "qttext.h"

using kd::form::ProtocolColumn;
using kd::qt::FromUtf8;

int ProtocolTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(std::min<std::size_t>(logic_.RowCount(), INT_MAX));
}

int ProtocolTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kd::form::kProtocolColumnTitles.size());
}

QVariant ProtocolTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto column = static_cast<ProtocolColumn>(index.column());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return FromUtf8(logic_.Cell(static_cast<std::size_t>(index.row()), column));
  }
  if (role == Qt::TextAlignmentRole && column == ProtocolColumn::PNr) {
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  }
  return {};
}

QVariant ProtocolTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount()) {
    return {};
  }
  return FromUtf8(kd::form::kProtocolColumnTitles[static_cast<std::size_t>(section)]);
}

void ProtocolTableModel::Reset() {
  beginResetModel();
  endResetModel();
}

QtProtocolWindow::QtProtocolWindow(kd::form::ProtocolWindow& logic, QWidget* owner)
    : QWidget(owner, Qt::Window),
      logic_(logic),
      model_(new ProtocolTableModel(logic, this)),
      summary_(new QPlainTextEdit(this)),
      table_(new QTableView(this)),
      allLines_(new QCheckBox(FromUtf8(kd::form::kAllLinesText), this)),
      save_(new QPushButton(FromUtf8(kd::form::kSaveButtonText), this)),
      print_(new QPushButton(FromUtf8(kd::form::kPrintButtonText), this)) {
  setObjectName(QStringLiteral("Protokoll"));
  // Open or not, it never keeps the program running once the main window is closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle(FromUtf8(kd::form::kProtocolWindowCaption));
  summary_->setObjectName(QStringLiteral("Zusammenfassung"));
  summary_->setReadOnly(true);
  summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
  summary_->setTabChangesFocus(true);

  table_->setObjectName(QStringLiteral("Tabelle"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  // Every row as high as one line of text: the table never measures its rows.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  for (std::size_t i = 0; i < kd::form::kProtocolColumnWidths.size(); ++i) {
    table_->setColumnWidth(int(i), kd::form::kProtocolColumnWidths[i]);
  }
  allLines_->setObjectName(QStringLiteral("AlleZeilen"));
  save_->setObjectName(QStringLiteral("Speichern"));
  print_->setObjectName(QStringLiteral("Drucken"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(allLines_);
  buttons->addStretch();
  buttons->addWidget(save_);
  buttons->addWidget(print_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addLayout(buttons);
  layout->addWidget(table_, 1);
  SetSummary({});
  resize(kd::form::kProtocolWindowWidth, kd::form::kProtocolWindowHeight);

  // Double-click, or the Enter key on a row.
  connect(table_, &QTableView::activated, this,
          [this](const QModelIndex& index) { logic_.Activate(std::size_t(index.row())); });
  connect(allLines_, &QCheckBox::toggled, this, [this](bool all) { logic_.ShowAllLines(all); });
  connect(save_, &QPushButton::clicked, this, [this] { logic_.SaveAs(); });
  connect(print_, &QPushButton::clicked, this, [this] { logic_.PrintPage(); });
}

void QtProtocolWindow::Show() {
  const bool first = !isVisible();
  show();
  raise();
  activateWindow();
  // The keys work in the table at once: arrows move through the rows, Enter shows the line.
  if (first) table_->setFocus();
}

bool QtProtocolWindow::Shown() const {
  return isVisible();
}

// The summary takes the room of its lines, up to a limit; the table the rest.
void QtProtocolWindow::SetSummary(const std::string& text) {
  summary_->setPlainText(FromUtf8(text));
  const int lines = kd::form::SummaryHeightInLines(text);
  summary_->setFixedHeight(summary_->fontMetrics().lineSpacing() * lines +
                           2 * summary_->frameWidth() +
                           int(2 * summary_->document()->documentMargin()) + 2);
}

void QtProtocolWindow::SetRowCount(std::size_t) {
  model_->Reset();
}
