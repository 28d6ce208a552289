#pragma once
// "C4.5: Setting Parameters", the dialog of the Decision Trees command: a training table, the
// engine's options, a pruning method from the dialog's own menu, "E&xecute" to run the
// decision-tree job, and the viewers of the raw and pruned trees and rules it wrote.

#include <QDialog>

class QBoxLayout;
class QLabel;
class QListWidget;
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
  void JobEnded();

  Workbench& workbench_;
  JobRunner& runner_;
  QListWidget* tables_;
  TreeOptionsForm* options_;
  QLabel* status_;
  QPushButton* showTree_;
  QPushButton* showRules_;
  QPushButton* prunedTree_;
  QPushButton* prunedRules_;
  QBoxLayout* assistant_;
  QString lastTable_;  // the training table of the last job started
};

}  // namespace quarry::gui
