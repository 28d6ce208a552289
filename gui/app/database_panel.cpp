#include "gui/app/database_panel.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/table_columns.h"
#include "core/data/table_split.h"
#include "gui/app/job_center.h"
#include "gui/app/workbench.h"
#include "gui/assoc/association_rules_dialog.h"
#include "gui/data/export_file_dialog.h"
#include "gui/dtree/classification_cv_dialog.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/knn/knn_dialog.h"
#include "gui/modeltree/regression_cv_dialog.h"
#include "gui/modeltree/strata_dialog.h"
#include "gui/query/query_set_dialog.h"
#include "gui/transform/statistical_analysis_dialog.h"
#include "gui/transform/transform_run.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kCounting = "...";
constexpr const char* kNoDatabase =
    "No database is open.\n\nFile > Open DataBase (Ctrl+O) opens an SQLite file or any data "
    "source.";
constexpr const char* kEmptyDatabase =
    "This database has no tables yet.\n\nFirst import a data file into a new table: File > "
    "Import File (Ctrl+I). Or open another database: File > Open DataBase (Ctrl+O).";

// A small form asked before a table operation: its fields by name, OK and Cancel.
class FieldsDialog : public QDialog {
 public:
  FieldsDialog(QWidget* parent, const QString& title) : QDialog(parent) {
    setWindowTitle(title);
    form_ = new QFormLayout(this);
  }
  QLineEdit* Add(const QString& label, const char* name, const QString& value) {
    auto* field = new QLineEdit(value, this);
    field->setObjectName(name);
    form_->addRow(label, field);
    return field;
  }
  bool Ask() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form_->addRow(buttons);
    return exec() == QDialog::Accepted;
  }

 private:
  QFormLayout* form_;
};

// The split's default names: a plain table T becomes T_data and T_test, the training and test
// tables of the decision-tree methods; a training table is split into two parts of its own.
QStringList SplitNames(const QString& table) {
  if (table.endsWith("_data")) return {table + "_1", table + "_2"};
  return {table + "_data", table + "_test"};
}

// Asks before replacing tables that exist; true when none exists or the user agrees.
bool MayReplace(QWidget* parent, DataSource& source, const QStringList& tables) {
  QStringList existing;
  for (const QString& table : tables) {
    if (source.TableExists(table.toStdString())) existing << table;
  }
  return existing.isEmpty() ||
         CurrentPrompts().AskYesNo(parent,
                                   QString("%1 exist%2 already and will be replaced. Go on?")
                                       .arg(existing.join(", "))
                                       .arg(existing.size() == 1 ? "s" : ""));
}

// The session's dialog D on `table`: its lists read again, the table chosen, shown modally.
template <class D, class Choose>
void OpenWith(Workbench& workbench, Choose choose) {
  D& dialog = workbench.Dialog<D>();
  dialog.Prepare();
  choose(dialog);
  dialog.exec();
}

}  // namespace

DatabasePanel::DatabasePanel(Workbench& workbench, QWidget* parent)
    : QWidget(parent), workbench_(workbench) {
  setObjectName("databasePanel");
  filter_ = new QLineEdit(this);
  filter_->setObjectName("tableFilter");
  filter_->setPlaceholderText("Filter tables");
  filter_->setClearButtonEnabled(true);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tableTree");
  tree_->setHeaderLabels({"Table / column", "Rows / type"});
  tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setExpandsOnDoubleClick(false);
  hint_ = new QLabel(this);
  hint_->setObjectName("panelHint");
  hint_->setWordWrap(true);
  hint_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  hint_->setMargin(8);
  auto* status = NewStatusLine(this);
  status->setObjectName("panelStatus");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(filter_);
  layout->addWidget(tree_, 1);
  layout->addWidget(hint_, 1);
  layout->addWidget(status);

  connect(filter_, &QLineEdit::textChanged, this, &DatabasePanel::ApplyFilter);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item && !item->parent()) OpenTable(item->text(0));
  });
  connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* item = tree_->itemAt(at);
    if (!item) return;
    if (item->parent()) item = item->parent();
    QMenu* menu = TableMenu(item->text(0), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(tree_->viewport()->mapToGlobal(at));
  });
  // What jobs and other databases change shows at once.
  connect(&workbench_, &Workbench::DatabaseChanged, this, &DatabasePanel::Refresh);
  connect(&workbench_.Jobs(), &JobCenter::JobFinished, this, &DatabasePanel::Refresh);
  ShowHint(kNoDatabase);
}

DatabasePanel::~DatabasePanel() { Stop(); }

void DatabasePanel::Stop() { uncounted_.clear(); }

