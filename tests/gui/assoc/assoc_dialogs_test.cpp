// The association-rule windows as a user drives them on the sample baskets: a plain run with its
// patterns, figures and rules, the taxonomy built in "TaxWin" and a generalized run over it, the
// refusals of each window, the template filter, and binarization of a text column.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "core/assoc/association_miner.h"
#include "core/assoc/rule_files.h"
#include "core/assoc/taxonomy.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/assoc/association_rules_dialog.h"
#include "gui/assoc/binarization_dialog.h"
#include "gui/assoc/rule_filter_window.h"
#include "gui/assoc/taxonomy_window.h"
#include "gui/assoc/template_window.h"
#include "gui/ui/rules_table.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"
#include "tests/support/file_text.h"
#include "tests/support/killed_run.h"

namespace quarry::gui {
namespace {

using quarry::testing::FileText;

using testing::Child;
using testing::ItemTexts;

void Click(QWidget* parent, const char* button) { Child<QPushButton>(parent, button)->click(); }

void Choose(QWidget* parent, const char* list, const QString& text) {
  QListWidget* widget = Child<QListWidget>(parent, list);
  const auto found = widget->findItems(text, Qt::MatchExactly);
  if (found.isEmpty()) qFatal("%s has no %s", list, qPrintable(text));
  widget->setCurrentItem(found.first());
  found.first()->setSelected(true);
}

class AssocDialogsTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void plainRunShowsPatternsFiguresAndRules() {
    AssociationRulesDialog& dialog = window_->Bench().Dialog<AssociationRulesDialog>();
    dialog.Prepare(false);
    QVERIFY(!Child<QCheckBox>(&dialog, "ancestorPruning")->isVisibleTo(&dialog));
    QVERIFY(!Child<QPushButton>(&dialog, "execute")->isEnabled());
    dialog.SelectTable("baskets");
    QVERIFY(Child<QPushButton>(&dialog, "execute")->isEnabled());
    QCOMPARE(Child<QListWidget>(&dialog, "fields")->item(0)->text().left(8), QString("baskets."));
    Child<QLineEdit>(&dialog, "minSupport")->setText("0.2");
    Child<QRadioButton>(&dialog, "aprioriTid")->setChecked(true);
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"Association rules Executed"});
    QTRY_VERIFY(Child<QPushButton>(&dialog, "extractRules")->isEnabled());

    // The window shows what the core finds on the same table.
    assoc::AssociationMiner reference;
    reference.SetParameters("baskets", 0.2f, 0.5f, assoc::kApriori, false, window_->Source());
    QVERIFY(reference.Run().ok());
    const assoc::ItemsetList sets = reference.FrequentItemsets();
    QListWidget* patterns = Child<QListWidget>(&dialog, "patterns");
    QCOMPARE(patterns->count(), static_cast<int>(sets.size()));
    QVERIFY(patterns->item(0)->text().startsWith("["));
    QCOMPARE(Child<QLabel>(&dialog, "transactions")->text(), QString("200"));
    QCOMPARE(Child<QLabel>(&dialog, "items")->text(), QString("12"));
    QCOMPARE(Child<QLabel>(&dialog, "frequentPatterns")->text(), QString::number(sets.size()));
    patterns->setCurrentRow(0);
    QCOMPARE(Child<QLineEdit>(&dialog, "support")->text(),
             QString::number(sets[0].count / 200.0, 'f', 6));

    // Extract Rules: outrules.txt, then the visualization; its OK writes assoc.txt.
    const std::vector<assoc::AssociationRule> rules = assoc::Extract(reference);
    QVERIFY(!rules.empty());
    QStringList listed;
    QString firstText;
    QList<int> byConfidence;
    QString chosenText;
    testing::OnNextModal([&](QWidget* modal) {
      QListWidget* list = Child<QListWidget>(modal, "rules");
      listed = ItemTexts(list);
      list->setCurrentRow(0);
      firstText = Child<QLineEdit>(modal, "ruleText")->text();
      // The table sorts by a column's figures; a row chosen there is the rule shown.
      auto* table = Child<RulesTable>(modal, "rulesTable");
      testing::ClickHeader(table, 4);
      for (int row = 0; row < table->rowCount(); ++row) byConfidence << table->RuleAt(row);
      table->selectRow(table->rowCount() - 1);
      chosenText = Child<QLineEdit>(modal, "ruleText")->text();
      static_cast<QDialog*>(modal)->accept();
    });
    Click(&dialog, "extractRules");
    QCOMPARE(listed.size(), static_cast<int>(rules.size()));
    QCOMPARE(listed.front(), QString("Rule 1"));
    QCOMPARE(firstText.toStdString(), rules[0].text);
    QCOMPARE(byConfidence.size(), static_cast<int>(rules.size()));
    auto ruleAt = [&](int i) { return rules[static_cast<size_t>(byConfidence[i])]; };
    for (int i = 1; i < byConfidence.size(); ++i)
      QVERIFY(ruleAt(i - 1).confidence <= ruleAt(i).confidence);
    QVERIFY(ruleAt(0).confidence < ruleAt(byConfidence.size() - 1).confidence);
    QCOMPARE(chosenText.toStdString(), ruleAt(byConfidence.size() - 1).text);
    QCOMPARE(FileText(WorkingFile(assoc::kOutRulesFile)), assoc::OutRulesText(rules));
    QCOMPARE(FileText(WorkingFile(assoc::kAssocFile)), assoc::AssocFileText(rules));

