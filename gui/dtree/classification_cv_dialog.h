#pragma once
// "Classification k-fold CV", the dialog of the Classification k-CV command: a training table,
// K, the decision-tree options of "Settings...", and per fold the misclassified cases of the raw
// and the pruned tree with their means. The fold in progress shows while the job runs; each fold
// line opens that fold's trees and rules.

#include <QDialog>
#include <memory>

#include "core/pruning/classification_cv.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quarry::gui {

class CvSettingsDialog;
class JobRunner;
class Workbench;

class ClassificationCvDialog : public QDialog {
  Q_OBJECT

 public:
  ClassificationCvDialog(Workbench& workbench, QWidget* parent = nullptr);

  // What opening the dialog does: the tables again, keeping the one chosen last.
  void Prepare();

  void SelectTable(const QString& table);
  CvSettingsDialog& Settings() const { return *settings_; }
  JobRunner& Runner() const { return runner_; }
  QString ProgressText() const;
  QString SummaryText() const;

  void Execute();

 private:
  // What the worker leaves for the end of the job.
  struct Shared {
    pruning::ClassificationCvResult result;
  };

  void JobEnded(bool ok);
  void ShowFold(QListWidget* list, bool rules, bool pruned);

  Workbench& workbench_;
  JobRunner& runner_;
  CvSettingsDialog* settings_;
  QListWidget* tables_;
  QLineEdit* folds_;
  QListWidget* rawList_;
  QListWidget* prunedList_;
  QLabel* rawSummary_;
  QLabel* prunedSummary_;
  QLabel* progress_;
  std::shared_ptr<Shared> shared_;
  QString lastTable_;  // the training table of the last job started
};

}  // namespace quarry::gui
