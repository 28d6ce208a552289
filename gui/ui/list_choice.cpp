#include "gui/ui/list_choice.h"

#include <QListWidget>

namespace quarry::gui {

QString ChosenText(const QListWidget* list) {
  if (!list) return {};
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

bool ChooseItem(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  if (found.isEmpty()) return false;
  list->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
  return true;
}

}  // namespace quarry::gui
