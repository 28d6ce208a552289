#include "gui/dtree/tree_dialog_parts.h"

#include <QPushButton>

namespace quarry::gui {

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace quarry::gui
