#include "gui/app/textual_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace quarry::gui {

TextualView::TextualView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName("textualView");
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  UpdateScrollBars();
}

QString TextualView::Text() const {
  QStringList lines;
  for (const std::string& line : layout_.lines) lines << QString::fromStdString(line);
  return lines.join('\n');
}

QFont TextualView::TextFont() {
  QFont font("Arial");
  font.setPixelSize(kTextLineStep);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  font.setFixedPitch(false);
  return font;
}

void TextualView::ShowDocument(const std::filesystem::path& documentCopy) {
  Clear();
  auto copy = ScratchCopy::Make(documentCopy, kViewScratchName);
  if (copy) {
    copy_ = std::move(copy.value());
    if (auto layout = LayoutTextualLines(copy_.path())) layout_ = std::move(layout.value());
  }
  UpdateScrollBars();
  viewport()->update();
}

void TextualView::Clear() {
  copy_ = ScratchCopy();
  layout_ = TextualLayout();
  UpdateScrollBars();
  viewport()->update();
}

void TextualView::UpdateScrollBars() {
  const QSize page = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, kTextViewWidth - page.width()));
  horizontalScrollBar()->setPageStep(page.width());
  horizontalScrollBar()->setSingleStep(kTextLineStep);
  verticalScrollBar()->setRange(0, std::max(0, layout_.TotalHeight() - page.height()));
  verticalScrollBar()->setPageStep(page.height());
  verticalScrollBar()->setSingleStep(kTextLineStep);
}

void TextualView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TextualView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(TextFont());
  painter.setPen(palette().color(QPalette::Text));
  const int dx = horizontalScrollBar()->value();
  const int dy = verticalScrollBar()->value();
  // Positions are those of the document; a line's position is the top of its text.
  const int ascent = QFontMetrics(painter.font()).ascent();
  const QRect area = event->rect().translated(dx, dy);
  const int count = static_cast<int>(layout_.lines.size());
  const int first = std::max(0, area.top() / kTextLineStep - 1);
  const int last = std::min(count - 1, area.bottom() / kTextLineStep);
  for (int i = first; i <= last; ++i) {
    const int y = (i + 1) * kTextLineStep;
    painter.drawText(1 - dx, y - dy + ascent, QString::fromStdString(layout_.lines[i]));
  }
  if (layout_.continued) painter.drawText(1 - dx, 1 - dy + ascent, kTextContinued);
}

}  // namespace quarry::gui
