#include "gui/modeltree/regression_cv_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <sstream>

#include "core/common/fcvt.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/jobs/job_flags.h"
#include "gui/app/job_center.h"
#include "gui/app/workbench.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/checked_field.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_list.h"

namespace quarry::gui {

namespace {

constexpr const char* kPlainMethod = "Regression k-CV";
constexpr const char* kPruningMethod = "Pruning Regression k-CV";
constexpr const char* kCvChildIsRunning = "child is running, please try agin later";
constexpr const char* kPruningTexts[] = {
    "REP(label on Growing Set)",
    "REP(label on Pruning Set)",
    "REP(label on Training Set)",
    "REG",
    "MDL",
};
constexpr int kDefaultFolds = 10;

// Counts the folds the worker has started, for the dialog's progress text: with several folds
// growing at once (reporting one at a time), the highest fold started.
class FoldProgress : public Progress {
 public:
  FoldProgress(Progress& inner, std::atomic<long>& fold) : inner_(inner), fold_(fold) {}
  void Update(std::string_view what, long done, long total) override {
    if (what == modeltree::kFoldsDone && done + 1 > fold_.load()) fold_.store(done + 1);
    inner_.Update(what, done, total);
  }
  bool Cancelled() const override { return inner_.Cancelled(); }

 private:
  Progress& inner_;
  std::atomic<long>& fold_;
};

void FillList(QTreeWidget& list, const std::vector<modeltree::FoldResult>& folds,
              std::vector<std::string>& bases) {
  list.clear();
  bases.clear();
  for (size_t i = 0; i < folds.size(); ++i) {
    const modeltree::FoldResult& fold = folds[i];
    list.addTopLevelItem(new QTreeWidgetItem({QString("Tree%1").arg(i),
                                              QString::fromStdString(ExponentText(fold.rmse)),
                                              QString::fromStdString(ExponentText(fold.ratio))}));
    bases.push_back(fold.treeBase);
  }
}

}  // namespace

RegressionCvDialog::RegressionCvDialog(Workbench& workbench, QWidget* parent)
    : RegressionCvDialog(workbench, parent, false) {}

RegressionCvDialog::RegressionCvDialog(Workbench& workbench, QWidget* parent, bool withPruning)
    : QDialog(parent),
      workbench_(workbench),
      withPruning_(withPruning),
      runner_(workbench.Runner(withPruning ? kPruningMethod : kPlainMethod)),
      strata_(this),
      fold_(std::make_shared<std::atomic<long>>(0)) {
  setObjectName(withPruning ? "pruningRegressionCvDialog" : "regressionCvDialog");
  setWindowTitle(withPruning ? "Regression k-fold CV with Pruning" : "Regression k-fold CV");

  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  // Fewer than two folds leave a complement or a fold without rows; the upper bound is the
  // table's row count, checked when the job starts.
  folds_ = new CheckedField(QString::number(kDefaultFolds), CheckedField::IntegerAtLeast(2), this);
  folds_->setObjectName("folds");

  auto* fields = new QFormLayout;
  fields->addRow("Confidence level", strata_.confidence);
  fields->addRow("MinObj", strata_.minItems);
  fields->addRow("Weight", strata_.weight);
  fields->addRow("Fold's number", folds_);
  fields->addRow("Error level", strata_.errorLevel);
  fields->addRow("R level", strata_.rLevel);

  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  progress_ = new QLabel(this);
  progress_->setObjectName("progress");
  progressTimer_ = new QTimer(this);
  connect(progressTimer_, &QTimer::timeout, this, &RegressionCvDialog::ShowProgress);

  auto* execute = new QPushButton("E&xecute", this);
  execute->setObjectName("execute");
  connect(execute, &QPushButton::clicked, this, &RegressionCvDialog::Execute);

  auto showButtons = [this](bool prunedList, const QString& treeText, const QString& rulesText) {
    auto* tree = new QPushButton(treeText, this);
    tree->setObjectName(prunedList ? "showPrunedTree" : "showTree");
    auto* rules = new QPushButton(rulesText, this);
    rules->setObjectName(prunedList ? "showPrunedRules" : "showRules");
    connect(tree, &QPushButton::clicked, this, [this, prunedList] { ShowFoldTree(prunedList); });
    connect(rules, &QPushButton::clicked, this, [this, prunedList] { ShowFoldRules(prunedList); });
    resultButtons_.push_back(tree);
    resultButtons_.push_back(rules);
    auto* row = new QHBoxLayout;
    row->addWidget(tree);
    row->addWidget(rules);
    row->addStretch();
    return row;
  };

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Table:", this), 0, 0);
  layout->addWidget(tables_, 1, 0);
  layout->addLayout(fields, 1, 1);
  grownList_ = MakeResultList("results");
  if (!withPruning_) {
    grownSummary_ = status_;
    layout->addWidget(grownList_, 2, 0, 1, 2);
    layout->addLayout(showButtons(false, "Show &Tree", "Show &Rules"), 3, 0, 1, 2);
  } else {
    status_->setText("Please, set parameters.");
    auto* pruningBox = new QGroupBox(this);
    auto* pruningLayout = new QVBoxLayout(pruningBox);
    pruning_ = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
      auto* radio = new QRadioButton(kPruningTexts[i], pruningBox);
      radio->setObjectName(QString("pruning%1").arg(i));
      pruning_->addButton(radio, i);
      pruningLayout->addWidget(radio);
    }
    pruning_->button(0)->setChecked(true);
    growing_ = new QComboBox(this);
    growing_->setObjectName("growingPercent");
    growing_->addItems({"50", "60", "70", "80", "90"});
    growing_->setCurrentText("70");
    auto* growingRow = new QHBoxLayout;
    growingRow->addWidget(new QLabel("Growing Set        (%):", this));
    growingRow->addWidget(growing_);
    growingRow->addStretch();
    pruningLayout->addLayout(growingRow);
    layout->addWidget(pruningBox, 1, 2);

    prunedList_ = MakeResultList("prunedResults");
    grownSummary_ = new QLabel(this);
    grownSummary_->setObjectName("summary");
    prunedSummary_ = new QLabel(this);
    prunedSummary_->setObjectName("prunedSummary");
    auto* grownColumn = new QVBoxLayout;
    grownColumn->addWidget(new QLabel("No pruning Cross Validation results:", this));
    grownColumn->addWidget(grownList_);
    grownColumn->addWidget(grownSummary_);
    grownColumn->addLayout(showButtons(false, "Show Tr&ee", "Show R&ules"));
    auto* prunedColumn = new QVBoxLayout;
    prunedColumn->addWidget(new QLabel("Pruning Cross Validation results:", this));
    prunedColumn->addWidget(prunedList_);
    prunedColumn->addWidget(prunedSummary_);
    prunedColumn->addLayout(showButtons(true, "Show &Tree", "Show &Rules"));
    auto* lists = new QHBoxLayout;
    lists->addLayout(grownColumn);
    lists->addLayout(prunedColumn);
    layout->addLayout(lists, 2, 0, 2, 3);
  }
  layout->addWidget(status_, 4, 0, 1, 2);
  layout->addWidget(progress_, 5, 0, 1, 2);
  layout->addWidget(execute, 4, withPruning_ ? 2 : 1, Qt::AlignRight);

