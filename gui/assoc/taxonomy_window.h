#pragma once
// "TaxWin": builds the taxonomy of generalized association rules step by step over the core
// model (core/assoc/taxonomy.h), which holds every rule and message; the window only shows the
// model's lists and figures and passes the user's choices on. "Close" keeps the window open
// while the model's checks fail. "Save..." and "Load..." keep a taxonomy in a taxonomy file.

#include <QDialog>

#include "core/common/status.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quarry::assoc {
class Taxonomy;
}

namespace quarry::gui {

class TaxonomyWindow : public QDialog {
  Q_OBJECT

 public:
  TaxonomyWindow(assoc::Taxonomy& taxonomy, QWidget* parent = nullptr);

  // "Close": the first failing check as a warning, or the taxonomy is finalised and the window
  // closes. Closing the window any other way goes the same road.
  void CloseWindow();
  void reject() override { CloseWindow(); }

  void SaveTo(const QString& path);
  void LoadFrom(const QString& path);

 private:
  void EnterClassName();
  void SetClasses();
  void SetRoot();
  void AddChildren();
  void AddAttributes();
  void ResetAll();
  void Save();
  void Load();
  // Shows the model as it is now.
  void Refresh();
  void ShowChildren();
  void ShowAttributes();
  // A refused step's message as a warning box; whether the step went through.
  bool Report(const Status& status);

  assoc::Taxonomy& taxonomy_;
  QLineEdit* className_;
  QPushButton* enter_;
  QListWidget* classNames_;
  QPushButton* set_;
  QListWidget* classesAvailable_;
  QListWidget* attributesAvailable_;
  QListWidget* fathers_;
  QListWidget* children_;
  QListWidget* leaves_;
  QListWidget* attributes_;
  QPushButton* addChildren_;
  QPushButton* addAttributes_;
  QPushButton* setRoot_;
  QCheckBox* preprocessing_;
  QLabel* numClasses_;
  QLabel* numAttributes_;
  QLabel* averageDepth_;
  QLabel* averageSons_;
  QLabel* stretching_;
};

}  // namespace quarry::gui
