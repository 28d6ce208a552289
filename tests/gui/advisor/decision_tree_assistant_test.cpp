// The assistant as a user meets it in a dialog laid out like the decision-tree dialog: F1 and
// "What's This" on its controls, and advice on its table list, which runs as a job. A test that
// must catch the job before it ends holds the data source on the GUI thread: the assistant
// (re-entrantly) may start the job, whose worker waits until the test lets go.

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include "core/advisor/advice_speech.h"
#include "core/advisor/model_variance.h"
#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/decision_tree_assistant.h"
#include "gui/advisor/dtree_help_texts.h"
#include "gui/app/job_center.h"
#include "gui/app/job_runner.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/support/killed_run.h"

namespace quarry::gui {
namespace {

QStringList Displayed(const std::vector<std::string>& texts) {
  QStringList out;
  for (const std::string& text : texts) out << QString::fromStdString(DisplaySpeech(text));
  return out;
}

class DecisionTreeAssistantTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    home_ = std::make_unique<testing::TempHome>();
    const auto copy = home_->path() / "sample.sqlite";
    std::filesystem::copy_file(testing::SampleDatabaseFile(), copy);
    QVERIFY(source_.Open(SqliteConnectString(copy.string())));
    jobs_ = std::make_unique<JobCenter>();
    runner_ = std::make_unique<JobRunner>(kPruningAdviceJob, *jobs_, &source_);

    dialog_ = std::make_unique<QDialog>();
    dialog_->setWindowTitle("C4.5: Setting Parameters");
    auto* form = new QFormLayout(dialog_.get());
    tables_ = new QListWidget;
    tables_->addItems({"golf_data", "golf_test"});
    form->addRow(tables_);
    leafField_ = new QLineEdit("2");
    form->addRow("Number of items in each leaf:", leafField_);
    windowing_ = new QCheckBox("windowing enabled");
    form->addRow(windowing_);
    unlisted_ = new QLabel("Options");
    form->addRow(unlisted_);
    mValues_ = new QLineEdit;
    mValues_->setProperty("assistantTopic", "MValues");
    form->addRow("M values:", mValues_);
    execute_ = new QPushButton("E&xecute");
    form->addRow(execute_);
    assistant_ = new DecisionTreeAssistant(dialog_.get(), tables_, source_, *runner_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }

  void cleanup() {
    dialog_.reset();
    QVERIFY(jobs_->WaitForWorkers(60000));
    runner_.reset();
    jobs_.reset();
    source_.Close();
    home_.reset();
  }

  void F1ExplainsTheFocusedControlInOrder() {
    windowing_->setFocus();
    QTest::keyClick(windowing_, Qt::Key_F1);
    QVERIFY(assistant_->Balloon().isVisible());
    QCOMPARE(assistant_->Balloon().Shown(), Displayed(DecisionTreeHelpTexts("windowing enabled")));
    QCOMPARE(assistant_->Balloon().Shown().size(), 6);
    QVERIFY(assistant_->Balloon().Shown().first().startsWith(
        "If you check this option you activate the Windowing functionality. What is the "
        "Windowing?"));
  }

  void WhatsThisOnAFieldSpeaksForItsLabel() {
    QCOMPARE(WhatsThis(leafField_),
             Displayed(DecisionTreeHelpTexts("Number of items in each leaf:")));
    QCOMPARE(WhatsThis(mValues_).size(), 3);
    QVERIFY(
        WhatsThis(mValues_).first().startsWith("This sequence of values, affects decision MEP"));
    QCOMPARE(WhatsThis(execute_),
             QStringList{"Pressing this button, QUARRY will induce a decision tree."});
    QCOMPARE(WhatsThis(unlisted_), QStringList{"No comment...."});  // a label of no field
  }

