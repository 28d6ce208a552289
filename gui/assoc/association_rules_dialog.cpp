#include "gui/assoc/association_rules_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/assoc/binarization.h"
#include "core/assoc/rule_files.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/jobs/job_flags.h"
#include "gui/app/job_runner.h"
#include "gui/app/workbench.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/assoc/rule_filter_window.h"
#include "gui/assoc/rules_visualization_dialog.h"
#include "gui/assoc/taxonomy_window.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kMethod = "Association Rules";

QLineEdit* MakeNumberField(QWidget* parent, const char* name, const QString& value) {
  auto* field = new QLineEdit(value, parent);
  field->setObjectName(name);
  return field;
}

QRadioButton* MakeRadio(QWidget* parent, const QString& text, const char* name) {
  auto* radio = new QRadioButton(text, parent);
  radio->setObjectName(name);
  return radio;
}

// A threshold as typed: a number, nothing else.
bool ReadThreshold(const QLineEdit& field, float& value) {
  double number = 0.0;
  const std::string text = field.text().trimmed().toStdString();
  if (text.empty() || !ParseDecimal(text, number)) return false;
  value = static_cast<float>(number);
  return true;
}

}  // namespace

AssociationRulesDialog::AssociationRulesDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent),
      workbench_(workbench),
      runner_(std::make_unique<JobRunner>(kMethod, workbench.Jobs(), &workbench.Source())),
      miner_(std::make_shared<assoc::AssociationMiner>()) {
  setObjectName("associationRulesDialog");
  setWindowTitle("Association Rules");
  tables_ = MakeList(this, "tables");
  fields_ = MakeList(this, "fields");
  fields_->setSelectionMode(QAbstractItemView::NoSelection);
  minSupport_ = MakeNumberField(this, "minSupport", "0.05");
  minConfidence_ = MakeNumberField(this, "minConfidence", "0.5");
  apriori_ = MakeRadio(this, "A priori", "apriori");
  aprioriTid_ = MakeRadio(this, "A priori Tid", "aprioriTid");
  ais_ = MakeRadio(this, "AIS Algorithm", "ais");
  algorithm_ = new QButtonGroup(this);
  algorithm_->addButton(apriori_, assoc::kApriori);
  algorithm_->addButton(aprioriTid_, assoc::kAprioriTid);
  algorithm_->addButton(ais_, assoc::kAis);
  apriori_->setChecked(true);
  aisPruning_ = new QCheckBox("Pruning", this);
  aisPruning_->setObjectName("aisPruning");
  aisPruning_->setEnabled(false);
  binarize_ = new QCheckBox("Binarize Table", this);
  binarize_->setObjectName("binarize");
  ancestorPruning_ = new QCheckBox("PruningItemAncestor", this);
  ancestorPruning_->setObjectName("ancestorPruning");
  fathers_ = MakeList(this, "fathers");
  sons_ = MakeList(this, "sons");
  sons_->setSelectionMode(QAbstractItemView::NoSelection);
  leaves_ = MakeList(this, "leaves");
  attributes_ = MakeList(this, "attributes");
  attributes_->setSelectionMode(QAbstractItemView::NoSelection);
  patterns_ = MakeList(this, "patterns");
  support_ = new QLineEdit(this);
  support_->setObjectName("support");
  support_->setReadOnly(true);
  transactions_ = MakeFigure(this, "transactions");
  averageTransaction_ = MakeFigure(this, "averageTransactionSize");
  items_ = MakeFigure(this, "items");
  averagePattern_ = MakeFigure(this, "averagePatternSize");
  patternCount_ = MakeFigure(this, "frequentPatterns");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  execute_ = MakeButton(this, "Execute", "execute");
  execute_->setEnabled(false);
  extract_ = MakeButton(this, "Extract Rules", "extractRules");
  extract_->setEnabled(false);
  QPushButton* close = MakeButton(this, "Close", "close");
  QPushButton* defineTaxonomy = MakeButton(this, "Taxonomy Definition", "taxonomyDefinition");

  connect(tables_, &QListWidget::currentTextChanged, this, &AssociationRulesDialog::TableChosen);
  connect(binarize_, &QCheckBox::toggled, this, &AssociationRulesDialog::TableChosen);
  connect(ais_, &QRadioButton::toggled, aisPruning_, &QCheckBox::setEnabled);
  connect(execute_, &QPushButton::clicked, this, &AssociationRulesDialog::Execute);
  connect(extract_, &QPushButton::clicked, this, &AssociationRulesDialog::ExtractRules);
  connect(close, &QPushButton::clicked, this, &AssociationRulesDialog::reject);
  connect(defineTaxonomy, &QPushButton::clicked, this, &AssociationRulesDialog::DefineTaxonomy);
  connect(patterns_, &QListWidget::currentRowChanged, this,
          &AssociationRulesDialog::ShowPatternSupport);
  connect(fathers_, &QListWidget::currentTextChanged, this,
          [this](const QString& father) { Fill(*sons_, taxonomy_.Sons(father.toStdString())); });
  connect(leaves_, &QListWidget::currentTextChanged, this, [this](const QString& leaf) {
    Fill(*attributes_, taxonomy_.Attributes(leaf.toStdString()));
  });
  connect(runner_.get(), &JobRunner::Finished, this, [this](bool) { ShowResults(); });
  runner_->SetResultButtons({extract_});

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Tables:", this), 0, 0);
  grid->addWidget(tables_, 1, 0, 3, 1);
  grid->addWidget(new QLabel("Fields:", this), 0, 1);
  grid->addWidget(fields_, 1, 1, 3, 1);

  auto* parameters = new QGridLayout;
  parameters->addWidget(new QLabel("Min Support", this), 0, 0);
  parameters->addWidget(minSupport_, 0, 1);
  parameters->addWidget(new QLabel("Min Confidence", this), 1, 0);
  parameters->addWidget(minConfidence_, 1, 1);
  parameters->addWidget(apriori_, 2, 0, 1, 2);
  parameters->addWidget(aprioriTid_, 3, 0, 1, 2);
  parameters->addWidget(ais_, 4, 0);
  parameters->addWidget(aisPruning_, 4, 1);
  parameters->addWidget(binarize_, 5, 0, 1, 2);
  parameters->addWidget(ancestorPruning_, 6, 0, 1, 2);
  parameters->setRowStretch(7, 1);
  grid->addLayout(parameters, 0, 2, 4, 1);

  taxonomyBox_ = new QGroupBox("Taxonomy", this);
  auto* taxonomy = new QGridLayout(taxonomyBox_);
  taxonomy->addWidget(defineTaxonomy, 0, 0, 1, 4);
  taxonomy->addWidget(new QLabel("Fathers", taxonomyBox_), 1, 0);
  taxonomy->addWidget(new QLabel("Sons", taxonomyBox_), 1, 1);
  taxonomy->addWidget(new QLabel("Leaves", taxonomyBox_), 1, 2);
  taxonomy->addWidget(new QLabel("Attributes", taxonomyBox_), 1, 3);
  taxonomy->addWidget(fathers_, 2, 0);
  taxonomy->addWidget(sons_, 2, 1);
  taxonomy->addWidget(leaves_, 2, 2);
  taxonomy->addWidget(attributes_, 2, 3);
  grid->addWidget(taxonomyBox_, 4, 0, 1, 3);

  grid->addWidget(new QLabel("Frequent Patterns : ", this), 5, 0);
  grid->addWidget(patterns_, 6, 0, 2, 2);
  auto* figures = new QGridLayout;
  AddFigureRow(*figures, 0, "Support", support_);
  AddFigureRow(*figures, 1, "Number of transactions", transactions_);
  AddFigureRow(*figures, 2, "Average size of transactions", averageTransaction_);
  AddFigureRow(*figures, 3, "Number of items", items_);
  AddFigureRow(*figures, 4, "Average size of frequent patterns", averagePattern_);
  AddFigureRow(*figures, 5, "Number of frequent patterns", patternCount_);
  grid->addLayout(figures, 6, 2);
  grid->addWidget(status_, 8, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(execute_);
  buttons->addWidget(extract_);
  buttons->addStretch();
  buttons->addWidget(close);
  grid->addLayout(buttons, 9, 0, 1, 3);
  grid->setRowStretch(1, 1);
  grid->setRowStretch(6, 2);
  ApplyMode();
  resize(760, 720);
}

AssociationRulesDialog::~AssociationRulesDialog() = default;

void AssociationRulesDialog::Prepare(bool generalized) {
  generalized_ = generalized;
  ApplyMode();
  status_->clear();
  if (runner_->IsRunning()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "method in working status");
    return;
  }
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    CurrentPrompts().Message(this, QMessageBox::Information, "wait please");
    return;
  }
  const QString previous = tables_->currentItem() ? tables_->currentItem()->text() : QString();
  std::vector<std::string> names;
  if (source.IsOpen() && !source.ListTables(names))
    status_->setText(QString::fromStdString(source.LastError()));
  // The binarized copy is this dialog's scratch table, not a table to mine.
  std::erase(names, binarizedCopy_.toStdString());
  Fill(*tables_, names);
  ChooseItem(tables_, previous);
  if (tables_->currentItem() == nullptr) {
    fields_->clear();
    inputTable_.clear();
    execute_->setEnabled(false);
  }
  ShowTaxonomyLists();
}

