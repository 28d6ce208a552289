#include "gui/query/query_creator_wizard.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWizardPage>
#include <algorithm>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/query/materialize.h"
#include "gui/app/workbench.h"
#include "gui/query/edit_query_dialog.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kValueOperand = "(value)";

QString Text(const std::string& text) { return QString::fromStdString(text); }

QPushButton* Button(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

QListWidget* List(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  return list;
}

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items = {}) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->addItems(items);
  return combo;
}

const QStringList kComparisons = {"=", "<>", "<", ">", "<=", ">="};
const QStringList kConditionOperators = kComparisons + QStringList{"IS NULL", "IS NOT NULL"};

QString FieldText(const WizardField& field) {
  const std::string column = WizardColumnText(field.column);
  return Text(field.aggregate.empty() ? column : field.aggregate + "(" + column + ")");
}

QString JoinText(const WizardJoin& join) {
  const auto condition = JoinConditionText(join);
  auto entry = [](const WizardTable& t) {
    return QuoteIdent(t.table) + (t.alias.empty() ? "" : " AS " + QuoteIdent(t.alias));
  };
  return Text(entry(join.left) + " " + join.type + " " + entry(join.right) + " ON " +
              (condition ? *condition : std::string()));
}

QString OrderText(const WizardOrder& order) {
  return Text(WizardColumnText(order.column) + (order.descending ? "  DESC" : "  ASC"));
}

// A caption above a widget, in a column of a page's grid.
void Place(QGridLayout* grid, int row, int column, const QString& caption, QWidget* widget) {
  grid->addWidget(new QLabel(caption, widget->parentWidget()), row, column);
  grid->addWidget(widget, row + 1, column);
}

// Two lists side by side (what can be chosen, what was chosen) with a column of controls between
// them: the shape of most pages.
QGridLayout* ListPair(QWidget* page, const QString& leftCaption, QListWidget* left,
                      std::initializer_list<QWidget*> middle, const QString& rightCaption,
                      QListWidget* right) {
  auto* controls = new QVBoxLayout;
  controls->addStretch();
  for (QWidget* widget : middle) controls->addWidget(widget);
  controls->addStretch();
  auto* grid = new QGridLayout(page);
  Place(grid, 0, 0, leftCaption, left);
  grid->addLayout(controls, 1, 1);
  Place(grid, 0, 2, rightCaption, right);
  return grid;
}

}  // namespace

QueryCreatorWizard::QueryCreatorWizard(Workbench& workbench, QWidget* parent)
    : QWizard(parent), workbench_(workbench) {
  setObjectName("queryCreator");
  setWindowTitle("Query Creator");
  setWizardStyle(QWizard::ClassicStyle);
  setOption(QWizard::NoBackButtonOnStartPage);
  setPage(kTablesPage, MakeTablesPage());
  setPage(kJoinsPage, MakeJoinsPage());
  setPage(kFieldsPage, MakeFieldsPage());
  setPage(kWherePage, MakeWherePage());
  setPage(kGroupByPage, MakeGroupByPage());
  setPage(kOrderByPage, MakeOrderByPage());
  setPage(kStatementPage, MakeStatementPage());
  connect(&workbench_, &Workbench::DatabaseChanged, this, [this] {
    query_ = {};
    columns_.clear();
    statement_.clear();
    tables_->clear();
    ShowLists();
  });
  resize(640, 460);
}

QWizardPage* QueryCreatorWizard::MakeTablesPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Select tables:");
  tables_ = List(page, "tables");
  alias_ = new QLineEdit(page);
  alias_->setObjectName("alias");
  alias_->setPlaceholderText("alias (optional)");
  chosen_ = List(page, "chosenTables");
  tablesPreview_ = new QLabel(page);
  tablesPreview_->setObjectName("tablesPreview");
  tablesPreview_->setWordWrap(true);
  auto* add = Button(page, "Add >>", "addTable");
  auto* remove = Button(page, "<< Remove", "removeTable");
  connect(add, &QPushButton::clicked, this, &QueryCreatorWizard::AddTable);
  connect(tables_, &QListWidget::itemDoubleClicked, this, &QueryCreatorWizard::AddTable);
  connect(remove, &QPushButton::clicked, this, &QueryCreatorWizard::RemoveTable);
  QGridLayout* grid =
      ListPair(page, "Tables", tables_, {new QLabel("Alias", page), alias_, add, remove},
               "Chosen tables", chosen_);
  grid->addWidget(tablesPreview_, 2, 0, 1, 3);
  return page;
}

