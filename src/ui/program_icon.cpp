#include "ui/program_icon.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

namespace tarvolin::ui {

namespace {

// One size of the icon. The drawing is laid out on a 32-unit grid and
// scaled, so every size shows the same picture.
QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);

  QPainterPath square;
  square.addRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  painter.fillPath(square, QColor(0x23, 0x2b, 0x38));

  QPen pen(QColor(0xe8, 0xee, 0xf4), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  const QPointF chevron[] = {{8, 9}, {15, 16}, {8, 23}};
  painter.drawPolyline(chevron, 3);
  painter.drawLine(QPointF(18, 23), QPointF(25, 23));
  return image;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64}) {
    icon.addPixmap(QPixmap::fromImage(DrawIcon(size)));
  }
  return icon;
}

}  // namespace tarvolin::ui
