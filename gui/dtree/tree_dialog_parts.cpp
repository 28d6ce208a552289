#include "gui/dtree/tree_dialog_parts.h"

#include <QLabel>
#include <QPushButton>

#include "core/jobs/job_flags.h"
#include "gui/app/job_runner.h"

namespace quarry::gui {

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

void LabelProgress::Update(std::string_view what, long done, long total) {
  const QString text = shown_(what, done);
  if (!text.isNull() && text != last_) {
    last_ = text;
    QMetaObject::invokeMethod(
        label_, [label = label_, text] { label->setText(text); }, Qt::QueuedConnection);
  }
  inner_.Update(what, done, total);
}

bool StartLabelledJob(JobRunner& runner, JobSpec job, QLabel* label) {
  label->setText("Please, wait");
  switch (runner.Start(std::move(job))) {
    case JobRunner::StartResult::kStarted:
      return true;
    case JobRunner::StartResult::kLatched:
      label->setText(kMethodInWorkingStatus);
      return false;
    default:
      label->clear();
      return false;
  }
}

}  // namespace quarry::gui
