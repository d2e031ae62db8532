#include "core/led_bar.h"

#include <QPainter>
#include <algorithm>

LedBar::LedBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ledBar"));
  setMinimumSize(120, 14);
}

void LedBar::setPosition(int position) {
  position = std::clamp(position, 0, kMaximum);
  if (position == position_) return;
  position_ = position;
  update();
}

int LedBar::litSegments() const { return (position_ * kSegments + kMaximum / 2) / kMaximum; }

QSize LedBar::sizeHint() const { return {240, 16}; }

void LedBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const double width = static_cast<double>(this->width()) / kSegments;
  const int lit = litSegments();
  for (int i = 0; i < kSegments; ++i) {
    const int segmentPosition = (i * kMaximum) / kSegments;
    QColor colour = segmentPosition < 333   ? QColor(0, 255, 255)
                    : segmentPosition < 666 ? QColor(Qt::white)
                                            : QColor(0, 0, 255);
    if (i >= lit) colour = colour.darker(400);
    const QRectF segment(i * width + 1, 2, width - 2, height() - 4);
    painter.fillRect(segment, colour);
  }
}
