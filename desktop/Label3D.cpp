#include "desktop/Label3D.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace vestrel::desktop {
namespace {

constexpr int kUnbounded = 0x7FFF;
const QColor kFrameGrey(0x80, 0x80, 0x80);
const QColor kFrameWhite(0xFF, 0xFF, 0xFF);

Qt::PenStyle qtPenStyle(TPenStyle style) {
  switch (style) {
    case psDash:
      return Qt::DashLine;
    case psDot:
      return Qt::DotLine;
    case psDashDot:
      return Qt::DashDotLine;
    case psDashDotDot:
      return Qt::DashDotDotLine;
    case psClear:
      return Qt::NoPen;
    case psSolid:
    case psInsideFrame:
      break;
  }
  return Qt::SolidLine;
}

}  // namespace

TLabel3D::TLabel3D(platform::Shell& shell, QWidget* parent) : QLabel(parent), shell_(shell) {
  const QPalette system = QApplication::palette();
  shadowColor_ = system.color(QPalette::Active, QPalette::Dark);
  highlightColor_ = system.color(QPalette::Active, QPalette::Light);
  grayTextColor_ = system.color(QPalette::Disabled, QPalette::WindowText);
  QFont arial = font();
  arial.setFamily(QStringLiteral("Arial"));
  setFont(arial);
}

void TLabel3D::SetBorderColor(const QColor& colour) {
  borderColor_ = colour;
  RepaintNow();
}

void TLabel3D::SetBorderPenStyle(TPenStyle style) {
  borderPenStyle_ = style;
  RepaintNow();
}

void TLabel3D::SetBorderWidth(int width) {
  borderWidth_ = width;
  RepaintNow();
}

void TLabel3D::SetBorder(bool border) {
  border_ = border;
  RepaintNow();
}

void TLabel3D::SetBorderType(TBorderType type) {
  if (type == borderType_) return;
  borderType_ = type;
  RepaintNow();
}

void TLabel3D::SetShift(int shift) {
  if (shift == shift_) return;
  shift_ = shift;
  RepaintNow();
}

void TLabel3D::SetTextStyle(TTextStyle style) {
  if (style == textStyle_) return;
  textStyle_ = style;
  update();
}

// Shortened text has no natural size, so ellipses end automatic sizing.
void TLabel3D::SetEllipsesStyle(TEllipsesStyle style) {
  if (style == ellipsesStyle_) return;
  if (style != esNone) SetAutoSize(false);
  ellipsesStyle_ = style;
  update();
}

// Compared before normalising: setting -30 twice normalises (and invalidates) twice.
void TLabel3D::SetEscapement(int degrees) {
  if (degrees == escapement_) return;
  escapement_ = normaliseEscapement(degrees);
  AdjustBounds();
  update();
}

void TLabel3D::SetLabelStyle(TLabelStyle style) { labelStyle_ = style; }

void TLabel3D::SetCaption(const QString& caption) {
  setText(caption);
  AdjustBounds();
  update();
}

void TLabel3D::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  AdjustBounds();
}

void TLabel3D::SetLayout(TTextLayout layout) {
  layout_ = layout;
  update();
}

void TLabel3D::SetShowAccelChar(bool show) {
  showAccelChar_ = show;
  AdjustBounds();
  update();
}

void TLabel3D::SetTransparent(bool transparent) {
  transparent_ = transparent;
  update();
}

QColor TLabel3D::FontColor() const {
  return palette().color(QPalette::Active, QPalette::WindowText);
}

void TLabel3D::SetFontColor(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, colour);
  setPalette(colours);
}

// With AutoSize on, the label takes the size of its caption, turned when it is turned.
void TLabel3D::AdjustBounds() {
  if (!autoSize_) return;
  QFontMetrics metrics(font());
  if (escapement_ != 0) {
    QSize extent(metrics.horizontalAdvance(text()), metrics.height());
    resize(rotatedLayout(escapement_, extent).turned);
    return;
  }
  QRect bounds(0, 0, wordWrap() ? width() : kUnbounded, kUnbounded);
  resize(metrics
             .boundingRect(
                 bounds, TextFlags() & ~(Qt::AlignVertical_Mask | Qt::AlignHorizontal_Mask), text())
             .size());
}

void TLabel3D::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) AdjustBounds();
}

int TLabel3D::TextFlags() const {
  int flags = Qt::TextExpandTabs | (alignment() & Qt::AlignHorizontal_Mask);
  if (wordWrap()) flags |= Qt::TextWordWrap;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  if (escapement_ == 0 && layout_ == tlCenter)
    flags |= Qt::TextSingleLine | Qt::AlignVCenter;
  else if (escapement_ == 0 && layout_ == tlBottom)
    flags |= Qt::TextSingleLine | Qt::AlignBottom;
  else
    flags |= Qt::AlignTop;
  return flags;
}

