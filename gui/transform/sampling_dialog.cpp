#include "gui/transform/sampling_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/transform/sampling.h"
#include "gui/app/workbench.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

SamplingDialog::SamplingDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("samplingDialog");
  setWindowTitle("QUARRY Sampling");
  auto* tables = new QListWidget(this);
  tables->setObjectName("tables");
  lists_ = new TableFieldLists(workbench.Source(), tables, nullptr, this);
  percent_ = new QLineEdit(this);
  percent_->setObjectName("percent");
  status_ = NewStatusLine(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &SamplingDialog::Sample);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* percent = new QFormLayout;
  percent->addRow("Sampling Percent:", percent_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Tables List", this));
  layout->addWidget(tables);
  layout->addLayout(percent);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  resize(340, 360);
}

void SamplingDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

QString SamplingDialog::StatusText() const { return status_->text(); }

void SamplingDialog::Sample() {
  SamplingParams params;
  params.table = lists_->Table().toStdString();
  params.percent = percent_->text().toStdString();
  params.newName = AskTableName(this);
  SamplingResult sampled;
  const Status done = RunTransform(this, workbench_.Source(), status_, [&](DataSource& source) {
    Rand rand;
    DialogProgress progress(this, "QUARRY Sampling");
    auto result = SampleTable(source, params, rand, progress);
    if (!result) return result.status();
    sampled = *result;
    return Status::Ok();
  });
  if (!done.ok()) return;
  // The new table joins the list, where the next sample can be drawn from it.
  QString why;
  lists_->Refresh(&why);
  status_->setText(kSampleCreated);
  if (sampled.refused > 0) {
    CurrentPrompts().Message(this, QMessageBox::Warning,
                             QString("%1 of the %2 sampled rows were refused by the database")
                                 .arg(sampled.refused)
                                 .arg(sampled.sampled));
  }
}

}  // namespace quarry::gui
