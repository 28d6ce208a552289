#include "gui/assoc/rule_filter_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <fstream>
#include <sstream>

#include "core/data/working_folder.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/assoc/template_window.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kTemplateFilter = "Rule templates (*.txt)";

}  // namespace

RuleFilterWindow::RuleFilterWindow(Workbench&, QWidget* parent) : QDialog(parent) {
  setObjectName("filWin");
  setWindowTitle("FilWin");
  rules_ = MakeList(this, "rules");
  rules_->setSelectionMode(QAbstractItemView::NoSelection);
  inclusive_ = MakeList(this, "inclusive");
  restrictive_ = MakeList(this, "restrictive");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  QPushButton* add = MakeButton(this, "New Template...", "newTemplate");
  QPushButton* remove = MakeButton(this, "Remove Template", "removeTemplate");
  QPushButton* load = MakeButton(this, "Load Templates...", "loadTemplates");
  QPushButton* save = MakeButton(this, "Save Templates...", "saveTemplates");
  QPushButton* close = MakeButton(this, "Close", "close");
  connect(add, &QPushButton::clicked, this, &RuleFilterWindow::NewTemplate);
  connect(remove, &QPushButton::clicked, this, &RuleFilterWindow::RemoveSelectedTemplate);
  connect(load, &QPushButton::clicked, this, &RuleFilterWindow::Load);
  connect(save, &QPushButton::clicked, this, &RuleFilterWindow::Save);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  // One template chosen at a time, in either list.
  connect(inclusive_, &QListWidget::itemPressed, this, [this] { restrictive_->clearSelection(); });
  connect(restrictive_, &QListWidget::itemPressed, this, [this] { inclusive_->clearSelection(); });

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Rules", this), 0, 0, 1, 2);
  grid->addWidget(rules_, 1, 0, 1, 2);
  grid->addWidget(new QLabel("Inclusive templates", this), 2, 0);
  grid->addWidget(new QLabel("Restrictive templates", this), 2, 1);
  grid->addWidget(inclusive_, 3, 0);
  grid->addWidget(restrictive_, 3, 1);
  grid->addWidget(status_, 4, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addWidget(load);
  buttons->addWidget(save);
  buttons->addStretch();
  buttons->addWidget(close);
  grid->addLayout(buttons, 5, 0, 1, 2);
  grid->setRowStretch(1, 2);
  grid->setRowStretch(3, 1);
  resize(680, 520);
  Refilter();
}

void RuleFilterWindow::SetRules(std::vector<assoc::AssociationRule> rules,
                                std::vector<std::string> itemNames,
                                const assoc::Taxonomy* taxonomy) {
  itemNames_ = itemNames;
  taxonomy_ = taxonomy ? std::make_unique<assoc::Taxonomy>(*taxonomy) : nullptr;
  filter_.SetRules(std::move(rules), assoc::ItemCatalog{std::move(itemNames), taxonomy_.get()});
  Refilter();
}

Status RuleFilterWindow::AddTemplate(assoc::TemplateKind kind, const QString& left,
                                     const QString& right) {
  assoc::TemplateSet added = templates_;
  if (Status s = added.Add(kind, left.toStdString(), right.toStdString()); !s.ok()) return s;
  templates_ = std::move(added);
  Refilter();
  return Status::Ok();
}

void RuleFilterWindow::RemoveSelectedTemplate() {
  // The two lists show the set's templates of one kind each, in set order.
  const bool inclusive = !inclusive_->selectedItems().isEmpty();
  QListWidget* list = inclusive ? inclusive_ : restrictive_;
  if (list->selectedItems().isEmpty()) return;
  const int row = list->row(list->selectedItems().first());
  const assoc::TemplateKind kind =
      inclusive ? assoc::TemplateKind::kInclusive : assoc::TemplateKind::kRestrictive;
  int seen = -1;
  for (size_t i = 0; i < templates_.Templates().size(); ++i) {
    if (templates_.Templates()[i].kind == kind && ++seen == row) {
      templates_.Remove(i);
      break;
    }
  }
  Refilter();
}

Status RuleFilterWindow::LoadTemplates(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  if (!in) return IoError("cannot read " + path.toStdString());
  std::ostringstream text;
  text << in.rdbuf();
  assoc::TemplateSet loaded;
  if (Status s = loaded.AddText(text.str()); !s.ok()) return s;
  templates_ = std::move(loaded);
  Refilter();
  return Status::Ok();
}

Status RuleFilterWindow::SaveTemplates(const QString& path) const {
  return WriteResultFile(path.toStdString(), templates_.ToText());
}

QString RuleFilterWindow::StatusText() const { return status_->text(); }

void RuleFilterWindow::NewTemplate() {
  assoc::ItemCatalog catalog{itemNames_, taxonomy_.get()};
  TemplateWindow window(catalog, this);
  if (window.exec() != QDialog::Accepted) return;
  if (Status s = AddTemplate(window.Kind(), window.Left(), window.Right()); !s.ok())
    CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
}

void RuleFilterWindow::Load() {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().OpenFileName(
      this, "Load Templates", QString::fromStdString(WorkingFolder().string()), kTemplateFilter);
  if (path.isEmpty()) return;
  if (Status s = LoadTemplates(path); !s.ok())
    CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
}

void RuleFilterWindow::Save() {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().SaveFileName(
      this, "Save Templates", QString::fromStdString(WorkingFolder().string()), kTemplateFilter);
  if (path.isEmpty()) return;
  if (Status s = SaveTemplates(path); !s.ok())
    CurrentPrompts().Message(this, QMessageBox::Warning, QString::fromStdString(s.message()));
}

void RuleFilterWindow::Refilter() {
  inclusive_->clear();
  restrictive_->clear();
  for (const assoc::KindedTemplate& t : templates_.Templates()) {
    (t.kind == assoc::TemplateKind::kInclusive ? inclusive_ : restrictive_)
        ->addItem(QString::fromStdString(t.rule.Text()));
  }
  rules_->clear();
  kept_.clear();
  auto kept = filter_.Apply(templates_);
  if (!kept) {
    // A template naming a class of another taxonomy: nothing is shown rather than a guess.
    status_->setText(QString::fromStdString(kept.status().message()));
    return;
  }
  kept_ = std::move(kept.value());
  const std::vector<assoc::AssociationRule>& rules = filter_.Rules();
  for (size_t i : kept_) {
    const assoc::AssociationRule& rule = rules[i];
    rules_->addItem(QString("%1   supp: %2  conf: %3")
                        .arg(QString::fromStdString(rule.text))
                        .arg(static_cast<double>(rule.support), 0, 'f', 6)
                        .arg(static_cast<double>(rule.confidence), 0, 'f', 6));
  }
  status_->setText(QString("%1 of %2 rules shown").arg(kept_.size()).arg(rules.size()));
}

}  // namespace quarry::gui
