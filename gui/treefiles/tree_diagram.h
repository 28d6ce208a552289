#pragma once
// A drawing of a tree file beside the viewer's tree control: one box per node (splits, leaves
// and regression nodes in their own colours), the branch conditions on the edges, the selected
// node outlined and one case's path marked. Ctrl+wheel or the zoom commands scale it.

#include <QGraphicsView>
#include <vector>

#include "core/treefiles/tree_file_reader.h"

class QGraphicsPathItem;
class QGraphicsLineItem;

namespace quarry::gui {

class TreeDiagram : public QGraphicsView {
  Q_OBJECT

 public:
  explicit TreeDiagram(QWidget* parent = nullptr);

  void SetTree(const treefiles::TreeFile& tree);
  void SetSelected(int node);
  void SetPath(const std::vector<int>& path);

  void ZoomIn();
  void ZoomOut();
  // Shows the whole tree (a small one at its natural size); it stays fitted as the view is
  // resized until the user zooms. A new tree comes in fitted.
  void FitAll();
  double Zoom() const { return transform().m11(); }

  // Where a node's box is, in scene coordinates (empty for an unknown node).
  QRectF NodeRect(int node) const;
  int Selected() const { return selected_; }
  bool OnPath(int node) const;

 signals:
  void NodeClicked(int node);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ScaleBy(double factor);
  void Restyle();

  std::vector<QGraphicsPathItem*> boxes_;
  std::vector<QGraphicsLineItem*> edges_;  // edges_[n]: the edge into node n (null for the root)
  std::vector<QColor> fills_;
  std::vector<bool> onPath_;
  int selected_ = -1;
  bool fitted_ = true;
};

}  // namespace quarry::gui
