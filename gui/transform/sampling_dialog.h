#pragma once
// "QUARRY Sampling": OK asks the new table's name and copies a random sample of the chosen
// table's rows, of the typed percentage, into it.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class SamplingDialog : public QDialog {
  Q_OBJECT

 public:
  SamplingDialog(Workbench& workbench, QWidget* parent = nullptr);

  void Prepare();
  TableFieldLists& Lists() { return *lists_; }
  QString StatusText() const;
  void Sample();

 private:
  Workbench& workbench_;
  TableFieldLists* lists_;
  QLineEdit* percent_;
  QLabel* status_;
};

}  // namespace quarry::gui