void AssociationRulesDialog::ApplyMode() {
  setWindowTitle(generalized_ ? "Association Rules - generalized" : "Association Rules");
  for (QRadioButton* radio : {apriori_, aprioriTid_, ais_}) radio->setEnabled(!generalized_);
  if (generalized_) apriori_->setChecked(true);
  aisPruning_->setVisible(!generalized_);
  aisPruning_->setEnabled(!generalized_ && ais_->isChecked());
  ancestorPruning_->setVisible(generalized_);
  taxonomyBox_->setVisible(generalized_);
}

void AssociationRulesDialog::SelectTable(const QString& table) { ChooseItem(tables_, table); }

QString AssociationRulesDialog::StatusText() const { return status_->text(); }

void AssociationRulesDialog::TableChosen() {
  QListWidgetItem* item = tables_->currentItem();
  if (item == nullptr || runner_->IsRunning()) return;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  status_->clear();
  fields_->clear();
  inputTable_.clear();
  execute_->setEnabled(false);
  extract_->setEnabled(false);
  QString table = item->text();
  std::vector<std::string> columns;
  if (!source.FieldNames(SelectAllFrom(table.toStdString()), columns)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  for (const std::string& column : columns)
    fields_->addItem(table + "." + QString::fromStdString(column));
  if (binarize_->isChecked()) {
    DropBinarizedCopy();
    DialogProgress progress(this, "Binarize Table");
    binarizedWork_ = std::make_unique<WorkTables>(source);
    auto binarized = assoc::BinarizeTable(source, *binarizedWork_, table.toStdString(), progress);
    // The copies a killed run left, which binarizing dropped first, are named below the texts.
    const std::string dropped = LeftoversText(binarizedWork_->LeftoversDropped());
    const QString leftovers = dropped.empty() ? QString() : "\n" + QString::fromStdString(dropped);
    if (!binarized) {
      status_->setText(QString::fromStdString(binarized.status().message()) + leftovers);
      return;
    }
    table = QString::fromStdString(binarized->table);
    binarizedCopy_ = table;
    if (!source.FieldNames(SelectAllFrom(binarized->table), columns)) {
      status_->setText(QString::fromStdString(source.LastError()));
      return;
    }
    QString text = QString("mining %1: %2 items").arg(table).arg(columns.size());
    for (const std::string& note : binarized->skipped)
      text += "\nskipped " + QString::fromStdString(note);
    status_->setText(text + leftovers);
  }
  inputTable_ = table;
  taxonomy_.SetAttributes(columns);
  ShowTaxonomyLists();
  execute_->setEnabled(true);
}

void AssociationRulesDialog::Execute() {
  if (runner_->IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  if (generalized_ && taxonomy_.Empty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, assoc::kDefineTaxonomy);
    return;
  }
  ClearResults();
  if (inputTable_.isEmpty()) return;
  float minSupport = 0.0f;
  float minConfidence = 0.0f;
  if (!ReadThreshold(*minSupport_, minSupport) || !ReadThreshold(*minConfidence_, minConfidence)) {
    status_->setText("Insert parameters");
    return;
  }
  if (Status s = assoc::CheckThresholds(minSupport, minConfidence); !s.ok()) {
    status_->setText(QString::fromStdString(s.message()));
    return;
  }
  if (generalized_ && !taxonomy_.Complete()) {
    // An unfinished taxonomy would be refused by the miner; say what to do instead.
    status_->setText(QString::fromStdString(taxonomy_.Check().ok()
                                                ? std::string("Close the taxonomy window first")
                                                : taxonomy_.Check().message()));
    return;
  }
  std::shared_ptr<const assoc::Taxonomy> taxonomy =
      generalized_ ? std::make_shared<const assoc::Taxonomy>(taxonomy_) : nullptr;
  miner_->SetParameters(inputTable_.toStdString(), minSupport, minConfidence,
                        algorithm_->checkedId(), aisPruning_->isChecked(), workbench_.Source());
  miner_->SetGeneralization(generalized_, generalized_ && ancestorPruning_->isChecked());
  miner_->SetTaxonomy(taxonomy.get());
  minedTaxonomy_ = taxonomy;
  JobSpec job;
  job.work = [miner = miner_, taxonomy](Progress& progress) { return miner->Run(progress); };
  job.doneMessage = "Association rules Executed";
  if (runner_->Start(std::move(job)) == JobRunner::StartResult::kLatched)
    status_->setText(kMethodInWorkingStatus);
}

void AssociationRulesDialog::ClearResults() {
  patterns_->clear();
  support_->clear();
  for (QLabel* figure :
       {transactions_, averageTransaction_, items_, averagePattern_, patternCount_})
    figure->clear();
}

void AssociationRulesDialog::ShowResults() {
  ClearResults();
  const assoc::ItemsetList sets = miner_->FrequentItemsets();
  const std::vector<std::string>& names = miner_->ItemNames();
  for (const assoc::Itemset& set : sets)
    patterns_->addItem(
        QString::fromStdString(assoc::ItemsetText(assoc::ToPositions(set.items), names)));
  if (miner_->Transactions() == 0) return;  // the run failed: its message says why
  const assoc::MiningFigures figures = miner_->Figures();
  transactions_->setText(QString::number(figures.transactions));
  averageTransaction_->setText(QString::number(figures.averageTransactionSize, 'f', 4));
  items_->setText(QString::number(figures.items));
  averagePattern_->setText(QString::number(figures.averagePatternSize, 'f', 4));
  patternCount_->setText(QString::number(figures.frequentPatterns));
}

void AssociationRulesDialog::ShowPatternSupport(int row) {
  const assoc::ItemsetList sets = miner_->FrequentItemsets();
  if (row < 0 || static_cast<size_t>(row) >= sets.size() || miner_->Transactions() == 0) return;
  const double support = static_cast<double>(sets[static_cast<size_t>(row)].count) /
                         static_cast<double>(miner_->Transactions());
  support_->setText(QString::number(support, 'f', 6));
}

void AssociationRulesDialog::ExtractRules() {
  if (runner_->IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  // Only a run that succeeded has rules to write: a failed one leaves the last good files.
  auto extracted = assoc::ExtractLastRun(*miner_);
  if (!extracted) {
    extract_->setEnabled(false);
    status_->setText(QString::fromStdString(extracted.status().message()));
    return;
  }
  std::vector<assoc::AssociationRule> rules = std::move(extracted.value());
  if (Status s = assoc::WriteOutRules(rules); !s.ok())
    status_->setText(QString::fromStdString(s.message()));
  RulesVisualizationDialog visualization(rules, this);
  visualization.exec();
  workbench_.Dialog<RuleFilterWindow>().SetRules(
      std::move(rules), miner_->ItemNames(),
      miner_->Generalized() ? minedTaxonomy_.get() : nullptr);
}

void AssociationRulesDialog::DefineTaxonomy() {
  if (tables_->currentItem() == nullptr || inputTable_.isEmpty()) {
    CurrentPrompts().Message(this, QMessageBox::Warning, assoc::kSelectATable);
    return;
  }
  TaxonomyWindow window(taxonomy_, this);
  window.exec();
  ShowTaxonomyLists();
}

void AssociationRulesDialog::ShowTaxonomyLists() {
  Fill(*fathers_, taxonomy_.Fathers());
  Fill(*leaves_, taxonomy_.Leaves());
  sons_->clear();
  attributes_->clear();
}

void AssociationRulesDialog::DropBinarizedCopy() {
  binarizedWork_.reset();  // drops the copy
  binarizedCopy_.clear();
}

void AssociationRulesDialog::reject() {
  // A running job keeps its table and its result; they go with the next Close.
  if (!runner_->IsRunning()) {
    TryExclusiveUse exclusive(workbench_.Source());
    if (exclusive.Owns()) {
      miner_->Clear();
      ClearResults();
      extract_->setEnabled(false);
      const bool minedCopy = !binarizedCopy_.isEmpty() && inputTable_ == binarizedCopy_;
      DropBinarizedCopy();
      if (minedCopy) {
        inputTable_.clear();
        execute_->setEnabled(false);
        const QSignalBlocker blocker(tables_);
        tables_->setCurrentItem(nullptr);
      }
    }
  }
  QDialog::reject();
}

}  // namespace quarry::gui
