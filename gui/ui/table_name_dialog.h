#pragma once
// "QUARRY Insert Table Name": asks the name of a table the command is about to create.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quarry::gui {

class TableNameDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TableNameDialog(QWidget* parent = nullptr);

  // The name as typed, without surrounding blanks.
  QString Name() const;
  void SetName(const QString& name);

 private:
  QLineEdit* name_;
  QPushButton* ok_;
};

}  // namespace quarry::gui
