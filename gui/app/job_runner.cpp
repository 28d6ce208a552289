#include "gui/app/job_runner.h"

#include <QTimer>
#include <QWidget>
#include <exception>
#include <optional>

#include "core/data/data_source.h"
#include "core/jobs/job_thread.h"
#include "gui/app/job_center.h"

namespace quarry::gui {

JobRunner::JobRunner(const QString& method, JobCenter& center, DataSource* source, QObject* parent)
    : QObject(parent),
      method_(method),
      center_(center),
      source_(source),
      flags_(std::make_shared<JobFlags>()),
      done_(std::make_shared<std::atomic<bool>>(false)),
      succeeded_(std::make_shared<std::atomic<bool>>(false)) {
  connect(&center_, &JobCenter::JobFinished, this,
          [this](const QString& method, bool ok, const QString&) {
            if (method == method_) emit Finished(ok);
          });
}

JobRunner::~JobRunner() = default;

JobRunner::StartResult JobRunner::Start(JobSpec job) {
  StartClaim claim(*flags_);
  if (claim.Why() == StartClaim::Refusal::kRunning) return StartResult::kRunning;
  if (claim.Why() == StartClaim::Refusal::kLatched) return StartResult::kLatched;

  busy_ = true;
  done_->store(false);
  for (const QPointer<QWidget>& button : resultButtons_) {
    if (button) button->setEnabled(false);
  }
  std::shared_ptr<JobProgress> progress = center_.Begin(method_);
  const bool box = job.completionBox;
  center_.WorkerStarted();
  // The worker keeps what it shares with the GUI thread alive itself: the flags and the done
  // mark outlive a dialog closed while its job runs. The data source and the job center belong
  // to the main window, which waits for the workers before it lets them go.
  auto worker = [job = std::move(job), progress, flags = flags_, done = done_,
                 succeeded = succeeded_, source = source_, &center = center_, method = method_]() {
    Status status;
    {
      std::optional<DataSourceUser> user;
      if (source) user.emplace(*source);
      try {
        std::optional<ExclusiveUse> exclusive;
        if (source && job.lockWholeJob) exclusive.emplace(*source);
        status = job.work(*progress);
      } catch (const std::exception& e) {
        status = FatalError(std::string("internal error: ") + e.what());
      } catch (...) {
        status = FatalError("internal error");
      }
      center.Complete(progress, method, status, job.doneMessage, job.completionBox);
    }
    succeeded->store(status.ok());
    done->store(true);
    flags->running.store(false);
    center.WorkerEnded();
  };
  // The job's walks of its trees are recursive: the worker has a job's stack.
  if (!StartJobThread(std::move(worker))) {
    center_.WorkerEnded();
    center_.Complete(progress, method_,
                     FatalError("cannot start a thread for " + method_.toStdString()), {}, box);
    busy_ = false;
    return StartResult::kFailed;
  }
  progress_ = std::move(progress);
  claim.Commit();
  return StartResult::kStarted;
}

void JobRunner::Stop() {
  if (progress_ && IsRunning()) progress_->Cancel();
}

JobProgress::Snapshot JobRunner::LastStep() const {
  return progress_ && IsRunning() ? progress_->Read() : JobProgress::Snapshot();
}

void JobRunner::SetResultButtons(const QList<QWidget*>& buttons, int intervalMs) {
  resultButtons_.clear();
  for (QWidget* button : buttons) resultButtons_.append(button);
  if (!timer_) {
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &JobRunner::Poll);
  }
  timer_->start(intervalMs);
}

void JobRunner::Poll() {
  if (!busy_ || !done_->load() || flags_->running.load()) return;
  busy_ = false;
  if (!succeeded_->load()) return;
  for (const QPointer<QWidget>& button : resultButtons_) {
    if (button) button->setEnabled(true);
  }
}

}  // namespace quarry::gui
