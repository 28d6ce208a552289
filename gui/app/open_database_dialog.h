#pragma once
// "Open DataBase": choose a data source the driver manager knows, type any connect string, or
// pick (or make) an SQLite file. Accepting gives the connect string to open.

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;

namespace quarry::gui {

class Workbench;

class OpenDatabaseDialog : public QDialog {
  Q_OBJECT

 public:
  OpenDatabaseDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the DSNs again and clears a connect string that holds a password.
  void Prepare();
  QString ConnectString() const;
  void SetConnectString(const QString& connect);

 private:
  void PickSqliteFile();
  void NewSqliteFile();

  QListWidget* dsns_;
  QLineEdit* connect_;
  QLabel* status_;
};

}  // namespace quarry::gui
