#include "core/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace pictures {
namespace {

QPixmap banner(QSize size, const QString& title, const QString& subtitle) {
  QPixmap pixmap(size);
  QPainter painter(&pixmap);
  QLinearGradient gradient(0, 0, 0, size.height());
  gradient.setColorAt(0, QColor(10, 40, 90));
  gradient.setColorAt(1, QColor(0, 140, 190));
  painter.fillRect(pixmap.rect(), gradient);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPointSize(size.height() / 8);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(pixmap.rect().adjusted(0, 0, 0, -size.height() / 4), Qt::AlignCenter, title);
  font.setPointSize(size.height() / 24);
  font.setBold(false);
  painter.setFont(font);
  painter.drawText(pixmap.rect().adjusted(0, size.height() / 3, 0, 0), Qt::AlignCenter, subtitle);
  return pixmap;
}

QIcon dot(const QColor& colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(colour);
  painter.setPen(colour.darker(160));
  painter.drawEllipse(2, 2, 12, 12);
  return QIcon(pixmap);
}

}  // namespace

QPixmap Splash() {
  return banner({480, 300}, QStringLiteral("Velumo PRO"),
                QStringLiteral("AC servo drive configuration and commissioning"));
}

QPixmap Navigator() { return banner({160, 200}, QStringLiteral("Velumo"), QStringLiteral("PRO")); }

QIcon OnLine() { return dot(QColor(0, 200, 0)); }

QIcon OffLine() { return dot(QColor(200, 0, 0)); }

QIcon WindowIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(QColor(10, 40, 90));
  QPainter painter(&pixmap);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(22);
  painter.setFont(font);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
  return QIcon(pixmap);
}

}  // namespace pictures
