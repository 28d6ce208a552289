#include "gui/ui/table_list.h"

#include <QListWidget>
#include <string>
#include <vector>

#include "core/data/data_source.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

QString FillTableList(QListWidget& list, DataSource& source) {
  const QString previous = ChosenText(&list);
  list.clear();
  if (!source.IsOpen()) return {};
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) return kSystemBusy;
  std::vector<std::string> names;
  if (!source.ListTables(names)) return QString::fromStdString(source.LastError());
  for (const std::string& name : names) list.addItem(QString::fromStdString(name));
  if (!previous.isEmpty()) ChooseItem(&list, previous);
  return {};
}

}  // namespace quarry::gui
