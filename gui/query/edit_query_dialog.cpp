#include "gui/query/edit_query_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/query/query_actions.h"

namespace quarry::gui {

EditQueryDialog::EditQueryDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("editQueryDialog");
  setWindowTitle("QUARRY Edit Query");
  sql_ = new QPlainTextEdit(this);
  sql_->setObjectName("sql");
  sql_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  sql_->setPlaceholderText("SELECT [outlook], [play] FROM [golf_data] WHERE [humidity] > 80");
  auto* label = new QLabel("Query  Sql", this);
  label->setBuddy(sql_);
  auto* execute = new QPushButton("Execute", this);
  execute->setObjectName("execute");
  auto* materialize = new QPushButton("Materialize", this);
  materialize->setObjectName("materialize");
  auto* close = new QPushButton("Close", this);
  connect(execute, &QPushButton::clicked, this, &EditQueryDialog::Execute);
  connect(materialize, &QPushButton::clicked, this, &EditQueryDialog::Materialize);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(execute);
  buttons->addWidget(materialize);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(sql_, 1);
  layout->addLayout(buttons);
  resize(560, 300);
}

QString EditQueryDialog::Sql() const { return sql_->toPlainText().trimmed(); }

void EditQueryDialog::SetSql(const QString& sql) { sql_->setPlainText(sql); }

void EditQueryDialog::Execute() { ExecuteStatement(workbench_, this, Sql()); }

void EditQueryDialog::Materialize() { MaterializeStatement(workbench_, this, Sql()); }

}  // namespace quarry::gui
