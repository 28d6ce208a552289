#pragma once
// What the user chose in a single-choice list. A list that gets the focus makes its first row
// current without selecting it; only a selected row is a choice, so dialogs read and follow the
// selection, never the current row.

#include <QString>

class QListWidget;

namespace quarry::gui {

// The text of the selected item; empty when nothing is selected.
QString ChosenText(const QListWidget* list);
// Selects (and makes current) the item whose text is `text`; false when there is none.
bool ChooseItem(QListWidget* list, const QString& text);

}  // namespace quarry::gui
