#include "gui/treefiles/tree_diagram.h"

#include <QGraphicsLineItem>
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QMouseEvent>
#include <QPainterPath>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>

#include "core/common/text_util.h"
#include "core/treefiles/branch_condition.h"

namespace quarry::gui {

namespace {

constexpr double kBoxHeight = 46;
constexpr double kLevelGap = 64;
constexpr double kSlotGap = 18;
constexpr double kMaxBoxWidth = 240;
constexpr double kMinBoxWidth = 70;
constexpr int kNodeRole = 0;

const QColor kSplitFill(0xdb, 0xe9, 0xf7);
const QColor kLeafFill(0xdf, 0xf0, 0xd8);
const QColor kRegressFill(0xfc, 0xef, 0xd2);
const QColor kPathColor(0xd9, 0x6b, 0x00);

QString ElidedText(const QFontMetricsF& metrics, const QString& text) {
  return metrics.elidedText(text, Qt::ElideRight, kMaxBoxWidth - 12);
}

}  // namespace

TreeDiagram::TreeDiagram(QWidget* parent) : QGraphicsView(parent) {
  setObjectName("treeDiagram");
  setScene(new QGraphicsScene(this));
  setRenderHint(QPainter::Antialiasing);
  setDragMode(QGraphicsView::ScrollHandDrag);
  setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
  setBackgroundBrush(Qt::white);
}

void TreeDiagram::SetTree(const treefiles::TreeFile& tree) {
  scene()->clear();
  boxes_.assign(tree.nodes.size(), nullptr);
  edges_.assign(tree.nodes.size(), nullptr);
  fills_.assign(tree.nodes.size(), kSplitFill);
  onPath_.assign(tree.nodes.size(), false);
  selected_ = -1;
  if (tree.nodes.empty()) return;

  QFont captionFont = font();
  captionFont.setBold(true);
  QFont detailFont = font();
  detailFont.setPointSizeF(std::max(6.0, font().pointSizeF() - 1));
  const QFontMetricsF captionMetrics(captionFont);
  const QFontMetricsF detailMetrics(detailFont);

  // Texts first: every box has the width of the widest, so the tree lays out on equal slots.
  std::vector<QString> captions(tree.nodes.size());
  std::vector<QString> details(tree.nodes.size());
  double width = kMinBoxWidth;
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    const treefiles::ViewNode& node = tree.nodes[i];
    captions[i] =
        ElidedText(captionMetrics, QString::fromStdString(treefiles::NodeCaption(node.label)));
    details[i] = ElidedText(detailMetrics,
                            QString("%1: %2   n: %3")
                                .arg(tree.IsModelTree() ? "mean" : "class",
                                     QString::fromStdString(std::string(Trim(node.detail1))),
                                     QString::fromStdString(std::string(Trim(node.detail3)))));
    width = std::max({width, captionMetrics.horizontalAdvance(captions[i]) + 16,
                      detailMetrics.horizontalAdvance(details[i]) + 16});
  }
  width = std::min(width, kMaxBoxWidth);
  // Slots are wide enough for the branch conditions too, which sit just above their child.
  QFont edgeFont = detailFont;
  edgeFont.setItalic(true);
  const QFontMetricsF edgeMetrics(edgeFont);
  std::vector<QString> conditions(tree.nodes.size());
  double slot = width;
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    conditions[i] =
        ElidedText(edgeMetrics, QString::fromStdString(treefiles::BranchText(tree.nodes[i].label)));
    slot = std::max(slot, edgeMetrics.horizontalAdvance(conditions[i]) + 8);
  }

  // Leaves take slots left to right; a parent sits over the middle of its children. Nodes come
  // in depth-first order, so the leaves are met left to right and every child after its parent:
  // no walk down the tree, however deep it is.
  std::vector<double> x(tree.nodes.size(), 0);
  double nextSlot = 0;
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    if (!tree.nodes[i].children.empty()) continue;
    x[i] = nextSlot + (slot - width) / 2;
    nextSlot += slot + kSlotGap;
  }
  for (size_t i = tree.nodes.size(); i-- > 0;) {
    const std::vector<int>& children = tree.nodes[i].children;
    if (children.empty()) continue;
    x[i] = (x[static_cast<size_t>(children.front())] + x[static_cast<size_t>(children.back())]) / 2;
  }

  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    const treefiles::ViewNode& node = tree.nodes[i];
    const QRectF box(x[i], node.depth * (kBoxHeight + kLevelGap), width, kBoxHeight);
    if (node.kind == treefiles::kLeafNode) fills_[i] = kLeafFill;
    if (node.kind == treefiles::kRegressNode) fills_[i] = kRegressFill;
    QPainterPath shape;
    shape.addRoundedRect(box, 6, 6);
    auto* item = scene()->addPath(shape);
    item->setData(kNodeRole, static_cast<int>(i));
    item->setZValue(1);
    item->setToolTip(QString::fromStdString(node.kind + ":" + node.label));
    auto* caption = new QGraphicsSimpleTextItem(captions[i], item);
    caption->setFont(captionFont);
    caption->setPos(box.left() + (width - captionMetrics.horizontalAdvance(captions[i])) / 2,
                    box.top() + 5);
    auto* detail = new QGraphicsSimpleTextItem(details[i], item);
    detail->setFont(detailFont);
    detail->setPos(box.left() + (width - detailMetrics.horizontalAdvance(details[i])) / 2,
                   box.top() + 7 + captionMetrics.height());
    boxes_[i] = item;

    if (node.parent < 0) continue;
    const QRectF parent = NodeRect(node.parent);
    auto* edge =
        scene()->addLine(QLineF(parent.center().x(), parent.bottom(), box.center().x(), box.top()));
    edge->setZValue(0);
    edges_[i] = edge;
    if (!conditions[i].isEmpty()) {
      auto* label = scene()->addSimpleText(conditions[i], edgeFont);
      const QRectF bounds = label->boundingRect();
      const QPointF at = edge->line().pointAt(0.72);
      label->setPos(at.x() - bounds.width() / 2, at.y() - bounds.height() / 2);
      label->setBrush(QColor(0x33, 0x33, 0x33));
      label->setZValue(2);
      auto* back = scene()->addRect(label->sceneBoundingRect().adjusted(-2, 0, 2, 0), Qt::NoPen,
                                    QColor(255, 255, 255, 220));
      back->setZValue(1.5);
    }
  }
  scene()->setSceneRect(scene()->itemsBoundingRect().adjusted(-20, -20, 20, 20));
  Restyle();
  FitAll();
}

