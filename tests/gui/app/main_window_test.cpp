// The main window as a user meets it: every command of the menu with its identifier, text and
// key; the database it starts on; Open and Close DataBase; the textual view and the recent
// files; the splash and the About box.

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QTreeWidget>
#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/database_switch.h"
#include "core/data/table_columns.h"
#include "core/shell/textual_layout.h"
#include "gui/app/command_table.h"
#include "gui/app/database_commands.h"
#include "gui/app/database_panel.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/open_database_dialog.h"
#include "gui/app/splash_dialog.h"
#include "gui/app/textual_view.h"
#include "gui/app/workbench.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/query/query_set_dialog.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/support/file_text.h"

namespace quarry::gui {
namespace {

QString Plain(QString text) {
  text = text.left(text.indexOf('\t') < 0 ? text.size() : text.indexOf('\t'));
  return text.remove('&').remove("...").trimmed();
}

QString MenuPath(QAction* action) {
  for (QObject* object : action->associatedObjects()) {
    auto* menu = qobject_cast<QMenu*>(object);
    if (!menu) continue;
    QString path = Plain(menu->title());
    if (auto* parent = qobject_cast<QMenu*>(menu->parentWidget()))
      path = Plain(parent->title()) + "/" + path;
    return path;
  }
  return {};
}

void WriteLines(const std::filesystem::path& path, int count, bool blankBetween) {
  std::ofstream out(path);
  for (int i = 1; i <= count; ++i) {
    out << "line " << i << "\n";
    if (blankBetween) out << "\n";
  }
}

class MainWindowTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void menuHasEveryCommand_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    auto row = [](int id, const char* menu, const char* text, const char* key) {
      QTest::newRow(text) << id << QString(menu) << QString(text) << QString(key);
    };
    row(32771, "File", "&Open DataBase\tCtrl+O", "Ctrl+O");
    row(32772, "File", "&Import File\tCtrl+I", "Ctrl+I");
    row(32773, "File", "&Export File\tCtrl+E", "Ctrl+E");
    row(32774, "File", "&Close DataBase\tCtrl+C", "Ctrl+C");
    row(32775, "Selection", "&Wizard New Query\tCtrl+W", "Ctrl+W");
    row(32776, "Selection", "&Edit New Query", "");
    row(32777, "Selection", "E&xisting Query\tCtrl+X", "Ctrl+X");
    row(32805, "PreProcessing", "&Graphic Analysis ", "");
    row(32806, "PreProcessing", "&Statistical Analysis", "");
    row(32778, "Transformation", "&Discretization\tCtrl+D", "Ctrl+D");
    row(32779, "Transformation", "&Null Value Substitution\tCtrl+S", "Ctrl+S");
    row(32814, "Transformation", "S&caling", "");
    row(32781, "Transformation", "&Sampling", "");
    row(32780, "Transformation", "Binarization", "");
    row(32782, "Analysis", "&Decision Trees", "");
    row(32784, "Analysis", "&RegressionTrees\tCtrl+R", "Ctrl+R");
    row(32844, "Analysis", "K-Nearest-Neighbour", "");
    row(32785, "Analysis/Association Rules", "Discovery Rules", "");
    row(32846, "Analysis/Association Rules", "Discovery Gen Rules", "");
    row(32847, "Analysis/Association Rules", "Filter Rules", "");
    row(32835, "Analysis", "&Clustering", "");
    row(kCmdApplyModel, "Analysis", "Apply &Model...", "");
    row(32789, "View", "&Textual View", "");
    row(32788, "View", "&Graphic View", "");
    row(32790, "View", "&Rules View", "");
    row(32791, "Evaluation", "Regression k-CV", "");
    row(32808, "Evaluation", "Pruning Regression k-CV", "");
    row(32793, "Evaluation", "Classification k-CV", "");
    row(32850, "Evaluation", "Compare Pruning Methods", "");
    row(kCmdGettingStarted, "Help", "&Getting Started", "");
    row(kCmdAbout, "Help", "&About QUARRY...", "");
  }

