#include "gui/app/splash_dialog.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimerEvent>

#include "gui/ui/prompts.h"

namespace quarry::gui {

SplashDialog::SplashDialog(QWidget* parent, int milliseconds)
    : QDialog(parent), milliseconds_(milliseconds) {
  setObjectName("splash");
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  setFixedSize(460, 260);
}

int SplashDialog::exec() {
  timerId_ = startTimer(milliseconds_);
  // Without its timer the splash waits for a key instead of closing by itself.
  if (timerId_ == 0) CurrentPrompts().Message(this, QMessageBox::Critical, "error");
  return QDialog::exec();
}

void SplashDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0x2c, 0x3e, 0x50));
  sky.setColorAt(1, QColor(0x8a, 0x6d, 0x4b));
  painter.fillRect(rect(), sky);
  // A quarry face: stepped terraces cut into the slope.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xc8, 0xb0, 0x8a));
  QPolygon terraces;
  terraces << QPoint(0, height()) << QPoint(0, 170) << QPoint(120, 170) << QPoint(120, 190)
           << QPoint(230, 190) << QPoint(230, 210) << QPoint(340, 210) << QPoint(340, 230)
           << QPoint(width(), 230) << QPoint(width(), height());
  painter.drawPolygon(terraces);
  painter.setPen(Qt::white);
  QFont title("Arial");
  title.setPixelSize(54);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QRect(0, 40, width(), 70), Qt::AlignCenter, kProductName);
  QFont line("Arial");
  line.setPixelSize(16);
  painter.setFont(line);
  painter.drawText(QRect(0, 110, width(), 24), Qt::AlignCenter, "Data-mining workbench");
  painter.drawText(QRect(0, 134, width(), 24), Qt::AlignCenter, "Version 3.0");
}

void SplashDialog::keyPressEvent(QKeyEvent*) { accept(); }

void SplashDialog::mousePressEvent(QMouseEvent*) { accept(); }

void SplashDialog::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timerId_) return;
  killTimer(timerId_);
  timerId_ = 0;
  accept();
}

}  // namespace quarry::gui
