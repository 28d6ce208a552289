#include "gui/dtree/pruning_comparison_dialog.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/pruning/pruning_tables.h"
#include "gui/app/workbench.h"
#include "gui/dtree/tree_dialog_parts.h"
#include "gui/dtree/tree_options_form.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_list.h"

namespace quarry::gui {

namespace {

using pruning::ComparisonRow;
using pruning::RowOutcome;
using pruning::TableErrors;

QString Errors(const TableErrors& t) {
  if (!t.Counted()) return "-";
  return QString("%1 (%2%)").arg(t.errors).arg(t.Percent(), 0, 'f', 1);
}

QString Marks(const ComparisonRow& row) {
  QStringList marks;
  if (row.best) marks << "best";
  if (row.withinOneSE) marks << "smallest within 1 SE";
  if (row.outcome != RowOutcome::kPruned || !row.message.empty())
    marks << QString::fromStdString(row.message);
  return marks.join("; ");
}

}  // namespace

PruningComparisonDialog::PruningComparisonDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent),
      workbench_(workbench),
      runner_(workbench.Runner("Compare Pruning Methods")),
      shared_(std::make_shared<Shared>()) {
  setObjectName("pruningComparisonDialog");
  setWindowTitle("Compare Pruning Methods");
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  options_ = new TreeOptionsForm(this);
  options_->HideWindowing();
  // The m values field is the minimum error method's: open it for the comparison.
  options_->ChooseMethod(pruning::kMinimumErrorPruning);

  auto* methods = new QGridLayout();
  int i = 0;
  for (const pruning::PruningMethodInfo& info : pruning::PruningMethods()) {
    auto* box = new QCheckBox(QString::fromUtf8(info.cvName.data(), info.cvName.size()), this);
    box->setObjectName(QString("method_") +
                       QString::fromUtf8(info.cliName.data(), info.cliName.size()));
    box->setChecked(true);
    boxes_.insert(info.code, box);
    methods->addWidget(box, i % 7, i / 7);
    ++i;
  }

  results_ = new QTableWidget(0, 9, this);
  results_->setObjectName("results");
  results_->setHorizontalHeaderLabels({"method", "leaves", "depth", "training errors",
                                       "pruning errors", "test errors", "estimate", "time (s)",
                                       "notes"});
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setDefaultSectionSize(22);
  results_->horizontalHeader()->setStretchLastSection(true);

  chart_ = new QChartView(new QChart(), this);
  chart_->setObjectName("chart");
  chart_->setRenderHint(QPainter::Antialiasing);
  chart_->setMinimumSize(420, 300);
  chart_->chart()->setTitle("Leaves against test error");

  progress_ = new QLabel(this);
  progress_->setObjectName("progress");
  QPushButton* execute = DialogButton("E&xecute", "execute", this);
  QPushButton* save = DialogButton("Save Chart...", "saveChart", this);
  QPushButton* close = DialogButton("Close", "close", this);
  auto* commands = new QHBoxLayout();
  for (QPushButton* b : {execute, save, close}) commands->addWidget(b);
  commands->addWidget(progress_, 1);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables", this), 0, 0);
  layout->addWidget(tables_, 1, 0, 2, 1);
  layout->addWidget(options_, 1, 1);
  layout->addLayout(methods, 2, 1);
  layout->addWidget(results_, 3, 0, 1, 2);
  layout->addWidget(chart_, 1, 2, 3, 1);
  layout->addLayout(commands, 4, 0, 1, 3);
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(2, 1);

  connect(&runner_, &JobRunner::Finished, this, &PruningComparisonDialog::JobEnded);
  connect(execute, &QPushButton::clicked, this, &PruningComparisonDialog::Execute);
  connect(save, &QPushButton::clicked, this, &PruningComparisonDialog::AskAndSaveChart);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(tables_, &QListWidget::currentRowChanged, this, &PruningComparisonDialog::UpdateMethods);
  connect(results_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenRow(row); });
  runner_.SetResultButtons({save});
  resize(1250, 720);
}

void PruningComparisonDialog::Prepare() {
  FillTableList(*tables_, workbench_.Source());
  SelectTable(lastTable_);
  UpdateMethods();
}

void PruningComparisonDialog::SelectTable(const QString& table) {
  ChooseItem(tables_, table);
  UpdateMethods();
}

QString PruningComparisonDialog::ProgressText() const { return progress_->text(); }

void PruningComparisonDialog::UpdateMethods() {
  const std::string table = ChosenText(tables_).toStdString();
  std::vector<std::string> catalog;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns() || !source.ListTables(catalog)) return;
  for (auto it = boxes_.begin(); it != boxes_.end(); ++it) {
    std::string missing;
    if (table.find("_data") == std::string::npos) {
      missing = "select a *_data table";
    } else {
      // m values are checked when the job starts: the field may still be filled in.
      missing = pruning::MissingForMethod(table, it.key(), "m", catalog);
    }
    it.value()->setEnabled(missing.empty());
    it.value()->setToolTip(QString::fromStdString(missing));
    const QString name = it.value()->text().section(" (", 0, 0);
    it.value()->setText(missing.empty() ? name
                                        : name + " (" + QString::fromStdString(missing) + ")");
  }
}

