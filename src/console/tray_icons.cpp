#include "console/tray_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orlentis {
namespace {

constexpr int kDrawingSize = 32;

int WaveCount(int id) {
  switch (id) {
    case kIconActivity1:
      return 1;
    case kIconActivity2:
      return 2;
    case kIconActivity3:
      return 3;
    default:
      return 0;
  }
}

void DrawCamera(QPainter& painter) {
  painter.setPen(QPen(QColor(0x1f, 0x2a, 0x36), 1.5));
  painter.setBrush(QColor(0x3d, 0x5a, 0x80));
  painter.drawRoundedRect(QRectF(2, 15, 19, 13), 3, 3);
  QPainterPath cone;
  cone.moveTo(21, 19);
  cone.lineTo(29, 15.5);
  cone.lineTo(29, 27.5);
  cone.lineTo(21, 24);
  cone.closeSubpath();
  painter.drawPath(cone);
  painter.setBrush(QColor(0xe0, 0xf0, 0xff));
  painter.drawEllipse(QPointF(11.5, 21.5), 4, 4);
  painter.setBrush(QColor(0xd0, 0x30, 0x30));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(5.5, 18.5), 1.5, 1.5);
}

// Arcs above the camera, the first close to it.
void DrawWaves(QPainter& painter, int count) {
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0xf0, 0x8c, 0x00), 2.2, Qt::SolidLine, Qt::RoundCap));
  const QPointF centre(11.5, 15);
  for (int wave = 0; wave < count; ++wave) {
    const double radius = 3.5 + 4.0 * wave;
    painter.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                    45 * 16, 90 * 16);
  }
}

QPixmap Draw(int id, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / double(kDrawingSize), size / double(kDrawingSize));
  DrawCamera(painter);
  DrawWaves(painter, WaveCount(id));
  return pixmap;
}

}  // namespace

QIcon TrayIcon(int id) {
  QIcon icon;
  for (int size : {16, 22, 32, 48, 64}) icon.addPixmap(Draw(id, size));
  return icon;
}

}  // namespace orlentis
