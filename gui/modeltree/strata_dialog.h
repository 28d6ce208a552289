#pragma once
// "STRATA: Setting Parameters": grows a model tree on the chosen table with one of six pruning
// settings, on a worker, and opens the tree or rules file the last run wrote.

#include <QDialog>
#include <QString>
#include <string>

#include "core/modeltree/model_tree_job.h"
#include "gui/modeltree/strata_fields.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
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
  modeltree::ModelTreeParams lastRun_;
};

}  // namespace quarry::gui
