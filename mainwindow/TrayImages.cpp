#include "mainwindow/TrayImages.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "mainwindow/PhonePolling.h"

namespace vestrel::mainwindow {
namespace {

constexpr int kSize = 32;

// A phone body with its screen in `screen`; `mark` draws on the screen rectangle.
template <class Mark>
QIcon phone(QColor screen, Mark mark) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x20, 0x20, 0x40));
  painter.drawRoundedRect(QRectF(7, 1, 18, 30), 3, 3);
  const QRect display(9, 4, 14, 14);
  painter.fillRect(display, screen);
  painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      painter.drawRect(10 + 4 * column, 21 + 3 * row, 3, 2);
  }
  mark(painter, display);
  return QIcon(pixmap);
}

void letters(QPainter& painter, const QRect& display, const QString& text, QColor colour) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(text.size() > 1 ? 8 : 11);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(display, Qt::AlignCenter, text);
}

}  // namespace

std::array<QIcon, 4> DrawTrayImages() {
  std::array<QIcon, 4> images;
  images[kImageP2KOpen] = phone(QColor(0x30, 0xC0, 0x40), [](QPainter& p, const QRect& r) {
    letters(p, r, QStringLiteral("P"), Qt::white);
  });
  images[kImageNoPhone] = phone(QColor(0x70, 0x70, 0x70), [](QPainter&, const QRect&) {});
  images[kImageFlashOpen] = phone(QColor(0xF0, 0x90, 0x10), [](QPainter& p, const QRect& r) {
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{r.left() + 8, r.top() + 1},
                            {r.left() + 3, r.top() + 8},
                            {r.left() + 7, r.top() + 8},
                            {r.left() + 5, r.bottom()},
                            {r.left() + 11, r.top() + 5},
                            {r.left() + 7, r.top() + 5}}));
  });
  images[kImageATOpen] = phone(QColor(0x20, 0x60, 0xE0), [](QPainter& p, const QRect& r) {
    letters(p, r, QStringLiteral("AT"), Qt::white);
  });
  return images;
}

}  // namespace vestrel::mainwindow