QWizardPage* QueryCreatorWizard::MakeJoinsPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Set JOIN Condition:");
  page->setSubTitle("Join two chosen tables on a comparison of their columns (optional).");
  joinLeft_ = Combo(page, "joinLeft");
  joinType_ = Combo(page, "joinType", {"INNER JOIN", "LEFT JOIN", "RIGHT JOIN"});
  joinRight_ = Combo(page, "joinRight");
  joinLeftColumn_ = Combo(page, "joinLeftColumn");
  joinOperator_ = Combo(page, "joinOperator", kComparisons);
  joinRightColumn_ = Combo(page, "joinRightColumn");
  joins_ = List(page, "joins");
  joinsPreview_ = new QLabel(page);
  joinsPreview_->setObjectName("joinsPreview");
  joinsPreview_->setWordWrap(true);
  auto* add = Button(page, "Add Join", "addJoin");
  auto* remove = Button(page, "Remove", "removeJoin");
  connect(joinLeft_, &QComboBox::currentTextChanged, this, [this](const QString& entry) {
    FillColumns(joinLeftColumn_, ColumnsOf(entry.toStdString()));
  });
  connect(joinRight_, &QComboBox::currentTextChanged, this, [this](const QString& entry) {
    FillColumns(joinRightColumn_, ColumnsOf(entry.toStdString()));
  });
  connect(add, &QPushButton::clicked, this, &QueryCreatorWizard::AddJoin);
  connect(remove, &QPushButton::clicked, this, [this] {
    RemoveSelected(joins_, query_.joins);
    ShowFromPreview();
  });
  auto* grid = new QGridLayout(page);
  Place(grid, 0, 0, "Left table", joinLeft_);
  Place(grid, 0, 1, "Join", joinType_);
  Place(grid, 0, 2, "Right table", joinRight_);
  Place(grid, 2, 0, "Left field", joinLeftColumn_);
  Place(grid, 2, 1, "Operator", joinOperator_);
  Place(grid, 2, 2, "Right field", joinRightColumn_);
  grid->addWidget(add, 4, 2);
  grid->addWidget(joins_, 5, 0, 1, 3);
  grid->addWidget(remove, 6, 2);
  grid->addWidget(joinsPreview_, 7, 0, 1, 3);
  return page;
}

QWizardPage* QueryCreatorWizard::MakeFieldsPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Select fields: ");
  page->setSubTitle("No field chosen: every column.");
  aggregate_ = Combo(page, "aggregate", {"", "Count", "Min", "Max", "Sum", "Avg"});
  fieldColumns_ = List(page, "fieldColumns");
  fieldColumns_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fields_ = List(page, "fields");
  auto* add = Button(page, "Add >>", "addField");
  auto* remove = Button(page, "<< Remove", "removeField");
  connect(add, &QPushButton::clicked, this, &QueryCreatorWizard::AddField);
  connect(fieldColumns_, &QListWidget::itemDoubleClicked, this, &QueryCreatorWizard::AddField);
  connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(fields_, query_.fields); });
  ListPair(page, "Fields", fieldColumns_, {new QLabel("Aggregate", page), aggregate_, add, remove},
           "Chosen fields", fields_);
  return page;
}

