#pragma once
// "K-Nearest-Neighbour": a training table, a test table of the same structure, a distance kind
// for each field, K, q and the weighting; OK classifies the test table in place (on the GUI
// thread, with a progress window) and View shows it.

#include <QDialog>
#include <map>

#include "core/knn/distance_kind.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quarry::gui {

class Workbench;

class KnnDialog : public QDialog {
  Q_OBJECT

 public:
  KnnDialog(Workbench& workbench, QWidget* parent = nullptr);

  // What opening the dialog does: K back to "5" and the tables listed again.
  void Prepare();
  QString StatusText() const;

  void ChooseTrainTable(const QString& table);
  void ChooseTestTable(const QString& table);
  // The distance of the field selected in "Table fields".
  void ChooseDistance(knn::DistanceKind kind);
  void Classify();
  void View();
  void CancelTest();

 private:
  void ShowFieldDistance();
  void EnableQ();

  Workbench& workbench_;
  QListWidget* trainTables_;
  QListWidget* testTables_;
  QListWidget* fields_;
  QListWidget* distances_;
  QLineEdit* q_;
  QCheckBox* weight_;
  QLineEdit* k_;
  QPushButton* ok_;
  QPushButton* view_;
  QLabel* status_;
  // The distance of each field of the training table, by name.
  std::map<QString, knn::DistanceKind> fieldDistances_;
};

}  // namespace quarry::gui
