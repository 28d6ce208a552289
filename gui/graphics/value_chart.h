#pragma once
// The chart of the graphic analysis: the grid's rows drawn as one of the popup menu's kinds.
// Where the chart library has no true 3D, the "3D" kinds get depth from an offset, darker copy
// of the shapes behind them.

#include <QString>
#include <QStringList>
#include <vector>

class QChart;

namespace quarry::gui {

enum class ChartKind { kHistogram, kPie, kArea, kStep, kHistogram3D, kArea3D, kStep3D };

// The popup menu's caption of a kind ("Histogram", "Histogram 3D", ...).
QString ChartKindCaption(ChartKind kind);
inline constexpr ChartKind kChartKinds[] = {
    ChartKind::kHistogram,   ChartKind::kPie,    ChartKind::kArea,  ChartKind::kStep,
    ChartKind::kHistogram3D, ChartKind::kArea3D, ChartKind::kStep3D};

struct ChartData {
  QString series;          // the grid column the heights come from ("Value", "Probability")
  QStringList categories;  // one per grid row
  std::vector<double> heights;
};

struct ChartLook {
  ChartKind kind = ChartKind::kHistogram;
  bool legend = false;
  bool stacking = false;
};

// A new chart (the caller owns it) with the axis titles "ASSE X" and "ASSE Y".
QChart* MakeValueChart(const ChartData& data, const ChartLook& look);

}  // namespace quarry::gui
