// The tree and rules viewers over the shared reader: the "Root" item and the depth attachment,
// the node and rule texts, the format message for files they cannot show, the drawing fitted to
// the window with one case's path, and the sortable table of rules.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>

#include "core/treefiles/tree_file_reader.h"
#include "gui/app/command_table.h"
#include "gui/app/main_window.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_diagram.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/rules_table.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

using testing::TestDataFile;

const QString kFormatMessage =
    QString::fromUtf8(treefiles::kBadTreeFileFormat.data(),
                      static_cast<qsizetype>(treefiles::kBadTreeFileFormat.size()));

class ViewersTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    home_ = std::make_unique<testing::TempHome>();
    prompts_ = std::make_unique<testing::RecordingPrompts>();
  }
  void cleanup() {
    prompts_.reset();
    home_.reset();
  }

  void decisionTreeHangsUnderRoot() {
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("golf_data.tree")));
    QTreeWidget& tree = viewer.Tree();
    QCOMPARE(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    QCOMPARE(root, viewer.Item(0));
    QCOMPARE(root->text(0), QString("  outlook "));
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(root->child(0)->childCount(), 2);
    QCOMPARE(root->child(1)->childCount(), 0);
    QCOMPARE(root->child(0)->child(1)->text(0), QString("  no[case: humidity > 75 ]"));
    QCOMPARE(viewer.Information(), QString(kSelectNodeHint));
    QCOMPARE(viewer.Summary(), QString("ERROR = 0.000000\nErrors/N = 0.000000"));

    viewer.SelectNode(2);
    QCOMPARE(
        viewer.Information(),
        QString(
            "LABEL:  yes[case: humidity <= 75 ]\nCLASS:  yes\nERROR:  0.0\nNUMBER OF ITEMS:  2"));
    QCOMPARE(viewer.Diagram().Selected(), 2);
  }

  void singleLeafIsTheRootAlone() {
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("single_leaf.tree")));
    QCOMPARE(viewer.Tree().topLevelItemCount(), 1);
    QTreeWidgetItem* root = viewer.Tree().topLevelItem(0);
    QCOMPARE(root->text(0), QString(" Price = 12.500000000000000 "));
    QCOMPARE(root->childCount(), 0);
    viewer.SelectNode(0);
    QCOMPARE(viewer.Information(), QString("LABEL: Price = 12.500000000000000 \nMEAN:  "
                                           "12.500000\nDEVIANCE:  3.000000\nNUMBER OF ITEMS:  5"));
    QCOMPARE(viewer.Summary(), QString("ERROR = 0.500000\nSSres/Syy = 1.000000"));
  }

  void regressionChildSitsOneLevelDeeper() {
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("growth_data.tree")));
    QTreeWidgetItem* regress = viewer.Item(1);
    QVERIFY(regress->text(0).contains("[case: light <= 50.000000]"));
    QCOMPARE(viewer.Item(2)->parent(), regress);
    QCOMPARE(viewer.Item(2)->text(0), QString(" growth = 12.500000000000000 "));
    QCOMPARE(viewer.Item(3)->parent(), viewer.Item(0));
    QCOMPARE(viewer.Item(5)->parent(), viewer.Item(3));
    // The drawing puts every child below its parent.
    for (int node : {1, 2, 3, 4, 5}) {
      const int parent = viewer.Item(node)->parent()->data(0, Qt::UserRole).toInt();
      QVERIFY(viewer.Diagram().NodeRect(node).top() > viewer.Diagram().NodeRect(parent).bottom());
    }
  }

  void filesItCannotShowGiveTheFormatMessage_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("bad header") << "bad_header.tree";
    QTest::newRow("truncated") << "truncated.tree";
    QTest::newRow("garbage") << "garbage.tree";
    QTest::newRow("rules file") << "golf_data.rules";
    QTest::newRow("missing") << "no_such.tree";
  }

  void filesItCannotShowGiveTheFormatMessage() {
    QFETCH(QString, file);
    bool opened = false;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      opened = true;
      static_cast<QDialog*>(modal)->reject();
    });
    ShowTree(nullptr, TestDataFile(file.toStdString()).string());
    delete watch;
    QVERIFY(!opened);
    QCOMPARE(prompts_->Texts(), QStringList{kFormatMessage});
  }

  void treeIsFoundWithoutItsExtensionInTheWorkingFolder() {
    std::filesystem::copy_file(TestDataFile("golf_data.tree"), home_->path() / "golf_data.tree");
    QString title;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      title = modal->windowTitle();
      static_cast<QDialog*>(modal)->accept();
    });
    ShowTree(nullptr, "golf_data");
    delete watch;
    QCOMPARE(title, QString("Tree Visualization - golf_data.tree"));
    QVERIFY(prompts_->boxes.isEmpty());
  }

  void diagramFollowsACaseAndTheSelection() {
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("golf_data.tree")));
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const std::vector<int> path = viewer.FollowCase({{"outlook", "sunny"}, {"humidity", "90"}});
    QCOMPARE(path, (std::vector<int>{0, 1, 3}));
    QCOMPARE(viewer.PathText(), QString("The case reaches LEAF: no"));
    QCOMPARE(viewer.Tree().currentItem(), viewer.Item(3));
    QVERIFY(viewer.Diagram().OnPath(1) && viewer.Diagram().OnPath(3) &&
            !viewer.Diagram().OnPath(2));

    viewer.FollowCase({{"outlook", "rainy"}});
    QCOMPARE(viewer.PathText(), QString("The case stops at windy: no branch takes its value"));

    // A click on a box selects the node in the tree control.
    TreeDiagram& diagram = viewer.Diagram();
    diagram.FitAll();
    const QPoint box = diagram.mapFromScene(diagram.NodeRect(4).center());
    QTest::mouseClick(diagram.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(viewer.Tree().currentItem(), viewer.Item(4));
    QVERIFY(viewer.Information().startsWith("LABEL:  yes[case: outlook = overcast]"));

    const double zoom = diagram.Zoom();
    diagram.ZoomIn();
    QVERIFY(diagram.Zoom() > zoom);
  }

  void treeViewerOpensFittedToItsWindow() {
    // A root with forty leaves: far wider than the window at its natural size.
    const auto file = home_->path() / "wide.tree";
    std::string text =
        "Decision tree\nRead  40.000000 cases, with 1  attributes.\n\n"
        "-->DISCRETE NODE:  code \nMOST FREQUENT CLASS: c0\nERROR: 39.0\n"
        "NUMBER OF ITEMS: 40\n";
    for (int i = 0; i < 40; ++i) {
      const std::string value = "value" + std::to_string(i);
      text += "| -->LEAF:  c" + std::to_string(i) + "[case: code = " + value +
              "]\n  MOST FREQUENT CLASS: c" + std::to_string(i) +
              "\n  ERROR: 0.0\n  NUMBER OF ITEMS: 1\n";
    }
    std::ofstream(file) << text << "\n\nERROR = 0.000000\nErrors/N = 0.000000\n";
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(file));
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    TreeDiagram& diagram = viewer.Diagram();
    auto fitted = [&] {
      const QRect drawn = diagram.mapFromScene(diagram.sceneRect()).boundingRect();
      return diagram.viewport()->rect().adjusted(-2, -2, 2, 2).contains(drawn);
    };
    QVERIFY(fitted());
    viewer.resize(viewer.width() - 200, viewer.height());
    QTRY_VERIFY(fitted());
    // Once the user zooms, a resize keeps the zoom.
    diagram.ZoomIn();
    const double zoom = diagram.Zoom();
    viewer.resize(viewer.width() + 200, viewer.height());
    QTest::qWait(50);
    QCOMPARE(diagram.Zoom(), zoom);
  }

  void followACaseOffersEachDiscreteAttributesValues() {
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("golf_data.tree")));
    QStringList offered;
    auto fill = [&](QWidget* modal) {
      auto* outlook = modal->findChild<QComboBox*>("outlook");
      offered.clear();
      if (!outlook) return static_cast<QDialog*>(modal)->reject();
      for (int i = 0; i < outlook->count(); ++i) offered << outlook->itemText(i);
      offered << outlook->currentText();
      // humidity is tested against thresholds: a number is typed.
      QVERIFY(!modal->findChild<QComboBox*>("humidity"));
      modal->findChild<QLineEdit*>("humidity")->setText("90");
      outlook->setCurrentText("sunny");
      static_cast<QDialog*>(modal)->accept();
    };
    testing::OnNextModal(fill);
    viewer.findChild<QToolButton*>("followCase")->click();
    QCOMPARE(offered, (QStringList{"?", "sunny", "overcast", "rainy", "?"}));
    QCOMPARE(viewer.PathText(), QString("The case reaches LEAF: no"));
    // The form comes back with the last case's values.
    testing::OnNextModal(fill);
    viewer.findChild<QToolButton*>("followCase")->click();
    QCOMPARE(offered.last(), QString("sunny"));
  }

  void rulesTableSortsAndChoosesTheRule() {
    const auto file = home_->path() / "three.rules";
    std::string text = "Decision Tree\nRead  46.000000 cases, with 1  attributes.\n\n";
    const char* cases[] = {"12", "4", "30"};
    for (int i = 0; i < 3; ++i) {
      text += "\n-->  Rules" + std::to_string(i + 1) +
              ":\n             Number of cases: " + cases[i] +
              "\n             MOST FREQUENT CLASS: c" + std::to_string(i) +
              "\n             ERROR: " + std::to_string(3 - i) + ".0\n     IF\n             a = v" +
              std::to_string(i) + " \n     THEN\n            k = c" + std::to_string(i);
    }
    std::ofstream(file) << text << "\n\n\nERROR = 0.000000\nErrors/N = 0.000000\n";
    RulesViewerDialog viewer;
    QVERIFY(viewer.Load(file));
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    RulesTable& table = viewer.Table();
    QCOMPARE(table.item(0, 1)->text(), QString("a = v0"));
    QCOMPARE(table.item(0, 2)->text(), QString("k = c0"));
    auto order = [&] {
      QList<int> rules;
      for (int row = 0; row < table.rowCount(); ++row) rules << table.RuleAt(row);
      return rules;
    };
    testing::ClickHeader(&table, 3);  // Cases, by number: 4, 12, 30
    QCOMPARE(order(), (QList<int>{1, 0, 2}));
    testing::ClickHeader(&table, 3);
    QCOMPARE(order(), (QList<int>{2, 0, 1}));
    testing::ClickHeader(&table, 4);  // Error
    QCOMPARE(order(), (QList<int>{2, 1, 0}));
    // A row shows its rule beside the table, and the list's choice follows.
    table.selectRow(0);
    QCOMPARE(viewer.Rules().currentRow(), 2);
    QCOMPARE(viewer.Statistics(),
             QString("NUMBER OF CASES: 30\nMOST FREQUENT CLASS: c2\nERROR: 1.0"));
    viewer.SelectRule(0);
    QCOMPARE(table.RuleAt(table.currentRow()), 0);
  }

  void rulesViewerListsAndWrapsRules() {
    RulesViewerDialog viewer;
    QVERIFY(viewer.Load(TestDataFile("golf_data.rules")));
    QCOMPARE(viewer.Rules().count(), 5);
    QCOMPARE(viewer.Rules().item(0)->text(), QString("Rules1"));
    QCOMPARE(viewer.findChild<QLabel*>("hint")->text(), QString(kSelectRuleHint));
    viewer.SelectRule(4);
    QCOMPARE(viewer.Statistics(),
             QString("NUMBER OF CASES: 2\nMOST FREQUENT CLASS: no\nERROR: 0.0"));
    QStringList lines;
    for (int i = 0; i < viewer.Text().count(); ++i) lines << viewer.Text().item(i)->text();
    for (const QString& line : lines) QVERIFY2(line.size() <= 70, qPrintable(line));
    QVERIFY(lines.contains("            play = no"));
    // The long condition goes on in pieces, each indented by 13 spaces.
    const int first = lines.indexOf(QRegularExpression("^ +a very long condition.*"));
    QVERIFY(first >= 0);
    QCOMPARE(lines[first].size(), 57);
    QVERIFY(lines[first + 1].startsWith(QString(13, ' ')));
    const QString whole = lines[first] + lines[first + 1].mid(13);
    QCOMPARE(whole,
             QString(13, ' ') +
                 "a very long condition text that goes on and on beyond seventy characters = x ");
  }

  void rulesViewerStaysEmptyOnABadFile() {
    bool opened = false;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      auto* viewer = qobject_cast<RulesViewerDialog*>(modal);
      opened = viewer && viewer->Rules().count() == 0;
      modal->close();
    });
    ShowRules(nullptr, TestDataFile("bad_header.rules").string());
    delete watch;
    QVERIFY(opened);
    QCOMPARE(prompts_->Texts(), QStringList{kFormatMessage});
  }

  void viewCommandsOpenTheViewers() {
    MainWindow window;
    prompts_->openFiles.push_back(
        QString::fromStdString(TestDataFile("growth_data.tree").string()));
    prompts_->openFiles.push_back(QString::fromStdString(TestDataFile("golf_data.rules").string()));
    QStringList titles;
    for (int id : {kCmdGraphicView, kCmdRulesView}) {
      QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
        titles << modal->windowTitle();
        static_cast<QDialog*>(modal)->accept();
      });
      window.CommandAction(id)->trigger();
      delete watch;
    }
    QCOMPARE(titles, (QStringList{"Tree Visualization - growth_data.tree",
                                  "Rules Visualization - golf_data.rules"}));
    QCOMPARE(prompts_->choosers,
             (QStringList{"Graphic View|Trees (*.tree)", "Rules View|Rules (*.rules)"}));
  }

 private:
  std::unique_ptr<testing::TempHome> home_;
  std::unique_ptr<testing::RecordingPrompts> prompts_;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ViewersTest)
#include "viewers_test.moc"
