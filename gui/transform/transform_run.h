#pragma once
// How a transformation dialog runs its core service on the GUI thread: never waiting on a
// database that a job holds, "Please,wait" while it works, the failure in a box.

#include <QString>
#include <functional>

#include "core/common/status.h"
#include "core/transform/column_choice.h"

class QLabel;
class QWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

// The one-line status text at the foot of a dialog.
QLabel* NewStatusLine(QWidget* parent);

// The new column's name, asked with "Attribute Name" when the service needs it; cancelling gives
// an empty name, which the service refuses with its own message.
NameQuestion AskAttributeName(QWidget* parent);
// The same for a new table, asked with "QUARRY Insert Table Name".
NameQuestion AskTableName(QWidget* parent);

// Runs `work` holding the data source. A busy data source puts "System busy, try again later"
// in `status` and runs nothing; a failure is shown in a box titled "QUARRY". Returns what `work`
// returned (kBusy when the database was busy).
Status RunTransform(QWidget* parent, DataSource& source, QLabel* status,
                    const std::function<Status(DataSource&)>& work);

// RunTransform, then "The table is updated" in a box when it worked.
void RunColumnTransform(QWidget* parent, DataSource& source, QLabel* status,
                        const std::function<Status(DataSource&)>& work);

}  // namespace quarry::gui
