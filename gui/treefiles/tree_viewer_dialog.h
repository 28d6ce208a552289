#pragma once
// "Tree Visualization": a tree file as an expandable tree control whose top item is "Root",
// the selected node's information, the tree's error summary, and beside them a drawing of the
// tree in which one case can be followed from the root to its leaf.

#include <QDialog>
#include <QMap>
#include <filesystem>
#include <functional>
#include <vector>

#include "core/treefiles/tree_file_reader.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarry::gui {

class TreeDiagram;

inline constexpr const char* kSelectNodeHint = "Please, select a node for information.";

class TreeViewerDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TreeViewerDialog(QWidget* parent = nullptr);

  // Reads and shows the file; false when it cannot be shown (the caller says so and closes).
  bool Load(const std::filesystem::path& file);

  QTreeWidget& Tree() const { return *tree_; }
  TreeDiagram& Diagram() const { return *diagram_; }
  QString Information() const;
  QString Summary() const;
  // The tree-control item of a node (the "Root" item for the root).
  QTreeWidgetItem* Item(int node) const;
  void SelectNode(int node);

  // Follows a case given as attribute values; shows and returns the path.
  std::vector<int> FollowCase(const QMap<QString, QString>& values);
  QString PathText() const;

  // What "Apply to a Table..." does with the tree file shown; the workbench sets it. Without it,
  // or for a tree file without its model file, the button is hidden.
  using ApplyAction = std::function<void(const std::filesystem::path& treeFile)>;
  static void SetApplyAction(ApplyAction action);
  QPushButton& ApplyButton() const { return *apply_; }

 private:
  void ShowNode(int node);
  void AskCase();

  treefiles::TreeFile file_;
  std::vector<QTreeWidgetItem*> items_;
  QMap<QString, QString> lastCase_;
  QTreeWidget* tree_;
  QLabel* information_;
  QLabel* summary_;
  QLabel* pathText_;
  TreeDiagram* diagram_;
  QPushButton* apply_;
  std::filesystem::path shown_;
};

// Shows the tree file `name` (a path with or without ".tree", or a name in the working folder)
// modally; a file that cannot be shown gives "This file hasn't a correct format, please select
// another." and no viewer.
void ShowTree(QWidget* parent, const std::string& name);

}  // namespace quarry::gui
