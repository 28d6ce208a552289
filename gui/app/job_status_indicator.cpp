#include "gui/app/job_status_indicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "gui/app/job_center.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

JobStatusIndicator::JobStatusIndicator(JobCenter& center, QWidget* parent)
    : QWidget(parent), center_(center) {
  setObjectName("jobIndicator");
  label_ = new QLabel(this);
  bar_ = new QProgressBar(this);
  bar_->setMaximumWidth(140);
  bar_->setMaximumHeight(14);
  bar_->setTextVisible(false);
  stop_ = new QToolButton(this);
  stop_->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
  stop_->setToolTip("Stop the running jobs");
  stop_->setAutoRaise(true);
  connect(stop_, &QToolButton::clicked, this, [this] {
    if (CurrentPrompts().AskYesNo(window(),
                                  "Stop the running jobs? Each stops at its next step and keeps "
                                  "nothing half-done.")) {
      center_.CancelAll();
    }
  });
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addWidget(stop_);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &JobStatusIndicator::Refresh);
  timer_->start(250);
  Refresh();
}

void JobStatusIndicator::Refresh() {
  const auto& jobs = center_.Running();
  if (jobs.empty()) {
    label_->clear();
    bar_->hide();
    stop_->hide();
    return;
  }
  QStringList names;
  for (const RunningJob& job : jobs) names << job.method;
  const JobProgress::Snapshot last = jobs.back().progress->Read();
  QString text = "Running: " + names.join(", ");
  if (!last.what.empty()) {
    text += QString(" (%1 %2").arg(QString::fromStdString(last.what)).arg(last.done);
    text += last.total >= 0 ? QString(" of %1)").arg(last.total) : QString(")");
  }
  label_->setText(text);
  if (last.total > 0) {
    bar_->setRange(0, 1000);
    bar_->setValue(static_cast<int>(1000.0 * static_cast<double>(last.done) /
                                    static_cast<double>(last.total)));
  } else {
    bar_->setRange(0, 0);  // moving bar: work goes on, its end is not known
  }
  bar_->show();
  stop_->show();
}

QString JobStatusIndicator::Text() const { return label_->text(); }

}  // namespace quarry::gui
