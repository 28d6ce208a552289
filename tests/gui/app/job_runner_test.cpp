// The job runner convention as a method dialog uses it: one job per method at a time, result
// buttons back when the job is over, completion boxes that arrive whatever happened to the
// dialog, and the status bar indication while work goes on.

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/dtree/tree_node.h"
#include "gui/app/job_center.h"
#include "gui/app/job_runner.h"
#include "gui/app/job_status_indicator.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

// Lets a test decide when a job's work ends.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

// The smallest method dialog: Execute starts the job the way every method dialog does.
class MethodDialog : public QDialog {
 public:
  MethodDialog(JobCenter& center, DataSource& source, std::function<Status(Progress&)> work)
      : runner_("Test Method", center, &source, this), work_(std::move(work)) {
    execute_ = new QPushButton("Execute", this);
    result_ = new QPushButton("View Result", this);
    status_ = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(execute_);
    layout->addWidget(result_);
    layout->addWidget(status_);
    connect(execute_, &QPushButton::clicked, this, &MethodDialog::Execute);
    runner_.SetResultButtons({result_}, 20);
  }

  void Execute() {
    status_->clear();
    if (runner_.IsRunning()) {
      status_->setText(kChildIsRunning);
      return;
    }
    JobSpec job;
    job.work = work_;
    job.doneMessage = "Test Method Executed";
    if (runner_.Start(std::move(job)) == JobRunner::StartResult::kLatched)
      status_->setText(kMethodInWorkingStatus);
  }

  JobRunner runner_;
  std::function<Status(Progress&)> work_;
  QPushButton* execute_;
  QPushButton* result_;
  QLabel* status_;
};

class JobRunnerTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    home_ = std::make_unique<testing::TempHome>();
    prompts_ = std::make_unique<testing::RecordingPrompts>();
    center_ = std::make_unique<JobCenter>();
  }
  void cleanup() {
    QVERIFY(center_->WaitForWorkers(10000));
    center_.reset();
    prompts_.reset();
    home_.reset();
  }

  void executeTwiceStartsOneJob() {
    DataSource source;
    Gate gate;
    std::atomic<int> runs{0};
    MethodDialog dialog(*center_, source, [&](Progress&) {
      ++runs;
      gate.Wait();
      return Status::Ok();
    });
    QTest::mouseClick(dialog.execute_, Qt::LeftButton);
    QTest::mouseClick(dialog.execute_, Qt::LeftButton);
    QCOMPARE(dialog.status_->text(), QString(kChildIsRunning));
    QVERIFY(!dialog.result_->isEnabled());
    gate.Open();
    QTRY_VERIFY(dialog.result_->isEnabled());
    QCOMPARE(runs.load(), 1);
    QTRY_COMPARE(prompts_->Texts(), QStringList{"Test Method Executed"});
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Information);

    // Once it is over the method can run again.
    QTest::mouseClick(dialog.execute_, Qt::LeftButton);
    QVERIFY(dialog.status_->text().isEmpty());
    QTRY_COMPARE(runs.load(), 2);
    QTRY_COMPARE(prompts_->boxes.size(), 2);
  }

  void workerHoldsTheDataSourceAndCountsAsItsUser() {
    DataSource source;
    Gate gate;
    std::atomic<bool> inside{false};
    MethodDialog dialog(*center_, source, [&](Progress&) {
      inside = true;
      gate.Wait();
      return Status::Ok();
    });
    dialog.Execute();
    QTRY_VERIFY(inside.load());
    QCOMPARE(source.Users().load(), 1);
    {
      TryExclusiveUse attempt(source);
      QVERIFY(!attempt.Owns());
    }
    gate.Open();
    QTRY_VERIFY(!dialog.runner_.IsRunning());
    QCOMPARE(source.Users().load(), 0);
    TryExclusiveUse attempt(source);
    QVERIFY(attempt.Owns());
  }

  void closingTheDialogWhileItsJobRunsIsSafe() {
    DataSource source;
    Gate gate;
    auto* dialog = new MethodDialog(*center_, source, [&](Progress&) {
      gate.Wait();
      return Status(StatusCode::kOk, "classification tree created");
    });
    dialog->Execute();
    QPointer<MethodDialog> watch(dialog);
    delete dialog;
    QVERIFY(!watch);
    gate.Open();
    QVERIFY(center_->WaitForWorkers(10000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"classification tree created"});
  }

  void failuresAndEscapedExceptionsBecomeMessages() {
    DataSource source;
    MethodDialog failing(*center_, source,
                         [](Progress&) { return DatabaseError("Error in SQL Statement"); });
    failing.Execute();
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QCOMPARE(prompts_->boxes[0].text, QString("Error in SQL Statement"));
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Warning);

    MethodDialog throwing(*center_, source,
                          [](Progress&) -> Status { throw std::runtime_error("boom"); });
    throwing.Execute();
    QTRY_COMPARE(prompts_->boxes.size(), 2);
    QCOMPARE(prompts_->boxes[1].text, QString("internal error: boom"));
    QTRY_VERIFY(!throwing.runner_.IsRunning());
    QCOMPARE(source.Users().load(), 0);
  }

  // A job walks its trees recursively, one frame or more a level: a chain of 200,000 levels
  // needs far more stack than a thread's default.
  void aJobWalksAVeryDeepTree() {
    DataSource source;
    std::atomic<int> depth{0};
    MethodDialog dialog(*center_, source, [&](Progress&) {
      auto chain = std::make_unique<dtree::TreeNode>();
      for (int level = 0; level < 200000; ++level) {
        auto node = std::make_unique<dtree::TreeNode>();
        node->NodeType = dtree::kCutTest;
        node->SetForks(2);
        node->Branch[1] = std::make_unique<dtree::TreeNode>();
        node->Branch[2] = std::move(chain);
        chain = std::move(node);
      }
      depth = dtree::TreeDepth(*dtree::CopyTree(*chain));
      return Status::Ok();
    });
    dialog.Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"Test Method Executed"}, 60000);
    QCOMPARE(depth.load(), 200000);
  }

  void statusBarShowsRunningJobsAndStopsThem() {
    DataSource source;
    JobStatusIndicator indicator(*center_);
    indicator.show();
    MethodDialog dialog(*center_, source, [](Progress& progress) {
      for (long step = 0; !progress.Cancelled(); ++step) {
        progress.Update("growing", step, -1);
        QThread::msleep(5);
      }
      return Cancelled("stopped by the user");
    });
    dialog.Execute();
    QTRY_VERIFY(indicator.Text().startsWith("Running: Test Method (growing "));
    QVERIFY(indicator.findChild<QProgressBar*>()->isVisible());
    prompts_->answers.push_back(true);
    QTest::mouseClick(indicator.findChild<QToolButton*>(), Qt::LeftButton);
    QTRY_COMPARE(prompts_->Texts(), QStringList{"stopped by the user"});
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Information);
    indicator.Refresh();
    QVERIFY(indicator.Text().isEmpty());
  }

  // The real boxes: a job started from a modal dialog ends in a box over that dialog that takes
  // a click while the dialog stays open; completions arriving while a box is up join it; a box
  // left up when the dialog closes comes back over the main window.
  void completionBoxComesOverTheModalDialogThatStartedTheJob() {
    prompts_.reset();
    QWidget mainWindow;
    mainWindow.show();
    JobCenter center(&mainWindow);
    DataSource source;
    MethodDialog dialog(center, source, [](Progress&) { return Status::Ok(); });
    dialog.setParent(&mainWindow, Qt::Dialog);
    bool clicked = false;
    QStringList joined;
    QTimer::singleShot(0, &dialog, [&] {
      dialog.Execute();
      QMessageBox* box = nullptr;
      (void)QTest::qWaitFor([&] { return (box = OpenBox()) != nullptr; }, 5000);
      if (!box || !QTest::qWaitForWindowExposed(box)) return dialog.reject();
      QPushButton* ok = box->findChild<QPushButton*>();
      QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                        ok->mapTo(box, ok->rect().center()));
      clicked = QTest::qWaitFor([&] { return OpenBox() == nullptr; }, 2000);
      for (int run = 0; run < 2; ++run) {
        (void)QTest::qWaitFor([&] { return !dialog.runner_.IsRunning(); }, 5000);
        dialog.Execute();
        QTest::qWait(200);
      }
      (void)QTest::qWaitFor([&] { return center.Running().empty(); }, 5000);
      QTest::qWait(100);
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(window) && window->isVisible())
          joined << static_cast<QMessageBox*>(window)->text();
      }
      dialog.accept();
    });
    dialog.exec();
    QVERIFY(clicked);
    QCOMPARE(joined, QStringList{"Test Method Executed\n\nTest Method Executed"});
    QTRY_VERIFY(OpenBox() != nullptr);
    QCOMPARE(OpenBox()->parentWidget(), &mainWindow);
    delete OpenBox();
  }

 private:
  static QMessageBox* OpenBox() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(window);
      if (box && box->isVisible()) return box;
    }
    return nullptr;
  }

  std::unique_ptr<testing::TempHome> home_;
  std::unique_ptr<testing::RecordingPrompts> prompts_;
  std::unique_ptr<JobCenter> center_;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::JobRunnerTest)
#include "job_runner_test.moc"
