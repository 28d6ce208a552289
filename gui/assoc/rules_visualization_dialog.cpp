#include "gui/assoc/rules_visualization_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "core/assoc/rule_files.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/ui/prompts.h"
#include "gui/ui/rules_table.h"

namespace quarry::gui {

namespace {

QLineEdit* MakeReadOnlyField(QWidget* parent, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}

// Support and confidence as the rule files write them.
QString Figure(float value) { return QString::number(static_cast<double>(value), 'f', 6); }

}  // namespace

RulesVisualizationDialog::RulesVisualizationDialog(std::vector<assoc::AssociationRule> rules,
                                                   QWidget* parent)
    : QDialog(parent), rules_(std::move(rules)) {
  setObjectName("rulesVisualization");
  setWindowTitle("Rules Visualization");
  list_ = MakeList(this, "rules");
  text_ = MakeReadOnlyField(this, "ruleText");
  support_ = MakeReadOnlyField(this, "support");
  confidence_ = MakeReadOnlyField(this, "confidence");
  table_ = new RulesTable({"Rule", "Antecedent", "Consequent", "Support", "Confidence"}, this);
  for (size_t i = 0; i < rules_.size(); ++i) {
    const assoc::AssociationRule& rule = rules_[i];
    list_->addItem(QString("Rule %1").arg(i + 1));
    const assoc::RuleSides sides = assoc::SplitRuleText(rule.text);
    table_->AddRule({{QString::number(i + 1), static_cast<double>(i + 1)},
                     {QString::fromStdString(sides.antecedent)},
                     {QString::fromStdString(sides.consequent)},
                     {Figure(rule.support), rule.support},
                     {Figure(rule.confidence), rule.confidence}});
  }
  table_->FitColumns();
  connect(list_, &QListWidget::currentRowChanged, this, &RulesVisualizationDialog::ShowRule);
  connect(table_, &RulesTable::RuleChosen, list_, [this](int rule) { list_->setCurrentRow(rule); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &RulesVisualizationDialog::accept);

  // The table of every rule above the view of one rule.
  auto* single = new QWidget(this);
  auto* grid = new QGridLayout(single);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel("Rules :", single), 0, 0);
  grid->addWidget(list_, 1, 0, 4, 1);
  grid->addWidget(text_, 1, 1, 1, 2);
  grid->addWidget(new QLabel("Support", single), 2, 1);
  grid->addWidget(support_, 2, 2);
  grid->addWidget(new QLabel("Confidence", single), 3, 1);
  grid->addWidget(confidence_, 3, 2);
  table_->LayOutViewer(this, single, buttons);
  resize(720, 520);
}

void RulesVisualizationDialog::ShowRule(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rules_.size()) return;
  table_->ChooseRule(row);
  const assoc::AssociationRule& rule = rules_[static_cast<size_t>(row)];
  text_->setText(QString::fromStdString(rule.text));
  support_->setText(Figure(rule.support));
  confidence_->setText(Figure(rule.confidence));
}

void RulesVisualizationDialog::accept() {
  // The dialog closes either way, but the user learns that the rules did not reach the file.
  if (Status s = assoc::WriteAssocFile(rules_); !s.ok())
    CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
  QDialog::accept();
}

}  // namespace quarry::gui
