#include "gui/query/query_set_dialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/data/data_source.h"
#include "core/query/table_view.h"
#include "gui/query/query_set_model.h"
#include "gui/ui/copy_selection.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

QuerySetDialog::QuerySetDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("querySetDialog");
  setWindowTitle("QUARRY Query Set");
  model_ = new QuerySetModel(this);
  view_ = new QTableView(this);
  view_->setObjectName("grid");
  view_->setModel(model_);
  view_->setAlternatingRowColors(true);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  // The table sorts in the database, page by page; the header only shows the order.
  view_->horizontalHeader()->setSectionsClickable(true);
  view_->horizontalHeader()->setSortIndicatorShown(true);
  view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { SortBy(column, column == sortColumn_ && !descending_); });
  auto* copy = new QAction("&Copy", view_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &QuerySetDialog::CopySelection);
  view_->addAction(copy);
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);

  summary_ = new QLabel(this);
  summary_->setObjectName("summary");
  page_ = new QLabel(this);
  page_->setObjectName("page");
  previous_ = new QPushButton("< Previous rows", this);
  previous_->setObjectName("previousPage");
  next_ = new QPushButton("Next rows >", this);
  next_->setObjectName("nextPage");
  connect(previous_, &QPushButton::clicked, this, &QuerySetDialog::PreviousPage);
  connect(next_, &QPushButton::clicked, this, &QuerySetDialog::NextPage);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* paging = new QHBoxLayout;
  paging->addWidget(summary_);
  paging->addStretch();
  paging->addWidget(page_);
  paging->addWidget(previous_);
  paging->addWidget(next_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addLayout(paging);
  layout->addWidget(buttons);
  resize(760, 500);
}

bool QuerySetDialog::Load(DataSource& source) {
  source_ = &source;
  table_ = source.CurrentTable();
  sortColumn_ = -1;
  descending_ = false;
  return ReadPage(0);
}

bool QuerySetDialog::ReadPage(long offset) {
  if (!source_) return false;
  DialogProgress progress(parentWidget(), "QUARRY Query Set", /*cancellable=*/false);
  long rows = 0;
  long total = 0;
  const Status status = ViewTablePage(
      *source_, TablePage{table_, offset, pageSize_, sortColumn_, descending_}, total,
      [&](const std::vector<std::string>& names) { model_->Reset(names, offset); },
      [&](const std::vector<std::string>& values) {
        model_->AppendRow(values);
        if (++rows % 1000 == 0) progress.Update("reading rows", rows, -1);
      });
  model_->Publish();
  if (!status.ok()) {
    CurrentPrompts().Message(isVisible() ? this : parentWidget(), QMessageBox::Warning,
                             QString::fromStdString(status.message()));
    return false;
  }
  offset_ = offset;
  totalRows_ = total;
  summary_->setText(QString("%1: %2 rows, %3 columns")
                        .arg(QString::fromStdString(table_))
                        .arg(totalRows_)
                        .arg(model_->columnCount()));
  page_->setText(PageText());
  const bool paged = totalRows_ > pageSize_;
  page_->setVisible(paged);
  previous_->setVisible(paged);
  next_->setVisible(paged);
  previous_->setEnabled(offset_ > 0);
  next_->setEnabled(offset_ + model_->rowCount() < totalRows_);
  view_->horizontalHeader()->setSortIndicator(
      sortColumn_, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  view_->resizeColumnsToContents();
  return true;
}

QString QuerySetDialog::Summary() const { return summary_->text(); }

QString QuerySetDialog::PageText() const {
  if (model_->rowCount() == 0) return QString("No rows");
  return QString("Rows %1-%2 of %3")
      .arg(offset_ + 1)
      .arg(offset_ + model_->rowCount())
      .arg(totalRows_);
}

bool QuerySetDialog::NextPage() {
  if (offset_ + model_->rowCount() >= totalRows_) return false;
  return ReadPage(offset_ + pageSize_);
}

bool QuerySetDialog::PreviousPage() {
  if (offset_ == 0) return false;
  return ReadPage(std::max(0L, offset_ - pageSize_));
}

bool QuerySetDialog::SortBy(int column, bool descending) {
  const int previousColumn = sortColumn_;
  const bool previousDescending = descending_;
  sortColumn_ = column;
  descending_ = descending;
  if (ReadPage(0)) return true;
  sortColumn_ = previousColumn;
  descending_ = previousDescending;
  view_->horizontalHeader()->setSortIndicator(
      sortColumn_, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  return false;
}

void QuerySetDialog::CopySelection() { gui::CopySelection(view_); }

void ShowQuerySet(QWidget* parent, DataSource& source) {
  QuerySetDialog dialog(parent);
  if (dialog.Load(source)) dialog.exec();
}

}  // namespace quarry::gui
