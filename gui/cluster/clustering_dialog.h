#pragma once
// "Clustering": a numeric table and the number of clusters; Execute starts the clustering job on
// a worker, and the two result buttons open the job's tables in the table viewer once it is over.

#include <QDialog>

#include "gui/app/job_runner.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quarry::gui {

class Workbench;

class ClusteringDialog : public QDialog {
  Q_OBJECT

 public:
  ClusteringDialog(Workbench& workbench, QWidget* parent = nullptr);

  // What opening the dialog does: says so when a clustering job runs or the database is busy,
  // otherwise lists the tables that can be clustered again.
  void Prepare();

  QString StatusText() const;
  JobRunner& Runner() { return runner_; }

  void Execute();
  void ShowClusterTable();
  void ShowStatisticTable();

 private:
  void ShowResultTable(const QString& prefix);
  QString SelectedTable() const;

  Workbench& workbench_;
  JobRunner runner_;
  QListWidget* tables_;
  QLineEdit* clusters_;
  QPushButton* clusterTable_;
  QPushButton* statisticTable_;
  QLabel* status_;
  // The table of the last job started, whose results the buttons show.
  QString resultTable_;
};

}  // namespace quarry::gui
