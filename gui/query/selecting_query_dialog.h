#pragma once
// "QUARRY Selecting Query": the statements stored earlier for the open data source, to run or
// materialize again.

#include <QDialog>
#include <vector>

#include "core/query/stored_queries.h"

class QListWidget;
class QPlainTextEdit;

namespace quarry::gui {

class Workbench;

class SelectingQueryDialog : public QDialog {
  Q_OBJECT

 public:
  SelectingQueryDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the stored queries of the open data source again.
  void Prepare();
  QListWidget& QueryList() const { return *list_; }
  QString Sql() const;

  void Execute();
  void Materialize();

 private:
  void ShowSelected();
  bool HasSelection();

  Workbench& workbench_;
  std::vector<StoredQuery> queries_;
  QListWidget* list_;
  QPlainTextEdit* sql_;
};

}  // namespace quarry::gui