void DatabasePanel::ShowHint(const QString& text) {
  hint_->setText(text);
  hint_->setVisible(!text.isEmpty());
  tree_->setVisible(text.isEmpty());
  filter_->setVisible(text.isEmpty());
}

QString DatabasePanel::Hint() const { return hint_->isHidden() ? QString() : hint_->text(); }

void DatabasePanel::Refresh() {
  DataSource& source = workbench_.Source();
  if (!source.IsOpen()) {
    uncounted_.clear();
    tree_->clear();
    items_.clear();
    ShowHint(kNoDatabase);
    return;
  }
  std::vector<std::string> names;
  std::vector<TableColumns> columns;
  {
    // A job holds the database: the panel waits for it rather than the user.
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) {
      QTimer::singleShot(1000, this, &DatabasePanel::Refresh);
      return;
    }
    if (!source.ListTables(names)) names.clear();
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return QString::compare(QString::fromStdString(a), QString::fromStdString(b),
                              Qt::CaseInsensitive) < 0;
    });
    for (const std::string& name : names) {
      auto read = ReadTableColumns(source, name);
      columns.push_back(read ? std::move(read.value()) : TableColumns{});
    }
  }
  if (names.empty()) {
    uncounted_.clear();
    tree_->clear();
    items_.clear();
    ShowHint(kEmptyDatabase);
    return;
  }
  ShowHint({});
  // Counts already known stay until the new ones come, so the list does not flicker.
  QHash<QString, QString> known;
  QSet<QString> expanded;
  for (auto it = items_.cbegin(); it != items_.cend(); ++it) {
    known[it.key()] = it.value()->text(1);
    if (it.value()->isExpanded()) expanded.insert(it.key());
  }
  const QString chosen = ChosenTable();
  tree_->clear();
  items_.clear();
  QStringList tables;
  for (size_t i = 0; i < names.size(); ++i) {
    const QString name = QString::fromStdString(names[i]);
    auto* item = new QTreeWidgetItem(tree_, {name, known.value(name, kCounting)});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    for (size_t c = 0; c < columns[i].names.size(); ++c) {
      new QTreeWidgetItem(item, {QString::fromStdString(columns[i].names[c]),
                                 QString::fromStdString(columns[i].types[c])});
    }
    item->setExpanded(expanded.contains(name));
    if (name == chosen) tree_->setCurrentItem(item);
    items_.insert(name, item);
    tables << name;
  }
  ApplyFilter();
  uncounted_ = tables;
  if (!counting_) {
    counting_ = true;
    QTimer::singleShot(0, this, &DatabasePanel::CountNextTable);
  }
}

void DatabasePanel::CountNextTable() {
  if (uncounted_.isEmpty()) {
    counting_ = false;
    emit RowsCounted();
    return;
  }
  DataSource& source = workbench_.Source();
  long rows = -1;
  {
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) {
      QTimer::singleShot(500, this, &DatabasePanel::CountNextTable);
      return;
    }
    auto counted = CountTableRows(source, uncounted_.front().toStdString());
    if (counted) rows = *counted;
  }
  if (QTreeWidgetItem* item = items_.value(uncounted_.takeFirst()))
    item->setText(1, rows < 0 ? QString("?") : QString::number(rows));
  QTimer::singleShot(0, this, &DatabasePanel::CountNextTable);
}

void DatabasePanel::ApplyFilter() {
  const QString text = filter_->text().trimmed();
  for (QTreeWidgetItem* item : std::as_const(items_))
    item->setHidden(!text.isEmpty() && !item->text(0).contains(text, Qt::CaseInsensitive));
}

QStringList DatabasePanel::TableNames() const {
  QStringList names;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) names << tree_->topLevelItem(i)->text(0);
  return names;
}

QString DatabasePanel::RowCountText(const QString& table) const {
  QTreeWidgetItem* item = items_.value(table);
  return item ? item->text(1) : QString();
}

QString DatabasePanel::ChosenTable() const {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item && item->parent()) item = item->parent();
  return item ? item->text(0) : QString();
}

