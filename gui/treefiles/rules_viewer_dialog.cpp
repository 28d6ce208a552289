#include "gui/treefiles/rules_viewer_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

#include "gui/ui/prompts.h"
#include "gui/ui/rules_table.h"

namespace quarry::gui {

RulesViewerDialog::RulesViewerDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("rulesViewer");
  setWindowTitle("Rules Visualization");
  rules_ = new QListWidget(this);
  rules_->setObjectName("rules");
  text_ = new QListWidget(this);
  text_->setObjectName("ruleText");
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setSelectionMode(QAbstractItemView::NoSelection);
  statistics_ = new QLabel(this);
  statistics_->setObjectName("statistics");
  statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  hint_ = new QLabel(kSelectRuleHint, this);
  hint_->setObjectName("hint");
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  table_ = new RulesTable({"Rule", "Conditions", "Conclusion", "Cases", "Error"}, this);
  connect(rules_, &QListWidget::currentRowChanged, this, &RulesViewerDialog::ShowRule);
  connect(table_, &RulesTable::RuleChosen, this, &RulesViewerDialog::SelectRule);

  // The table of every rule above the view of one rule.
  auto* single = new QWidget(this);
  auto* grid = new QGridLayout(single);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel("Rules:", single), 0, 0);
  grid->addWidget(hint_, 0, 1);
  grid->addWidget(rules_, 1, 0, 2, 1);
  grid->addWidget(text_, 1, 1);
  grid->addWidget(statistics_, 2, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 4);
  table_->LayOutViewer(this, single, buttons);
  resize(900, 640);
}

bool RulesViewerDialog::Load(const std::filesystem::path& file) {
  rules_->clear();
  table_->Clear();
  text_->clear();
  statistics_->clear();
  auto parsed = treefiles::ReadRulesFile(file);
  if (!parsed) return false;
  file_ = std::move(parsed.value());
  table_->setHorizontalHeaderItem(
      4,
      new QTableWidgetItem(file_.kind == treefiles::TreeKind::kModelTree ? "Deviance" : "Error"));
  for (const treefiles::RuleRecord& rule : file_.rules) {
    rules_->addItem(QString::fromStdString(rule.title));
    const treefiles::RuleTableRow row = treefiles::RuleRow(rule);
    table_->AddRule({{QString::fromStdString(rule.title), static_cast<double>(rule.number)},
                     {QString::fromStdString(row.conditions)},
                     {QString::fromStdString(row.conclusion)},
                     {QString::fromStdString(rule.cases), row.cases},
                     {QString::fromStdString(rule.detail2), row.error}});
  }
  table_->FitColumns();
  setWindowTitle(
      QString("Rules Visualization - %1").arg(QString::fromStdString(file.filename().string())));
  return true;
}

QString RulesViewerDialog::Statistics() const { return statistics_->text(); }

void RulesViewerDialog::SelectRule(int index) { rules_->setCurrentRow(index); }

void RulesViewerDialog::ShowRule(int index) {
  table_->ChooseRule(index);
  text_->clear();
  statistics_->clear();
  if (index < 0 || static_cast<size_t>(index) >= file_.rules.size()) return;
  const treefiles::RuleRecord& rule = file_.rules[static_cast<size_t>(index)];
  for (const std::string& line : treefiles::RuleDisplayLines(rule))
    text_->addItem(QString::fromStdString(line));
  const std::string* values[] = {&rule.cases, &rule.detail1, &rule.detail2};
  QString text;
  for (int s = 0; s < 3; ++s) {
    text += QString("%1%2: ").arg(s ? "\n" : "",
                                  treefiles::RulesFile::StatisticCaption(file_.kind, s)) +
            QString::fromStdString(*values[s]);
  }
  statistics_->setText(text);
}

void ShowRules(QWidget* parent, const std::string& name) {
  RulesViewerDialog viewer(parent);
  if (!viewer.Load(treefiles::FindResultFile(name, ".rules"))) {
    CurrentPrompts().Message(
        parent, QMessageBox::Warning,
        QString::fromUtf8(treefiles::kBadTreeFileFormat.data(),
                          static_cast<qsizetype>(treefiles::kBadTreeFileFormat.size())));
  }
  viewer.exec();
}

}  // namespace quarry::gui
