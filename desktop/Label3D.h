#pragma once

#include <QColor>
#include <QLabel>
#include <functional>

#include "desktop/Label3DGeometry.h"
#include "platform/Shell.h"

namespace vestrel::desktop {

enum TBorderType { btDefault, btRecessed, btRaised };
enum TLabelStyle { lsDefault, lsWWWAddress, lsEMailAddress };
enum TEllipsesStyle { esNone, esEnd, esPath };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A label that draws its caption raised, recessed or shadowed, turned by an angle, with a
// frame or ellipses, and that can be a web or e-mail link opened through the shell.
class TLabel3D : public QLabel {
 public:
  using TNotifyEvent = std::function<void(TLabel3D& Sender)>;

  TLabel3D(platform::Shell& shell, QWidget* parent = nullptr);

  QColor BorderColor() const { return borderColor_; }
  void SetBorderColor(const QColor& colour);
  TPenStyle BorderPenStyle() const { return borderPenStyle_; }
  void SetBorderPenStyle(TPenStyle style);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  bool Border() const { return border_; }
  void SetBorder(bool border);
  TBorderType BorderType() const { return borderType_; }
  void SetBorderType(TBorderType type);
  int Escapement() const { return escapement_; }
  void SetEscapement(int degrees);
  TTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(TTextStyle style);
  TLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TLabelStyle style);
  const QString& Address() const { return address_; }
  void SetAddress(const QString& address) { address_ = address; }
  TEllipsesStyle EllipsesStyle() const { return ellipsesStyle_; }
  void SetEllipsesStyle(TEllipsesStyle style);
  int Shift() const { return shift_; }
  void SetShift(int shift);

  // The usual label properties that QLabel lacks.
  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool show);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  QColor FontColor() const;
  void SetFontColor(const QColor& colour);

  // The system colours the 3-D passes and a disabled face are drawn in.
  QColor ShadowColor() const { return shadowColor_; }
  QColor HighlightColor() const { return highlightColor_; }
  QColor GrayTextColor() const { return grayTextColor_; }
  QColor HoverColor() const { return hoverColor_; }

  void SetOnClick(TNotifyEvent handler) { onClick_ = std::move(handler); }
  void SetOnMouseEnter(TNotifyEvent handler) { onMouseEnter_ = std::move(handler); }
  void SetOnMouseExit(TNotifyEvent handler) { onMouseExit_ = std::move(handler); }

  // Opens the link (for link styles with an address), then runs OnClick.
  virtual void Click();
  virtual void MouseEnter();
  virtual void MouseLeave();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool IsLink() const { return labelStyle_ != lsDefault; }
  void RepaintNow() { repaint(); }
  void AdjustBounds();
  int TextFlags() const;
  void DrawFrame(QPainter& painter);
  void DrawCaption(QPainter& painter, const QRect& area, int flags);
  void DrawPass(QPainter& painter, const QRect& area, int flags, const QColor& colour);
  void DrawRotated(QPainter& painter, QRect area, const QColor& colour);
  QString ShownCaption(const QRect& area, int flags) const;
  QColor ColourOf(PassColour colour) const;

  platform::Shell& shell_;
  QColor borderColor_ = Qt::red;
  TPenStyle borderPenStyle_ = psSolid;
  int borderWidth_ = 1;
  bool border_ = false;
  TBorderType borderType_ = btDefault;
  int escapement_ = 0;
  TTextStyle textStyle_ = tsRaised;
  TLabelStyle labelStyle_ = lsDefault;
  QString address_;
  TEllipsesStyle ellipsesStyle_ = esNone;
  int shift_ = 1;
  bool autoSize_ = true;
  TTextLayout layout_ = tlTop;
  bool showAccelChar_ = true;
  bool transparent_ = false;
  QColor shadowColor_;
  QColor highlightColor_;
  QColor grayTextColor_;
  QColor hoverColor_ = Qt::red;
  QColor savedFontColor_;
  TNotifyEvent onClick_;
  TNotifyEvent onMouseEnter_;
  TNotifyEvent onMouseExit_;
};

}  // namespace vestrel::desktop
