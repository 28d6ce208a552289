#include "gui/ui/table_list.h"

#include <QComboBox>
#include <QListWidget>
#include <QStringList>
#include <string>
#include <vector>

#include "core/data/data_source.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

// The tables of `source` into `names`; the text to show when they cannot be read.
QString ReadTableNames(DataSource& source, QStringList& names) {
  if (!source.IsOpen()) return {};
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) return kSystemBusy;
  std::vector<std::string> tables;
  if (!source.ListTables(tables)) return QString::fromStdString(source.LastError());
  for (const std::string& name : tables) names << QString::fromStdString(name);
  return {};
}

}  // namespace

QString FillTableList(QListWidget& list, DataSource& source) {
  const QString previous = ChosenText(&list);
  list.clear();
  QStringList names;
  const QString problem = ReadTableNames(source, names);
  list.addItems(names);
  if (!previous.isEmpty()) ChooseItem(&list, previous);
  return problem;
}

QString FillTableList(QComboBox& combo, DataSource& source) {
  const QString previous = combo.currentText();
  combo.clear();
  QStringList names;
  const QString problem = ReadTableNames(source, names);
  combo.addItems(names);
  combo.setCurrentIndex(combo.findText(previous, Qt::MatchExactly));
  return problem;
}

}  // namespace quarry::gui
