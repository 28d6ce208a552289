// Import File and Export File as the user meets them: the choosers in the working folder, the
// table-name question, the messages of a bad file, and a table that goes out and comes back.

#include <QListWidget>
#include <QTableWidget>
#include <fstream>
#include <mutex>

#include "core/data/data_file.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "gui/app/command_table.h"
#include "gui/app/database_commands.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/data/csv_columns_dialog.h"
#include "gui/data/export_file_dialog.h"
#include "gui/data/import_file_command.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"
#include "tests/support/file_text.h"

namespace quarry::gui {
namespace {

using quarry::testing::FileText;
using testing::ReadRows;
using testing::Rows;

class ImportExportTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void importReadsTheFileIntoANewTable() {
    const auto file = home_->path() / "weather.txt";
    std::ofstream(file)
        << "outlook,temp;\nstring,real\nsunny,85.\nrain,70,extra\n\nfog|ignored,1\n";
    prompts_->openFiles.push_back(QString::fromStdString(file.string()));
    prompts_->tableNames.push_back("weather");
    window_->CommandAction(kCmdImportFile)->trigger();
    QCOMPARE(prompts_->choosers, QStringList{QString("Import File|") + kImportFileFilter});
    QCOMPARE(prompts_->suggestedNames, QStringList{"weather"});
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(
        prompts_->Texts(),
        QStringList{"3 rows imported into weather\n"
                    "1 short rows (fewer values than columns) imported with NULL for the rest: "
                    "line 6\n"
                    "1 long rows (more values than columns) imported without the extra values: "
                    "line 4"});
    QCOMPARE(ReadRows(window_->Source(), "select * from weather"),
             (Rows{{"sunny", "85"}, {"rain", "70"}, {"fog", "?"}}));
  }