  QList<QWidget*> buttons;
  for (QPushButton* button : resultButtons_) buttons << button;
  runner_.SetResultButtons(buttons);
  const QString method = runner_.Method();
  connect(&workbench_.Jobs(), &JobCenter::JobFinished, this,
          [this, method](const QString& finished, bool ok, const QString& message) {
            if (finished == method) JobEnded(ok, message);
          });
  resize(withPruning_ ? 900 : 620, withPruning_ ? 560 : 480);
}

QTreeWidget* RegressionCvDialog::MakeResultList(const QString& name) {
  auto* list = new QTreeWidget(this);
  list->setObjectName(name);
  list->setHeaderLabels({"Tree", "MSE", "SSres/Syy"});
  list->setRootIsDecorated(false);
  list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return list;
}

void RegressionCvDialog::Prepare() {
  if (const QString trouble = FillTableList(*tables_, workbench_.Source()); !trouble.isEmpty())
    status_->setText(trouble);
}

void RegressionCvDialog::SelectTable(const QString& table) { ChooseItem(tables_, table); }

void RegressionCvDialog::ChoosePruning(int method) {
  if (pruning_) pruning_->button(method)->setChecked(true);
}

modeltree::RegressionCvParams RegressionCvDialog::Params() const {
  modeltree::RegressionCvParams params;
  params.table = ChosenText(tables_).toStdString();
  params.folds = folds_->text().trimmed().toInt();
  params.strata = strata_.Read();
  if (withPruning_) {
    params.prune = static_cast<modeltree::PruneMode>(pruning_->checkedId() + 1);
    params.growingPercent = growing_->currentText().toInt();
  }
  return params;
}

