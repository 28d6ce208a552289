#pragma once
// Small widget helpers the association-rule windows share: named controls (tests find them by
// object name) and lists filled from the core's name lists.

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

namespace quarry::gui {

inline QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

inline QListWidget* MakeList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  return list;
}

// A read-only figure shown beside its caption.
inline QLabel* MakeFigure(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(70);
  return label;
}

inline void AddFigureRow(QGridLayout& grid, int row, const QString& caption, QWidget* figure) {
  grid.addWidget(new QLabel(caption, figure->parentWidget()), row, 0);
  grid.addWidget(figure, row, 1);
}

inline void Fill(QListWidget& list, const std::vector<std::string>& names) {
  const QSignalBlocker blocker(list);
  list.clear();
  for (const std::string& name : names) list.addItem(QString::fromStdString(name));
}

}  // namespace quarry::gui