QMenu* DatabasePanel::TableMenu(const QString& table, QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName("tableMenu");
  menu->addAction("&Open", this, [this, table] { OpenTable(table); });
  menu->addAction("&Statistics...", this, [this, table] { ShowStatistics(table); });
  menu->addAction("&Export...", this, [this, table] { ExportTable(table); });
  menu->addSeparator();
  menu->addAction("S&plit in Two...", this, [this, table] { SplitTable(table); });
  menu->addAction("Partition into &K Folds...", this, [this, table] { PartitionTable(table); });
  menu->addSeparator();
  QMenu* methods = menu->addMenu("&Analyse with");
  Workbench& bench = workbench_;
  const QString t = table;
  methods->addAction("Decision Trees", this, [&bench, t] {
    OpenWith<DecisionTreeDialog>(bench, [&](DecisionTreeDialog& d) { d.SelectTable(t); });
  });
  methods->addAction("Classification k-CV", this, [&bench, t] {
    OpenWith<ClassificationCvDialog>(bench, [&](ClassificationCvDialog& d) { d.SelectTable(t); });
  });
  methods->addAction("RegressionTrees", this, [&bench, t] {
    OpenWith<StrataDialog>(bench, [&](StrataDialog& d) { d.SelectTable(t); });
  });
  methods->addAction("Regression k-CV", this, [&bench, t] {
    OpenWith<RegressionCvDialog>(bench, [&](RegressionCvDialog& d) { d.SelectTable(t); });
  });
  methods->addAction("K-Nearest-Neighbour", this, [&bench, t] {
    OpenWith<KnnDialog>(bench, [&](KnnDialog& d) { d.ChooseTrainTable(t); });
  });
  methods->addAction("Association Rules", this, [&bench, t] {
    AssociationRulesDialog& dialog = bench.Dialog<AssociationRulesDialog>();
    dialog.Prepare(false);
    dialog.SelectTable(t);
    dialog.exec();
  });
  return menu;
}

void DatabasePanel::OpenTable(const QString& table) {
  DataSource& source = workbench_.Source();
  source.SetCurrentTable(table.toStdString());
  ShowQuerySet(window(), source);
}

void DatabasePanel::ShowStatistics(const QString& table) {
  OpenWith<StatisticalAnalysisDialog>(workbench_,
                                      [&](StatisticalAnalysisDialog& d) { d.ChooseTable(table); });
}

void DatabasePanel::ExportTable(const QString& table) {
  OpenWith<ExportFileDialog>(workbench_, [&](ExportFileDialog& d) { d.SelectTable(table); });
}

void DatabasePanel::SplitTable(const QString& table) {
  FieldsDialog ask(window(), "Split Table");
  const QStringList names = SplitNames(table);
  QLineEdit* first = ask.Add("First table:", "firstTable", names[0]);
  QLineEdit* second = ask.Add("Second table:", "secondTable", names[1]);
  QLineEdit* percent = ask.Add("Percent of the rows in the first:", "percent", "70");
  if (!ask.Ask()) return;
  bool number = false;
  const int share = percent->text().trimmed().toInt(&number);
  if (!number || share < 0 || share > 100) {
    CurrentPrompts().Message(window(), QMessageBox::Warning,
                             "The percent must be a whole number from 0 to 100");
    return;
  }
  const std::string a = first->text().trimmed().toStdString();
  const std::string b = second->text().trimmed().toStdString();
  DataSource& source = workbench_.Source();
  if (!MayReplace(window(), source, {first->text().trimmed(), second->text().trimmed()})) return;
  auto* status = findChild<QLabel*>("panelStatus");
  RunTransform(window(), source, status, [&](DataSource& held) {
    Rand rand;
    DialogProgress progress(window(), "Split Table");
    // The user agreed above to replace the tables that exist.
    return quarry::SplitTable(held, table.toStdString(), a, b, share, rand, progress,
                              ExistingTargets::kReplace);
  });
  Refresh();
}

void DatabasePanel::PartitionTable(const QString& table) {
  FieldsDialog ask(window(), "Partition Table");
  QLineEdit* folds = ask.Add("Number of folds (K):", "folds", "10");
  if (!ask.Ask()) return;
  bool number = false;
  const int k = folds->text().trimmed().toInt(&number);
  if (!number || k < 2) {
    CurrentPrompts().Message(window(), QMessageBox::Warning,
                             "The number of folds must be a whole number of 2 or more");
    return;
  }
  const std::string name = table.toStdString();
  QStringList made;
  for (int fold = 0; fold < k; ++fold) {
    made << QString::fromStdString(FoldTableName(name, fold))
         << QString::fromStdString(ComplementTableName(name, fold));
  }
  DataSource& source = workbench_.Source();
  if (!MayReplace(window(), source, made)) return;
  auto* status = findChild<QLabel*>("panelStatus");
  RunTransform(window(), source, status, [&](DataSource& held) {
    Rand rand;
    DialogProgress progress(window(), "Partition Table");
    PartitionOptions options;
    options.existing = ExistingTargets::kReplace;  // agreed above
    return quarry::PartitionTable(held, k, name, rand, progress, options);
  });
  Refresh();
}

}  // namespace quarry::gui
