#include "gui/knn/knn_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/knn/knn_job.h"
#include "gui/app/workbench.h"
#include "gui/query/query_set_dialog.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kBusy = "Please, system is busy,try again later";
constexpr const char* kChoosingTests = "Please wait, choosing compatible train table";
constexpr const char* kPressOk = "Press OK to classify";
constexpr const char* kDefaultK = "5";

}  // namespace

KnnDialog::KnnDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("knnDialog");
  setWindowTitle("K-Nearest-Neighbour");
  trainTables_ = new QListWidget(this);
  trainTables_->setObjectName("1034");
  testTables_ = new QListWidget(this);
  testTables_->setObjectName("1035");
  fields_ = new QListWidget(this);
  fields_->setObjectName("1036");
  distances_ = new QListWidget(this);
  distances_->setObjectName("1037");
  for (int kind = 0; kind < knn::kDistanceKinds; ++kind) {
    const std::string_view name = knn::DistanceName(static_cast<knn::DistanceKind>(kind));
    distances_->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
  }
  q_ = new QLineEdit(this);
  q_->setObjectName("1376");
  q_->setEnabled(false);
  weight_ = new QCheckBox("Weight", this);
  weight_->setObjectName("1298");
  k_ = new QLineEdit(kDefaultK, this);
  k_->setObjectName("1199");
  ok_ = new QPushButton("&OK", this);
  ok_->setObjectName("1029");
  view_ = new QPushButton("&View ", this);
  view_->setObjectName("1019");
  auto* close = new QPushButton("C&lose", this);
  auto* cancel = new QPushButton("&Cancel", this);
  for (QPushButton* button : {ok_, view_, close, cancel}) button->setAutoDefault(false);
  status_ = new QLabel(this);
  status_->setObjectName("1348");
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setMinimumHeight(24);
  for (QWidget* widget : std::initializer_list<QWidget*>{ok_, view_, weight_, k_})
    widget->setEnabled(false);

  connect(trainTables_, &QListWidget::itemSelectionChanged, this,
          [this] { ChooseTrainTable(ChosenText(trainTables_)); });
  connect(testTables_, &QListWidget::itemSelectionChanged, this,
          [this] { ChooseTestTable(ChosenText(testTables_)); });
  connect(fields_, &QListWidget::itemSelectionChanged, this, &KnnDialog::ShowFieldDistance);
  connect(distances_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> chosen = distances_->selectedItems();
    if (!chosen.isEmpty())
      ChooseDistance(static_cast<knn::DistanceKind>(distances_->row(chosen.first())));
  });
  connect(ok_, &QPushButton::clicked, this, &KnnDialog::Classify);
  connect(view_, &QPushButton::clicked, this, &KnnDialog::View);
  connect(cancel, &QPushButton::clicked, this, &KnnDialog::CancelTest);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Train Table List", this), 0, 0);
  layout->addWidget(new QLabel("Test Table List", this), 0, 1);
  layout->addWidget(trainTables_, 1, 0);
  layout->addWidget(testTables_, 1, 1);
  layout->addWidget(new QLabel("Table fields", this), 2, 0);
  layout->addWidget(new QLabel("Distance", this), 2, 1);
  layout->addWidget(fields_, 3, 0);
  layout->addWidget(distances_, 3, 1);
  auto* settings = new QHBoxLayout;
  settings->addWidget(new QLabel("K", this));
  settings->addWidget(k_);
  settings->addWidget(new QLabel("q", this));
  settings->addWidget(q_);
  settings->addWidget(weight_);
  layout->addLayout(settings, 4, 0, 1, 2);
  layout->addWidget(status_, 5, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(view_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 6, 0, 1, 2);
  resize(520, 460);
}

void KnnDialog::Prepare() {
  k_->setText(kDefaultK);
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kBusy);
    return;
  }
  const QSignalBlocker trainBlock(trainTables_);
  const QSignalBlocker testBlock(testTables_);
  trainTables_->clear();
  testTables_->clear();
  fields_->clear();
  fieldDistances_.clear();
  for (QWidget* widget : std::initializer_list<QWidget*>{ok_, view_, weight_, k_})
    widget->setEnabled(false);
  EnableQ();
  std::vector<std::string> tables;
  if (source.IsOpen() && source.ListTables(tables)) {
    for (const std::string& table : tables) trainTables_->addItem(QString::fromStdString(table));
  }
  status_->setText(knn::kSelectTables);
}

QString KnnDialog::StatusText() const { return status_->text(); }