  void TheTableListAdvisesOnTheSelectedTable() {
    tables_->clearSelection();
    QCOMPARE(WhatsThis(tables_->viewport()), Displayed(NoTableSpeech()));

    tables_->setCurrentRow(1);  // golf_test: not a training table, counsel is not asked
    const QStringList failure = Advice();
    QCOMPARE(failure.size(), 3);
    QVERIFY(failure.first().startsWith("You may select a _data table;"));
    QVERIFY(assistant_->Balloon().Note().contains("_data"));

    // A work table that a killed run of this host left: the advice drops it and says so.
    QVERIFY(quarry::testing::RecordAsKilledRunsTable(source_, "stale_t"));
    QVERIFY(source_.Execute("create table stale_t (x integer)"));
    tables_->setCurrentRow(0);
    {
      // While the advice runs, the balloon searches and the dialog answers.
      ExclusiveUse hold(source_);
      QVERIFY(WhatsThis(tables_->viewport()).isEmpty());
      QVERIFY(assistant_->Balloon().Searching());
      QVERIFY(runner_->IsRunning());
      QCOMPARE(WhatsThis(windowing_), Displayed(DecisionTreeHelpTexts("windowing enabled")));
      QVERIFY(WhatsThis(tables_->viewport()).isEmpty());  // asked again: still searching
    }
    for (const char* note : {"dropped the tables a stopped run had left: stale_t", ""}) {
      const QStringList advice = Advice();
      QCOMPARE(advice.size(), 5);
      QCOMPARE(advice[0], QString("Dataset golf_data."));
      QVERIFY(advice[2].contains("the appropriate pruning algorithm is: "));
      QVERIFY(advice[3].startsWith("If you want induce a simple tree I suggest: "));
      QCOMPARE(assistant_->Balloon().Note().trimmed(), QString(note));
      QVERIFY(!source_.TableExists("stale_t"));
      QVERIFY(!source_.TableExists("QuarryModelSample1_data"));
    }
  }

  // The balloon's Stop ends the run: the splitting advice, with why, and no sample left.
  void StopEndsTheRunWithNoSampleLeft() {
    tables_->setCurrentRow(0);
    {
      ExclusiveUse hold(source_);
      WhatsThis(tables_->viewport());
      auto* stop = assistant_->Balloon().findChild<QPushButton*>("stopAdvice");
      QVERIFY(stop && stop->isVisible());
      QTest::mouseClick(stop, Qt::LeftButton);
      QVERIFY(!stop->isEnabled());
    }
    const QStringList stopped = Advice();
    QCOMPARE(stopped.size(), 3);
    QVERIFY(stopped.first().startsWith("You may select a _data table;"));
    QCOMPARE(assistant_->Balloon().Note(), QString("the pruning adviser was stopped"));
    ExpectNoSampleLeft();
  }

  // Closing the dialog stops its advice; so does destroying it, and the job ends without it.
  void ClosingTheDialogMidRunStopsTheAdvice() {
    QSignalSpy ended(jobs_.get(), &JobCenter::JobFinished);
    tables_->setCurrentRow(0);
    {
      ExclusiveUse hold(source_);
      WhatsThis(tables_->viewport());
      dialog_->reject();
    }
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);
    QCOMPARE(ended[0][2].toString(), QString("the pruning adviser was stopped"));
    QVERIFY(!assistant_->Balloon().isVisible());
    ExpectNoSampleLeft();

    dialog_->show();  // open again: the next request is a fresh one
    QCOMPARE(Advice().size(), 5);

    {
      ExclusiveUse hold(source_);
      WhatsThis(tables_->viewport());
      dialog_.reset();
    }
    QVERIFY(jobs_->WaitForWorkers(60000));
    QCOMPARE(ended.size(), 3);
    QCOMPARE(ended[2][2].toString(), QString("the pruning adviser was stopped"));
    ExpectNoSampleLeft();
  }

 private:
  // What the balloon says about the selected table once the advice's job has ended.
  QStringList Advice() {
    WhatsThis(tables_->viewport());
    if (!QTest::qWaitFor(
            [this] { return !runner_->IsRunning() && !assistant_->Balloon().Searching(); }, 60000))
      return {"still searching"};
    return assistant_->Balloon().Shown();
  }

  void ExpectNoSampleLeft() {
    for (int round = 0; round < kModelSampleRounds; ++round) {
      QVERIFY(!source_.TableExists(ModelSampleData(round)));
      QVERIFY(!source_.TableExists(ModelSampleTest(round)));
    }
  }

  QStringList WhatsThis(QWidget* control) {
    const QPoint local(2, 2);
    QHelpEvent event(QEvent::WhatsThis, local, control->mapToGlobal(local));
    QApplication::sendEvent(control, &event);
    return assistant_->Balloon().Shown();
  }

  std::unique_ptr<testing::TempHome> home_;
  DataSource source_;
  std::unique_ptr<JobCenter> jobs_;
  std::unique_ptr<JobRunner> runner_;
  std::unique_ptr<QDialog> dialog_;
  QListWidget* tables_ = nullptr;
  QLineEdit* leafField_ = nullptr;
  QCheckBox* windowing_ = nullptr;
  QLabel* unlisted_ = nullptr;
  QLineEdit* mValues_ = nullptr;
  QPushButton* execute_ = nullptr;
  DecisionTreeAssistant* assistant_ = nullptr;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::DecisionTreeAssistantTest)
#include "decision_tree_assistant_test.moc"
