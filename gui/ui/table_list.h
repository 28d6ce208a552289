#pragma once
// The table list of a method dialog: the tables of the open database, read again each time the
// dialog opens, with the table the user had chosen still chosen. What is chosen is read and set
// with ChosenText and ChooseItem (gui/ui/list_choice.h); a combo box keeps its current text.

#include <QString>

class QComboBox;
class QListWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

// Fills `list` with the tables of `source`. Returns what to tell the user when they cannot be
// read (a job holds the database, an error), else an empty text; a closed database gives an
// empty list and no text.
QString FillTableList(QListWidget& list, DataSource& source);
QString FillTableList(QComboBox& combo, DataSource& source);

}  // namespace quarry::gui
