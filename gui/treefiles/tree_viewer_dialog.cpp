#include "gui/treefiles/tree_viewer_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "core/common/text_util.h"
#include "core/treefiles/branch_condition.h"
#include "core/treefiles/model_file.h"
#include "gui/treefiles/tree_diagram.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr int kNodeRole = Qt::UserRole;

TreeViewerDialog::ApplyAction& ApplyActionSlot() {
  static TreeViewerDialog::ApplyAction action;
  return action;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

QToolButton* ToolButton(const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TreeViewerDialog::TreeViewerDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("treeViewer");
  setWindowTitle("Tree Visualization");
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tree");
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(true);
  tree_->setUniformRowHeights(true);
  information_ = new QLabel(kSelectNodeHint, this);
  information_->setObjectName("information");
  information_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  information_->setWordWrap(true);
  information_->setMinimumHeight(information_->fontMetrics().height() * 4);
  summary_ = new QLabel(this);
  summary_->setObjectName("summary");
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  diagram_ = new TreeDiagram(this);
  auto* zoomIn = ToolButton("Zoom &In", this);
  auto* zoomOut = ToolButton("Zoom &Out", this);
  auto* fit = ToolButton("&Fit", this);
  auto* follow = ToolButton("Follow a &Case...", this);
  follow->setObjectName("followCase");
  pathText_ = new QLabel(this);
  pathText_->setObjectName("pathText");
  auto* tools = new QHBoxLayout;
  tools->addWidget(zoomIn);
  tools->addWidget(zoomOut);
  tools->addWidget(fit);
  tools->addSpacing(12);
  tools->addWidget(follow);
  tools->addWidget(pathText_, 1);

  auto* left = new QWidget(this);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(tree_, 1);
  leftLayout->addWidget(information_);
  leftLayout->addWidget(summary_);
  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addLayout(tools);
  rightLayout->addWidget(diagram_, 1);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);

  auto* buttons = new QDialogButtonBox(this);
  apply_ = buttons->addButton("&Apply to a Table...", QDialogButtonBox::ActionRole);
  apply_->setObjectName("applyTree");
  apply_->setVisible(false);
  connect(apply_, &QPushButton::clicked, this, [this] {
    if (ApplyActionSlot()) ApplyActionSlot()(shown_);
  });
  buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addWidget(buttons);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item && item->data(0, kNodeRole).isValid()) ShowNode(item->data(0, kNodeRole).toInt());
  });
  connect(diagram_, &TreeDiagram::NodeClicked, this, &TreeViewerDialog::SelectNode);
  connect(zoomIn, &QToolButton::clicked, diagram_, &TreeDiagram::ZoomIn);
  connect(zoomOut, &QToolButton::clicked, diagram_, &TreeDiagram::ZoomOut);
  connect(fit, &QToolButton::clicked, diagram_, &TreeDiagram::FitAll);
  connect(follow, &QToolButton::clicked, this, &TreeViewerDialog::AskCase);
  resize(1040, 620);
}

void TreeViewerDialog::SetApplyAction(ApplyAction action) { ApplyActionSlot() = std::move(action); }

bool TreeViewerDialog::Load(const std::filesystem::path& file) {
  shown_ = std::filesystem::absolute(file);
  std::error_code ec;
  apply_->setVisible(ApplyActionSlot() &&
                     std::filesystem::is_regular_file(treefiles::ModelFileFor(file), ec));
  tree_->clear();
  items_.clear();
  information_->setText(kSelectNodeHint);
  summary_->clear();
  pathText_->clear();
  auto* root = new QTreeWidgetItem(tree_, QStringList{"Root"});
  auto parsed = treefiles::ReadTreeFile(file);
  if (!parsed) return false;
  file_ = std::move(parsed.value());

  summary_->setText(Text(file_.errorLine) + "\n" + Text(file_.measureLine));
  items_.resize(file_.nodes.size(), nullptr);
  for (size_t i = 0; i < file_.nodes.size(); ++i) {
    const treefiles::ViewNode& node = file_.nodes[i];
    QTreeWidgetItem* item = nullptr;
    if (node.depth == 0) {
      item = root;
      item->setText(0, Text(node.label));
    } else {
      // The reader gives each node the nearest earlier node one level up as its parent.
      item = new QTreeWidgetItem(items_[static_cast<size_t>(node.parent)],
                                 QStringList{Text(node.label)});
    }
    item->setData(0, kNodeRole, static_cast<int>(i));
    items_[i] = item;
  }
  tree_->expandAll();
  diagram_->SetTree(file_);
  setWindowTitle(QString("Tree Visualization - %1").arg(Text(file.filename().string())));
  return true;
}

