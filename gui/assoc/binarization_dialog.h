#pragma once
// "Binarization" (Transformation menu): one column of a table becomes one 0/1 column per value,
// added to the same table (core/assoc/binarization.h). OK with a table and a column chosen
// binarizes it and says "Process finished"; without both it does nothing.

#include <QDialog>

class QLabel;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class BinarizationDialog : public QDialog {
  Q_OBJECT

 public:
  BinarizationDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again.
  void Prepare();
  QString StatusText() const;
  void Binarize();

 private:
  Workbench& workbench_;
  TableFieldLists* lists_;
  QLabel* status_;
};

}  // namespace quarry::gui