QWizardPage* QueryCreatorWizard::MakeWherePage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Set WHERE Condition");
  page->setSubTitle("Conditions are joined by AND (optional).");
  auto* grid = new QGridLayout(page);
  where_ = MakeConditionInputs(page, "where", grid, 0);
  connect(where_.add, &QPushButton::clicked, this,
          [this] { AddCondition(where_, {}, query_.where); });
  connect(where_.remove, &QPushButton::clicked, this,
          [this] { RemoveSelected(where_.list, query_.where); });
  return page;
}

QWizardPage* QueryCreatorWizard::MakeGroupByPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Select fields for GROUP BY:");
  groupColumns_ = List(page, "groupColumns");
  groupBy_ = List(page, "groupBy");
  auto* add = Button(page, "Add >>", "addGroupBy");
  auto* remove = Button(page, "<< Remove", "removeGroupBy");
  connect(add, &QPushButton::clicked, this, &QueryCreatorWizard::AddGroupBy);
  connect(groupColumns_, &QListWidget::itemDoubleClicked, this, &QueryCreatorWizard::AddGroupBy);
  connect(remove, &QPushButton::clicked, this,
          [this] { RemoveSelected(groupBy_, query_.groupBy); });
  QGridLayout* grid = ListPair(page, "Fields", groupColumns_, {add, remove}, "GROUP BY", groupBy_);
  auto* havingGrid = new QGridLayout;
  havingAggregate_ = Combo(page, "havingAggregate", {"Count", "Sum", "Avg"});
  Place(havingGrid, 0, 0, "Aggregator", havingAggregate_);
  having_ = MakeConditionInputs(page, "having", havingGrid, 1);
  connect(having_.add, &QPushButton::clicked, this, [this] {
    AddCondition(having_, havingAggregate_->currentText().toStdString(), query_.having);
  });
  connect(having_.remove, &QPushButton::clicked, this,
          [this] { RemoveSelected(having_.list, query_.having); });
  grid->addWidget(new QLabel("HAVING", page), 2, 0);
  grid->addLayout(havingGrid, 3, 0, 1, 3);
  return page;
}

QueryCreatorWizard::ConditionInputs QueryCreatorWizard::MakeConditionInputs(QWidget* page,
                                                                            const QString& kind,
                                                                            QGridLayout* grid,
                                                                            int column) {
  auto name = [&kind](const char* part) { return (kind + part).toStdString(); };
  ConditionInputs inputs;
  inputs.field = Combo(page, name("Field").c_str());
  inputs.op = Combo(page, name("Operator").c_str(), kConditionOperators);
  inputs.right = Combo(page, name("RightField").c_str());
  inputs.value = new QLineEdit(page);
  inputs.value->setObjectName(kind + "Value");
  inputs.list = List(page, name("Conditions").c_str());
  inputs.add = Button(page, "Add " + kind.toUpper(), name("Add").c_str());
  inputs.remove = Button(page, "Remove", name("Remove").c_str());
  Place(grid, 0, column, "Field", inputs.field);
  Place(grid, 0, column + 1, "Operator", inputs.op);
  Place(grid, 0, column + 2, "Field", inputs.right);
  Place(grid, 2, column + 2, "Value", inputs.value);
  grid->addWidget(inputs.add, 4, column + 2);
  grid->addWidget(inputs.list, 5, 0, 1, column + 3);
  grid->addWidget(inputs.remove, 6, column + 2);
  return inputs;
}

QWizardPage* QueryCreatorWizard::MakeOrderByPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("Select fields for ODER BY Condition: ");
  orderColumns_ = List(page, "orderColumns");
  orderBy_ = List(page, "orderBy");
  auto* ascending = Button(page, "ASC >>", "ascending");
  auto* descending = Button(page, "DESC >>", "descending");
  auto* remove = Button(page, "<< Remove", "removeOrder");
  connect(ascending, &QPushButton::clicked, this, [this] { AddOrder(false); });
  connect(descending, &QPushButton::clicked, this, [this] { AddOrder(true); });
  connect(remove, &QPushButton::clicked, this,
          [this] { RemoveSelected(orderBy_, query_.orderBy); });
  ListPair(page, "Fields", orderColumns_, {ascending, descending, remove}, "ORDER BY", orderBy_);
  return page;
}