void RegressionCvDialog::Execute() {
  if (runner_.IsRunning()) {
    status_->setText(kCvChildIsRunning);
    return;
  }
  if (ChosenText(tables_).isEmpty()) {
    status_->setText("Please, select table");
    return;
  }
  folds_->Check();
  status_->setText("Please, wait");
  for (QTreeWidget* list : {grownList_, prunedList_}) {
    if (list) list->clear();
  }
  for (QLabel* summary : {grownSummary_, prunedSummary_}) {
    if (summary && summary != status_) summary->clear();
  }
  grownBases_.clear();
  prunedBases_.clear();

  auto outcome = std::make_shared<modeltree::RegressionCvOutcome>();
  auto fold = std::make_shared<std::atomic<long>>(0);
  JobSpec job;
  DataSource& source = workbench_.Source();
  job.work = [params = Params(), &source, outcome, fold](Progress& progress) -> Status {
    FoldProgress folds(progress, *fold);
    std::ostringstream report;  // substitution lines: the result lines say what matters
    auto result = modeltree::RunRegressionCV(source, params, report, folds);
    if (!result) return result.status();
    *outcome = std::move(*result);
    if (!outcome->notWritten.empty()) return WithFilesNotWritten(Status::Ok(), outcome->notWritten);
    std::string done = "operation terminated";
    for (const std::string& table : outcome->leftTables) {
      done += "\nwork table " + table + " could not be dropped";
    }
    return Status(StatusCode::kOk, done);
  };
  job.doneMessage = "operation terminated";
  switch (runner_.Start(std::move(job))) {
    case JobRunner::StartResult::kStarted:
      outcome_ = outcome;
      fold_ = fold;
      ShowProgress();
      progressTimer_->start(300);
      break;
    case JobRunner::StartResult::kLatched:
      status_->setText(kMethodInWorkingStatus);
      break;
    case JobRunner::StartResult::kRunning:
      status_->setText(kCvChildIsRunning);
      break;
    case JobRunner::StartResult::kFailed:
      status_->clear();
      break;
  }
}

void RegressionCvDialog::ShowProgress() {
  const long fold = fold_->load();
  progress_->setText(fold <= 0 ? QString("cross validation") : QString("tree number %1").arg(fold));
}

void RegressionCvDialog::JobEnded(bool ok, const QString& message) {
  progressTimer_->stop();
  progress_->clear();
  if (!ok || !outcome_) {
    status_->setText(message);
    return;
  }
  status_->clear();
  FillList(*grownList_, outcome_->grown, grownBases_);
  grownSummary_->setText(QString::fromStdString(outcome_->grownSummary.text));
  if (prunedList_) {
    FillList(*prunedList_, outcome_->pruned, prunedBases_);
    prunedSummary_->setText(QString::fromStdString(outcome_->prunedSummary.text));
  }
  outcome_.reset();
}

std::string RegressionCvDialog::SelectedFold(bool prunedList) {
  QTreeWidget* list = Results(prunedList);
  const std::vector<std::string>& bases = prunedList ? prunedBases_ : grownBases_;
  const int row = list && list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
  if (row < 0 || row >= static_cast<int>(bases.size())) {
    CurrentPrompts().Message(this, QMessageBox::Information, "Please, select Tree");
    return {};
  }
  return bases[static_cast<size_t>(row)];
}

void RegressionCvDialog::ShowFoldTree(bool prunedList) {
  const std::string base = SelectedFold(prunedList);
  if (!base.empty()) ShowTree(this, base);
}

void RegressionCvDialog::ShowFoldRules(bool prunedList) {
  const std::string base = SelectedFold(prunedList);
  if (!base.empty()) ShowRules(this, base);
}

QString RegressionCvDialog::StatusText() const { return status_->text(); }
QString RegressionCvDialog::ProgressText() const { return progress_->text(); }

QString RegressionCvDialog::SummaryText(bool prunedList) const {
  QLabel* summary = prunedList ? prunedSummary_ : grownSummary_;
  return summary ? summary->text() : QString();
}

}  // namespace quarry::gui