void PruningComparisonDialog::Execute() {
  const QString table = ChosenText(tables_);
  if (table.isEmpty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Please, select table");
    return;
  }
  if (runner_.IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning,
                             "child is running: please try again later");
    return;
  }
  pruning::ComparisonParameters p;
  p.tree = options_->Parameters();
  p.tree.table = table.toStdString();
  for (auto it = boxes_.begin(); it != boxes_.end(); ++it) {
    if (it.value()->isEnabled() && it.value()->isChecked()) p.methods.push_back(it.key());
  }
  if (p.methods.empty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Please, select a pruning method");
    return;
  }
  EnsureWorkingFolder();
  results_->setRowCount(0);
  chart_->chart()->removeAllSeries();
  lastTable_ = table;
  shared_ = std::make_shared<Shared>();
  JobSpec job;
  job.work = [p, &source = workbench_.Source(), shared = shared_,
              label = progress_](Progress& progress) -> Status {
    // The step in progress: the method being pruned.
    LabelProgress steps(progress, label, [](std::string_view what, long) {
      return QString::fromUtf8(what.data(), static_cast<qsizetype>(what.size()));
    });
    std::ostringstream report;  // the figures and files are the results
    return pruning::ComparePruningMethods(p, source, report, steps, shared->result);
  };
  job.doneMessage = "pruning methods compared";
  StartLabelledJob(runner_, std::move(job), progress_);
}

void PruningComparisonDialog::JobEnded(bool ok) {
  progress_->clear();
  if (ok) ShowResult(shared_->result);
}

void PruningComparisonDialog::ShowResult(const pruning::ComparisonResult& result) {
  std::vector<const ComparisonRow*> rows = {&result.grown};
  for (const ComparisonRow& row : result.rows) rows.push_back(&row);
  results_->setRowCount(static_cast<int>(rows.size()));
  treeFiles_.clear();
  QChart* chart = chart_->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) chart->removeAxis(axis);
  auto* x = new QValueAxis();
  x->setTitleText("leaves");
  auto* y = new QValueAxis();
  y->setTitleText("test error (%)");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  double maxLeaves = 1, maxError = 1;
  for (size_t r = 0; r < rows.size(); ++r) {
    const ComparisonRow& row = *rows[r];
    const bool pruned = row.outcome == RowOutcome::kPruned;
    const QStringList cells = {QString::fromStdString(row.name),
                               pruned ? QString::number(row.leaves) : "",
                               pruned ? QString::number(row.depth) : "",
                               pruned ? Errors(row.training) : "",
                               pruned ? Errors(row.prune) : "",
                               pruned ? Errors(row.test) : "",
                               row.estimate ? QString::number(*row.estimate, 'f', 1) + "%" : "",
                               pruned ? QString::number(row.seconds, 'f', 2) : "",
                               Marks(row)};
    for (int c = 0; c < cells.size(); ++c) {
      results_->setItem(static_cast<int>(r), c, new QTableWidgetItem(cells[c]));
    }
    treeFiles_.push_back(row.treeFile.string());
    if (!pruned || !row.test.Counted()) continue;
    // One series a method, so that each point carries its method's name.
    auto* series = new QScatterSeries();
    series->setName(QString::fromStdString(row.name));
    series->append(row.leaves, row.test.Percent());
    series->setPointLabelsFormat(QString::fromStdString(row.name));
    series->setPointLabelsVisible(true);
    series->setMarkerSize(row.best || row.withinOneSE ? 14 : 9);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    maxLeaves = std::max(maxLeaves, static_cast<double>(row.leaves));
    maxError = std::max(maxError, row.test.Percent());
  }
  x->setRange(0, maxLeaves * 1.1);
  y->setRange(0, maxError * 1.15);
  chart->legend()->setVisible(false);
  results_->resizeColumnsToContents();
}

void PruningComparisonDialog::OpenRow(int row) {
  if (row < 0 || row >= static_cast<int>(treeFiles_.size())) return;
  if (treeFiles_[static_cast<size_t>(row)].empty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "This method made no tree");
    return;
  }
  ShowTree(this, treeFiles_[static_cast<size_t>(row)]);
}

bool PruningComparisonDialog::SaveChart(const QString& path) const {
  return chart_->grab().save(path, "PNG");
}

void PruningComparisonDialog::AskAndSaveChart() {
  QString path = CurrentPrompts().SaveFileName(
      this, "Save Chart", QString::fromStdString(WorkingFolder().string()), "PNG images (*.png)");
  if (path.isEmpty()) return;
  if (!path.endsWith(".png", Qt::CaseInsensitive)) path += ".png";
  if (!SaveChart(path)) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "cannot write " + path);
  }
}

}  // namespace quarry::gui
