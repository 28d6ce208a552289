#pragma once
// "Null Value Substitution": OK adds a copy of the chosen column with its missing values
// replaced by the column's average ("float") or its most frequent value (other types).

#include <QDialog>

class QLabel;
class QListWidget;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class NullSubstitutionDialog : public QDialog {
  Q_OBJECT

 public:
  NullSubstitutionDialog(Workbench& workbench, QWidget* parent = nullptr);

  void Prepare();
  TableFieldLists& Lists() { return *lists_; }
  QString StatusText() const;
  void Substitute();

 private:
  Workbench& workbench_;
  TableFieldLists* lists_;
  QLabel* status_;
};

}  // namespace quarry::gui