  void menuHasEveryCommand() {
    QFETCH(int, id);
    QFETCH(QString, menu);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QAction* action = window_->findChild<QAction*>(QString("command_%1").arg(id));
    QVERIFY(action);
    QCOMPARE(action->property("commandId").toInt(), id);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), QKeySequence(key));
    QCOMPARE(MenuPath(action), menu);
  }

  void noKeyIsAmbiguous() {
    std::set<QString> keys;
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->shortcut().isEmpty()) continue;
      QVERIFY2(keys.insert(action->shortcut().toString()).second,
               qPrintable(action->shortcut().toString()));
    }
    QCOMPARE(keys.size(), size_t{9});
  }

  // Every command answers: it opens its dialog (listing the database's tables where it has a
  // list of them, with no message) or chooser, or says it is not available yet.
  void everyCommandOpensSomething() {
    const std::map<int, QString> opens = {
        {kCmdEditNewQuery, "QUARRY Edit Query"},
        {kCmdExistingQuery, "QUARRY Selecting Query"},
        {kCmdDiscretization, "Discretization QUARRY"},
        {kCmdStatisticalAnalysis, "QUARRY Statistical  Analysis"},
        {kCmdNullValueSubstitution, "Null Value Substitution"},
        {kCmdSampling, "QUARRY Sampling"},
        {kCmdScaling, "Scaling"},
        {kCmdBinarization, "Binarization"},
        {kCmdFilterRules, "FilWin"},
        {kCmdClustering, "Clustering"},
        {kCmdKNearestNeighbour, "K-Nearest-Neighbour"},
        {kCmdGraphicAnalysis, "Graphic Visualization"},
        {kCmdDecisionTrees, "C4.5: Setting Parameters"},
        {kCmdClassificationKcv, "Classification k-fold CV"},
        {kCmdComparePruning, "Compare Pruning Methods"},
        {kCmdRegressionTrees, "STRATA: Setting Parameters"},
        {kCmdRegressionKcv, "Regression k-fold CV"},
        {kCmdPruningRegressionKcv, "Regression k-fold CV with Pruning"}};
    for (const CommandSpec& command : MenuCommands()) {
      if (command.id == kCmdExit || command.id == kCmdCloseDatabase) continue;
      prompts_->boxes.clear();
      prompts_->choosers.clear();
      QString modalTitle;
      int tables = -1;
      QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
        modalTitle = modal->windowTitle();
        if (auto* list = modal->findChild<QListWidget*>("tables")) tables = list->count();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      });
      window_->CommandAction(command.id)->trigger();
      delete watch;
      const bool answered =
          !modalTitle.isEmpty() || !prompts_->choosers.isEmpty() || !prompts_->boxes.isEmpty();
      QVERIFY2(answered, command.name);
      QVERIFY2(tables != 0, command.name);
      if (opens.count(command.id)) {
        QCOMPARE(modalTitle, opens.at(command.id));
        QVERIFY2(prompts_->boxes.isEmpty(), command.name);  // opening it chooses nothing
      }
      if (!window_->Commands().IsBound(command.id)) {
        QCOMPARE(prompts_->boxes.size(), 1);
        QVERIFY2(prompts_->boxes[0].text.startsWith(Plain(command.text) + " is not available yet"),
                 qPrintable(prompts_->boxes[0].text));
      }
    }
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    QVERIFY(!window_->Source().IsOpen());
  }

  void startsOnTheSampleDatabase() {
    QVERIFY(window_->Source().IsOpen());
    QVERIFY(window_->windowTitle().contains("sample.sqlite"));
    QVERIFY(window_->findChild<QLabel*>("databaseIndicator")->text().contains("sample.sqlite"));
    QVERIFY(window_->Source().TableExists("golf_data"));
    // The user works on a copy in the working folder, never on the bundled file.
    QVERIFY(window_->Source().ConnectString().find(home_->path().string()) != std::string::npos);
  }

  void openDatabaseIsRefusedWhileAJobRuns() {
    const std::string before = window_->Source().ConnectString();
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    JobSpec job;
    job.work = [&](Progress&) {
      std::unique_lock<std::mutex> lock(mutex);
      cv.wait(lock, [&] { return release; });
      return Status::Ok();
    };
    job.lockWholeJob = false;
    QCOMPARE(window_->Bench().Runner("Long Job").Start(std::move(job)),
             JobRunner::StartResult::kStarted);
    QTRY_COMPARE(window_->Source().Users().load(), 1);

    QString modalTitle;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      modalTitle = modal->windowTitle();
      static_cast<QDialog*>(modal)->reject();
    });
    window_->CommandAction(kCmdOpenDatabase)->trigger();
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    delete watch;
    QVERIFY(modalTitle.isEmpty());
    QCOMPARE(prompts_->Texts(), (QStringList{kDatabaseInUse, kCloseWhileUsed}));
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(window_->Source().ConnectString(), before);
    QVERIFY(window_->Source().IsOpen());
    {
      std::lock_guard<std::mutex> lock(mutex);
      release = true;
    }
    cv.notify_all();
    QVERIFY(window_->Jobs().WaitForWorkers(10000));
  }

  void openDatabaseThroughItsDialog() {
    const std::string other = (home_->path() / "other.sqlite").string();
    QVERIFY(DataSource::CreateSqliteFile(other));
    const std::string before = window_->Source().ConnectString();
    auto openWith = [&](const QString& connect, bool accept) {
      QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<OpenDatabaseDialog*>(modal);
        QVERIFY(dialog);
        dialog->SetConnectString(connect);
        accept ? dialog->accept() : dialog->reject();
      });
      window_->CommandAction(kCmdOpenDatabase)->trigger();
      delete watch;
    };

    openWith("", false);
    openWith("DRIVER=NoSuchDriver;UID=ann;PWD=secret", true);
    QCOMPARE(prompts_->Texts(), (QStringList{kSelectValidDataSource, kInvalidDataSource}));
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Critical);
    QVERIFY(!prompts_->boxes[1].detail.isEmpty());
    QVERIFY(!prompts_->boxes[1].detail.contains("secret"));
    QCOMPARE(window_->Source().ConnectString(), before);

    // A password never reaches the title, the status bar or prova.txt.
    openWith(QString::fromStdString(SqliteConnectString(other) + ";PWD=secret"), true);
    QCOMPARE(prompts_->boxes.size(), 2);
    QVERIFY(window_->Source().ConnectString().find(other) != std::string::npos);
    QCOMPARE(window_->windowTitle(), QString("QUARRY - other.sqlite"));
    auto* indicator = window_->findChild<QLabel*>("databaseIndicator");
    QVERIFY(!indicator->text().contains("secret") && !indicator->toolTip().contains("secret"));
    const std::string recorded = quarry::testing::FileText(home_->path() / "prova.txt");
    QVERIFY(recorded.find(other) != std::string::npos);
    QVERIFY(recorded.find("secret") == std::string::npos);

    // The dialog is the session's one instance; it does not offer the password again.
    auto& dialog = window_->Bench().Dialog<OpenDatabaseDialog>();
    dialog.Prepare();
    QVERIFY(!dialog.ConnectString().contains("secret"));

    window_->CommandAction(kCmdCloseDatabase)->trigger();
    QVERIFY(!window_->Source().IsOpen());
    QCOMPARE(window_->windowTitle(), QString("QUARRY"));
  }

  void textualViewDrawsAtMost4999Lines() {
    const auto big = home_->path() / "big.tree";
    WriteLines(big, 6000, /*blankBetween=*/true);
    prompts_->openFiles.push_back(QString::fromStdString(big.string()));
    window_->CommandAction(kCmdTextualView)->trigger();
    QCOMPARE(prompts_->choosers, QStringList{"Open |Trees and rules (*.tree *.rules)"});
    const TextualLayout& layout = window_->View().Layout();
    QCOMPARE(layout.lines.size(), size_t{4999});
    QCOMPARE(QString::fromStdString(layout.lines.back()), QString("line 4999"));
    QVERIFY(layout.continued);
    QVERIFY(std::filesystem::exists(home_->path() / "Reg1.txt"));
    QVERIFY(std::filesystem::exists(home_->path() / "Reg2.txt"));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    TextualView& view = window_->View();
    QCOMPARE(view.verticalScrollBar()->maximum() + view.viewport()->height(), 5000 * 12);
    QCOMPARE(view.horizontalScrollBar()->maximum() + view.viewport()->width(), 1000);
    QCOMPARE(view.verticalScrollBar()->singleStep(), 12);
    // Something is drawn at the top (the continuation text over the first line).
    const QImage top = view.viewport()->grab(QRect(0, 0, 200, 12)).toImage();
    bool ink = false;
    for (int x = 0; x < top.width() && !ink; ++x) {
      for (int y = 0; y < top.height() && !ink; ++y)
        ink = top.pixelColor(x, y) != top.pixelColor(0, 0);
    }
    QVERIFY(ink);

    const auto small = home_->path() / "small.rules";
    WriteLines(small, 10, false);
    QVERIFY(window_->OpenDocument(QString::fromStdString(small.string())));
    QCOMPARE(window_->View().Layout().lines.size(), size_t{10});
    QVERIFY(!window_->View().Layout().continued);
    QVERIFY(window_->windowTitle().endsWith(" - small.rules"));
    window_->CloseDocument();
    QVERIFY(!std::filesystem::exists(home_->path() / "Reg1.txt"));
    QVERIFY(!std::filesystem::exists(home_->path() / "Reg2.txt"));

    // Cancelling the chooser changes nothing; a file that vanished says so.
    window_->CommandAction(kCmdTextualView)->trigger();
    QVERIFY(prompts_->boxes.isEmpty());
    QVERIFY(!window_->OpenDocument(QString::fromStdString((home_->path() / "gone.tree").string())));
    QCOMPARE(prompts_->boxes.size(), 1);
  }

  // Ctrl+C copies what the textual view shows and leaves the database open; with nothing to
  // copy it is Close DataBase's key, which asks first from the keyboard.
  void ctrlCCopiesAndClosesOnlyWhenAsked() {
    window_->OpenDocument(QString::fromStdString(testing::TestDataFile("golf_data.tree").string()));
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    TextualView& view = window_->View();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(window_->Source().IsOpen());
    QVERIFY(prompts_->questions.isEmpty());
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(
        QString::fromStdString(view.Layout().lines.front())));
    QCOMPARE(QGuiApplication::clipboard()->text().count('\n') + 1,
             static_cast<int>(view.Layout().lines.size()));

    window_->CloseDocument();
    prompts_->answers = {false, true};
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(window_->Source().IsOpen());
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!window_->Source().IsOpen());
    QCOMPARE(prompts_->questions.size(), 2);
    QVERIFY(prompts_->questions[0].startsWith("Close the database "));
  }

  // The panel beside the textual view: the sample tables sorted by name with their row counts
  // and columns, a filter, a double-click that opens the viewer, the table menu's methods with
  // the table chosen, and a word on what to do in an empty database.
  void databasePanelListsAndOpensTables() {
    DatabasePanel& panel = window_->Panel();
    const QStringList names = panel.TableNames();
    QVERIFY(names.contains("golf_data") && names.contains("wave_data"));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
      return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(names, sorted);
    QTRY_COMPARE(panel.RowCountText("golf_data"), QString("14"));
    QTRY_COMPARE(panel.RowCountText("golf_test"), QString("8"));
    QTreeWidgetItem* golf = panel.Tables().findItems("golf_data", Qt::MatchExactly).value(0);
    QVERIFY(golf);
    auto columns = ReadTableColumns(window_->Source(), "golf_data");
    QVERIFY(columns.ok());
    QCOMPARE(golf->childCount(), static_cast<int>(columns->names.size()));
    QCOMPARE(golf->child(4)->text(0), QString::fromStdString(columns->names[4]));
    QCOMPARE(golf->child(4)->text(1), QString::fromStdString(columns->types[4]));

    panel.Filter().setText("GOLF");
    QVERIFY(!golf->isHidden());
    QVERIFY(panel.Tables().findItems("wave_data", Qt::MatchExactly).value(0)->isHidden());
    panel.Filter().clear();

    QString summary;
    testing::OnNextModal([&](QWidget* modal) {
      if (auto* viewer = qobject_cast<QuerySetDialog*>(modal)) summary = viewer->Summary();
      modal->close();
    });
    emit panel.Tables().itemDoubleClicked(golf, 0);
    QCOMPARE(summary, QString("golf_data: 14 rows, 5 columns"));

    std::unique_ptr<QMenu> menu(panel.TableMenu("golf_data", nullptr));
    QAction* trees = nullptr;
    for (QAction* action : menu->findChildren<QAction*>()) {
      if (action->text() == "Decision Trees") trees = action;
    }
    QVERIFY(trees);
    QString chosen;
    testing::OnNextModal([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<DecisionTreeDialog*>(modal)) chosen = dialog->SelectedTable();
      modal->close();
    });
    trees->trigger();
    QCOMPARE(chosen, QString("golf_data"));

    // A split made from the panel is listed with its rows once it is made.
    testing::OnNextModal([](QWidget* modal) {
      modal->findChild<QLineEdit*>("firstTable")->setText("golf_a");
      modal->findChild<QLineEdit*>("secondTable")->setText("golf_b");
      modal->findChild<QLineEdit*>("percent")->setText("50");
      static_cast<QDialog*>(modal)->accept();
    });
    panel.SplitTable("golf_data");
    QTRY_COMPARE(panel.RowCountText("golf_a"), QString("7"));
    QTRY_COMPARE(panel.RowCountText("golf_b"), QString("7"));
    // Made again, once the user agrees to replace them.
    for (const bool agreed : {false, true}) {
      testing::OnNextModal([](QWidget* modal) {
        modal->findChild<QLineEdit*>("firstTable")->setText("golf_a");
        modal->findChild<QLineEdit*>("secondTable")->setText("golf_b");
        modal->findChild<QLineEdit*>("percent")->setText("30");
        static_cast<QDialog*>(modal)->accept();
      });
      prompts_->answers = {agreed};
      panel.SplitTable("golf_data");
      QCOMPARE(prompts_->questions.last(), QString("golf_a, golf_b exist already and will be "
                                                   "replaced. Go on?"));
    }
    QTRY_COMPARE(panel.RowCountText("golf_a"), QString("4"));
    QTRY_COMPARE(panel.RowCountText("golf_b"), QString("10"));

    const auto empty = home_->path() / "empty.sqlite";
    QVERIFY(DataSource::CreateSqliteFile(empty.string()));
    window_->OpenStartDatabase(QString::fromStdString(empty.string()));
    QVERIFY(panel.TableNames().isEmpty());
    QVERIFY(panel.Hint().contains("Import File"));
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    QVERIFY(panel.Hint().startsWith("No database is open."));
  }

  void recentFilesKeepTheLastFour() {
    QStringList opened;
    for (int i = 0; i < 5; ++i) {
      const auto path = home_->path() / ("t" + std::to_string(i) + ".tree");
      WriteLines(path, 1, false);
      opened << QString::fromStdString(path.string());
      QVERIFY(window_->OpenDocument(opened.last()));
    }
    window_->OpenDocument(opened[2]);
    const QStringList expected{opened[2], opened[4], opened[3], opened[1]};
    QCOMPARE(window_->Recent().Files(), expected);
    QSettings settings(kSettingsOrganization, kSettingsApplication);
    QCOMPARE(settings.value("Recent File List/File1").toString(), opened[2]);
    QCOMPARE(settings.value("Recent File List/File4").toString(), opened[1]);
    QCOMPARE(RecentFiles().Files(), expected);

    // The menu entries open them; one that has gone leaves the list.
    QAction* second = window_->findChild<QAction*>(QString("command_%1").arg(kCmdRecentFile1 + 1));
    QVERIFY(second->isVisible());
    QVERIFY(second->text().endsWith("t4.tree"));
    std::filesystem::remove(opened[4].toStdString());
    second->trigger();
    QCOMPARE(window_->Recent().Files(), (QStringList{opened[2], opened[3], opened[1]}));
    QVERIFY(
        !window_->findChild<QAction*>(QString("command_%1").arg(kCmdRecentFile1 + 3))->isVisible());
  }

  void splashClosesOnAKeyOrByItself() {
    SplashDialog byKey(nullptr, 60000);
    QTimer::singleShot(50, &byKey, [&] { QTest::keyClick(&byKey, Qt::Key_Space); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(byKey.exec(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() < 30000);

    SplashDialog byTimer(nullptr, 100);
    clock.restart();
    QCOMPARE(byTimer.exec(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() >= 90);
  }

  void closingWhileAJobRunsAsksFirst() {
    std::mutex gate;
    gate.lock();
    JobSpec job;
    job.work = [&](Progress& progress) {
      std::lock_guard<std::mutex> wait(gate);
      return progress.Cancelled() ? Cancelled("stopped") : Status::Ok();
    };
    window_->Bench().Runner("Clustering").Start(std::move(job));
    window_->show();
    prompts_->answers = {false};
    QVERIFY(!window_->close());
    QVERIFY(window_->isVisible());
    QCOMPARE(prompts_->questions.size(), 1);
    QVERIFY(prompts_->questions[0].contains("Clustering"));
    prompts_->answers = {true};
    QVERIFY(window_->close());
    gate.unlock();
    // The window's end waits for the job, which was asked to stop.
    window_.reset();
    QCOMPARE(prompts_->Texts(), QStringList{});
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::MainWindowTest)
#include "main_window_test.moc"
