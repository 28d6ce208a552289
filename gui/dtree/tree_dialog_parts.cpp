#include "gui/dtree/tree_dialog_parts.h"

#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "core/data/data_source.h"

namespace quarry::gui {

void FillTableList(QListWidget& list, DataSource& source, const QString& keep) {
  list.clear();
  TryExclusiveUse exclusive(source);
  std::vector<std::string> names;
  if (source.IsOpen() && exclusive.Owns() && source.ListTables(names)) {
    for (const std::string& name : names) list.addItem(QString::fromStdString(name));
  }
  if (!keep.isEmpty()) SelectTable(list, keep);
}

QString SelectedTable(const QListWidget& list) {
  const QListWidgetItem* item = list.currentItem();
  return item && item->isSelected() ? item->text() : QString();
}

void SelectTable(QListWidget& list, const QString& table) {
  const QList<QListWidgetItem*> found = list.findItems(table, Qt::MatchExactly);
  if (!found.isEmpty()) list.setCurrentItem(found.first());
}

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace quarry::gui