QWizardPage* QueryCreatorWizard::MakeStatementPage() {
  auto* page = new QWizardPage(this);
  page->setTitle("The query");
  page->setSubTitle("Finish opens it in the query editor, where it can be executed or changed.");
  statementView_ = new QPlainTextEdit(page);
  statementView_->setObjectName("statement");
  statementView_->setReadOnly(true);
  statementView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(statementView_);
  return page;
}

bool QueryCreatorWizard::Prepare() {
  DataSource& source = workbench_.Source();
  if (!source.IsOpen()) return Refuse(kOpenDatabaseFirst);
  std::vector<std::string> names;
  {
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) return Refuse(kSystemBusy);
    if (!source.ListTables(names)) return Refuse(source.LastError());
    // The chosen tables may have gained or lost columns, or gone, since the last time.
    columns_.clear();
    for (size_t i = query_.tables.size(); i-- > 0;) {
      const std::string table = ParseTableEntry(query_.tables[i]).table;
      if (columns_.count(table)) continue;
      Columns columns;
      if (source.FieldTypes(SelectAllFrom(table), columns.names, columns.types)) {
        columns_[table] = std::move(columns);
      } else {
        ForgetTable(i);
      }
    }
  }
  tables_->clear();
  for (const std::string& name : names) tables_->addItem(Text(name));
  ShowLists();
  restart();
  return true;
}

bool QueryCreatorWizard::Refuse(const std::string& message) {
  CurrentPrompts().Message(this, QMessageBox::Warning, Text(message));
  return false;
}

void QueryCreatorWizard::initializePage(int id) {
  const std::vector<WizardColumn> all = AllColumns();
  QStringList entries;
  for (const std::string& entry : query_.tables) entries << Text(entry);
  auto fillOperands = [&](const ConditionInputs& inputs) {
    FillColumns(inputs.field, all);
    FillColumns(inputs.right, all);
    inputs.right->insertItem(0, kValueOperand);
    inputs.right->setCurrentIndex(0);
  };
  switch (id) {
    case kJoinsPage:
      for (QComboBox* combo : {joinLeft_, joinRight_}) {
        combo->clear();
        combo->addItems(entries);
      }
      if (entries.size() > 1) joinRight_->setCurrentIndex(1);
      ShowFromPreview();
      break;
    case kFieldsPage:
      FillColumns(fieldColumns_);
      break;
    case kWherePage:
      fillOperands(where_);
      break;
    case kGroupByPage:
      FillColumns(groupColumns_);
      fillOperands(having_);
      break;
    case kOrderByPage:
      FillColumns(orderColumns_);
      break;
    case kStatementPage: {
      const auto built = BuildWizardStatement(query_);
      statement_ = built ? Text(*built) : QString();
      statementView_->setPlainText(built ? statement_ : Text(built.status().message()));
      break;
    }
    default:
      break;
  }
  QWizard::initializePage(id);
}

bool QueryCreatorWizard::validateCurrentPage() {
  if (currentId() == kTablesPage && query_.tables.empty()) {
    return Refuse(kWizardNoTable);
  }
  if (currentId() == kJoinsPage) {
    if (auto from = WizardFromClause(query_); !from) return Refuse(from.status().message());
  }
  if (currentId() == kStatementPage) {
    if (auto built = BuildWizardStatement(query_); !built) return Refuse(built.status().message());
  }
  return QWizard::validateCurrentPage();
}

std::vector<WizardColumn> QueryCreatorWizard::ColumnsOf(const std::string& entry) const {
  const WizardTable table = ParseTableEntry(entry);
  std::vector<WizardColumn> columns;
  const auto found = columns_.find(table.table);
  if (found == columns_.end()) return columns;
  const std::string& named = table.alias.empty() ? table.table : table.alias;
  for (size_t i = 0; i < found->second.names.size(); ++i)
    columns.push_back({named, found->second.names[i], found->second.types[i]});
  return columns;
}

