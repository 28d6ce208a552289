// The query dialogs as the user meets them: a statement executed into the table viewer and its
// scratch table gone afterwards, a statement materialized with the overwrite question, stored
// once, and listed again only for its own data source.

#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPointer>
#include <QTableView>
#include <mutex>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/database_switch.h"
#include "core/query/materialize.h"
#include "core/query/stored_queries.h"
#include "core/query/table_view.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/query/edit_query_dialog.h"
#include "gui/query/query_set_dialog.h"
#include "gui/query/query_set_model.h"
#include "gui/query/selecting_query_dialog.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

struct Seen {
  QString title;
  int rows = -1;
  QStringList header;
  QString firstCell;
};

// Reads what the next "QUARRY Query Set" shows and closes it.
QPointer<QTimer> WatchQuerySet(Seen& seen) {
  return testing::OnNextModal([&seen](QWidget* modal) {
    seen.title = modal->windowTitle();
    if (auto* viewer = qobject_cast<QuerySetDialog*>(modal)) {
      const QuerySetModel& model = viewer->Model();
      seen.rows = model.rowCount();
      for (int c = 0; c < model.columnCount(); ++c)
        seen.header << model.headerData(c, Qt::Horizontal).toString();
      if (seen.rows > 0) seen.firstCell = model.data(model.index(0, 0)).toString();
    }
    static_cast<QDialog*>(modal)->reject();
  });
}

class QueryDialogsTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void executeShowsTheResultAndDropsTheScratchTable() {
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    editor.SetSql("select outlook, play from golf_data where play = 'yes'");
    for (int run = 0; run < 2; ++run) {
      Seen seen;
      QPointer<QTimer> watch = WatchQuerySet(seen);
      editor.Execute();
      delete watch;
      QCOMPARE(seen.title, QString("QUARRY Query Set"));
      QCOMPARE(seen.rows, 9);
      QCOMPARE(seen.header.join(",").toLower(), QString("outlook,play"));
    }
    QVERIFY(prompts_->boxes.isEmpty());
    QVERIFY(!window_->Source().TableExists("QRY1"));
    // Run twice, stored once.
    QCOMPARE(ListStoredQueries(window_->Source().ConnectString()).size(), size_t{1});
  }

  void statementsTheDatabaseRefusesAreReported() {
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    Seen seen;
    QPointer<QTimer> watch = WatchQuerySet(seen);
    editor.SetSql("select 1");
    editor.Execute();
    editor.SetSql("select nothing from no_such_table");
    editor.Execute();
    delete watch;
    QVERIFY(seen.title.isEmpty());
    QCOMPARE(prompts_->Texts(), (QStringList{kErrorInSqlStatement, kErrorInSqlStatement}));
    QVERIFY(!prompts_->boxes[1].detail.isEmpty());
    QVERIFY(ListStoredQueries(window_->Source().ConnectString()).empty());
  }

  void materializeAsksBeforeReplacingATable() {
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    editor.SetSql("select * from golf_data where humidity > 80");
    prompts_->tableNames = {"humid", "humid", "humid"};
    Seen first;
    QPointer<QTimer> watch = WatchQuerySet(first);
    editor.Materialize();
    delete watch;
    QCOMPARE(first.rows, 7);
    QVERIFY(window_->Source().TableExists("humid"));
    QVERIFY(prompts_->questions.isEmpty());

    editor.SetSql("select * from golf_data where humidity > 90");
    prompts_->answers = {false};
    editor.Materialize();
    QCOMPARE(prompts_->questions, QStringList{kTableExistsOverwrite});
    Seen kept;
    window_->Source().SetCurrentTable("humid");
    watch = WatchQuerySet(kept);
    ShowQuerySet(window_.get(), window_->Source());
    delete watch;
    QCOMPARE(kept.rows, 7);

    prompts_->answers = {true};
    Seen replaced;
    watch = WatchQuerySet(replaced);
    editor.Materialize();
    delete watch;
    QCOMPARE(replaced.rows, 3);
    QVERIFY(prompts_->boxes.isEmpty());
    QCOMPARE(ListStoredQueries(window_->Source().ConnectString()).size(), size_t{2});

    // Cancelling the name does nothing at all.
    editor.Materialize();
    QCOMPARE(prompts_->questions.size(), 2);
  }

  void existingQueryListsOnlyThisDataSource() {
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    Seen seen;
    QPointer<QTimer> watch = WatchQuerySet(seen);
    editor.SetSql("select * from golf_test");
    editor.Execute();
    delete watch;
    QVERIFY(StoreQuery("DRIVER=SQLite3;Database=/elsewhere.sqlite", "select * from t").ok());

    auto& existing = window_->Bench().Dialog<SelectingQueryDialog>();
    existing.Prepare();
    QCOMPARE(existing.QueryList().count(), 1);
    QCOMPARE(existing.QueryList().item(0)->text(), QString("Query #1"));
    existing.Execute();
    QCOMPARE(prompts_->Texts(), QStringList{"Please, select a query"});
    existing.QueryList().setCurrentRow(0);
    QCOMPARE(existing.Sql(), QString("select * from golf_test"));
    Seen again;
    watch = WatchQuerySet(again);
    existing.Execute();
    delete watch;
    QCOMPARE(again.rows, seen.rows);
    QVERIFY(again.rows > 0);
  }

  void viewerSaysBusyWhileAJobHoldsTheDataSource() {
    std::mutex gate;
    gate.lock();
    JobSpec job;
    job.work = [&](Progress&) {
      std::lock_guard<std::mutex> wait(gate);
      return Status::Ok();
    };
    window_->Bench().Runner("Holder").Start(std::move(job));
    QTRY_COMPARE(window_->Source().Users().load(), 1);
    Seen seen;
    QPointer<QTimer> watch = WatchQuerySet(seen);
    window_->Source().SetCurrentTable("golf_data");
    ShowQuerySet(window_.get(), window_->Source());
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    editor.SetSql("select * from golf_data");
    editor.Execute();
    delete watch;
    gate.unlock();
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QVERIFY(seen.title.isEmpty());
    QCOMPARE(prompts_->Texts().mid(0, 2), (QStringList{kSystemBusy, kSystemBusy}));
  }

  void withoutADatabaseNothingRuns() {
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    auto& editor = window_->Bench().Dialog<EditQueryDialog>();
    editor.SetSql("select * from golf_data");
    editor.Execute();
    prompts_->tableNames = {"x"};
    editor.Materialize();
    QCOMPARE(prompts_->Texts(), (QStringList{kOpenDatabaseFirst, kOpenDatabaseFirst}));
  }

  void viewerShowsManyRowsAndNulls() {
    DataSource& source = window_->Source();
    QVERIFY(source.CreateTable("big", {"id", "name"}, {"integer", "string"}));
    source.BeginTransaction();
    for (int i = 0; i < 5000; ++i) {
      QVERIFY(source.InsertRow("big", {"id", "name"}, {"integer", "string"},
                               {std::to_string(i), i % 100 == 0 ? "?" : "n" + std::to_string(i)}));
    }
    QVERIFY(source.Commit());
    source.SetCurrentTable("big");
    QuerySetDialog viewer(window_.get());
    QVERIFY(viewer.Load(source));
    const QuerySetModel& model = viewer.Model();
    QCOMPARE(model.rowCount(), 5000);
    QCOMPARE(model.data(model.index(4999, 1)).toString(), QString("n4999"));
    QCOMPARE(model.data(model.index(100, 1)).toString(), QString("?"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
    QCOMPARE(viewer.Summary(), QString("big: 5000 rows, 2 columns"));

    // Pages numbered as the table's rows; a sort orders the whole table, not the page.
    viewer.SetPageSize(2000);
    QVERIFY(viewer.SortBy(0, true));
    QCOMPARE(model.rowCount(), 2000);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QString("4999"));
    QVERIFY(viewer.NextPage());
    QVERIFY(viewer.NextPage());
    QVERIFY(!viewer.NextPage());
    QCOMPARE(viewer.PageText(), QString("Rows 4001-5000 of 5000"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 4001);
    QCOMPARE(model.data(model.index(999, 0)).toString(), QString("0"));
    QCOMPARE(viewer.Summary(), QString("big: 5000 rows, 2 columns"));
    // A header click sorts by that column from the first page on.
    emit viewer.Grid().horizontalHeader()->sectionClicked(1);
    QCOMPARE(viewer.PageText(), QString("Rows 1-2000 of 5000"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QString("?"));
    // Selected cells copy as lines of tab-separated values.
    QVERIFY(viewer.SortBy(0, false));
    viewer.Grid().selectionModel()->select(QItemSelection(model.index(1, 0), model.index(2, 1)),
                                           QItemSelectionModel::Select);
    viewer.CopySelection();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("1\tn1\n2\tn2"));
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::QueryDialogsTest)
#include "query_dialogs_test.moc"