    // The filter window has the rules now; an inclusive and a restrictive template narrow them.
    RuleFilterWindow& filter = window_->Bench().Dialog<RuleFilterWindow>();
    QCOMPARE(filter.Kept().size(), rules.size());
    const std::string firstConsequent =
        reference.ItemNames()[static_cast<size_t>(rules[0].consequent[0])];
    QVERIFY(filter
                .AddTemplate(assoc::TemplateKind::kInclusive, "...",
                             QString::fromStdString(firstConsequent))
                .ok());
    size_t expected = 0;
    for (const assoc::AssociationRule& rule : rules)
      expected += rule.consequent.size() == 1 &&
                  reference.ItemNames()[static_cast<size_t>(rule.consequent[0])] == firstConsequent;
    QCOMPARE(filter.Kept().size(), expected);
    QVERIFY(filter.AddTemplate(assoc::TemplateKind::kRestrictive, "*", "...").ok());
    for (size_t i : filter.Kept()) QVERIFY(rules[i].antecedent.size() > 1);
    QVERIFY(!filter.AddTemplate(assoc::TemplateKind::kInclusive, "a{0}", "b").ok());

    // A failed run (a table of text) leaves Extract Rules off, and the files of the good run.
    dialog.SelectTable("loan_data");
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->boxes.size(), 2);
    QTest::qWait(700);  // the dialog timer has looked at the ended job
    QVERIFY(!Child<QPushButton>(&dialog, "extractRules")->isEnabled());
    bool shown = false;
    QTimer* watch = testing::OnNextModal([&](QWidget* modal) {
      shown = true;
      static_cast<QDialog*>(modal)->accept();
    });
    dialog.ExtractRules();
    delete watch;
    QVERIFY(!shown);
    QCOMPARE(dialog.StatusText(), QString(assoc::kNoMiningResult));
    QCOMPARE(FileText(WorkingFile(assoc::kOutRulesFile)), assoc::OutRulesText(rules));
    QCOMPARE(FileText(WorkingFile(assoc::kAssocFile)), assoc::AssocFileText(rules));
  }

  void refusalsSayWhatIsWrong() {
    AssociationRulesDialog& dialog = window_->Bench().Dialog<AssociationRulesDialog>();
    dialog.Prepare(true);
    QVERIFY(!Child<QRadioButton>(&dialog, "ais")->isEnabled());
    QVERIFY(!Child<QCheckBox>(&dialog, "aisPruning")->isVisibleTo(&dialog));
    dialog.DefineTaxonomy();
    dialog.Execute();
    QCOMPARE(prompts_->Texts(), (QStringList{assoc::kSelectATable, assoc::kDefineTaxonomy}));
    QVERIFY(window_->Jobs().Running().empty());

    dialog.Prepare(false);
    dialog.SelectTable("baskets");
    Child<QLineEdit>(&dialog, "minSupport")->setText("five percent");
    dialog.Execute();
    QCOMPARE(dialog.StatusText(), QString("Insert parameters"));
    Child<QLineEdit>(&dialog, "minSupport")->setText("1.5");
    dialog.Execute();
    QVERIFY(dialog.StatusText().contains("support"));
    QVERIFY(window_->Jobs().Running().empty());

    // A table of text is refused by the miner, and the job's box says why.
    Child<QLineEdit>(&dialog, "minSupport")->setText("0.1");
    dialog.SelectTable("loan_data");
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->boxes.size(), 3);
    QVERIFY(prompts_->boxes.back().text != "Association rules Executed");
    QCOMPARE(Child<QListWidget>(&dialog, "patterns")->count(), 0);
  }

  void taxonomyBuiltInTaxWinDrivesAGeneralizedRun() {
    AssociationRulesDialog& dialog = window_->Bench().Dialog<AssociationRulesDialog>();
    dialog.Prepare(true);
    dialog.SelectTable("baskets");
    const std::vector<std::string> columns = dialog.TaxonomyModel().AttributeNames();
    QCOMPARE(columns.size(), size_t{12});

    TaxonomyWindow tax(dialog.TaxonomyModel(), &dialog);
    Click(&tax, "set");
    QCOMPARE(prompts_->Texts(), QStringList{assoc::kNoClassName});
    for (const char* name : {"Products", "First", "Second", "First"}) {
      Child<QLineEdit>(&tax, "className")->setText(name);
      Click(&tax, "enterClassName");
    }
    QCOMPARE(ItemTexts(Child<QListWidget>(&tax, "classNames")),
             (QStringList{"Products", "First", "Second"}));
    Click(&tax, "set");
    QVERIFY(!Child<QPushButton>(&tax, "enterClassName")->isEnabled());
    QVERIFY(!Child<QPushButton>(&tax, "addChildren")->isEnabled());
    Choose(&tax, "fathers", "Products");
    Click(&tax, "setRoot");
    QVERIFY(Child<QPushButton>(&tax, "addChildren")->isEnabled());
    Choose(&tax, "classesAvailable", "First");
    Click(&tax, "addChildren");
    QCOMPARE(ItemTexts(Child<QListWidget>(&tax, "children")), QStringList{"First"});

    // Every check of Close in its order, the window staying open while one fails.
    prompts_->boxes.clear();
    tax.show();
    Click(&tax, "close");
    Choose(&tax, "leaves", "First");
    Choose(&tax, "attributesAvailable", QString::fromStdString(columns[0]));
    Click(&tax, "addAttributes");
    Choose(&tax, "classesAvailable", "Second");
    Click(&tax, "addChildren");
    Choose(&tax, "leaves", "Second");
    Choose(&tax, "attributesAvailable", QString::fromStdString(columns[1]));
    Click(&tax, "addAttributes");
    Click(&tax, "close");
    QCOMPARE(prompts_->Texts(),
             (QStringList{assoc::kNodeWithoutLeaves, assoc::kAttributesNeedLeaf}));
    QVERIFY(tax.isVisible());
    Choose(&tax, "leaves", "Products");
    QListWidget* available = Child<QListWidget>(&tax, "attributesAvailable");
    for (int i = 0; i < available->count(); ++i) available->item(i)->setSelected(true);
    Click(&tax, "addAttributes");
    QCOMPARE(available->count(), 0);
    Click(&tax, "close");
    QVERIFY(!tax.isVisible());
    QVERIFY(dialog.TaxonomyModel().Complete());
    QCOMPARE(Child<QLabel>(&tax, "numClasses")->text(), QString("3"));

    // Saved and read back through the window, the taxonomy is the same.
    const QString file = QString::fromStdString((home_->path() / "baskets.tax").string());
    tax.SaveTo(file);
    Click(&tax, "resetAll");
    QVERIFY(dialog.TaxonomyModel().Empty());
    tax.LoadFrom(file);
    QVERIFY(dialog.TaxonomyModel().Complete());
    QCOMPARE(dialog.TaxonomyModel().ClassOf(1), dialog.TaxonomyModel().ClassIndex("Second"));

    // The dialog lists fathers and leaves of the closed taxonomy.
    dialog.Prepare(true);
    QCOMPARE(ItemTexts(Child<QListWidget>(&dialog, "fathers")), QStringList{"Products"});
    QCOMPARE(ItemTexts(Child<QListWidget>(&dialog, "leaves")),
             (QStringList{"Products", "First", "Second"}));
    Choose(&dialog, "fathers", "Products");
    QCOMPARE(ItemTexts(Child<QListWidget>(&dialog, "sons")), (QStringList{"First", "Second"}));

    // Generalized mining counts the classes: the root is in every transaction that has an item.
    Child<QLineEdit>(&dialog, "minSupport")->setText("0.3");
    Child<QCheckBox>(&dialog, "ancestorPruning")->setChecked(true);
    prompts_->boxes.clear();
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"Association rules Executed"});
    QCOMPARE(Child<QLabel>(&dialog, "items")->text(), QString("15"));
    QVERIFY(ItemTexts(Child<QListWidget>(&dialog, "patterns")).contains("[Products]"));
    for (const QString& pattern : ItemTexts(Child<QListWidget>(&dialog, "patterns")))
      QVERIFY2(!(pattern.contains("Products") && pattern.contains(",")), qPrintable(pattern));
  }

  void templateWindowChecksWhatItHandsOver() {
    const assoc::ItemCatalog catalog{{"bread", "odd, name", "milk"}, nullptr};
    TemplateWindow window(catalog);
    Choose(&window, "items", "odd, name");
    Click(&window, "addToLeft");
    Choose(&window, "items", "bread");
    Click(&window, "addToLeft");
    QCOMPARE(window.Left(), QString("\"odd, name\", bread"));
    window.SetTemplate(assoc::TemplateKind::kRestrictive, window.Left(), "<Drinks>");
    window.accept();
    QVERIFY(window.StatusText().contains("Drinks"));
    QVERIFY(window.result() != QDialog::Accepted);
    window.SetTemplate(assoc::TemplateKind::kRestrictive, window.Left(), "milk+");
    window.accept();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(window.Kind(), assoc::TemplateKind::kRestrictive);
  }

  void binarizationAddsOneColumnPerValue() {
    DataSource& source = window_->Source();
    {
      ExclusiveUse exclusive(source);
      QVERIFY(source.Execute("create table colours (colour string, n real)"));
      QVERIFY(source.Execute("insert into colours values ('red', 1)"));
      QVERIFY(source.Execute("insert into colours values ('it''s blue', 2)"));
      QVERIFY(source.Execute("insert into colours values (NULL, 3)"));
    }
    BinarizationDialog& dialog = window_->Bench().Dialog<BinarizationDialog>();
    dialog.Prepare();
    Click(&dialog, "ok");  // nothing chosen: nothing happens
    QCOMPARE(dialog.StatusText(), QString());
    Choose(&dialog, "tables", "colours");
    Choose(&dialog, "fields", "colour");
    Click(&dialog, "ok");
    QCOMPARE(dialog.StatusText(), QString("Process finished"));
    QCOMPARE(ItemTexts(Child<QListWidget>(&dialog, "fields")),
             (QStringList{"colour", "n", "colour_Value_it's blue", "colour_Value_red"}));
    QCOMPARE(testing::ReadRows(source, "select * from colours order by n"),
             (testing::Rows{
                 {"red", "1", "0", "1"}, {"it's blue", "2", "1", "0"}, {"?", "3", "?", "?"}}));
  }

  void genRulesCommandOpensTheGeneralizedDialog() {
    bool generalized = false;
    testing::OnNextModal([&](QWidget* modal) {
      generalized = static_cast<AssociationRulesDialog*>(modal)->Generalized();
      static_cast<QDialog*>(modal)->reject();
    });
    window_->CommandAction(kCmdDiscoveryGenRules)->trigger();
    QVERIFY(generalized);
  }

  // Binarize Table mines the copy "BinTable"; Close drops it again. The copy a killed run left
  // is dropped first, and named.
  void binarizeTableMinesACopyDroppedOnClose() {
    DataSource& source = window_->Source();
    QVERIFY(source.Execute("create table BinTable (x integer)"));
    QVERIFY(quarry::testing::RecordAsKilledRunsTable(source, "BinTable"));
    AssociationRulesDialog& dialog = window_->Bench().Dialog<AssociationRulesDialog>();
    dialog.Prepare(false);
    Child<QCheckBox>(&dialog, "binarize")->setChecked(true);
    dialog.SelectTable("loan_data");
    QCOMPARE(dialog.InputTable(), QString("BinTable"));
    QVERIFY(dialog.StatusText().startsWith("mining BinTable: "));
    QVERIFY(dialog.StatusText().endsWith("\ndropped the tables a stopped run had left: BinTable"));
    QVERIFY(dialog.TaxonomyModel().AttributeNames().front().find("_Value_") != std::string::npos);
    Child<QLineEdit>(&dialog, "minSupport")->setText("0.3");
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"Association rules Executed"});
    QVERIFY(Child<QListWidget>(&dialog, "patterns")->count() > 0);
    dialog.reject();
    std::vector<std::string> tables;
    QVERIFY(source.ListTables(tables));
    QVERIFY(std::find(tables.begin(), tables.end(), "BinTable") == tables.end());
    QVERIFY(dialog.InputTable().isEmpty());
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::AssocDialogsTest)
#include "assoc_dialogs_test.moc"
