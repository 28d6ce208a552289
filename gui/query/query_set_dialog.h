#pragma once
// "QUARRY Query Set", the table viewer: shows the data source's current table in a grid. Callers
// set the current table (DataSource::SetCurrentTable) and call ShowQuerySet.

#include <QDialog>

class QLabel;
class QTableView;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class QuerySetModel;

class QuerySetDialog : public QDialog {
  Q_OBJECT

 public:
  explicit QuerySetDialog(QWidget* parent = nullptr);

  // Reads the current table. False, with "System busy, try again later" shown, when a job
  // holds the data source; false with the reason shown when the table cannot be read.
  bool Load(DataSource& source);
  const QuerySetModel& Model() const { return *model_; }
  QString Summary() const;

 private:
  QTableView* view_;
  QuerySetModel* model_;
  QLabel* summary_;
};

// Opens the viewer modally on the current table (nothing opens when it cannot be read).
void ShowQuerySet(QWidget* parent, DataSource& source);

}  // namespace quarry::gui
