#pragma once
// "QUARRY Edit Query": type a SELECT statement, then Execute it (its result is shown and thrown
// away) or Materialize it as a new table.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace quarry::gui {

class Workbench;

class EditQueryDialog : public QDialog {
  Q_OBJECT

 public:
  EditQueryDialog(Workbench& workbench, QWidget* parent = nullptr);

  QString Sql() const;
  // The query wizard hands its statement over here.
  void SetSql(const QString& sql);

  void Execute();
  void Materialize();

 private:
  Workbench& workbench_;
  QPlainTextEdit* sql_;
};

}  // namespace quarry::gui
