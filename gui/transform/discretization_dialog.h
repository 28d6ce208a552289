#pragma once
// "Discretization QUARRY": a numeric column of a table, the number of intervals, equal width or
// equal frequency, and number or text labels; OK asks the new column's name and adds it.

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class DiscretizationDialog : public QDialog {
  Q_OBJECT

 public:
  DiscretizationDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again, keeping the choices made before.
  void Prepare();
  TableFieldLists& Lists() { return *lists_; }
  QString StatusText() const;

  // OK: checks, asks the name, adds the column, says how it went; the dialog stays open.
  void Discretize();

 private:
  Workbench& workbench_;
  QListWidget* tables_;
  QListWidget* fields_;
  TableFieldLists* lists_;
  QLineEdit* intervals_;
  QRadioButton* regular_;
  QRadioButton* uniform_;
  QRadioButton* numberLabel_;
  QRadioButton* textLabel_;
  QLabel* status_;
};

}  // namespace quarry::gui
