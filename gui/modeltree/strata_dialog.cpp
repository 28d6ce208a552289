#include "gui/modeltree/strata_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <sstream>

#include "core/data/data_source.h"
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

constexpr const char* kMethod = "RegressionTrees";
constexpr const char* kPruningTexts[] = {
    "No prune",
    "Pruning (label on Growing Set)",
    "Pruning(label on Pruning Set)",
    "Pruning(label on Training Set)",
    "REG",
    "MDL",
};
constexpr const char* kDefaultPercent = "70";

}  // namespace

StrataDialog::StrataDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench), runner_(workbench.Runner(kMethod)), strata_(this) {
  setObjectName("strataDialog");
  setWindowTitle("STRATA: Setting Parameters");

  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  growing_ = new QComboBox(this);
  growing_->setObjectName("growingPercent");
  growing_->addItems({"50", "60", "70", "80", "90"});

  auto* fields = new QFormLayout;
  fields->addRow("Number of items in each leaf:", strata_.minItems);
  fields->addRow("Confidence level:", strata_.confidence);
  fields->addRow("Weight:", strata_.weight);
  fields->addRow("Error Level", strata_.errorLevel);
  fields->addRow("R Level", strata_.rLevel);
  fields->addRow("Growing Set (%)", growing_);

  auto* pruningBox = new QGroupBox(this);
  auto* pruningLayout = new QVBoxLayout(pruningBox);
  pruning_ = new QButtonGroup(this);
  for (int i = 0; i < 6; ++i) {
    auto* radio = new QRadioButton(kPruningTexts[i], pruningBox);
    radio->setObjectName(QString("pruning%1").arg(i));
    pruning_->addButton(radio, i);
    pruningLayout->addWidget(radio);
  }
  connect(pruning_, &QButtonGroup::idClicked, this, &StrataDialog::PruningChosen);

  status_ = new QLabel(this);
  status_->setObjectName("status");
  busy_ = new QProgressBar(this);
  busy_->setObjectName("busy");
  busy_->setRange(0, 0);  // no measure of how far a tree has grown: a busy indicator
  busy_->setTextVisible(false);
  busy_->setVisible(false);
  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName("summary");
  summary_->setReadOnly(true);
  summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
  summary_->setPlaceholderText("The trees of the last run and their errors show here.");
  summary_->setMinimumHeight(summary_->fontMetrics().lineSpacing() * 9);

  auto* execute = new QPushButton("E&xecute", this);
  execute->setObjectName("execute");
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("cancel");
  showTree_ = new QPushButton("Show &Tree", this);
  showTree_->setObjectName("showTree");
  showRules_ = new QPushButton("Show &Rules", this);
  showRules_->setObjectName("showRules");
  connect(execute, &QPushButton::clicked, this, &StrataDialog::Execute);
  connect(cancel, &QPushButton::clicked, this, &StrataDialog::ResetFields);
  connect(showTree_, &QPushButton::clicked, this, &StrataDialog::ShowTreeFile);
  connect(showRules_, &QPushButton::clicked, this, &StrataDialog::ShowRulesFile);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {execute, cancel, showTree_, showRules_}) buttons->addWidget(button);
  buttons->addStretch();

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables", this), 0, 0);
  layout->addWidget(tables_, 1, 0, 2, 1);
  layout->addLayout(fields, 1, 1);
  layout->addWidget(pruningBox, 2, 1);
  layout->addLayout(buttons, 1, 2, 2, 1);
  layout->addWidget(status_, 3, 0, 1, 3);
  layout->addWidget(busy_, 4, 0, 1, 3);
  layout->addWidget(summary_, 5, 0, 1, 3);

  runner_.SetResultButtons({showTree_, showRules_});
  connect(&workbench_.Jobs(), &JobCenter::JobFinished, this,
          [this](const QString& method, bool ok, const QString& message) {
            if (method == kMethod) JobEnded(ok, message);
          });
  ResetFields();
  resize(660, 540);
}

