#pragma once
// "Compare Pruning Methods" (Evaluation menu): a training table, the decision-tree options, and
// the pruning methods to compare as check boxes (a method whose tables are missing is greyed,
// with the reason). The job grows the tree once and prunes it with every method; the result
// table shows one row per method, and the chart each pruned tree's leaves against its test
// error. Double-clicking a row opens that method's pruned tree.

#include <QDialog>
#include <QMap>
#include <memory>

#include "core/pruning/pruning_comparison.h"

class QCheckBox;
class QChartView;
class QLabel;
class QListWidget;
class QTableWidget;

namespace quarry::gui {

class JobRunner;
class TreeOptionsForm;
class Workbench;

class PruningComparisonDialog : public QDialog {
  Q_OBJECT

 public:
  PruningComparisonDialog(Workbench& workbench, QWidget* parent = nullptr);

  // What opening the dialog does: the tables again, keeping the one chosen last.
  void Prepare();
  void SelectTable(const QString& table);
  TreeOptionsForm& Options() const { return *options_; }
  QCheckBox* MethodBox(int code) const { return boxes_.value(code); }
  JobRunner& Runner() const { return runner_; }
  QTableWidget* Results() const { return results_; }
  QChartView* Chart() const { return chart_; }
  QString ProgressText() const;

  void Execute();
  // Writes the chart as a PNG at `path`; false when it cannot.
  bool SaveChart(const QString& path) const;

 private:
  struct Shared {
    pruning::ComparisonResult result;
  };

  // Greys the methods whose tables the chosen table lacks, saying why.
  void UpdateMethods();
  void JobEnded(bool ok);
  void ShowResult(const pruning::ComparisonResult& result);
  void OpenRow(int row);
  void AskAndSaveChart();

  Workbench& workbench_;
  JobRunner& runner_;
  QListWidget* tables_;
  TreeOptionsForm* options_;
  QMap<int, QCheckBox*> boxes_;
  QTableWidget* results_;
  QChartView* chart_;
  QLabel* progress_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::string> treeFiles_;  // by result row
  QString lastTable_;
};

}  // namespace quarry::gui
