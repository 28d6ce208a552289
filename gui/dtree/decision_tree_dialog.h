#pragma once
// "C4.5: Setting Parameters", the dialog of the Decision Trees command: a training table, the
// engine's options, a pruning method from the dialog's own menu, "E&xecute" to run the
// decision-tree job, the viewers of the raw and pruned trees and rules it wrote, and the last
// run's evaluation (sizes and errors before and after pruning) below them.

#include <QDialog>
#include <memory>
#include <string>

class QBoxLayout;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quarry::gui {

class JobRunner;
class TreeOptionsForm;
class Workbench;

class DecisionTreeDialog : public QDialog {
  Q_OBJECT

 public:
  DecisionTreeDialog(Workbench& workbench, QWidget* parent = nullptr);

  // What opening the dialog does: the tables again, the defaults, the hint of standard pruning,
  // and a word when a job runs or the database is in use.
  void Prepare();

  TreeOptionsForm& Options() const { return *options_; }
  void SelectTable(const QString& table);
  QString SelectedTable() const;
  QString StatusText() const;
  // The evaluation of the last run that succeeded, as the "summary" pane shows it.
  QString SummaryText() const;
  JobRunner& Runner() const { return runner_; }

  // For an adviser that helps choose the pruning method: room below the buttons for its
  // controls, and the same effect as choosing `code` from the pruning menu.
  QBoxLayout* AssistantArea() const { return assistant_; }
  void SetPruningMethod(int code);

  void Execute();
  // "&Cancel": the status cleared, the fields the button resets, the dialog closed.
  void Cancel();

 private:
  void ShowHint(int method);
  void ShowFile(bool rules, bool pruned);
  void JobEnded(bool ok);

  // What the worker of a run leaves for the dialog: filled before its completion arrives.
  struct RunSummary {
    std::string text;
  };

  Workbench& workbench_;
  JobRunner& runner_;
  QListWidget* tables_;
  TreeOptionsForm* options_;
  QLabel* status_;
  QPushButton* showTree_;
  QPushButton* showRules_;
  QPushButton* prunedTree_;
  QPushButton* prunedRules_;
  QPlainTextEdit* summary_;
  QBoxLayout* assistant_;
  std::shared_ptr<RunSummary> lastRun_;
  QString lastTable_;  // the training table of the last job started
};

}  // namespace quarry::gui
