#pragma once
// "Apply Model": a tree file of the working folder (one with its model file beside it), a table
// of the open database and the new columns' names; Execute scores the table with the tree as a
// background job, shows what quarry-cli apply prints (the confusion matrix and error rate when
// the table has the class) and opens the table viewer on the table with its new columns.

#include <QDialog>
#include <QString>
#include <filesystem>

#include "gui/app/job_runner.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace quarry::gui {

class Workbench;

inline constexpr const char* kChooseTreeAndTable = "Please, select a tree file and a table";

class ApplyModelDialog : public QDialog {
  Q_OBJECT

 public:
  ApplyModelDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tree files and the tables again; what was chosen stays chosen.
  void Prepare();
  // Chooses the tree file `treeFile`, listed or not (a tree file outside the working folder shows
  // its whole path).
  void ChooseModel(const std::filesystem::path& treeFile);
  void ChooseTable(const QString& table);

  QString StatusText() const;
  QString SummaryText() const;
  void Execute();

 private:
  void JobEnded(bool ok, const QString& message);

  Workbench& workbench_;
  JobRunner runner_;
  QComboBox* models_;
  QComboBox* tables_;
  QLineEdit* column_;
  QLineEdit* confidence_;
  QLineEdit* leaf_;
  QCheckBox* overwrite_;
  QLabel* status_;
  QPlainTextEdit* summary_;
  QString scoredTable_;  // the table of the job that runs
};

}  // namespace quarry::gui
