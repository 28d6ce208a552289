#pragma once
// "Association Rules": one dialog for both menu commands, plain rules ("Discovery Rules") and
// generalized rules over a taxonomy ("Discovery Gen Rules"). The chosen table (or its binarized
// copy "BinTable") is mined by the core miner on a worker; when the job ends the frequent
// patterns and the figures are shown, and "Extract Rules" turns them into rules, writes
// "outrules.txt", shows them in "Rules Visualization" and hands them to the rule filter.

#include <QDialog>
#include <memory>

#include "core/assoc/association_miner.h"
#include "core/assoc/taxonomy.h"
#include "core/data/work_tables.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quarry::gui {

class JobRunner;
class Workbench;

class AssociationRulesDialog : public QDialog {
  Q_OBJECT

 public:
  AssociationRulesDialog(Workbench& workbench, QWidget* parent = nullptr);
  ~AssociationRulesDialog() override;

  // Opening: plain or generalized mode, the tables listed again (unless a job holds them).
  void Prepare(bool generalized);
  bool Generalized() const { return generalized_; }

  void SelectTable(const QString& table);
  // The table the miner reads: the selected one, or its binarized copy.
  const QString& InputTable() const { return inputTable_; }
  void Execute();
  void ExtractRules();
  void DefineTaxonomy();
  QString StatusText() const;

  assoc::Taxonomy& TaxonomyModel() { return taxonomy_; }
  const assoc::AssociationMiner& Miner() const { return *miner_; }
  JobRunner& Runner() { return *runner_; }

  // "Close": the results are dropped with the binarized copy.
  void reject() override;

 private:
  void TableChosen();
  void ShowResults();
  void ShowPatternSupport(int row);
  void ShowTaxonomyLists();
  void ApplyMode();
  void ClearResults();
  void DropBinarizedCopy();

  Workbench& workbench_;
  bool generalized_ = false;
  std::unique_ptr<JobRunner> runner_;
  // Shared with the worker of a run; read here only once the run has ended.
  std::shared_ptr<assoc::AssociationMiner> miner_;
  assoc::Taxonomy taxonomy_;
  // The taxonomy of the last generalized run, as it was then.
  std::shared_ptr<const assoc::Taxonomy> minedTaxonomy_;
  QString inputTable_;
  QString binarizedCopy_;                      // the copy this dialog made, dropped on Close
  std::unique_ptr<WorkTables> binarizedWork_;  // holds binarizedCopy_ as a work table

  QListWidget* tables_;
  QListWidget* fields_;
  QLineEdit* minSupport_;
  QLineEdit* minConfidence_;
  QButtonGroup* algorithm_;
  QRadioButton* apriori_;
  QRadioButton* aprioriTid_;
  QRadioButton* ais_;
  QCheckBox* aisPruning_;
  QCheckBox* binarize_;
  QCheckBox* ancestorPruning_;
  QWidget* taxonomyBox_;
  QListWidget* fathers_;
  QListWidget* sons_;
  QListWidget* leaves_;
  QListWidget* attributes_;
  QListWidget* patterns_;
  QLineEdit* support_;
  QLabel* transactions_;
  QLabel* averageTransaction_;
  QLabel* items_;
  QLabel* averagePattern_;
  QLabel* patternCount_;
  QLabel* status_;
  QPushButton* execute_;
  QPushButton* extract_;
};

}  // namespace quarry::gui
