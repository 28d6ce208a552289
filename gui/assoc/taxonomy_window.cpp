#include "gui/assoc/taxonomy_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/assoc/taxonomy.h"
#include "core/assoc/taxonomy_file.h"
#include "core/data/working_folder.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kTaxonomyFilter = "Taxonomies (*.tax)";

}  // namespace

TaxonomyWindow::TaxonomyWindow(assoc::Taxonomy& taxonomy, QWidget* parent)
    : QDialog(parent), taxonomy_(taxonomy) {
  setObjectName("taxWin");
  setWindowTitle("TaxWin");
  className_ = new QLineEdit(this);
  className_->setObjectName("className");
  enter_ = MakeButton(this, "->", "enterClassName");
  classNames_ = MakeList(this, "classNames");
  set_ = MakeButton(this, "Set", "set");
  classesAvailable_ = MakeList(this, "classesAvailable");
  attributesAvailable_ = MakeList(this, "attributesAvailable");
  attributesAvailable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fathers_ = MakeList(this, "fathers");
  children_ = MakeList(this, "children");
  leaves_ = MakeList(this, "leaves");
  attributes_ = MakeList(this, "attributes");
  addChildren_ = MakeButton(this, "Add children", "addChildren");
  addAttributes_ = MakeButton(this, "Add attributes", "addAttributes");
  setRoot_ = MakeButton(this, "Set Root", "setRoot");
  preprocessing_ = new QCheckBox("Ancestors pre-processing", this);
  preprocessing_->setObjectName("preprocessing");
  numClasses_ = MakeFigure(this, "numClasses");
  numAttributes_ = MakeFigure(this, "numAttributes");
  averageDepth_ = MakeFigure(this, "averageDepth");
  averageSons_ = MakeFigure(this, "averageSons");
  stretching_ = MakeFigure(this, "stretching");
  QPushButton* resetAll = MakeButton(this, "Reset All", "resetAll");
  QPushButton* save = MakeButton(this, "Save...", "save");
  QPushButton* load = MakeButton(this, "Load...", "load");
  QPushButton* close = MakeButton(this, "Close", "close");

  connect(enter_, &QPushButton::clicked, this, &TaxonomyWindow::EnterClassName);
  connect(className_, &QLineEdit::returnPressed, this, &TaxonomyWindow::EnterClassName);
  connect(set_, &QPushButton::clicked, this, &TaxonomyWindow::SetClasses);
  connect(setRoot_, &QPushButton::clicked, this, &TaxonomyWindow::SetRoot);
  connect(addChildren_, &QPushButton::clicked, this, &TaxonomyWindow::AddChildren);
  connect(addAttributes_, &QPushButton::clicked, this, &TaxonomyWindow::AddAttributes);
  connect(resetAll, &QPushButton::clicked, this, &TaxonomyWindow::ResetAll);
  connect(save, &QPushButton::clicked, this, &TaxonomyWindow::Save);
  connect(load, &QPushButton::clicked, this, &TaxonomyWindow::Load);
  connect(close, &QPushButton::clicked, this, &TaxonomyWindow::CloseWindow);
  connect(preprocessing_, &QCheckBox::toggled, this,
          [this](bool on) { taxonomy_.SetPreprocessing(on); });
  connect(fathers_, &QListWidget::currentTextChanged, this, &TaxonomyWindow::ShowChildren);
  connect(leaves_, &QListWidget::currentTextChanged, this, &TaxonomyWindow::ShowAttributes);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Class Name", this), 0, 0);
  grid->addWidget(className_, 1, 0);
  grid->addWidget(enter_, 1, 1);
  grid->addWidget(new QLabel("Class Names", this), 0, 2);
  grid->addWidget(classNames_, 1, 2, 3, 1);
  grid->addWidget(set_, 2, 1);
  grid->addWidget(new QLabel("Classes Available", this), 4, 0);
  grid->addWidget(classesAvailable_, 5, 0);
  grid->addWidget(new QLabel("Attributes Avaiable", this), 4, 2);
  grid->addWidget(attributesAvailable_, 5, 2);
  grid->addWidget(new QLabel("Fathers", this), 6, 0);
  grid->addWidget(fathers_, 7, 0);
  grid->addWidget(new QLabel("Children", this), 6, 1);
  grid->addWidget(children_, 7, 1);
  grid->addWidget(new QLabel("Leaves", this), 6, 2);
  grid->addWidget(leaves_, 7, 2);
  grid->addWidget(new QLabel("Attributes", this), 6, 3);
  grid->addWidget(attributes_, 7, 3);
  grid->addWidget(setRoot_, 8, 0);
  grid->addWidget(addChildren_, 8, 1);
  grid->addWidget(addAttributes_, 8, 2);
  grid->addWidget(preprocessing_, 8, 3);
  auto* figures = new QGridLayout;
  AddFigureRow(*figures, 0, "Num Classes", numClasses_);
  AddFigureRow(*figures, 1, "Num Attributes", numAttributes_);
  AddFigureRow(*figures, 2, "Average Depth", averageDepth_);
  AddFigureRow(*figures, 3, "Average Sons", averageSons_);
  AddFigureRow(*figures, 4, "Stretching", stretching_);
  grid->addLayout(figures, 0, 3, 6, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(resetAll);
  buttons->addWidget(save);
  buttons->addWidget(load);
  buttons->addStretch();
  buttons->addWidget(close);
  grid->addLayout(buttons, 9, 0, 1, 4);
  Refresh();
}

bool TaxonomyWindow::Report(const Status& status) {
  if (status.ok()) return true;
  CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(status.message()));
  return false;
}

