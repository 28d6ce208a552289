#pragma once
// How a method dialog runs its job, the same way for every method:
//
//   if (runner.IsRunning()) -> the method's "child is running..." text, stop
//   check the parameters    -> the method's own message, stop
//   runner.Start(job)       -> kLatched: kMethodInWorkingStatus; kStarted: the job runs
//
// Start copies nothing from the dialog: the job's closure holds its own copy of the parameters.
// The worker counts itself as a user of the data source, holds its exclusive-use lock (unless
// the job takes it itself), never touches a widget, and hands its outcome to the JobCenter,
// which shows the completion box on the GUI thread even when the dialog is gone. The runner
// disables the result buttons at the start and its timer enables them again once the job is
// over, when it succeeded: after a failed run there is nothing new to show.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "core/common/status.h"
#include "core/jobs/job_flags.h"
#include "core/jobs/progress.h"
#include "gui/app/job_progress.h"

class QTimer;
class QWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class JobCenter;

struct JobSpec {
  // Runs on the worker thread. Its status's message, when it has one, is the completion text.
  std::function<Status(Progress&)> work;
  // The completion text of a job that succeeds without a message of its own.
  QString doneMessage;
  // Hold the data source's exclusive-use lock for the whole job. Jobs that interleave long
  // computations with database work can take it themselves around each part.
  bool lockWholeJob = true;
  // Show the completion box. A dialog that shows the outcome itself (the assistant's advice)
  // turns it off and reads what the work closure left on Finished.
  bool completionBox = true;
};

class JobRunner : public QObject {
  Q_OBJECT

 public:
  enum class StartResult { kStarted, kRunning, kLatched, kFailed };

  // `source` may be null for jobs that work on connections of their own.
  JobRunner(const QString& method, JobCenter& center, DataSource* source,
            QObject* parent = nullptr);
  ~JobRunner() override;

  const QString& Method() const { return method_; }
  bool IsRunning() const { return flags_->running.load(); }
  StartResult Start(JobSpec job);
  // Asks the running job to stop (its Progress::Cancelled() becomes true), as the status bar's
  // stop button does; nothing when no job runs.
  void Stop();
  // The running job's last reported step; empty when none runs.
  JobProgress::Snapshot LastStep() const;

  // Buttons that show what the method produced: disabled while a job runs, enabled again by the
  // dialog timer (every `intervalMs`) once the running flag is clear and the job succeeded; a
  // failed job leaves them disabled.
  void SetResultButtons(const QList<QWidget*>& buttons, int intervalMs = 500);

 signals:
  // GUI thread, when this runner's job has ended (after its completion box).
  void Finished(bool ok);

 private:
  void Poll();

  QString method_;
  JobCenter& center_;
  DataSource* source_;
  std::shared_ptr<JobFlags> flags_;
  std::shared_ptr<JobProgress> progress_;  // the last job started
  // Set by the worker as its last act on the method's state; read by the timer.
  std::shared_ptr<std::atomic<bool>> done_;
  std::shared_ptr<std::atomic<bool>> succeeded_;  // the last job's outcome, set before done_
  bool busy_ = false;
  QList<QPointer<QWidget>> resultButtons_;
  QTimer* timer_ = nullptr;
};

}  // namespace quarry::gui
