#pragma once
// Knows every job that runs, for the whole workbench: the status bar shows them, the Open
// DataBase command and the exit ask about them, and every job's completion box is shown from
// here, on the GUI thread, whether or not the dialog that started the job still exists.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "core/common/status.h"
#include "gui/app/job_progress.h"

class QWidget;

namespace quarry::gui {

struct RunningJob {
  QString method;
  std::shared_ptr<JobProgress> progress;
};

class JobCenter : public QObject {
  Q_OBJECT

 public:
  // Completion boxes are shown over `boxParent`.
  explicit JobCenter(QWidget* boxParent = nullptr, QObject* parent = nullptr);
  ~JobCenter() override;

  // GUI thread: a job of `method` is about to start on a worker.
  std::shared_ptr<JobProgress> Begin(const QString& method);

  // Any thread: the worker of `progress` is done. Shows the completion box on the GUI thread:
  // `status`'s message when the job failed, else its message when it has one, else
  // `doneMessage`. A job that was stopped by the user says so without a warning. Without `box`
  // the completion only signals JobFinished: the dialog shows the outcome itself.
  void Complete(const std::shared_ptr<JobProgress>& progress, const QString& method,
                const Status& status, const QString& doneMessage, bool box = true);

  // Workers count themselves from before their thread starts until they have let go of
  // everything they use; the owner of the data source waits for them before destroying it.
  void WorkerStarted();
  void WorkerEnded();
  int LiveWorkers() const;
  // Waits (handling events, so completions arrive) until no worker lives or `timeoutMs` passes.
  bool WaitForWorkers(int timeoutMs);

  // GUI thread: the jobs whose completion has not arrived yet.
  const std::vector<RunningJob>& Running() const { return running_; }
  void CancelAll();
  // From now on completions arrive without a box: the window they would appear over is going.
  void Silence() { silent_ = true; }

 signals:
  // GUI thread, after the completion box is up.
  void JobFinished(const QString& method, bool ok, const QString& message);

 private:
  void Finish(const std::shared_ptr<JobProgress>& progress, const QString& method,
              const Status& status, const QString& doneMessage, bool box);

  QPointer<QWidget> boxParent_;
  std::vector<RunningJob> running_;
  mutable std::mutex mutex_;
  std::condition_variable workersDone_;
  int liveWorkers_ = 0;
  bool silent_ = false;
};

}  // namespace quarry::gui