QString TreeViewerDialog::Information() const { return information_->text(); }

QString TreeViewerDialog::Summary() const { return summary_->text(); }

QTreeWidgetItem* TreeViewerDialog::Item(int node) const {
  return node >= 0 && static_cast<size_t>(node) < items_.size() ? items_[static_cast<size_t>(node)]
                                                                : nullptr;
}

void TreeViewerDialog::SelectNode(int node) {
  if (QTreeWidgetItem* item = Item(node)) tree_->setCurrentItem(item);
}

void TreeViewerDialog::ShowNode(int index) {
  const treefiles::ViewNode& node = file_.nodes[static_cast<size_t>(index)];
  const std::string* details[] = {&node.detail1, &node.detail2, &node.detail3};
  QString text = "LABEL:" + Text(node.label);
  for (int d = 0; d < 3; ++d) {
    text += QString("\n%1: ").arg(treefiles::TreeFile::DetailCaption(file_.kind, d)) +
            Text(*details[d]);
  }
  information_->setText(text);
  diagram_->SetSelected(index);
}

std::vector<int> TreeViewerDialog::FollowCase(const QMap<QString, QString>& values) {
  lastCase_ = values;
  const std::vector<int> path =
      treefiles::FollowCase(file_, [&](const std::string& attribute) -> std::optional<std::string> {
        auto it = values.find(Text(attribute));
        if (it == values.end()) return std::nullopt;
        return it->toStdString();
      });
  diagram_->SetPath(path);
  if (path.empty()) return path;
  const treefiles::ViewNode& end = file_.nodes[static_cast<size_t>(path.back())];
  if (end.children.empty()) {
    pathText_->setText(QString("The case reaches %1: %2")
                           .arg(Text(end.kind), Text(treefiles::NodeCaption(end.label))));
  } else {
    pathText_->setText(QString("The case stops at %1: no branch takes its value")
                           .arg(Text(treefiles::NodeCaption(end.label))));
  }
  SelectNode(path.back());
  return path;
}

QString TreeViewerDialog::PathText() const { return pathText_->text(); }

void TreeViewerDialog::AskCase() {
  QDialog ask(this);
  ask.setWindowTitle("Follow a Case");
  auto* form = new QFormLayout;
  // A discrete attribute offers the values its branches name ("?": missing); a continuous one
  // takes a number.
  std::vector<std::pair<QString, std::function<QString()>>> fields;
  for (const treefiles::TestedAttribute& attribute : treefiles::TestedAttributeValues(file_)) {
    const QString name = Text(attribute.name);
    const QString last = lastCase_.value(name);
    QWidget* field = nullptr;
    if (attribute.discrete) {
      auto* choice = new QComboBox(&ask);
      choice->addItem("?");
      for (const std::string& value : attribute.values) choice->addItem(Text(value));
      choice->setCurrentIndex(std::max(0, choice->findText(last)));
      fields.emplace_back(name, [choice] { return choice->currentText(); });
      field = choice;
    } else {
      auto* edit = new QLineEdit(last, &ask);
      edit->setPlaceholderText("?");
      fields.emplace_back(name, [edit] { return edit->text().trimmed(); });
      field = edit;
    }
    field->setObjectName(name);
    form->addRow(name + ":", field);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
  connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
  auto* layout = new QVBoxLayout(&ask);
  layout->addWidget(
      new QLabel("The values of the case (\"?\" or nothing for a missing value):", &ask));
  layout->addLayout(form);
  layout->addWidget(buttons);
  if (ask.exec() != QDialog::Accepted) return;
  QMap<QString, QString> values;
  for (const auto& [attribute, value] : fields) values[attribute] = value();
  FollowCase(values);
}

void ShowTree(QWidget* parent, const std::string& name) {
  TreeViewerDialog viewer(parent);
  if (!viewer.Load(treefiles::FindResultFile(name, ".tree"))) {
    CurrentPrompts().Message(
        parent, QMessageBox::Warning,
        QString::fromUtf8(treefiles::kBadTreeFileFormat.data(),
                          static_cast<int>(treefiles::kBadTreeFileFormat.size())));
    return;
  }
  viewer.exec();
}

}  // namespace quarry::gui
