#include "gui/assoc/template_window.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

#include "core/assoc/taxonomy.h"
#include "gui/assoc/assoc_widgets.h"

namespace quarry::gui {

TemplateWindow::TemplateWindow(const assoc::ItemCatalog& catalog, QWidget* parent)
    : QDialog(parent), catalog_(catalog) {
  setObjectName("temWin");
  setWindowTitle("TemWin");
  left_ = new QLineEdit(this);
  left_->setObjectName("left");
  right_ = new QLineEdit(this);
  right_->setObjectName("right");
  inclusive_ = new QRadioButton("Inclusive", this);
  inclusive_->setObjectName("inclusive");
  inclusive_->setChecked(true);
  restrictive_ = new QRadioButton("Restrictive", this);
  restrictive_->setObjectName("restrictive");
  items_ = MakeList(this, "items");
  classes_ = MakeList(this, "classes");
  const int columns = catalog_.taxonomy ? catalog_.taxonomy->AttributeCount()
                                        : static_cast<int>(catalog_.itemNames.size());
  for (int i = 0; i < columns && i < static_cast<int>(catalog_.itemNames.size()); ++i)
    items_->addItem(QString::fromStdString(catalog_.itemNames[static_cast<size_t>(i)]));
  if (catalog_.taxonomy) Fill(*classes_, catalog_.taxonomy->ClassNames());
  classes_->setEnabled(catalog_.taxonomy != nullptr);
  text_ = new QLabel(this);
  text_->setObjectName("templateText");
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  QPushButton* toLeft = MakeButton(this, "Add to Left", "addToLeft");
  QPushButton* toRight = MakeButton(this, "Add to Right", "addToRight");
  connect(toLeft, &QPushButton::clicked, this, [this] { Insert(*left_); });
  connect(toRight, &QPushButton::clicked, this, [this] { Insert(*right_); });
  connect(left_, &QLineEdit::textChanged, this, &TemplateWindow::ShowText);
  connect(right_, &QLineEdit::textChanged, this, &TemplateWindow::ShowText);
  // One choice at a time between a column and a class.
  connect(items_, &QListWidget::itemPressed, classes_, [this] { classes_->clearSelection(); });
  connect(classes_, &QListWidget::itemPressed, items_, [this] { items_->clearSelection(); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TemplateWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Left side", this), 0, 0);
  grid->addWidget(left_, 1, 0);
  grid->addWidget(new QLabel("==>", this), 1, 1);
  grid->addWidget(new QLabel("Right side", this), 0, 2);
  grid->addWidget(right_, 1, 2);
  auto* kind = new QHBoxLayout;
  kind->addWidget(inclusive_);
  kind->addWidget(restrictive_);
  kind->addStretch();
  grid->addLayout(kind, 2, 0, 1, 3);
  grid->addWidget(new QLabel("Items", this), 3, 0);
  grid->addWidget(new QLabel("Classes", this), 3, 2);
  grid->addWidget(items_, 4, 0);
  grid->addWidget(classes_, 4, 2);
  auto* insert = new QHBoxLayout;
  insert->addWidget(toLeft);
  insert->addWidget(toRight);
  insert->addStretch();
  grid->addLayout(insert, 5, 0, 1, 3);
  grid->addWidget(text_, 6, 0, 1, 3);
  grid->addWidget(status_, 7, 0, 1, 3);
  grid->addWidget(buttons, 8, 0, 1, 3);
  resize(560, 420);
}

void TemplateWindow::SetTemplate(assoc::TemplateKind kind, const QString& left,
                                 const QString& right) {
  (kind == assoc::TemplateKind::kInclusive ? inclusive_ : restrictive_)->setChecked(true);
  left_->setText(left);
  right_->setText(right);
}

assoc::TemplateKind TemplateWindow::Kind() const {
  return restrictive_->isChecked() ? assoc::TemplateKind::kRestrictive
                                   : assoc::TemplateKind::kInclusive;
}

QString TemplateWindow::Left() const { return left_->text().trimmed(); }
QString TemplateWindow::Right() const { return right_->text().trimmed(); }
QString TemplateWindow::StatusText() const { return status_->text(); }

void TemplateWindow::Insert(QLineEdit& side) {
  QString element;
  if (QListWidgetItem* item = items_->currentItem(); item && item->isSelected()) {
    element = QString::fromStdString(assoc::TemplateName(item->text().toStdString()));
  } else if (QListWidgetItem* cls = classes_->currentItem(); cls && cls->isSelected()) {
    element = "<" + QString::fromStdString(assoc::TemplateName(cls->text().toStdString())) + ">";
  }
  if (element.isEmpty()) return;
  const QString now = side.text().trimmed();
  side.setText(now.isEmpty() ? element : now + ", " + element);
}

void TemplateWindow::ShowText() {
  text_->setText(Left() + "    ==>  " + Right());
  status_->clear();
}

void TemplateWindow::accept() {
  auto parsed = assoc::RuleTemplate::FromSides(Left().toStdString(), Right().toStdString());
  Status status = parsed ? parsed->CheckClasses(catalog_) : parsed.status();
  if (!status.ok()) {
    status_->setText(QString::fromStdString(status.message()));
    return;
  }
  QDialog::accept();
}

}  // namespace quarry::gui
