#include "gui/advisor/pruning_advice_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data/data_source.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/decision_tree_assistant.h"

namespace quarry::gui {

PruningAdviceDialog::PruningAdviceDialog(DataSource& source, QWidget* parent)
    : QDialog(parent), source_(source) {
  setWindowTitle("Pruning Advice");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Tables:", this);
  tables_ = new QListWidget(this);
  label->setBuddy(tables_);
  layout->addWidget(label);
  layout->addWidget(tables_);
  auto* buttons = new QHBoxLayout;
  auto* advise = new QPushButton("&Advise", this);
  auto* close = new QPushButton("C&lose", this);
  buttons->addStretch();
  buttons->addWidget(advise);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  assistant_ = new DecisionTreeAssistant(this, tables_, source_);
  connect(advise, &QPushButton::clicked, this, &PruningAdviceDialog::Advise);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(tables_, &QListWidget::itemDoubleClicked, this, &PruningAdviceDialog::Advise);
}

void PruningAdviceDialog::Prepare(const QString& table) {
  tables_->clear();
  std::vector<std::string> names;
  {
    TryExclusiveUse lock(source_);
    if (!lock.Owns() || !source_.ListTables(names)) names.clear();
  }
  for (const std::string& name : names) tables_->addItem(QString::fromStdString(name));
  const auto found = tables_->findItems(table, Qt::MatchExactly);
  if (!found.isEmpty()) tables_->setCurrentItem(found.first());
}

void PruningAdviceDialog::Advise() {
  assistant_->Help(tables_, tables_->mapToGlobal(tables_->rect().center()));
}

PruningAdviceDialog* PruningAdviceDialog::Open(QWidget* parent, DataSource& source,
                                               const QString& table) {
  auto* dialog = new PruningAdviceDialog(source, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->Prepare(table);
  dialog->show();
  dialog->Advise();
  return dialog;
}

}  // namespace quarry::gui
