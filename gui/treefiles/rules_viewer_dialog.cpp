#include "gui/treefiles/rules_viewer_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

#include "gui/ui/prompts.h"

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
  connect(rules_, &QListWidget::currentRowChanged, this, &RulesViewerDialog::ShowRule);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Rules:", this), 0, 0);
  layout->addWidget(hint_, 0, 1);
  layout->addWidget(rules_, 1, 0, 2, 1);
  layout->addWidget(text_, 1, 1);
  layout->addWidget(statistics_, 2, 1);
  layout->addWidget(buttons, 3, 0, 1, 2);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(1, 4);
  resize(860, 480);
}

bool RulesViewerDialog::Load(const std::filesystem::path& file) {
  rules_->clear();
  text_->clear();
  statistics_->clear();
  auto parsed = treefiles::ReadRulesFile(file);
  if (!parsed) return false;
  file_ = std::move(parsed.value());
  for (const treefiles::RuleRecord& rule : file_.rules)
    rules_->addItem(QString::fromStdString(rule.title));
  setWindowTitle(
      QString("Rules Visualization - %1").arg(QString::fromStdString(file.filename().string())));
  return true;
}

QString RulesViewerDialog::Statistics() const { return statistics_->text(); }

void RulesViewerDialog::SelectRule(int index) { rules_->setCurrentRow(index); }

void RulesViewerDialog::ShowRule(int index) {
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