std::vector<WizardColumn> QueryCreatorWizard::AllColumns() const {
  std::vector<WizardColumn> all;
  for (const std::string& entry : query_.tables) {
    const std::vector<WizardColumn> columns = ColumnsOf(entry);
    all.insert(all.end(), columns.begin(), columns.end());
  }
  return all;
}

void QueryCreatorWizard::FillColumns(QComboBox* combo,
                                     const std::vector<WizardColumn>& columns) const {
  combo->clear();
  for (const WizardColumn& column : columns) combo->addItem(Text(WizardColumnText(column)));
}

void QueryCreatorWizard::FillColumns(QListWidget* list) const {
  list->clear();
  for (const WizardColumn& column : AllColumns()) list->addItem(Text(WizardColumnText(column)));
}

WizardColumn QueryCreatorWizard::ColumnAt(const std::vector<WizardColumn>& columns, int row) {
  if (row < 0 || static_cast<size_t>(row) >= columns.size()) return {};
  return columns[static_cast<size_t>(row)];
}

void QueryCreatorWizard::AddTable() {
  QListWidgetItem* item = tables_->currentItem();
  if (!item) return;
  const std::string table = item->text().toStdString();
  const std::string alias = alias_->text().trimmed().toStdString();
  const std::string entry = alias.empty() ? table : table + "*" + alias;
  if (std::find(query_.tables.begin(), query_.tables.end(), entry) != query_.tables.end()) return;
  if (!columns_.count(table)) {
    DataSource& source = workbench_.Source();
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) {
      Refuse(kSystemBusy);
      return;
    }
    Columns columns;
    if (!source.FieldTypes(SelectAllFrom(table), columns.names, columns.types)) {
      Refuse(source.LastError());
      return;
    }
    columns_[table] = std::move(columns);
  }
  query_.tables.push_back(entry);
  alias_->clear();
  ShowLists();
}

void QueryCreatorWizard::RemoveTable() {
  const int row = chosen_->currentRow();
  if (row < 0) return;
  ForgetTable(static_cast<size_t>(row));
  ShowLists();
}

void QueryCreatorWizard::ForgetTable(size_t index) {
  const WizardTable table = ParseTableEntry(query_.tables[index]);
  query_.tables.erase(query_.tables.begin() + static_cast<std::ptrdiff_t>(index));
  // Whatever names the table goes with it: the statement could not be built otherwise.
  const std::string& named = table.alias.empty() ? table.table : table.alias;
  auto uses = [&named](const WizardColumn& column) { return column.table == named; };
  std::erase_if(query_.joins,
                [&](const WizardJoin& j) { return j.left == table || j.right == table; });
  std::erase_if(query_.fields, [&](const WizardField& f) { return uses(f.column); });
  auto conditionUses = [&](const WizardCondition& c) {
    return uses(c.left) || (c.rightColumn && uses(*c.rightColumn));
  };
  std::erase_if(query_.where, conditionUses);
  std::erase_if(query_.having, conditionUses);
  std::erase_if(query_.groupBy, uses);
  std::erase_if(query_.orderBy, [&](const WizardOrder& o) { return uses(o.column); });
}

void QueryCreatorWizard::AddJoin() {
  WizardJoin join;
  join.left = ParseTableEntry(joinLeft_->currentText().toStdString());
  join.type = joinType_->currentText().toStdString();
  join.right = ParseTableEntry(joinRight_->currentText().toStdString());
  join.leftColumn =
      ColumnAt(ColumnsOf(joinLeft_->currentText().toStdString()), joinLeftColumn_->currentIndex());
  join.op = joinOperator_->currentText().toStdString();
  join.rightColumn = ColumnAt(ColumnsOf(joinRight_->currentText().toStdString()),
                              joinRightColumn_->currentIndex());
  if (join.left.table.empty() || join.right.table.empty() || !JoinConditionText(join)) {
    Refuse(kBadJoinCondition);
    return;
  }
  query_.joins.push_back(join);
  joins_->addItem(JoinText(join));
  ShowFromPreview();
}

