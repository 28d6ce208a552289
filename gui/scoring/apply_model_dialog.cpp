#include "gui/scoring/apply_model_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/scoring/apply_model.h"
#include "gui/app/job_center.h"
#include "gui/app/workbench.h"
#include "gui/query/query_set_dialog.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_list.h"

namespace quarry::gui {

namespace {

constexpr const char* kMethod = "Apply Model";
constexpr const char* kOverwriteText = "Replace columns of these names";

QString PathText(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

// A working-folder tree file shows as its name without ".tree", any other as its whole path.
QString ShownName(const std::filesystem::path& treeFile) {
  std::error_code ec;
  if (std::filesystem::equivalent(treeFile.parent_path(), WorkingFolder(), ec))
    return QString::fromStdString(treeFile.stem().string());
  return PathText(treeFile);
}

QLineEdit* NameField(const char* name, const QString& hint, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setPlaceholderText(hint);
  return field;
}

}  // namespace

ApplyModelDialog::ApplyModelDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent),
      workbench_(workbench),
      runner_(kMethod, workbench.Jobs(), &workbench.Source(), this) {
  setObjectName("applyModelDialog");
  setWindowTitle(kMethod);
  models_ = new QComboBox(this);
  models_->setObjectName("models");
  models_->setMinimumContentsLength(28);
  tables_ = new QComboBox(this);
  tables_->setObjectName("tables");
  tables_->setMinimumContentsLength(28);
  column_ = NameField("column", "the class column's name + _predicted", this);
  confidence_ = NameField("confidence", "none (decision trees only)", this);
  leaf_ = NameField("leaf", "none", this);
  overwrite_ = new QCheckBox(kOverwriteText, this);
  overwrite_->setObjectName("overwrite");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setWordWrap(true);
  status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2);
  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName("summary");
  summary_->setReadOnly(true);
  summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
  summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  summary_->setPlaceholderText(
      "The rows scored show here, with the confusion matrix and the error rate when the table "
      "has the class column.");
  summary_->setMinimumHeight(summary_->fontMetrics().lineSpacing() * 8);

  auto* execute = new QPushButton("E&xecute", this);
  execute->setObjectName("execute");
  execute->setAutoDefault(false);
  auto* close = new QPushButton("&Close", this);
  close->setAutoDefault(false);
  connect(execute, &QPushButton::clicked, this, &ApplyModelDialog::Execute);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(&workbench_.Jobs(), &JobCenter::JobFinished, this,
          [this](const QString& method, bool ok, const QString& message) {
            if (method == kMethod) JobEnded(ok, message);
          });

  auto* form = new QFormLayout;
  form->addRow("&Tree file:", models_);
  form->addRow("T&able to score:", tables_);
  form->addRow("&New column:", column_);
  form->addRow("Class &share column:", confidence_);
  form->addRow("&Leaf column:", leaf_);
  form->addRow("", overwrite_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(execute);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(summary_, 1);
  layout->addLayout(buttons);
  resize(560, 460);
}

void ApplyModelDialog::Prepare() {
  const QString chosen = models_->currentData().toString();
  models_->clear();
  for (const std::filesystem::path& file : scoring::ApplicableTreeFiles(WorkingFolder()))
    models_->addItem(ShownName(file), PathText(file));
  models_->setCurrentIndex(models_->findData(chosen));
  status_->setText(FillTableList(*tables_, workbench_.Source()));
}

void ApplyModelDialog::ChooseModel(const std::filesystem::path& treeFile) {
  int index = -1;
  for (int i = 0; i < models_->count() && index < 0; ++i) {
    std::error_code ec;
    const std::filesystem::path listed = models_->itemData(i).toString().toStdString();
    if (std::filesystem::equivalent(listed, treeFile, ec)) index = i;
  }
  if (index < 0) {
    models_->addItem(ShownName(treeFile), PathText(treeFile));
    index = models_->count() - 1;
  }
  models_->setCurrentIndex(index);
}

void ApplyModelDialog::ChooseTable(const QString& table) {
  tables_->setCurrentIndex(tables_->findText(table, Qt::MatchExactly));
}

QString ApplyModelDialog::StatusText() const { return status_->text(); }

QString ApplyModelDialog::SummaryText() const { return summary_->toPlainText(); }

void ApplyModelDialog::Execute() {
  if (runner_.IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  scoring::ApplyParams params;
  params.model = models_->currentData().toString().toStdString();
  params.table = tables_->currentText().toStdString();
  params.column = column_->text().trimmed().toStdString();
  params.confidenceColumn = confidence_->text().trimmed().toStdString();
  params.leafColumn = leaf_->text().trimmed().toStdString();
  params.overwrite = overwrite_->isChecked();
  params.overwriteOption = std::string("\"") + kOverwriteText + "\"";
  if (params.model.empty() || params.table.empty()) {
    status_->setText(kChooseTreeAndTable);
    return;
  }
  if (Status s = scoring::CheckNewColumnNames(params); !s.ok()) {
    status_->setText(QString::fromStdString(s.message()));
    return;
  }
  status_->clear();
  summary_->clear();
  JobSpec job;
  job.work = [&source = workbench_.Source(), params](Progress& progress) -> Status {
    std::ostringstream messages;
    auto result = scoring::ApplyModel(source, params, messages, progress);
    if (!result) return result.status();
    // What quarry-cli prints on stdout, then its messages about the rows (stderr there).
    return Status(StatusCode::kOk, scoring::ApplyReport(*result) + messages.str());
  };
  job.lockWholeJob = false;  // ApplyModel holds the data source itself
  job.doneMessage = "Model applied";
  const JobRunner::StartResult started = runner_.Start(std::move(job));
  if (started == JobRunner::StartResult::kLatched) status_->setText(kMethodInWorkingStatus);
  if (started == JobRunner::StartResult::kStarted) {
    scoredTable_ = QString::fromStdString(params.table);
    status_->setText("Applying " + models_->currentText() + " to " + scoredTable_ + "...");
  }
}

void ApplyModelDialog::JobEnded(bool ok, const QString& message) {
  status_->setText(ok ? QString("Model applied") : message);
  if (!ok) return;
  summary_->setPlainText(message);
  DataSource& source = workbench_.Source();
  if (scoredTable_.isEmpty() || !source.IsOpen()) return;
  source.SetCurrentTable(scoredTable_.toStdString());
  // The dialog may have been closed while the job ran.
  ShowQuerySet(isVisible() ? this : workbench_.Window(), source);
}

}  // namespace quarry::gui