QRectF TreeDiagram::NodeRect(int node) const {
  if (node < 0 || static_cast<size_t>(node) >= boxes_.size() || !boxes_[static_cast<size_t>(node)])
    return {};
  return boxes_[static_cast<size_t>(node)]->path().boundingRect();
}

bool TreeDiagram::OnPath(int node) const {
  return node >= 0 && static_cast<size_t>(node) < onPath_.size() &&
         onPath_[static_cast<size_t>(node)];
}

void TreeDiagram::SetSelected(int node) {
  selected_ = node;
  Restyle();
  if (const QRectF rect = NodeRect(node); !rect.isEmpty()) ensureVisible(rect, 40, 40);
}

void TreeDiagram::SetPath(const std::vector<int>& path) {
  std::fill(onPath_.begin(), onPath_.end(), false);
  for (int node : path) {
    if (node >= 0 && static_cast<size_t>(node) < onPath_.size())
      onPath_[static_cast<size_t>(node)] = true;
  }
  Restyle();
}

void TreeDiagram::Restyle() {
  for (size_t i = 0; i < boxes_.size(); ++i) {
    if (!boxes_[i]) continue;
    QPen pen(QColor(0x55, 0x66, 0x77), 1.2);
    if (onPath_[i]) pen = QPen(kPathColor, 2.5);
    if (static_cast<int>(i) == selected_) pen = QPen(QColor(0xe6, 0x40, 0x00), 3.5);
    boxes_[i]->setPen(pen);
    boxes_[i]->setBrush(static_cast<int>(i) == selected_ ? fills_[i].lighter(104) : fills_[i]);
    if (edges_[i]) {
      edges_[i]->setPen(onPath_[i] ? QPen(kPathColor, 3) : QPen(QColor(0x88, 0x88, 0x88), 1.2));
    }
  }
}

void TreeDiagram::ZoomIn() { ScaleBy(1.25); }

void TreeDiagram::ZoomOut() { ScaleBy(1 / 1.25); }

void TreeDiagram::FitAll() {
  fitted_ = true;
  fitInView(scene()->sceneRect(), Qt::KeepAspectRatio);
  // A small tree is not blown up beyond its natural size.
  if (Zoom() > 1) setTransform(QTransform());
}

void TreeDiagram::resizeEvent(QResizeEvent* event) {
  QGraphicsView::resizeEvent(event);
  if (fitted_) FitAll();
}

void TreeDiagram::ScaleBy(double factor) {
  fitted_ = false;
  const double next = Zoom() * factor;
  if (next < 0.05 || next > 8) return;
  scale(factor, factor);
}

void TreeDiagram::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    event->angleDelta().y() > 0 ? ZoomIn() : ZoomOut();
    event->accept();
    return;
  }
  QGraphicsView::wheelEvent(event);
}

void TreeDiagram::mousePressEvent(QMouseEvent* event) {
  for (QGraphicsItem* item = itemAt(event->pos()); item; item = item->parentItem()) {
    const QVariant node = item->data(kNodeRole);
    if (node.isValid()) {
      emit NodeClicked(node.toInt());
      break;
    }
  }
  QGraphicsView::mousePressEvent(event);
}

}  // namespace quarry::gui
