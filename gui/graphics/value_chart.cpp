#include "gui/graphics/value_chart.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLinearGradient>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace quarry::gui {

namespace {

constexpr const char* kAxisX = "ASSE X";
constexpr const char* kAxisY = "ASSE Y";
const QColor kFace(0x3a, 0x7b, 0xc8);
// Bars and plateaus take this much of the width of their category.
constexpr double kBarWidth = 0.7;

struct Range {
  double low = 0;
  double high = 1;
};

Range HeightRange(const std::vector<double>& heights) {
  Range range{0, 0};
  for (double height : heights) {
    range.low = std::min(range.low, height);
    range.high = std::max(range.high, height);
  }
  if (range.high == range.low) range.high = range.low + 1;
  const double margin = (range.high - range.low) * 0.08;
  if (range.low < 0) range.low -= margin;
  range.high += margin;
  return range;
}

// Category i sits at x = i + 1; the labels are centred on their category.
QCategoryAxis* CategoryAxis(const QStringList& categories) {
  auto* axis = new QCategoryAxis;
  axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
  axis->setStartValue(0.5);
  for (int i = 0; i < categories.size(); ++i) axis->append(categories[i], i + 1.5);
  axis->setRange(0.5, categories.size() + 0.5);
  return axis;
}

// The outline of bars (or of a staircase) as one line over x = category positions.
QLineSeries* Outline(const std::vector<double>& heights, bool bars, QPointF shift) {
  auto* line = new QLineSeries;
  for (size_t i = 0; i < heights.size(); ++i) {
    const double x = static_cast<double>(i) + 1;
    const double y = heights[i] + shift.y();
    if (bars) {
      const double half = kBarWidth / 2;
      line->append(x - half + shift.x(), shift.y());
      line->append(x - half + shift.x(), y);
      line->append(x + half + shift.x(), y);
      line->append(x + half + shift.x(), shift.y());
    } else {
      line->append(x - 0.5 + shift.x(), y);
      line->append(x + 0.5 + shift.x(), y);
    }
  }
  return line;
}

QLineSeries* Polyline(const std::vector<double>& heights, QPointF shift) {
  auto* line = new QLineSeries;
  for (size_t i = 0; i < heights.size(); ++i)
    line->append(static_cast<double>(i) + 1 + shift.x(), heights[i] + shift.y());
  return line;
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
}

// The area under `upper` and, when given, over `lower`.
QAreaSeries* Area(QLineSeries* upper, const QColor& colour, bool gradient,
                  QLineSeries* lower = nullptr) {
  auto* area = new QAreaSeries(upper, lower);
  if (gradient) {
    QLinearGradient fill(QPointF(0, 0), QPointF(1, 0));
    fill.setCoordinateMode(QGradient::ObjectBoundingMode);
    fill.setColorAt(0, colour.lighter(130));
    fill.setColorAt(1, colour.darker(115));
    area->setBrush(fill);
  } else {
    area->setBrush(colour);
  }
  area->setPen(QPen(colour.darker(150), 1));
  return area;
}

void DrawBars(QChart* chart, const ChartData& data, const ChartLook& look, QAbstractAxis* y) {
  auto* set = new QBarSet(data.series);
  for (double height : data.heights) set->append(height);
  set->setColor(kFace);
  QAbstractBarSeries* bars =
      look.stacking ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries) : new QBarSeries;
  bars->append(set);
  bars->setBarWidth(kBarWidth);
  auto* x = new QBarCategoryAxis;
  x->append(data.categories);
  x->setTitleText(kAxisX);
  chart->addAxis(x, Qt::AlignBottom);
  Attach(chart, bars, x, y);
}