void StrataDialog::Prepare() {
  if (const QString trouble = FillTableList(*tables_, workbench_.Source()); !trouble.isEmpty())
    status_->setText(trouble);
}

void StrataDialog::SelectTable(const QString& table) { ChooseItem(tables_, table); }

void StrataDialog::ChoosePruning(int setting) {
  pruning_->button(setting)->setChecked(true);
  PruningChosen(setting);
}

void StrataDialog::PruningChosen(int setting) {
  // Every pruning setting enables the list; "REG" splits the table as the reduced-error
  // settings do, so its percentage matters as much as theirs.
  const bool splits = setting != 0;
  growing_->setEnabled(splits);
  if (splits) growing_->setCurrentText(kDefaultPercent);
}

void StrataDialog::ResetFields() {
  strata_.Reset();
  pruning_->button(0)->setChecked(true);
  growing_->setCurrentText(kDefaultPercent);
  growing_->setEnabled(false);
}

modeltree::ModelTreeParams StrataDialog::Params() const {
  modeltree::ModelTreeParams params;
  params.table = ChosenText(tables_).toStdString();
  params.strata = strata_.Read();
  params.prune = static_cast<modeltree::PruneMode>(pruning_->checkedId());
  params.growingPercent = growing_->currentText().toInt();
  return params;
}

void StrataDialog::Execute() {
  if (runner_.IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  if (ChosenText(tables_).isEmpty()) {
    status_->setText("Please, select table");
    return;
  }
  status_->setText("Please, wait");
  const modeltree::ModelTreeParams params = Params();
  JobSpec job;
  DataSource& source = workbench_.Source();
  auto summary = std::make_shared<std::string>();
  job.work = [params, &source, summary](Progress& progress) -> Status {
    std::ostringstream report;  // substitution lines: the files say what the tree is
    auto outcome = modeltree::RunModelTreeJob(source, params, report, progress);
    if (!outcome) return outcome.status();
    *summary = modeltree::ModelTreeSummary(*outcome);
    std::string done = "regression tree created";
    for (const std::string& table : outcome->leftTables) {
      done += "\nwork table " + table + " could not be dropped";
    }
    return Status(StatusCode::kOk, done);
  };
  job.doneMessage = "regression tree created";
  switch (runner_.Start(std::move(job))) {
    case JobRunner::StartResult::kStarted:
      lastRun_ = params;
      lastSummary_ = summary;
      busy_->setVisible(true);
      break;
    case JobRunner::StartResult::kLatched:
      status_->setText(kMethodInWorkingStatus);
      break;
    case JobRunner::StartResult::kRunning:
      status_->setText(kChildIsRunning);
      break;
    case JobRunner::StartResult::kFailed:
      status_->clear();
      break;
  }
}

void StrataDialog::JobEnded(bool ok, const QString& message) {
  busy_->setVisible(false);
  status_->setText(ok ? QString("Regression model is created") : message);
  // A failed run grew nothing: the last good trees would pass for its own.
  summary_->setPlainText(ok && lastSummary_ ? QString::fromStdString(*lastSummary_) : QString());
}

std::string StrataDialog::ResultBaseName() const {
  const modeltree::ModelTreeParams& run = lastRun_.table.empty() ? Params() : lastRun_;
  if (run.prune == modeltree::PruneMode::kNone) return run.table;
  const std::string growTable =
      modeltree::UsesPruningSet(run.prune) ? run.table + "Grown" : run.table;
  return modeltree::PrunedBaseName(run.prune, run.table, growTable);
}

void StrataDialog::ShowTreeFile() {
  if (ResultBaseName().empty()) {
    status_->setText("Please, select table");
    return;
  }
  ShowTree(this, ResultBaseName());
}

void StrataDialog::ShowRulesFile() {
  if (ResultBaseName().empty()) {
    status_->setText("Please, select table");
    return;
  }
  ShowRules(this, ResultBaseName());
}

QString StrataDialog::StatusText() const { return status_->text(); }

QString StrataDialog::SummaryText() const { return summary_->toPlainText(); }

}  // namespace quarry::gui
