#include "desktop/QtTrayApplication.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <stdexcept>

namespace vestrel::desktop {

void QtTrayApplication::CancelMode() {
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

QPoint QtTrayApplication::CursorPos() { return QCursor::pos(); }

QIcon QtTrayApplication::ApplicationIcon() { return QApplication::windowIcon(); }

// Shown like the application's default error box: the application's name over the message.
void QtTrayApplication::HandleException(std::exception_ptr error) {
  QString text = QStringLiteral("Unknown error");
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
  }
  dialogs_.Message(nullptr, QApplication::applicationName(), text, MessageIcon::Error,
                   MessageButtons::Ok);
}

}  // namespace vestrel::desktop