void QueryCreatorWizard::AddField() {
  const std::vector<WizardColumn> all = AllColumns();
  for (QListWidgetItem* item : fieldColumns_->selectedItems()) {
    const WizardField field{aggregate_->currentText().toStdString(),
                            ColumnAt(all, fieldColumns_->row(item))};
    query_.fields.push_back(field);
    fields_->addItem(FieldText(field));
  }
}

void QueryCreatorWizard::AddCondition(const ConditionInputs& inputs, const std::string& aggregate,
                                      std::vector<WizardCondition>& conditions) {
  const std::vector<WizardColumn> all = AllColumns();
  WizardCondition condition;
  condition.aggregate = aggregate;
  condition.left = ColumnAt(all, inputs.field->currentIndex());
  condition.op = inputs.op->currentText().toStdString();
  if (inputs.right->currentIndex() > 0) {
    condition.rightColumn = ColumnAt(all, inputs.right->currentIndex() - 1);
  } else {
    condition.value = inputs.value->text().trimmed().toStdString();
  }
  // Only a HAVING condition has an aggregate on its left.
  const auto text =
      aggregate.empty() ? WhereConditionText(condition) : HavingConditionText(condition);
  if (!text) {
    Refuse(text.status().message());
    return;
  }
  conditions.push_back(condition);
  inputs.list->addItem(Text(*text));
  inputs.value->clear();
}

void QueryCreatorWizard::AddGroupBy() {
  const WizardColumn column = ColumnAt(AllColumns(), groupColumns_->currentRow());
  if (column.column.empty()) return;
  query_.groupBy.push_back(column);
  groupBy_->addItem(Text(WizardColumnText(column)));
}

void QueryCreatorWizard::AddOrder(bool descending) {
  const WizardColumn column = ColumnAt(AllColumns(), orderColumns_->currentRow());
  if (column.column.empty()) return;
  const WizardOrder order{column, descending};
  query_.orderBy.push_back(order);
  orderBy_->addItem(OrderText(order));
}

template <class T>
void QueryCreatorWizard::RemoveSelected(QListWidget* list, std::vector<T>& entries) {
  const int row = list->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= entries.size()) return;
  entries.erase(entries.begin() + row);
  delete list->takeItem(row);
}

void QueryCreatorWizard::ShowLists() {
  chosen_->clear();
  for (const std::string& entry : query_.tables) chosen_->addItem(Text(entry));
  joins_->clear();
  for (const WizardJoin& join : query_.joins) joins_->addItem(JoinText(join));
  fields_->clear();
  for (const WizardField& field : query_.fields) fields_->addItem(FieldText(field));
  where_.list->clear();
  for (const WizardCondition& c : query_.where) where_.list->addItem(Text(*WhereConditionText(c)));
  groupBy_->clear();
  for (const WizardColumn& column : query_.groupBy)
    groupBy_->addItem(Text(WizardColumnText(column)));
  having_.list->clear();
  for (const WizardCondition& c : query_.having)
    having_.list->addItem(Text(*HavingConditionText(c)));
  orderBy_->clear();
  for (const WizardOrder& order : query_.orderBy) orderBy_->addItem(OrderText(order));
  ShowFromPreview();
}

void QueryCreatorWizard::ShowFromPreview() {
  const auto from = WizardFromClause(query_);
  const QString preview = from ? "SELECT  *  FROM  " + Text(*from) : QString();
  tablesPreview_->setText(preview);
  joinsPreview_->setText(preview);
}

void OpenQueryCreator(Workbench& workbench) {
  QueryCreatorWizard& wizard = workbench.Dialog<QueryCreatorWizard>();
  if (!wizard.Prepare() || wizard.exec() != QDialog::Accepted) return;
  EditQueryDialog& editor = workbench.Dialog<EditQueryDialog>();
  editor.SetSql(wizard.Statement());
  editor.exec();
}

}  // namespace quarry::gui
