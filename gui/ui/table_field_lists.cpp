#include "gui/ui/table_field_lists.h"

#include <QListWidget>
#include <QSignalBlocker>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

TableFieldLists::TableFieldLists(DataSource& source, QListWidget* tables, QListWidget* fields,
                                 QObject* parent)
    : QObject(parent), source_(source), tables_(tables), fields_(fields) {
  connect(tables_, &QListWidget::itemSelectionChanged, this, [this] {
    QString why;
    if (!RefreshFields(&why)) emit Busy(why);
    emit TableChosen(Table());
  });
  if (fields_) {
    connect(fields_, &QListWidget::itemSelectionChanged, this,
            [this] { emit FieldChosen(Field()); });
  }
}

bool TableFieldLists::Refresh(QString* why) {
  const QString table = Table();
  const QString field = Field();
  {
    const QSignalBlocker block(tables_);
    tables_->clear();
  }
  if (fields_) fields_->clear();
  if (!source_.IsOpen()) return true;
  TryExclusiveUse exclusive(source_);
  if (!exclusive.Owns()) {
    if (why) *why = kSystemBusy;
    return false;
  }
  std::vector<std::string> names;
  if (!source_.ListTables(names)) {
    if (why) *why = QString::fromStdString(source_.LastError());
    return false;
  }
  {
    const QSignalBlocker block(tables_);
    for (const std::string& name : names) tables_->addItem(QString::fromStdString(name));
    ChooseItem(tables_, table);
  }
  if (!RefreshFields(why)) return false;
  if (fields_) ChooseItem(fields_, field);
  return true;
}

bool TableFieldLists::RefreshFields(QString* why) {
  if (!fields_) return true;
  const QString field = Field();
  const QSignalBlocker block(fields_);
  fields_->clear();
  const QString table = Table();
  if (table.isEmpty()) return true;
  TryExclusiveUse exclusive(source_);
  if (!exclusive.Owns()) {
    if (why) *why = kSystemBusy;
    return false;
  }
  std::vector<std::string> names;
  if (!source_.FieldNames(SelectAllFrom(table.toStdString()), names)) {
    if (why) *why = QString::fromStdString(source_.LastError());
    return false;
  }
  for (const std::string& name : names) fields_->addItem(QString::fromStdString(name));
  ChooseItem(fields_, field);
  return true;
}

QString TableFieldLists::Table() const { return ChosenText(tables_); }
QString TableFieldLists::Field() const { return ChosenText(fields_); }

bool TableFieldLists::SelectTable(const QString& table) { return ChooseItem(tables_, table); }
bool TableFieldLists::SelectField(const QString& field) {
  return fields_ && ChooseItem(fields_, field);
}

}  // namespace quarry::gui
