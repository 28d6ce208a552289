#pragma once
// "STRATA: Setting Parameters": grows a model tree on the chosen table with one of six pruning
// settings, on a worker, shows what it grew and how well the trees fit, and opens the tree or
// rules file the last run wrote.

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "core/modeltree/model_tree_job.h"
#include "gui/modeltree/strata_fields.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quarry::gui {

class JobRunner;
class Workbench;

class StrataDialog : public QDialog {
  Q_OBJECT

 public:
  StrataDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again (the database may have changed since the last time).
  void Prepare();
  void SelectTable(const QString& table);
  // Index 0..5 of the pruning radio group.
  void ChoosePruning(int setting);

  // "E&xecute", "&Cancel", "Show &Tree", "Show &Rules".
  void Execute();
  void ResetFields();
  void ShowTreeFile();
  void ShowRulesFile();

  QString StatusText() const;
  // The trees of the last run that succeeded: their sizes, files and errors.
  QString SummaryText() const;
  // The parameters the fields hold now (after checking a field still being edited).
  modeltree::ModelTreeParams Params() const;
  // The base name of the files "Show &Tree" and "Show &Rules" open: those of the pruned tree
  // when the last run pruned, else those of the grown tree.
  std::string ResultBaseName() const;

 private:
  void PruningChosen(int setting);
  void JobEnded(bool ok, const QString& message);

  Workbench& workbench_;
  JobRunner& runner_;
  QListWidget* tables_;
  StrataFields strata_;
  QComboBox* growing_;
  QButtonGroup* pruning_;
  QLabel* status_;
  QProgressBar* busy_;
  QPushButton* showTree_;
  QPushButton* showRules_;
  QPlainTextEdit* summary_;
  modeltree::ModelTreeParams lastRun_;
  // Written by the worker of the last run before its completion arrives.
  std::shared_ptr<std::string> lastSummary_;
};

}  // namespace quarry::gui