void TaxonomyWindow::EnterClassName() {
  taxonomy_.AddClassName(className_->text().trimmed().toStdString());
  className_->clear();
  Refresh();
}

void TaxonomyWindow::SetClasses() {
  Report(taxonomy_.SetClasses());
  Refresh();
}

void TaxonomyWindow::SetRoot() {
  QListWidgetItem* father = fathers_->currentItem();
  if (father == nullptr) return;
  Report(taxonomy_.SetRoot(father->text().toStdString()));
  Refresh();
}

void TaxonomyWindow::AddChildren() {
  QListWidgetItem* father = fathers_->currentItem();
  QListWidgetItem* child = classesAvailable_->currentItem();
  if (father == nullptr || child == nullptr) return;
  const QString shown = father->text();
  Report(taxonomy_.AddChild(shown.toStdString(), child->text().toStdString()));
  Refresh();
  ChooseItem(fathers_, shown);
}

void TaxonomyWindow::AddAttributes() {
  QListWidgetItem* leaf = leaves_->currentItem();
  if (leaf == nullptr) return;
  std::vector<std::string> chosen;
  for (QListWidgetItem* item : attributesAvailable_->selectedItems())
    chosen.push_back(item->text().toStdString());
  if (chosen.empty()) return;
  const QString shown = leaf->text();
  Report(taxonomy_.AddAttributes(shown.toStdString(), chosen));
  Refresh();
  ChooseItem(leaves_, shown);
}

void TaxonomyWindow::ResetAll() {
  taxonomy_.ResetAll();
  Refresh();
}

void TaxonomyWindow::CloseWindow() {
  if (!Report(taxonomy_.Close())) return;
  Refresh();
  QDialog::accept();
}

void TaxonomyWindow::Save() {
  if (!Report(taxonomy_.Check())) return;
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().SaveFileName(
      this, "Save Taxonomy", QString::fromStdString(WorkingFolder().string()), kTaxonomyFilter);
  if (!path.isEmpty()) SaveTo(path);
}

void TaxonomyWindow::SaveTo(const QString& path) {
  if (!Report(taxonomy_.Check())) return;
  Report(assoc::WriteTaxonomyFile(taxonomy_, path.toStdString()));
}

void TaxonomyWindow::Load() {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().OpenFileName(
      this, "Load Taxonomy", QString::fromStdString(WorkingFolder().string()), kTaxonomyFilter);
  if (!path.isEmpty()) LoadFrom(path);
}

void TaxonomyWindow::LoadFrom(const QString& path) {
  auto read = assoc::ReadTaxonomyFile(path.toStdString(), taxonomy_.AttributeNames());
  if (!Report(read.status())) return;
  taxonomy_ = std::move(read.value());
  Refresh();
}

void TaxonomyWindow::Refresh() {
  const bool set = taxonomy_.ClassesSet();
  const bool rooted = taxonomy_.RootSet();
  const QString father = fathers_->currentItem() ? fathers_->currentItem()->text() : QString();
  const QString leaf = leaves_->currentItem() ? leaves_->currentItem()->text() : QString();
  Fill(*classNames_, set ? taxonomy_.ClassNames() : taxonomy_.EnteredClassNames());
  Fill(*classesAvailable_, taxonomy_.ClassesAvailable());
  Fill(*attributesAvailable_, taxonomy_.AttributesAvailable());
  Fill(*fathers_, set ? taxonomy_.ClassNames() : std::vector<std::string>{});
  Fill(*leaves_, set ? taxonomy_.ClassNames() : std::vector<std::string>{});
  ChooseItem(fathers_, father);
  ChooseItem(leaves_, leaf);
  ShowChildren();
  ShowAttributes();
  enter_->setEnabled(!set);
  className_->setEnabled(!set);
  setRoot_->setEnabled(set && !rooted);
  addChildren_->setEnabled(rooted);
  addAttributes_->setEnabled(rooted);
  const QSignalBlocker blocker(preprocessing_);
  preprocessing_->setChecked(taxonomy_.Preprocessing());
  const assoc::TaxonomyFigures figures = taxonomy_.Figures();
  numClasses_->setText(QString::number(figures.numClasses));
  numAttributes_->setText(QString::number(figures.numAttributes));
  averageDepth_->setText(QString::number(figures.averageDepth, 'f', 2));
  averageSons_->setText(QString::number(figures.averageSons, 'f', 2));
  stretching_->setText(QString::number(figures.stretching, 'f', 2));
}

void TaxonomyWindow::ShowChildren() {
  QListWidgetItem* father = fathers_->currentItem();
  Fill(*children_,
       father ? taxonomy_.Sons(father->text().toStdString()) : std::vector<std::string>{});
}

void TaxonomyWindow::ShowAttributes() {
  QListWidgetItem* leaf = leaves_->currentItem();
  Fill(*attributes_,
       leaf ? taxonomy_.Attributes(leaf->text().toStdString()) : std::vector<std::string>{});
}

}  // namespace quarry::gui
