#include "gui/cluster/clustering_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/cluster/cluster_tables.h"
#include "core/cluster/clustering_job.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "gui/app/workbench.h"
#include "gui/query/query_set_dialog.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kOpenDatabase = "Please, open a DataBase";

}  // namespace

ClusteringDialog::ClusteringDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent),
      workbench_(workbench),
      runner_("Clustering", workbench.Jobs(), &workbench.Source(), this) {
  setObjectName("clusteringDialog");
  setWindowTitle("Clustering");
  tables_ = new QListWidget(this);
  tables_->setObjectName("1036");
  clusters_ = new QLineEdit(this);
  clusters_->setObjectName("1350");
  auto* execute = new QPushButton("&Execute", this);
  execute->setObjectName("1068");
  clusterTable_ = new QPushButton("Cluster Table", this);
  clusterTable_->setObjectName("1373");
  statisticTable_ = new QPushButton("Statistic Table", this);
  statisticTable_->setObjectName("1374");
  status_ = new QLabel(this);
  status_->setObjectName("1375");
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setMinimumHeight(24);
  auto* close = new QPushButton("Close", this);
  auto* cancel = new QPushButton("Cancel", this);
  execute->setAutoDefault(false);
  close->setAutoDefault(false);

  connect(execute, &QPushButton::clicked, this, &ClusteringDialog::Execute);
  connect(clusterTable_, &QPushButton::clicked, this, &ClusteringDialog::ShowClusterTable);
  connect(statisticTable_, &QPushButton::clicked, this, &ClusteringDialog::ShowStatisticTable);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  runner_.SetResultButtons({clusterTable_, statisticTable_});

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Table:", this), 0, 0);
  layout->addWidget(tables_, 1, 0, 5, 1);
  layout->addWidget(new QLabel("Insert Cluster Number", this), 0, 1);
  layout->addWidget(clusters_, 1, 1);
  layout->addWidget(execute, 2, 1);
  layout->addWidget(clusterTable_, 3, 1);
  layout->addWidget(statisticTable_, 4, 1);
  layout->setRowStretch(5, 1);
  layout->addWidget(status_, 6, 0, 1, 2);
  auto* closing = new QHBoxLayout;
  closing->addStretch(1);
  closing->addWidget(close);
  closing->addWidget(cancel);
  layout->addLayout(closing, 7, 0, 1, 2);
  resize(460, 340);
}

void ClusteringDialog::Prepare() {
  if (runner_.IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "method in working status");
    return;
  }
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    CurrentPrompts().Message(this, QMessageBox::Information, "wait please");
    return;
  }
  const QString previous = SelectedTable();
  tables_->clear();
  if (!source.IsOpen()) return;
  auto tables = cluster::ClusterableTables(source);
  if (!tables) {
    status_->setText(QString::fromStdString(tables.status().message()));
    return;
  }
  for (const std::string& table : *tables) tables_->addItem(QString::fromStdString(table));
  ChooseItem(tables_, previous);
}

QString ClusteringDialog::StatusText() const { return status_->text(); }

QString ClusteringDialog::SelectedTable() const { return ChosenText(tables_); }

void ClusteringDialog::Execute() {
  if (runner_.IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  const QString table = SelectedTable();
  const int k = cluster::ReadClusterNumber(clusters_->text().toStdString());
  if (table.isEmpty() || k < 1 || k > cluster::kMaxClusters) {
    status_->setText(cluster::kInsertParameters);
    return;
  }
  status_->clear();
  JobSpec job;
  DataSource& source = workbench_.Source();
  job.work = [&source, params = cluster::ClusteringParams{table.toStdString(), k}](
                 Progress& progress) -> Status {
    Rand rand;
    auto result = cluster::RunClustering(source, params, rand, progress);
    return result ? Status::Ok() : result.status();
  };
  job.doneMessage = cluster::kClusteringExecuted;
  const JobRunner::StartResult started = runner_.Start(std::move(job));
  if (started == JobRunner::StartResult::kLatched) status_->setText(kMethodInWorkingStatus);
  if (started == JobRunner::StartResult::kStarted) resultTable_ = table;
}

void ClusteringDialog::ShowClusterTable() {
  ShowResultTable(QString::fromStdString(cluster::ClusterTableName("")));
}

void ClusteringDialog::ShowStatisticTable() {
  ShowResultTable(QString::fromStdString(cluster::StatisticTableName("")));
}

void ClusteringDialog::ShowResultTable(const QString& prefix) {
  DataSource& source = workbench_.Source();
  if (!source.IsOpen()) {
    CurrentPrompts().Message(this, QMessageBox::Information, kOpenDatabase);
    return;
  }
  // The tables of the last run; before any run, those of the chosen table (an earlier session's).
  const QString table = resultTable_.isEmpty() ? SelectedTable() : resultTable_;
  if (table.isEmpty()) {
    status_->setText(cluster::kInsertParameters);
    return;
  }
  source.SetCurrentTable((prefix + table).toStdString());
  ShowQuerySet(this, source);
}

}  // namespace quarry::gui
