#pragma once
// "Regression k-fold CV" and "Regression k-fold CV with Pruning": cross-validate model trees on
// the chosen table on a worker, list each fold's errors and their means and spreads, and open
// the tree or rules file of the fold line the user selects.

#include <QDialog>
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/modeltree/regression_cv.h"
#include "gui/modeltree/strata_fields.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace quarry::gui {

class CheckedField;
class JobRunner;
class Workbench;

class RegressionCvDialog : public QDialog {
  Q_OBJECT

 public:
  RegressionCvDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again (the database may have changed since the last time).
  void Prepare();
  void SelectTable(const QString& table);
  // Index 0..4 of the pruning radio group (the dialog with pruning only).
  void ChoosePruning(int method);

  void Execute();
  // The viewers of the fold line selected in the list of grown (or pruned) trees.
  void ShowFoldTree(bool prunedList);
  void ShowFoldRules(bool prunedList);

  QString StatusText() const;
  QString ProgressText() const;
  QTreeWidget* Results(bool prunedList) const { return prunedList ? prunedList_ : grownList_; }
  QString SummaryText(bool prunedList) const;
  modeltree::RegressionCvParams Params() const;

 protected:
  RegressionCvDialog(Workbench& workbench, QWidget* parent, bool withPruning);

 private:
  QTreeWidget* MakeResultList(const QString& name);
  void JobEnded(bool ok, const QString& message);
  void ShowProgress();
  // The base name of the selected fold's files, empty (after saying so) when none is selected.
  std::string SelectedFold(bool prunedList);

  Workbench& workbench_;
  const bool withPruning_;
  JobRunner& runner_;
  QListWidget* tables_;
  StrataFields strata_;
  CheckedField* folds_;
  QButtonGroup* pruning_ = nullptr;
  QComboBox* growing_ = nullptr;
  QTreeWidget* grownList_;
  QTreeWidget* prunedList_ = nullptr;
  QLabel* grownSummary_ = nullptr;
  QLabel* prunedSummary_ = nullptr;
  QLabel* status_;
  QLabel* progress_;
  QTimer* progressTimer_;
  std::vector<QPushButton*> resultButtons_;
  // Filled by the worker before it ends; read on the GUI thread once the job has finished.
  std::shared_ptr<modeltree::RegressionCvOutcome> outcome_;
  std::shared_ptr<std::atomic<long>> fold_;
  std::vector<std::string> grownBases_;
  std::vector<std::string> prunedBases_;
};

// The same dialog with a pruning method for every fold's tree.
class PruningRegressionCvDialog : public RegressionCvDialog {
  Q_OBJECT

 public:
  PruningRegressionCvDialog(Workbench& workbench, QWidget* parent = nullptr)
      : RegressionCvDialog(workbench, parent, true) {}
};

}  // namespace quarry::gui
