#include "gui/dtree/decision_tree_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/treefiles/tree_file_names.h"
#include "gui/advisor/decision_tree_assistant.h"
#include "gui/app/workbench.h"
#include "gui/dtree/tree_dialog_parts.h"
#include "gui/dtree/tree_options_form.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_list.h"

namespace quarry::gui {

namespace {

// The decision-tree dialogs' own word for a job of theirs that still runs.
constexpr const char* kDecisionTreeRunning = "child is running: please try again later";

}  // namespace

DecisionTreeDialog::DecisionTreeDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench), runner_(workbench.Runner("Decision Trees")) {
  setObjectName("decisionTreeDialog");
  setWindowTitle("C4.5: Setting Parameters");
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  options_ = new TreeOptionsForm(this);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  auto* execute = DialogButton("E&xecute", "execute", this);
  auto* cancel = DialogButton("&Cancel", "cancel", this);
  auto* close = DialogButton("C&lose", "close", this);
  showTree_ = DialogButton("Show &Tree", "showTree", this);
  showRules_ = DialogButton("Show &Rules", "showRules", this);
  prunedTree_ = DialogButton("Pruned Tree", "prunedTree", this);
  prunedRules_ = DialogButton("Pruned Rules", "prunedRules", this);
  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName("summary");
  summary_->setReadOnly(true);
  summary_->setPlaceholderText("The evaluation of the last run shows here.");
  summary_->setMinimumHeight(summary_->fontMetrics().lineSpacing() * 5);
  summary_->setMaximumHeight(summary_->fontMetrics().lineSpacing() * 7);
  assistant_ = new QHBoxLayout();

  auto* menuBar = new QMenuBar(this);
  menuBar->addMenu(options_->MethodMenu());

  auto* buttons = new QHBoxLayout();
  buttons->addWidget(execute);
  buttons->addWidget(cancel);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* viewers = new QHBoxLayout();
  for (QPushButton* b : {showTree_, showRules_, prunedTree_, prunedRules_}) viewers->addWidget(b);
  auto* layout = new QGridLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(new QLabel("Tables", this), 0, 0);
  layout->addWidget(tables_, 1, 0);
  layout->addWidget(options_, 1, 1);
  layout->addWidget(status_, 2, 0, 1, 2);
  layout->addLayout(buttons, 3, 0, 1, 2);
  layout->addLayout(viewers, 4, 0, 1, 2);
  layout->addWidget(summary_, 5, 0, 1, 2);
  layout->addLayout(assistant_, 6, 0, 1, 2);

  connect(options_, &TreeOptionsForm::MethodChosen, this, &DecisionTreeDialog::ShowHint);
  connect(execute, &QPushButton::clicked, this, &DecisionTreeDialog::Execute);
  connect(cancel, &QPushButton::clicked, this, &DecisionTreeDialog::Cancel);
  connect(close, &QPushButton::clicked, this, &DecisionTreeDialog::reject);
  connect(&runner_, &JobRunner::Finished, this, &DecisionTreeDialog::JobEnded);
  connect(showTree_, &QPushButton::clicked, this, [this] { ShowFile(false, false); });
  connect(showRules_, &QPushButton::clicked, this, [this] { ShowFile(true, false); });
  connect(prunedTree_, &QPushButton::clicked, this, [this] { ShowFile(false, true); });
  connect(prunedRules_, &QPushButton::clicked, this, [this] { ShowFile(true, true); });
  runner_.SetResultButtons({showTree_, showRules_, prunedTree_, prunedRules_});
  for (QPushButton* b : {showTree_, showRules_, prunedTree_, prunedRules_}) b->setEnabled(false);
  ShowHint(pruning::kStandardPrune);
  new DecisionTreeAssistant(this, tables_, workbench.Source(), workbench.Runner(kPruningAdviceJob));
  resize(660, 560);
}

void DecisionTreeDialog::Prepare() {
  options_->SetDefaults();
  DataSource& source = workbench_.Source();
  if (runner_.IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, kMethodInWorkingStatus);
  } else if (source.Users() > 0) {
    CurrentPrompts().Message(this, QMessageBox::Information, "wait please");
  }
  FillTableList(*tables_, source);
  SelectTable(lastTable_);
}

void DecisionTreeDialog::SelectTable(const QString& table) { ChooseItem(tables_, table); }

QString DecisionTreeDialog::SelectedTable() const { return ChosenText(tables_); }

void DecisionTreeDialog::SetPruningMethod(int code) { options_->ChooseMethod(code); }

QString DecisionTreeDialog::StatusText() const { return status_->text(); }

void DecisionTreeDialog::ShowHint(int method) {
  if (auto info = pruning::FindPruningMethod(method)) {
    status_->setText(QString::fromUtf8(info->hint.data(), static_cast<int>(info->hint.size())));
  }
}

void DecisionTreeDialog::Cancel() {
  status_->clear();
  options_->ResetForCancel();
  reject();
}

QString DecisionTreeDialog::SummaryText() const { return summary_->toPlainText(); }

void DecisionTreeDialog::JobEnded(bool ok) {
  ShowHint(options_->Method());
  // A failed run has no evaluation: the last good one would pass for its own.
  summary_->setPlainText(ok && lastRun_ ? QString::fromStdString(lastRun_->text) : QString());
}

void DecisionTreeDialog::Execute() {
  const QString table = SelectedTable();
  if (table.isEmpty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Please, select table");
    return;
  }
  if (runner_.IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, kDecisionTreeRunning);
    return;
  }
  EnsureWorkingFolder();
  status_->setText("Please, wait");
  pruning::DecisionTreeParameters p = options_->Parameters();
  p.table = table.toStdString();
  lastTable_ = table;
  DataSource& source = workbench_.Source();
  auto run = std::make_shared<RunSummary>();
  JobSpec job;
  job.work = [p, &source, run](Progress& progress) -> Status {
    // The windowed program has no console: the report's evaluation is shown in the dialog.
    std::ostringstream report;
    pruning::InductionResult result;
    const Status status = pruning::DecisionTreeJob(p, source, report, progress, result);
    if (status.ok()) run->text = p.table + "\n" + pruning::EvaluationSummary(result);
    return status;
  };
  job.doneMessage = pruning::kTreeCreated;
  const JobRunner::StartResult started = runner_.Start(std::move(job));
  if (started == JobRunner::StartResult::kStarted) lastRun_ = run;
  if (started == JobRunner::StartResult::kLatched) status_->setText(kMethodInWorkingStatus);
}

void DecisionTreeDialog::ShowFile(bool rules, bool pruned) {
  if (lastTable_.isEmpty()) return;
  const std::string stem = lastTable_.toStdString() + (pruned ? "PRUNED" : "");
  if (rules) {
    ShowRules(this, treefiles::RulesFilePath(stem).string());
  } else {
    ShowTree(this, treefiles::TreeFilePath(stem).string());
  }
}

}  // namespace quarry::gui
