#include "gui/query/selecting_query_dialog.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/data/data_source.h"
#include "gui/app/workbench.h"
#include "gui/query/query_actions.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

SelectingQueryDialog::SelectingQueryDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("selectingQueryDialog");
  setWindowTitle("QUARRY Selecting Query");
  list_ = new QListWidget(this);
  list_->setObjectName("queryList");
  sql_ = new QPlainTextEdit(this);
  sql_->setObjectName("sql");
  sql_->setReadOnly(true);
  sql_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* execute = new QPushButton("Execute", this);
  auto* materialize = new QPushButton("Materialize", this);
  auto* close = new QPushButton("Close", this);
  connect(list_, &QListWidget::currentRowChanged, this, &SelectingQueryDialog::ShowSelected);
  connect(execute, &QPushButton::clicked, this, &SelectingQueryDialog::Execute);
  connect(materialize, &QPushButton::clicked, this, &SelectingQueryDialog::Materialize);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(execute);
  buttons->addWidget(materialize);
  buttons->addWidget(close);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Query List", this), 0, 0);
  layout->addWidget(new QLabel("SQL Query", this), 0, 1);
  layout->addWidget(list_, 1, 0);
  layout->addWidget(sql_, 1, 1);
  layout->addLayout(buttons, 2, 0, 1, 2);
  layout->setColumnStretch(1, 3);
  resize(640, 320);
}

void SelectingQueryDialog::Prepare() {
  list_->clear();
  sql_->clear();
  queries_ = ListStoredQueries(workbench_.Source().ConnectString());
  for (const StoredQuery& query : queries_) list_->addItem(QString::fromStdString(query.name));
}

QString SelectingQueryDialog::Sql() const { return sql_->toPlainText(); }

void SelectingQueryDialog::ShowSelected() {
  const int row = list_->currentRow();
  sql_->setPlainText(row >= 0 && static_cast<size_t>(row) < queries_.size()
                         ? QString::fromStdString(queries_[static_cast<size_t>(row)].sql)
                         : QString());
}

bool SelectingQueryDialog::HasSelection() {
  if (list_->currentRow() >= 0) return true;
  CurrentPrompts().Message(this, QMessageBox::Information, "Please, select a query");
  return false;
}

void SelectingQueryDialog::Execute() {
  if (HasSelection()) ExecuteStatement(workbench_, this, Sql());
}

void SelectingQueryDialog::Materialize() {
  if (HasSelection()) MaterializeStatement(workbench_, this, Sql());
}

}  // namespace quarry::gui
