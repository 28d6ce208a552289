#include "gui/app/job_center.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>

#include "gui/ui/prompts.h"

namespace quarry::gui {

JobCenter::JobCenter(QWidget* boxParent, QObject* parent)
    : QObject(parent), boxParent_(boxParent) {}

JobCenter::~JobCenter() = default;

std::shared_ptr<JobProgress> JobCenter::Begin(const QString& method) {
  auto progress = std::make_shared<JobProgress>();
  running_.push_back({method, progress});
  return progress;
}

void JobCenter::Complete(const std::shared_ptr<JobProgress>& progress, const QString& method,
                         const Status& status, const QString& doneMessage, bool box) {
  // Queued to this object: if it is gone by then, Qt drops the call instead of running it.
  QMetaObject::invokeMethod(
      this,
      [this, progress, method, status, doneMessage, box] {
        Finish(progress, method, status, doneMessage, box);
      },
      Qt::QueuedConnection);
}

void JobCenter::Finish(const std::shared_ptr<JobProgress>& progress, const QString& method,
                       const Status& status, const QString& doneMessage, bool box) {
  running_.erase(std::remove_if(running_.begin(), running_.end(),
                                [&](const RunningJob& job) { return job.progress == progress; }),
                 running_.end());
  QString text;
  QMessageBox::Icon icon = QMessageBox::Information;
  if (status.ok()) {
    text = status.message().empty() ? doneMessage : QString::fromStdString(status.message());
  } else {
    text = QString::fromStdString(status.message());
    if (text.isEmpty()) text = method + " failed";
    if (status.code() != StatusCode::kCancelled) icon = QMessageBox::Warning;
  }
  if (!silent_ && box) CurrentPrompts().Notify(boxParent_, icon, text);
  emit JobFinished(method, status.ok(), text);
}

void JobCenter::WorkerStarted() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++liveWorkers_;
}

void JobCenter::WorkerEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  --liveWorkers_;
  workersDone_.notify_all();
}

int JobCenter::LiveWorkers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return liveWorkers_;
}

bool JobCenter::WaitForWorkers(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    QCoreApplication::processEvents();
    std::unique_lock<std::mutex> lock(mutex_);
    if (liveWorkers_ == 0) break;
    if (clock.elapsed() >= timeoutMs) return false;
    workersDone_.wait_for(lock, std::chrono::milliseconds(20));
  }
  // The last completions were posted before their workers ended.
  QCoreApplication::processEvents();
  return true;
}

void JobCenter::CancelAll() {
  for (RunningJob& job : running_) job.progress->Cancel();
}

}  // namespace quarry::gui
