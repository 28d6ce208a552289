#pragma once
// What the Execute and Materialize buttons of the query dialogs do with a statement.

#include <QString>

class QWidget;

namespace quarry::gui {

class Workbench;

// Runs the statement into a scratch table, shows it in "QUARRY Query Set" and drops the scratch
// table when the viewer closes. The statement is stored for Existing Query.
void ExecuteStatement(Workbench& workbench, QWidget* parent, const QString& sql);

// Asks the new table's name, makes the table from the statement (asking before it replaces a
// table of that name) and shows it. The statement is stored for Existing Query.
void MaterializeStatement(Workbench& workbench, QWidget* parent, const QString& sql);

}  // namespace quarry::gui
