#pragma once
// "Classification k-fold CV", the dialog of the Classification k-CV command: a training table,
// K, the decision-tree options of "Settings...", and per fold the misclassified cases of the raw
// and the pruned tree with their means. The fold in progress shows while the job runs; each fold
// line opens that fold's trees and rules.

#include <QDialog>
#include <atomic>
#include <memory>

#include "core/pruning/classification_cv.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

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
  // What the worker shares with the dialog's timer and with the end of the job.
  struct Shared {
    std::atomic<int> fold{-1};  // -1 before the job starts, 0 partitioning, then 1..K
    pruning::ClassificationCvResult result;
  };

  void ShowProgress();
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
  QTimer* timer_;
  std::shared_ptr<Shared> shared_;
  QString lastTable_;  // the training table of the last job started
};

}  // namespace quarry::gui
