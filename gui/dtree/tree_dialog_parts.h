#pragma once
// What the tree dialogs share: their table list, listed again each time a dialog opens and
// keeping the table chosen last, and their buttons, none of which is a default button (Return
// in a field must not start a job).

#include <QString>

class QListWidget;
class QPushButton;
class QWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

// Lists the tables of `source` in `list` and selects `keep` when it is among them. Lists nothing
// when the database is closed or a job holds it.
void FillTableList(QListWidget& list, DataSource& source, const QString& keep);
// The selected table, empty when none is.
QString SelectedTable(const QListWidget& list);
void SelectTable(QListWidget& list, const QString& table);

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent);

}  // namespace quarry::gui
