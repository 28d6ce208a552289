#include "gui/ui/copy_selection.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>
#include <map>
#include <set>

namespace quarry::gui {

QString SelectedCellsText(const QAbstractItemView& view) {
  const QModelIndexList selected =
      view.selectionModel() ? view.selectionModel()->selectedIndexes() : QModelIndexList();
  if (selected.isEmpty()) return {};
  // Rows and columns in the order shown: a sorted or moved header shows them in its own order.
  const auto* table = qobject_cast<const QTableView*>(&view);
  auto visualRow = [table](const QModelIndex& index) {
    return table ? table->verticalHeader()->visualIndex(index.row()) : index.row();
  };
  auto visualColumn = [table](const QModelIndex& index) {
    return table ? table->horizontalHeader()->visualIndex(index.column()) : index.column();
  };
  std::set<int> columns;
  std::map<int, std::map<int, QString>> rows;
  for (const QModelIndex& index : selected) {
    columns.insert(visualColumn(index));
    rows[visualRow(index)][visualColumn(index)] = index.data(Qt::DisplayRole).toString();
  }
  QStringList lines;
  for (const auto& [row, cells] : rows) {
    QStringList line;
    for (int column : columns) {
      auto cell = cells.find(column);
      line << (cell == cells.end() ? QString() : cell->second);
    }
    lines << line.join('\t');
  }
  return lines.join('\n');
}

bool CopySelection(QWidget* widget) {
  QString text;
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    text = line->selectedText();
  } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
    text = edit->textCursor().selectedText();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    text = plain->textCursor().selectedText();
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    text = label->selectedText();
  } else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
    text = SelectedCellsText(*view);
  } else if (widget && widget->parentWidget()) {
    // The viewport of a view or an editor has the focus for it.
    if (auto* owner = qobject_cast<QAbstractScrollArea*>(widget->parentWidget());
        owner && owner->viewport() == widget)
      return CopySelection(owner);
  }
  if (text.isEmpty()) return false;
  // Text views put paragraph separators where lines end.
  text.replace(QChar::ParagraphSeparator, '\n');
  QGuiApplication::clipboard()->setText(text);
  return true;
}

}  // namespace quarry::gui