void KnnDialog::ChooseTrainTable(const QString& table) {
  if (ChosenText(trainTables_) != table) {
    // Choosing the item runs this again, through the list's signal.
    ChooseItem(trainTables_, table);
    return;
  }
  for (QWidget* widget : std::initializer_list<QWidget*>{ok_, weight_, k_})
    widget->setEnabled(false);
  {
    const QSignalBlocker block(testTables_);
    testTables_->clear();
  }
  fields_->clear();
  fieldDistances_.clear();
  EnableQ();
  if (table.isEmpty()) return;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kBusy);
    return;
  }
  status_->setText(kChoosingTests);
  auto tests = knn::CompatibleTestTables(source, table.toStdString());
  if (!tests) {
    status_->setText(QString::fromStdString(tests.status().message()));
    return;
  }
  for (const std::string& test : *tests) testTables_->addItem(QString::fromStdString(test));
  if (testTables_->count() == 0) {
    CurrentPrompts().Message(this, QMessageBox::Information, knn::kNoCompatibleTests);
    return;
  }
  status_->setText(knn::kSelectTables);
}

void KnnDialog::ChooseTestTable(const QString& table) {
  if (table.isEmpty()) return;
  if (ChosenText(testTables_) != table) {
    ChooseItem(testTables_, table);
    return;
  }
  for (QWidget* widget : std::initializer_list<QWidget*>{ok_, view_, weight_, k_})
    widget->setEnabled(true);
  status_->setText(kPressOk);
  fields_->clear();
  fieldDistances_.clear();
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kBusy);
    return;
  }
  std::vector<std::string> names;
  if (!source.FieldNames(SelectAllFrom(ChosenText(trainTables_).toStdString()), names)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  // The last column is the class, which has no distance.
  if (!names.empty()) names.pop_back();
  for (const std::string& name : names) {
    fields_->addItem(QString::fromStdString(name));
    fieldDistances_[QString::fromStdString(name)] = knn::kDefaultDistance;
  }
  EnableQ();
}

void KnnDialog::ShowFieldDistance() {
  const auto at = fieldDistances_.find(ChosenText(fields_));
  const QSignalBlocker block(distances_);
  distances_->clearSelection();
  if (at != fieldDistances_.end())
    distances_->setCurrentRow(static_cast<int>(at->second), QItemSelectionModel::ClearAndSelect);
}

void KnnDialog::ChooseDistance(knn::DistanceKind kind) {
  const auto at = fieldDistances_.find(ChosenText(fields_));
  if (at == fieldDistances_.end()) return;
  at->second = kind;
  {
    const QSignalBlocker block(distances_);
    distances_->setCurrentRow(static_cast<int>(kind), QItemSelectionModel::ClearAndSelect);
  }
  EnableQ();
}

void KnnDialog::EnableQ() {
  bool minkowski = false;
  for (const auto& [field, kind] : fieldDistances_)
    minkowski = minkowski || kind == knn::DistanceKind::kMinkowski;
  q_->setEnabled(minkowski);
}

void KnnDialog::Classify() {
  knn::KnnParams params;
  params.train = ChosenText(trainTables_).toStdString();
  params.test = ChosenText(testTables_).toStdString();
  if (params.train.empty() || params.test.empty()) {
    status_->setText(knn::kSelectTables);
    return;
  }
  params.kText = k_->text().toStdString();
  params.qText = q_->text().trimmed().toStdString();
  params.weight = weight_->isChecked();
  for (const auto& [field, kind] : fieldDistances_)
    params.distances.emplace_back(field.toStdString(), kind);

  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kBusy);
    return;
  }
  status_->setText(knn::kClassifying);
  std::ostringstream report;
  Expected<knn::KnnResult> result = InvalidArgument("");
  {
    DialogProgress progress(this, "K-Nearest-Neighbour");
    result = knn::RunKnn(
        source, params, report,
        [this](const std::string& notice) {
          CurrentPrompts().Message(this, QMessageBox::Information, QString::fromStdString(notice));
        },
        progress);
  }
  if (!result) {
    const QString message = QString::fromStdString(result.status().message());
    if (message == knn::kInvalidK) k_->clear();
    status_->clear();
    CurrentPrompts().Message(this, QMessageBox::Warning, message,
                             QString::fromStdString(report.str()));
    return;
  }
  status_->setText(knn::kClassified);
  if (result->trainRowsWithoutClass > 0) {
    CurrentPrompts().Message(this, QMessageBox::Information,
                             QString::fromStdString(knn::RowsWithoutClassMessage(
                                 result->trainRowsWithoutClass, params.train)));
  }
}

void KnnDialog::View() {
  const QString test = ChosenText(testTables_);
  if (test.isEmpty()) return;
  DataSource& source = workbench_.Source();
  source.SetCurrentTable(test.toStdString());
  ShowQuerySet(this, source);
}

void KnnDialog::CancelTest() {
  {
    const QSignalBlocker block(testTables_);
    testTables_->clearSelection();
  }
  k_->setText(kDefaultK);
  k_->setEnabled(false);
  weight_->setEnabled(false);
}

}  // namespace quarry::gui