void TLabel3D::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!transparent_) painter.fillRect(rect(), palette().color(QPalette::Active, backgroundRole()));
  painter.setBrush(Qt::NoBrush);
  if (border_ && borderWidth_ > 0) DrawFrame(painter);
  DrawCaption(painter, rect(), TextFlags());
}

void TLabel3D::DrawFrame(QPainter& painter) {
  const int right = width() - 1;
  const int bottom = height() - 1;
  auto pen = [&](const QColor& colour) {
    return QPen(colour, borderWidth_, qtPenStyle(borderPenStyle_), Qt::SquareCap, Qt::MiterJoin);
  };
  if (borderType_ == btDefault) {
    painter.setPen(pen(borderColor_));
    painter.drawRect(QRect(0, 0, width(), height()).adjusted(0, 0, -1, -1));
    return;
  }
  const QColor& topLeft = borderType_ == btRecessed ? kFrameGrey : kFrameWhite;
  const QColor& bottomRight = borderType_ == btRecessed ? kFrameWhite : kFrameGrey;
  painter.setPen(pen(topLeft));
  painter.drawLine(0, 0, right, 0);
  painter.drawLine(0, 0, 0, bottom);
  painter.setPen(pen(bottomRight));
  painter.drawLine(right, bottom, right, 0);
  painter.drawLine(right, bottom, 0, bottom);
}

void TLabel3D::DrawCaption(QPainter& painter, const QRect& area, int flags) {
  painter.setFont(font());
  for (const TextPass& pass : textPasses(textStyle_, shift_)) {
    DrawPass(painter, area.translated(pass.offset), flags, ColourOf(pass.colour));
  }
}

QColor TLabel3D::ColourOf(PassColour colour) const {
  switch (colour) {
    case PassColour::Shadow:
      return shadowColor_;
    case PassColour::Highlight:
      return highlightColor_;
    case PassColour::Face:
      break;
  }
  return isEnabled() ? FontColor() : grayTextColor_;
}

void TLabel3D::DrawPass(QPainter& painter, const QRect& area, int flags, const QColor& colour) {
  if (escapement_ != 0) {
    DrawRotated(painter, area, colour);
    return;
  }
  painter.setPen(colour);
  painter.drawText(area, flags, ShownCaption(area, flags));
}

QString TLabel3D::ShownCaption(const QRect& area, int flags) const {
  if (ellipsesStyle_ == esNone) return text();
  const Qt::TextElideMode mode = ellipsesStyle_ == esEnd ? Qt::ElideRight : Qt::ElideMiddle;
  QFontMetrics metrics(font());
  QStringList lines = text().split(QLatin1Char('\n'));
  for (QString& line : lines) line = metrics.elidedText(line, mode, area.width(), flags);
  return lines.join(QLatin1Char('\n'));
}

// The caption turned counter-clockwise about its top-left corner, which is placed so that
// the turned text lies inside the rectangle.
void TLabel3D::DrawRotated(QPainter& painter, QRect area, const QColor& colour) {
  QFontMetrics metrics(font());
  const QSize extent(metrics.horizontalAdvance(text()), metrics.height());
  const RotatedLayout layout = rotatedLayout(escapement_, extent);
  QPoint origin = area.topLeft() + layout.origin;
  if (!autoSize_) {
    if (alignment() & Qt::AlignHCenter)
      origin.rx() += (width() - layout.turned.width()) / 2;
    else if (alignment() & Qt::AlignRight)
      origin.rx() += width() - layout.turned.width();
  }
  painter.save();
  painter.setPen(colour);
  painter.translate(origin);
  painter.rotate(-escapement_);
  painter.drawText(QPoint(0, metrics.ascent()), text());
  painter.restore();
}

void TLabel3D::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void TLabel3D::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    Click();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

// A failing opener is not reported; OnClick runs in every case.
void TLabel3D::Click() {
  if (IsLink() && !address_.isEmpty()) {
    setCursor(Qt::BusyCursor);
    QCoreApplication::processEvents();
    const QString target =
        labelStyle_ == lsEMailAddress ? QStringLiteral("mailto:") + address_ : address_;
    shell_.openAddress(target.toStdString());
    setCursor(Qt::PointingHandCursor);
  }
  if (onClick_) onClick_(*this);
}

void TLabel3D::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  MouseEnter();
}

void TLabel3D::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  MouseLeave();
}

void TLabel3D::MouseEnter() {
  if (IsLink()) {
    savedFontColor_ = FontColor();
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    QCoreApplication::processEvents();
    SetFontColor(hoverColor_);
  }
  if (onMouseEnter_) onMouseEnter_(*this);
}

// The underline goes whatever the designed font had, as the hover took it over.
void TLabel3D::MouseLeave() {
  if (IsLink()) {
    unsetCursor();
    QFont plain = font();
    plain.setUnderline(false);
    setFont(plain);
    QCoreApplication::processEvents();
    if (savedFontColor_.isValid()) SetFontColor(savedFontColor_);
  }
  if (onMouseExit_) onMouseExit_(*this);
}

}  // namespace vestrel::desktop
