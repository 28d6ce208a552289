#include "gui/assoc/rules_visualization_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "core/assoc/rule_files.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

QLineEdit* MakeReadOnlyField(QWidget* parent, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}

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
  for (size_t i = 0; i < rules_.size(); ++i) list_->addItem(QString("Rule %1").arg(i + 1));
  connect(list_, &QListWidget::currentRowChanged, this, &RulesVisualizationDialog::ShowRule);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &RulesVisualizationDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Rules :", this), 0, 0);
  grid->addWidget(list_, 1, 0, 4, 1);
  grid->addWidget(text_, 1, 1, 1, 2);
  grid->addWidget(new QLabel("Support", this), 2, 1);
  grid->addWidget(support_, 2, 2);
  grid->addWidget(new QLabel("Confidence", this), 3, 1);
  grid->addWidget(confidence_, 3, 2);
  grid->addWidget(buttons, 5, 0, 1, 3);
  resize(620, 360);
}

void RulesVisualizationDialog::ShowRule(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rules_.size()) return;
  const assoc::AssociationRule& rule = rules_[static_cast<size_t>(row)];
  text_->setText(QString::fromStdString(rule.text));
  support_->setText(QString::number(static_cast<double>(rule.support), 'f', 6));
  confidence_->setText(QString::number(static_cast<double>(rule.confidence), 'f', 6));
}

void RulesVisualizationDialog::accept() {
  // The dialog closes either way, but the user learns that the rules did not reach the file.
  if (Status s = assoc::WriteAssocFile(rules_); !s.ok())
    CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
  QDialog::accept();
}

}  // namespace quarry::gui
