#include "gui/dtree/classification_cv_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/table_split.h"
#include "core/data/working_folder.h"
#include "core/treefiles/tree_file_names.h"
#include "gui/app/workbench.h"
#include "gui/dtree/cv_settings_dialog.h"
#include "gui/dtree/tree_dialog_parts.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_list.h"

namespace quarry::gui {

namespace {

constexpr const char* kCvRunning = "child is running: please try again later";

QLabel* Label(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

QListWidget* ResultList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setMinimumWidth(360);
  return list;
}

}  // namespace

ClassificationCvDialog::ClassificationCvDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent),
      workbench_(workbench),
      runner_(workbench.Runner("Classification k-CV")),
      shared_(std::make_shared<Shared>()) {
  setObjectName("classificationCvDialog");
  setWindowTitle("Classification k-fold CV");
  settings_ = new CvSettingsDialog(this);
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  folds_ = new QLineEdit("10", this);
  folds_->setObjectName("folds");
  rawList_ = ResultList("rawTrees", this);
  prunedList_ = ResultList("prunedTrees", this);
  rawSummary_ = Label("rawSummary", this);
  prunedSummary_ = Label("prunedSummary", this);
  progress_ = Label("progress", this);
  QPushButton* execute = DialogButton("E&xecute", "execute", this);
  QPushButton* settings = DialogButton("Settings...", "settings", this);
  QPushButton* close = DialogButton("Close", "close", this);
  QPushButton* rawTree = DialogButton("Show Tr&ee", "rawTree", this);
  QPushButton* rawRules = DialogButton("Show R&ules", "rawRules", this);
  QPushButton* prunedTree = DialogButton("Show &Tree", "prunedTree", this);
  QPushButton* prunedRules = DialogButton("Show &Rules", "prunedRules", this);

  auto* kRow = new QHBoxLayout();
  kRow->addWidget(new QLabel("K fold", this));
  kRow->addWidget(folds_);
  auto* commands = new QHBoxLayout();
  for (QPushButton* b : {execute, settings, close}) commands->addWidget(b);
  commands->addStretch();
  auto* rawButtons = new QHBoxLayout();
  rawButtons->addWidget(rawTree);
  rawButtons->addWidget(rawRules);
  auto* prunedButtons = new QHBoxLayout();
  prunedButtons->addWidget(prunedTree);
  prunedButtons->addWidget(prunedRules);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables", this), 0, 0);
  layout->addWidget(tables_, 1, 0, 4, 1);
  layout->addLayout(kRow, 5, 0);
  layout->addWidget(new QLabel("Raw trees", this), 0, 1);
  layout->addWidget(rawList_, 1, 1);
  layout->addLayout(rawButtons, 2, 1);
  layout->addWidget(new QLabel("Pruned trees", this), 0, 2);
  layout->addWidget(prunedList_, 1, 2);
  layout->addLayout(prunedButtons, 2, 2);
  layout->addWidget(rawSummary_, 3, 1);
  layout->addWidget(prunedSummary_, 3, 2);
  layout->addWidget(progress_, 4, 1, 1, 2);
  layout->addLayout(commands, 5, 1, 1, 2);
  layout->setRowStretch(1, 1);

  connect(&runner_, &JobRunner::Finished, this, &ClassificationCvDialog::JobEnded);
  connect(execute, &QPushButton::clicked, this, &ClassificationCvDialog::Execute);
  connect(settings, &QPushButton::clicked, settings_, &QDialog::exec);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(rawTree, &QPushButton::clicked, this, [this] { ShowFold(rawList_, false, false); });
  connect(rawRules, &QPushButton::clicked, this, [this] { ShowFold(rawList_, true, false); });
  connect(prunedTree, &QPushButton::clicked, this, [this] { ShowFold(prunedList_, false, true); });
  connect(prunedRules, &QPushButton::clicked, this, [this] { ShowFold(prunedList_, true, true); });
  runner_.SetResultButtons({rawTree, rawRules, prunedTree, prunedRules});
  resize(1000, 480);
}