// The shapes of a 3D kind: a darker copy shifted up and to the right first, the face over it.
void DrawWithDepth(QChart* chart, const ChartData& data, ChartKind kind, QAbstractAxis* y,
                   const Range& range) {
  const QPointF depth(0.18, (range.high - range.low) * 0.04);
  auto* x = CategoryAxis(data.categories);
  x->setTitleText(kAxisX);
  x->setMax(x->max() + depth.x());
  chart->addAxis(x, Qt::AlignBottom);
  const QColor back = kFace.darker(170);
  const bool bars = kind == ChartKind::kHistogram3D;
  if (kind == ChartKind::kStep3D) {
    auto* shadow = Outline(data.heights, false, depth);
    shadow->setPen(QPen(back, 5));
    Attach(chart, shadow, x, y);
    auto* face = Outline(data.heights, false, {});
    face->setPen(QPen(kFace, 5));
    face->setName(data.series);
    Attach(chart, face, x, y);
  } else {
    // The copy stands on the shifted floor, so nothing of it shows between the bars.
    QLineSeries* upper = bars ? Outline(data.heights, true, depth) : Polyline(data.heights, depth);
    auto* floor = new QLineSeries;
    if (upper->count() > 0) {
      floor->append(upper->at(0).x(), depth.y());
      floor->append(upper->at(upper->count() - 1).x(), depth.y());
    }
    QAreaSeries* shadow = Area(upper, back, false, floor);
    shadow->setPen(Qt::NoPen);
    Attach(chart, shadow, x, y);
    QAreaSeries* face =
        Area(bars ? Outline(data.heights, true, {}) : Polyline(data.heights, {}), kFace, true);
    face->setName(data.series);
    Attach(chart, face, x, y);
  }
  // Only the face is named in the legend.
  for (QLegendMarker* marker : chart->legend()->markers()) {
    if (marker->series()->name().isEmpty()) marker->setVisible(false);
  }
}

}  // namespace

QString ChartKindCaption(ChartKind kind) {
  switch (kind) {
    case ChartKind::kHistogram:
      return "Histogram";
    case ChartKind::kPie:
      return "Pie";
    case ChartKind::kArea:
      return "Area";
    case ChartKind::kStep:
      return "Step";
    case ChartKind::kHistogram3D:
      return "Histogram 3D";
    case ChartKind::kArea3D:
      return "Area 3D";
    case ChartKind::kStep3D:
      return "Step 3D";
  }
  return {};
}

QChart* MakeValueChart(const ChartData& data, const ChartLook& look) {
  auto* chart = new QChart;
  chart->legend()->setVisible(look.legend);
  chart->legend()->setAlignment(Qt::AlignRight);
  if (look.kind == ChartKind::kPie) {
    auto* pie = new QPieSeries;
    pie->setName(data.series);
    for (int i = 0; i < data.categories.size(); ++i) {
      const double height = i < static_cast<int>(data.heights.size()) ? data.heights[i] : 0;
      QPieSlice* slice = pie->append(data.categories[i], std::abs(height));
      slice->setLabelVisible(data.categories.size() <= 24);
    }
    chart->addSeries(pie);
    return chart;
  }
  const Range range = HeightRange(data.heights);
  auto* y = new QValueAxis;
  y->setTitleText(kAxisY);
  y->setRange(range.low, range.high);
  chart->addAxis(y, Qt::AlignLeft);
  switch (look.kind) {
    case ChartKind::kHistogram:
      DrawBars(chart, data, look, y);
      break;
    case ChartKind::kArea:
    case ChartKind::kStep: {
      auto* x = CategoryAxis(data.categories);
      x->setTitleText(kAxisX);
      chart->addAxis(x, Qt::AlignBottom);
      if (look.kind == ChartKind::kArea) {
        QAreaSeries* area = Area(Polyline(data.heights, {}), kFace, false);
        area->setName(data.series);
        Attach(chart, area, x, y);
      } else {
        QLineSeries* step = Outline(data.heights, false, {});
        step->setPen(QPen(kFace, 3));
        step->setName(data.series);
        Attach(chart, step, x, y);
      }
      break;
    }
    default:
      DrawWithDepth(chart, data, look.kind, y, range);
      break;
  }
  return chart;
}

}  // namespace quarry::gui