  // A CSV file: the guess shown to confirm or change, the file's name as the table's.
  void csvImportShowsTheGuessedTypes() {
    const auto file = home_->path() / "cities.csv";
    std::ofstream(file) << "city,zip,temp,note\n"
                           "Pisa,56100,21.5,\"warm, dry\"\n"
                           "Bari,00121,,rain\n"
                           "Bari,70122,19,\n";
    DataFileHeader shown;
    QString examples;
    testing::OnNextModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<CsvColumnsDialog*>(modal);
      QVERIFY(dialog);
      shown = dialog->Columns();
      examples = dialog->findChild<QTableWidget*>("columns")->item(0, 2)->text();
      dialog->SetType(1, "string");  // postal codes keep their leading zeros
      dialog->accept();
    });
    prompts_->tableNames.push_back("cities");
    ImportFile(window_->Bench(), QString::fromStdString(file.string()));
    QCOMPARE(shown.types, (std::vector<std::string>{"string", "real", "real", "string"}));
    QCOMPARE(examples, QString("Pisa  |  Bari"));
    QCOMPARE(prompts_->suggestedNames, QStringList{"cities"});
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"3 rows imported into cities"});
    QCOMPARE(ReadRows(window_->Source(), "select city, zip, temp, note from cities"),
             (Rows{{"Pisa", "56100", "21.5", "warm, dry"},
                   {"Bari", "00121", "?", "rain"},
                   {"Bari", "70122", "19", "?"}}));
  }

  // Lines that do not fit are reported with their numbers; cancelling the types imports nothing.
  void csvImportReportsBrokenLines() {
    const auto file = home_->path() / "broken.csv";
    std::ofstream(file) << "a,b\n1,x\n2\n3,y,extra\nfour,z\n\"open,w\n";
    testing::OnNextModal([](QWidget* modal) { modal->close(); });
    ImportFile(window_->Bench(), QString::fromStdString(file.string()));
    QVERIFY(window_->Jobs().Running().empty());
    QVERIFY(prompts_->suggestedNames.isEmpty());

    testing::OnNextModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CsvColumnsDialog*>(modal);
      dialog->SetType(0, "real");  // "four" is then refused
      dialog->accept();
    });
    prompts_->tableNames.push_back("broken");
    ImportFile(window_->Bench(), QString::fromStdString(file.string()));
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QCOMPARE(prompts_->boxes[0].text,
             QString("3 rows imported into broken\n"
                     "1 rows refused by the database and skipped: line 5\n"
                     "1 short rows (fewer values than columns) imported with NULL for the rest: "
                     "line 3\n"
                     "1 long rows (more values than columns) imported without the extra values: "
                     "line 4\n"
                     "1 unreadable lines (binary bytes or an unfinished quote) left out: line 6"));
    QCOMPARE(ReadRows(window_->Source(), "select * from broken"),
             (Rows{{"1", "x"}, {"2", "?"}, {"3", "y"}}));
  }

  void importRefusesWhatItCannotRead() {
    const auto bad = home_->path() / "bad.txt";
    std::ofstream(bad) << "a,b\nreal,number\n1,2\n";
    ImportFile(window_->Bench(), QString::fromStdString(bad.string()));
    ImportFile(window_->Bench(), QString::fromStdString((home_->path() / "missing.txt").string()));
    QCOMPARE(prompts_->Texts(), (QStringList{kImportBadStructure, kImportCannotOpen}));
    QCOMPARE(prompts_->boxes[0].detail, QString(kImportCsvHint));  // how a CSV file goes in

    // Cancelling the name, or a name already taken, creates nothing and changes nothing.
    const auto good = home_->path() / "good.txt";
    std::ofstream(good) << "a\nreal\n1\n";
    prompts_->boxes.clear();
    ImportFile(window_->Bench(), QString::fromStdString(good.string()));
    QVERIFY(window_->Jobs().Running().empty());
    prompts_->tableNames.push_back("golf_data");
    ImportFile(window_->Bench(), QString::fromStdString(good.string()));
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QVERIFY(prompts_->boxes[0].text.contains("exists already"));
    QCOMPARE(ReadRows(window_->Source(), "select count(*) from golf_data"), (Rows{{"14"}}));

    window_->CommandAction(kCmdCloseDatabase)->trigger();
    ImportFile(window_->Bench(), QString::fromStdString(good.string()));
    QCOMPARE(prompts_->boxes.last().text, QString(kImportNoDatabase));
  }

  void importCountsAsAUserOfTheDatabase() {
    const auto good = home_->path() / "good.txt";
    std::ofstream(good) << "a\nreal\n1\n";
    // Another program writes to the database: the import waits for it while it runs.
    DataSource other;
    QVERIFY(other.Open(window_->Source().ConnectString()));
    QVERIFY(other.BeginTransaction());
    QVERIFY(other.Execute("delete from golf_data where 1 = 0"));
    prompts_->tableNames.push_back("imported");
    ImportFile(window_->Bench(), QString::fromStdString(good.string()));
    QTRY_VERIFY(window_->Source().Users().load() > 0);
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    QCOMPARE(prompts_->boxes.last().text, QString(kCloseWhileUsed));
    QVERIFY(window_->Source().IsOpen());
    other.Rollback();
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->Texts().last(), QString("1 rows imported into imported"));
  }

  void exportedTableComesBackTheSame() {
    auto& dialog = window_->Bench().Dialog<ExportFileDialog>();
    dialog.Prepare();
    QVERIFY(
        dialog.findChild<QListWidget*>("tables")->findItems("golf_data", Qt::MatchExactly).size() ==
        1);
    dialog.SelectTable("golf_data");
    QCOMPARE(dialog.findChild<QListWidget*>("fields")->count(), 5);
    QCOMPARE(dialog.findChild<QListWidget*>("fields")->item(0)->text(),
             QString("outlook (string)"));

    const auto file = home_->path() / "golf.qry";
    prompts_->saveFiles.push_back(QString::fromStdString(file.string()));
    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(prompts_->choosers, QStringList{"Export File|Data files (*.qry)"});
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QVERIFY(prompts_->boxes[0].text.startsWith("14 rows of golf_data exported to "));
    const std::string text = FileText(file);
    QVERIFY(text.rfind("outlook,temperature,humidity,windy,play;\nstring,real,real,string,"
                       "string\nsunny,85,85,false,no\n",
                       0) == 0);

    prompts_->tableNames.push_back("golf_again");
    ImportFile(window_->Bench(), QString::fromStdString(file.string()));
    QVERIFY(window_->Jobs().WaitForWorkers(30000));
    QTRY_COMPARE(prompts_->boxes.size(), 2);
    QCOMPARE(ReadRows(window_->Source(), "select * from golf_again"),
             ReadRows(window_->Source(), "select * from golf_data"));
  }

  void exportSaysWhenTheDatabaseIsBusyOrNothingIsChosen() {
    auto& dialog = window_->Bench().Dialog<ExportFileDialog>();
    std::mutex gate;
    gate.lock();
    JobSpec job;
    job.work = [&](Progress&) {
      std::lock_guard<std::mutex> wait(gate);
      return Status::Ok();
    };
    window_->Bench().Runner("Holder").Start(std::move(job));
    QTRY_COMPARE(window_->Source().Users().load(), 1);
    dialog.Prepare();
    QCOMPARE(dialog.StatusText(), QString(kSystemBusy));
    gate.unlock();
    QVERIFY(window_->Jobs().WaitForWorkers(30000));

    dialog.Prepare();
    QVERIFY(dialog.StatusText().isEmpty());
    QTimer::singleShot(0, &dialog, [&] {
      dialog.accept();
      QCOMPARE(dialog.StatusText(), QString("Please, select table"));
      dialog.reject();
    });
    dialog.exec();
    QVERIFY(prompts_->choosers.isEmpty());
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ImportExportTest)
#include "import_export_test.moc"
