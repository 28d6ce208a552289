// The Query Creator driven page by page as a user would: the statement it hands to the query
// editor, the refusals of bad conditions, and what happens to the lists when a table goes or
// another database opens.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "core/data/data_source.h"
#include "core/query/query_wizard.h"
#include "gui/app/command_table.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/query/edit_query_dialog.h"
#include "gui/query/query_creator_wizard.h"
#include "gui/query/query_set_dialog.h"
#include "gui/query/query_set_model.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

template <class W>
W* Child(QWidget* parent, const char* name) {
  W* widget = parent->findChild<W*>(name);
  if (!widget) qFatal("no widget %s", name);
  return widget;
}

void Click(QWidget* wizard, const char* button) { Child<QPushButton>(wizard, button)->click(); }

void Pick(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  if (found.isEmpty()) qFatal("no item %s", qPrintable(text));
  list->setCurrentItem(found.first());
}

void Pick(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  if (index < 0) qFatal("no entry %s", qPrintable(text));
  combo->setCurrentIndex(index);
}

class QueryCreatorTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  // Every page used once; the statement reaches the editor and runs.
  void composesAJoinedGroupedStatementForTheEditor() {
    QString edited;
    Seen seen;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      auto* wizard = qobject_cast<QueryCreatorWizard*>(modal);
      QVERIFY(wizard);
      QCOMPARE(wizard->currentPage()->title(), QString("Select tables:"));
      Pick(Child<QListWidget>(wizard, "tables"), "golf_data");
      Child<QLineEdit>(wizard, "alias")->setText("d");
      Click(wizard, "addTable");
      Pick(Child<QListWidget>(wizard, "tables"), "weather_data");
      Click(wizard, "addTable");
      QCOMPARE(Child<QLabel>(wizard, "tablesPreview")->text(),
               QString("SELECT  *  FROM  [golf_data] AS [d] , [weather_data]"));
      wizard->next();

      Pick(Child<QComboBox>(wizard, "joinLeftColumn"), "[d].[outlook]");
      Pick(Child<QComboBox>(wizard, "joinRightColumn"), "[weather_data].[outlook]");
      Click(wizard, "addJoin");
      QCOMPARE(Child<QLabel>(wizard, "joinsPreview")->text(),
               QString("SELECT  *  FROM  ( [golf_data]  AS  [d]  INNER JOIN  [weather_data]   ON  "
                       "[d].[outlook] = [weather_data].[outlook]) "));
      wizard->next();

      Pick(Child<QListWidget>(wizard, "fieldColumns"), "[d].[outlook]");
      Click(wizard, "addField");
      Pick(Child<QComboBox>(wizard, "aggregate"), "Count");
      Pick(Child<QListWidget>(wizard, "fieldColumns"), "[weather_data].[play]");
      Click(wizard, "addField");
      wizard->next();

      Pick(Child<QComboBox>(wizard, "whereField"), "[d].[humidity]");
      Pick(Child<QComboBox>(wizard, "whereOperator"), ">");
      Child<QLineEdit>(wizard, "whereValue")->setText("high");
      Click(wizard, "whereAdd");
      QCOMPARE(Child<QListWidget>(wizard, "whereConditions")->count(), 0);
      Child<QLineEdit>(wizard, "whereValue")->setText("70");
      Click(wizard, "whereAdd");
      Pick(Child<QComboBox>(wizard, "whereField"), "[weather_data].[windy]");
      Pick(Child<QComboBox>(wizard, "whereOperator"), "=");
      Child<QLineEdit>(wizard, "whereValue")->setText("false");
      Click(wizard, "whereAdd");
      wizard->next();

      Pick(Child<QListWidget>(wizard, "groupColumns"), "[d].[outlook]");
      Click(wizard, "addGroupBy");
      Pick(Child<QComboBox>(wizard, "havingAggregate"), "Count");
      Pick(Child<QComboBox>(wizard, "havingField"), "[weather_data].[play]");
      Pick(Child<QComboBox>(wizard, "havingOperator"), ">=");
      Child<QLineEdit>(wizard, "havingValue")->setText("many");
      Click(wizard, "havingAdd");
      Child<QLineEdit>(wizard, "havingValue")->setText("1");
      Click(wizard, "havingAdd");
      wizard->next();

      Pick(Child<QListWidget>(wizard, "orderColumns"), "[d].[outlook]");
      Click(wizard, "descending");
      wizard->next();
      QCOMPARE(wizard->currentId(), int(QueryCreatorWizard::kStatementPage));
      QCOMPARE(Child<QPlainTextEdit>(wizard, "statement")->toPlainText(), wizard->Statement());
      // The editor opens once the wizard is done.
      testing::OnNextModal([&](QWidget* editor) {
        edited = qobject_cast<EditQueryDialog*>(editor)->Sql();
        testing::OnNextModal([&](QWidget* viewer) {
          const QuerySetModel& model = qobject_cast<QuerySetDialog*>(viewer)->Model();
          seen.rows = model.rowCount();
          seen.columns = model.columnCount();
          static_cast<QDialog*>(viewer)->reject();
        });
        qobject_cast<EditQueryDialog*>(editor)->Execute();
        static_cast<QDialog*>(editor)->reject();
      });
      wizard->accept();
    });
    window_->CommandAction(kCmdWizardNewQuery)->trigger();
    delete watch;

    QCOMPARE(edited,
             QString("SELECT  [d].[outlook] , Count([weather_data].[play])  AS field1  FROM  "
                     "( [golf_data]  AS  [d]  INNER JOIN  [weather_data]   ON  [d].[outlook] = "
                     "[weather_data].[outlook])   WHERE  [d].[humidity] > 70.00000 AND "
                     "[weather_data].[windy] = 'false'   GROUP BY  [d].[outlook]  HAVING  "
                     "Count([weather_data].[play]) >= 1.00000  ORDER BY  [d].[outlook]  DESC"));
    QCOMPARE(prompts_->Texts(), (QStringList{kBadWhereNumber, kBadHavingNumber}));
    // Three outlooks, each with at least one humid day joined to a calm day of the same outlook.
    QCOMPARE(seen.columns, 2);
    QCOMPARE(seen.rows, 3);
  }

  void refusesToGoOnWithoutATableAndForgetsWhatARemovedTableNamed() {
    QueryCreatorWizard& wizard = window_->Bench().Dialog<QueryCreatorWizard>();
    QVERIFY(wizard.Prepare());
    wizard.show();
    wizard.next();
    QCOMPARE(wizard.currentId(), int(QueryCreatorWizard::kTablesPage));
    QCOMPARE(prompts_->Texts(), QStringList{kWizardNoTable});

    for (const char* table : {"golf_data", "golf_test"}) {
      Pick(Child<QListWidget>(&wizard, "tables"), table);
      Click(&wizard, "addTable");
    }
    // The same table twice without an alias would make an ambiguous statement.
    Click(&wizard, "addTable");
    QCOMPARE(wizard.Query().tables.size(), size_t{2});
    wizard.next();
    Click(&wizard, "addJoin");
    wizard.next();
    Pick(Child<QListWidget>(&wizard, "fieldColumns"), "[golf_test].[play]");
    Click(&wizard, "addField");
    Pick(Child<QListWidget>(&wizard, "fieldColumns"), "[golf_data].[play]");
    Click(&wizard, "addField");
    QCOMPARE(wizard.Query().joins.size(), size_t{1});
    QCOMPARE(wizard.Query().fields.size(), size_t{2});

    wizard.back();
    wizard.back();
    Pick(Child<QListWidget>(&wizard, "chosenTables"), "golf_test");
    Click(&wizard, "removeTable");
    QVERIFY(wizard.Query().joins.empty());
    QCOMPARE(wizard.Query().fields.size(), size_t{1});
    QCOMPARE(Child<QListWidget>(&wizard, "fields")->item(0)->text(), QString("[golf_data].[play]"));
    QCOMPARE(Child<QLabel>(&wizard, "tablesPreview")->text(),
             QString("SELECT  *  FROM  [golf_data]"));

    // The lists name the old database's tables: another database empties them.
    window_->CommandAction(kCmdCloseDatabase)->trigger();
    QVERIFY(wizard.Query().tables.empty());
    QCOMPARE(Child<QListWidget>(&wizard, "chosenTables")->count(), 0);
    wizard.reject();
    prompts_->boxes.clear();
    QVERIFY(!wizard.Prepare());
    QCOMPARE(prompts_->Texts(), QStringList{"Please, open a DataBase"});
  }

  void preparingAgainForgetsATableThatWasDropped() {
    DataSource& source = window_->Source();
    QVERIFY(source.Execute("SELECT * INTO [humid days] FROM [golf_data] WHERE [humidity] > 80"));
    QueryCreatorWizard& wizard = window_->Bench().Dialog<QueryCreatorWizard>();
    QVERIFY(wizard.Prepare());
    wizard.show();
    for (const char* table : {"humid days", "golf_data"}) {
      Pick(Child<QListWidget>(&wizard, "tables"), table);
      Click(&wizard, "addTable");
    }
    wizard.next();
    wizard.next();
    Pick(Child<QListWidget>(&wizard, "fieldColumns"), "[humid days].[play]");
    Click(&wizard, "addField");
    wizard.reject();

    QVERIFY(source.DropTable("humid days"));
    QVERIFY(wizard.Prepare());
    QCOMPARE(wizard.Query().tables, std::vector<std::string>{"golf_data"});
    QVERIFY(wizard.Query().fields.empty());
    QCOMPARE(Child<QListWidget>(&wizard, "chosenTables")->count(), 1);
    QVERIFY(prompts_->boxes.isEmpty());
  }

 private:
  struct Seen {
    int rows = -1;
    int columns = -1;
  };
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::QueryCreatorTest)
#include "query_creator_test.moc"