void ClassificationCvDialog::Prepare() {
  FillTableList(*tables_, workbench_.Source());
  SelectTable(lastTable_);
}

void ClassificationCvDialog::SelectTable(const QString& table) { ChooseItem(tables_, table); }

QString ClassificationCvDialog::ProgressText() const { return progress_->text(); }

QString ClassificationCvDialog::SummaryText() const {
  return rawSummary_->text() + prunedSummary_->text();
}

void ClassificationCvDialog::Execute() {
  const QString table = ChosenText(tables_);
  if (table.isEmpty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Please, select table");
    return;
  }
  if (runner_.IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, kCvRunning);
    return;
  }
  pruning::ClassificationCvParameters p;
  p.tree = settings_->Parameters();
  p.tree.table = table.toStdString();
  bool isNumber = false;
  p.folds = folds_->text().trimmed().toInt(&isNumber);
  if (!isNumber) p.folds = 0;  // refused by the check below with the range K must be in
  if (!table.contains("_data") && !table.contains("_train1")) {
    CurrentPrompts().Message(this, QMessageBox::Warning,
                             "Please, select a *_train1 or *_data table");
    return;
  }
  DataSource& source = workbench_.Source();
  {
    // The job checks again on its worker; checking here tells the user at once. When another job
    // holds the database the job's own check speaks instead.
    TryExclusiveUse exclusive(source);
    if (exclusive.Owns()) {
      if (Status s = pruning::CheckCrossValidation(p, source); !s.ok()) {
        CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
        return;
      }
    }
  }
  EnsureWorkingFolder();
  rawList_->clear();
  prunedList_->clear();
  rawSummary_->clear();
  prunedSummary_->clear();
  lastTable_ = table;
  shared_ = std::make_shared<Shared>();
  JobSpec job;
  job.work = [p, &source, shared = shared_, label = progress_](Progress& progress) -> Status {
    // "cross validation" while the job partitions, then "tree number i" as fold i starts: with
    // several folds growing at once, the highest fold started.
    long started = 0;
    LabelProgress folds(progress, label, [&started](std::string_view what, long done) {
      if (what == "cross validation") return QString("cross validation");
      if (what != "tree number" || done <= started) return QString();
      started = done;
      return "tree number " + QString::number(done);
    });
    // The windowed program shows no engine report: the folds' figures and files are the results.
    std::ostringstream report;
    return pruning::ClassificationCrossValidation(p, source, report, folds, shared->result);
  };
  job.doneMessage = pruning::kTreesCreated;
  StartLabelledJob(runner_, std::move(job), progress_);
}

void ClassificationCvDialog::JobEnded(bool ok) {
  progress_->clear();
  if (!ok) return;
  const pruning::ClassificationCvResult& result = shared_->result;
  for (size_t i = 0; i < result.folds.size(); ++i) {
    const pruning::FoldErrors& fold = result.folds[i];
    const int number = static_cast<int>(i) + 1;
    rawList_->addItem(QString::fromStdString(pruning::FoldLine(number, fold.raw, fold.cases)));
    prunedList_->addItem(
        QString::fromStdString(pruning::FoldLine(number, fold.pruned, fold.cases)));
  }
  rawSummary_->setText(QString::fromStdString(pruning::MeanRawText(result.meanRaw)));
  prunedSummary_->setText(QString::fromStdString(pruning::MeanPrunedText(result.meanPruned)));
}

void ClassificationCvDialog::ShowFold(QListWidget* list, bool rules, bool pruned) {
  const int row = list->currentRow();
  if (row < 0 || !list->currentItem()->isSelected()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Please, select Tree");
    return;
  }
  // Fold i's trees were grown on its complement and carry that table's name.
  const std::string stem =
      ComplementTableName(lastTable_.toStdString(), row) + (pruned ? "PRUNED" : "");
  if (rules) {
    ShowRules(this, treefiles::RulesFilePath(stem).string());
  } else {
    ShowTree(this, treefiles::TreeFilePath(stem).string());
  }
}

}  // namespace quarry::gui
