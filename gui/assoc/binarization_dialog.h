#pragma once
// "Binarization" (Transformation menu): one column of a table becomes one 0/1 column per value,
// added to the same table (core/assoc/binarization.h). OK with a table and a column chosen
// binarizes it and says "Process finished"; without both it does nothing.

#include <QDialog>

class QLabel;
class QListWidget;

namespace quarry::gui {

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
  void ShowFields();

  Workbench& workbench_;
  QListWidget* tables_;
  QListWidget* fields_;
  QLabel* status_;
};

}  // namespace quarry::gui
