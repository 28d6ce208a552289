#pragma once
// "Scaling": OK adds a column that maps the chosen numeric column linearly onto
// [Extreme Inf, Extreme Sup].

#include <QDialog>

class QLabel;
class QLineEdit;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class ScalingDialog : public QDialog {
  Q_OBJECT

 public:
  ScalingDialog(Workbench& workbench, QWidget* parent = nullptr);

  void Prepare();
  TableFieldLists& Lists() { return *lists_; }
  QString StatusText() const;
  void Scale();

 private:
  Workbench& workbench_;
  TableFieldLists* lists_;
  QLineEdit* inf_;
  QLineEdit* sup_;
  QLabel* status_;
};

}  // namespace quarry::gui
