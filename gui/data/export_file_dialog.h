#pragma once
// "Export File": the tables of the database and the fields of the chosen one; OK asks for the
// file and writes every column of the table to it on a worker.

#include <QDialog>

class QLabel;
class QListWidget;

namespace quarry::gui {

class Workbench;

class ExportFileDialog : public QDialog {
  Q_OBJECT

 public:
  ExportFileDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again (the database may have changed since the last time).
  void Prepare();
  QString SelectedTable() const;
  void SelectTable(const QString& table);
  QString StatusText() const;

  // Writes the selected table to `path` (what OK does once the file is chosen).
  void ExportTo(const QString& path);
  // OK: asks for the file and starts the export.
  void accept() override;

 private:
  void ShowFields();

  Workbench& workbench_;
  QListWidget* tables_;
  QListWidget* fields_;
  QLabel* status_;
};

}  // namespace quarry::gui
