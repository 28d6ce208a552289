// "K-Nearest-Neighbour" driven as a user does on the sample database: the compatible test tables,
// the enabling of the controls, the per-field distances and q, the messages for K and VDM, a
// classification whose result is known, and Cancel.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/knn/knn_dialog.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"

namespace quarry::gui {
namespace {

using testing::Child;
using testing::Rows;

class KnnDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void choosingTablesEnablesTheControls() {
    KnnDialog& dialog = Dialog();
    QCOMPARE(dialog.StatusText(), QString("Please, select train and test table"));
    QCOMPARE(Child<QLineEdit>(&dialog, "1199")->text(), QString("5"));
    QCOMPARE(testing::ItemTexts(Child<QListWidget>(&dialog, "1037")),
             (QStringList{"MANHATTAN", "MINKOWKSI", "EUCLIDEAN", "HAMMING", "VDM"}));
    for (const char* off : {"1029", "1019", "1298", "1199"})
      QVERIFY2(!Child<QWidget>(&dialog, off)->isEnabled(), off);

    // weather_data has no companion of the same structure.
    dialog.ChooseTrainTable("weather_data");
    QCOMPARE(prompts_->Texts(),
             QStringList{"There aren't test tables of the same structure\nPlease, select another "
                         "train table"});
    dialog.ChooseTrainTable("golf_data");
    QCOMPARE(testing::ItemTexts(Child<QListWidget>(&dialog, "1035")),
             (QStringList{"golf_prune", "golf_test"}));
    QCOMPARE(dialog.StatusText(), QString("Please, select train and test table"));

    dialog.ChooseTestTable("golf_test");
    QCOMPARE(dialog.StatusText(), QString("Press OK to classify"));
    for (const char* on : {"1029", "1019", "1298", "1199"})
      QVERIFY2(Child<QWidget>(&dialog, on)->isEnabled(), on);
    auto* fields = Child<QListWidget>(&dialog, "1036");
    auto* distances = Child<QListWidget>(&dialog, "1037");
    auto* q = Child<QLineEdit>(&dialog, "1376");
    QCOMPARE(testing::ItemTexts(fields),
             (QStringList{"outlook", "temperature", "humidity", "windy"}));
    fields->setCurrentRow(1);
    QCOMPARE(distances->currentItem()->text(), QString("EUCLIDEAN"));
    QVERIFY(!q->isEnabled());
    distances->setCurrentRow(1);  // MINKOWKSI for temperature
    QVERIFY(q->isEnabled());
    fields->setCurrentRow(2);
    QCOMPARE(distances->currentItem()->text(), QString("EUCLIDEAN"));
    QVERIFY(q->isEnabled());  // temperature still uses it
    fields->setCurrentRow(1);
    QCOMPARE(distances->currentItem()->text(), QString("MINKOWKSI"));
    distances->setCurrentRow(0);
    QVERIFY(!q->isEnabled());

    // Choosing the test table again puts every field back to EUCLIDEAN.
    dialog.ChooseTestTable("golf_prune");
    fields->setCurrentRow(1);
    QCOMPARE(distances->currentItem()->text(), QString("EUCLIDEAN"));
  }

  void badKLeavesTheTestTableAsItWas() {
    KnnDialog& dialog = Dialog();
    dialog.ChooseTrainTable("golf_data");
    dialog.ChooseTestTable("golf_test");
    const Rows before = testing::ReadRows(window_->Source(), "select * from golf_test");
    for (const char* bad : {"5a", "0", "15", ""}) {
      prompts_->boxes.clear();
      Child<QLineEdit>(&dialog, "1199")->setText(bad);
      dialog.Classify();
      QCOMPARE(prompts_->Texts(), QStringList{"Please, insert a valid data type for K"});
      QVERIFY(Child<QLineEdit>(&dialog, "1199")->text().isEmpty());
    }
    QCOMPARE(testing::ReadRows(window_->Source(), "select * from golf_test"), before);
    QVERIFY(!window_->Source().TableExists("Temporarygolf_test"));
  }

