#include "gui/query/query_set_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "core/data/data_source.h"
#include "core/query/table_view.h"
#include "gui/query/query_set_model.h"
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
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  summary_ = new QLabel(this);
  summary_->setObjectName("summary");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addWidget(summary_);
  layout->addWidget(buttons);
  resize(720, 480);
}

bool QuerySetDialog::Load(DataSource& source) {
  const std::string table = source.CurrentTable();
  DialogProgress progress(parentWidget(), "QUARRY Query Set", /*cancellable=*/false);
  long rows = 0;
  const Status status = ViewTable(
      source, table, [this](const std::vector<std::string>& names) { model_->Reset(names); },
      [&](const std::vector<std::string>& values) {
        model_->AppendRow(values);
        if (++rows % 1000 == 0) progress.Update("reading rows", rows, -1);
      });
  model_->Publish();
  if (!status.ok()) {
    CurrentPrompts().Message(parentWidget(), QMessageBox::Warning,
                             QString::fromStdString(status.message()));
    return false;
  }
  summary_->setText(QString("%1: %2 rows, %3 columns")
                        .arg(QString::fromStdString(table))
                        .arg(model_->rowCount())
                        .arg(model_->columnCount()));
  view_->resizeColumnsToContents();
  return true;
}

QString QuerySetDialog::Summary() const { return summary_->text(); }

void ShowQuerySet(QWidget* parent, DataSource& source) {
  QuerySetDialog dialog(parent);
  if (dialog.Load(source)) dialog.exec();
}

}  // namespace quarry::gui
