#include "gui/ui/rules_table.h"

#include <QDialog>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>

namespace quarry::gui {

namespace {

constexpr int kRuleRole = Qt::UserRole;
constexpr int kNumberRole = Qt::UserRole + 1;

class CellItem : public QTableWidgetItem {
 public:
  explicit CellItem(const RulesTable::Cell& cell) : QTableWidgetItem(cell.text) {
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setToolTip(cell.text);
    if (std::isfinite(cell.number)) {
      setData(kNumberRole, cell.number);
      setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
  }

  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant mine = data(kNumberRole);
    const QVariant theirs = other.data(kNumberRole);
    if (mine.isValid() != theirs.isValid()) return mine.isValid();
    if (mine.isValid()) return mine.toDouble() < theirs.toDouble();
    return text().localeAwareCompare(other.text()) < 0;
  }
};

}  // namespace

RulesTable::RulesTable(const QStringList& headers, QWidget* parent)
    : QTableWidget(0, static_cast<int>(headers.size()), parent) {
  setObjectName("rulesTable");
  setHorizontalHeaderLabels(headers);
  verticalHeader()->setVisible(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  horizontalHeader()->setStretchLastSection(false);
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  connect(this, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row >= 0) emit RuleChosen(RuleAt(row));
  });
}

void RulesTable::LayOutViewer(QDialog* viewer, QWidget* single, QWidget* buttons) {
  auto* splitter = new QSplitter(Qt::Vertical, viewer);
  splitter->addWidget(this);
  splitter->addWidget(single);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(viewer);
  layout->addWidget(splitter, 1);
  layout->addWidget(buttons);
}

void RulesTable::AddRule(const QList<Cell>& cells) {
  // Rows go in unsorted, or a row would move while its cells are set.
  const bool sorting = isSortingEnabled();
  setSortingEnabled(false);
  const int row = rowCount();
  const int rule = row;
  insertRow(row);
  for (int column = 0; column < cells.size() && column < columnCount(); ++column) {
    auto* item = new CellItem(cells[column]);
    item->setData(kRuleRole, rule);
    setItem(row, column, item);
  }
  setSortingEnabled(sorting);
}

void RulesTable::Clear() {
  const QSignalBlocker quiet(this);
  setRowCount(0);
}

void RulesTable::FitColumns() {
  resizeColumnsToContents();
  const int widest = fontMetrics().averageCharWidth() * 60;
  for (int column = 0; column < columnCount(); ++column) {
    if (columnWidth(column) > widest) setColumnWidth(column, widest);
  }
}

int RulesTable::RuleAt(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell ? cell->data(kRuleRole).toInt() : -1;
}

void RulesTable::ChooseRule(int rule) {
  for (int row = 0; row < rowCount(); ++row) {
    if (RuleAt(row) != rule) continue;
    const QSignalBlocker quiet(this);
    setCurrentCell(row, currentColumn() < 0 ? 0 : currentColumn());
    scrollToItem(item(row, 0));
    return;
  }
}

}  // namespace quarry::gui
