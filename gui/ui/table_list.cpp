#include "gui/ui/table_list.h"

#include <QListWidget>
#include <string>
#include <vector>

#include "core/data/data_source.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

QString FillTableList(QListWidget& list, DataSource& source) {
  const QString previous = SelectedTable(list);
  list.clear();
  if (!source.IsOpen()) return {};
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) return kSystemBusy;
  std::vector<std::string> names;
  if (!source.ListTables(names)) return QString::fromStdString(source.LastError());
  for (const std::string& name : names) list.addItem(QString::fromStdString(name));
  if (!previous.isEmpty()) SelectTable(list, previous);
  return {};
}

QString SelectedTable(const QListWidget& list) {
  QListWidgetItem* item = list.currentItem();
  return item ? item->text() : QString();
}

void SelectTable(QListWidget& list, const QString& table) {
  const QList<QListWidgetItem*> found = list.findItems(table, Qt::MatchExactly);
  if (!found.isEmpty()) list.setCurrentItem(found.first());
}

}  // namespace quarry::gui
