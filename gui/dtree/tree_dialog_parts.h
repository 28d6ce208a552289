#pragma once
// What the tree dialogs share besides the table list (gui/ui/table_list.h): their buttons, none
// of which is a default button (Return in a field must not start a job).

#include <QString>

class QPushButton;
class QWidget;

namespace quarry::gui {

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent);

}  // namespace quarry::gui