  void classifiesTheTestTableInPlace() {
    DataSource& source = window_->Source();
    // A test table holding the training rows with their class blanked out: each row is at
    // distance 0 from itself, so it must get its own class back whatever K is.
    QVERIFY(source.Execute("SELECT * INTO [golf_again] FROM [golf_data]"));
    QVERIFY(source.Execute("UPDATE [golf_again] SET [play] = 'unknown'"));
    KnnDialog& dialog = Dialog();
    dialog.ChooseTrainTable("golf_data");
    dialog.ChooseTestTable("golf_again");
    Child<QListWidget>(&dialog, "1036")->setCurrentRow(1);
    dialog.ChooseDistance(knn::DistanceKind::kVdm);  // not for a continuous field
    Child<QLineEdit>(&dialog, "1199")->setText("05");
    Child<QCheckBox>(&dialog, "1298")->setChecked(true);
    Child<QPushButton>(&dialog, "1029")->click();
    QCOMPARE(prompts_->Texts(),
             QStringList{"Attribute temperature type not valid for such a distance. Turned to "
                         "Euclidean."});
    QCOMPARE(dialog.StatusText(), QString("Classifing done, press View to see results"));
    QCOMPARE(testing::ReadRows(source, "select * from golf_again"),
             testing::ReadRows(source, "select * from golf_data"));

    QString shown;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle() + "|" + QString::fromStdString(source.CurrentTable());
      static_cast<QDialog*>(modal)->reject();
    });
    Child<QPushButton>(&dialog, "1019")->click();
    delete watch;
    QCOMPARE(shown, QString("QUARRY Query Set|golf_again"));

    // Training rows without a class are left out, and the dialog says how many.
    QVERIFY(source.Execute("SELECT * INTO [golf_some] FROM [golf_data]"));
    QVERIFY(source.Execute("UPDATE [golf_some] SET [play] = NULL WHERE [outlook] = 'rainy'"));
    prompts_->boxes.clear();
    dialog.Prepare();  // lists the new table
    dialog.ChooseTrainTable("golf_some");
    dialog.ChooseTestTable("golf_again");
    Child<QPushButton>(&dialog, "1029")->click();
    QCOMPARE(dialog.StatusText(), QString("Classifing done, press View to see results"));
    QCOMPARE(prompts_->Texts(),
             QStringList{"5 rows of golf_some have no class and were left out of training"});
  }

  void cancelForgetsTheTestTable() {
    KnnDialog& dialog = Dialog();
    dialog.ChooseTrainTable("golf_data");
    dialog.ChooseTestTable("golf_test");
    Child<QLineEdit>(&dialog, "1199")->setText("3");
    QPushButton* cancel = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
      if (button->text() == "&Cancel") cancel = button;
    QVERIFY(cancel);
    cancel->click();
    QVERIFY(Child<QListWidget>(&dialog, "1035")->selectedItems().isEmpty());
    QCOMPARE(Child<QLineEdit>(&dialog, "1199")->text(), QString("5"));
    QVERIFY(!Child<QWidget>(&dialog, "1199")->isEnabled());
    QVERIFY(!Child<QWidget>(&dialog, "1298")->isEnabled());
    dialog.Classify();
    QCOMPARE(dialog.StatusText(), QString("Please, select train and test table"));
  }

  void busyDatabaseIsNotWaitedFor() {
    KnnDialog& dialog = Dialog();
    dialog.ChooseTrainTable("golf_data");
    dialog.ChooseTestTable("golf_test");
    const Rows before = testing::ReadRows(window_->Source(), "select * from golf_test");
    testing::DatabaseHolder holder(window_->Source());
    dialog.Classify();
    QCOMPARE(dialog.StatusText(), QString("Please, system is busy,try again later"));
    dialog.Prepare();
    QCOMPARE(dialog.StatusText(), QString("Please, system is busy,try again later"));
    holder.Release();
    QCOMPARE(testing::ReadRows(window_->Source(), "select * from golf_test"), before);
  }

 private:
  KnnDialog& Dialog() {
    auto& dialog = window_->Bench().Dialog<KnnDialog>();
    dialog.Prepare();
    return dialog;
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::KnnDialogTest)
#include "knn_dialog_test.moc"
