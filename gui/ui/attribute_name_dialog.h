#pragma once
// "Attribute Name": asks the name of the column a transformation is about to add.

#include <QDialog>

class QLineEdit;

namespace quarry::gui {

class AttributeNameDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AttributeNameDialog(QWidget* parent = nullptr);

  // The name as typed, without surrounding blanks; the transformation itself refuses an empty
  // name or one the table has already, with its own message.
  QString Name() const;

 private:
  QLineEdit* name_;
};

}  // namespace quarry::gui
