#pragma once

#include <QIcon>
#include <QPoint>
#include <exception>

namespace vestrel::desktop {

// What the tray icon needs of the application around it.
class TrayApplication {
 public:
  virtual ~TrayApplication() = default;
  // Shows or hides the application's task-bar entry.
  virtual void ShowApplication(bool shown) = 0;
  // Whether the main window is shown when the application starts its run.
  virtual void SetShowMainFormOnRun(bool show) = 0;
  // Ends mouse capture and open popups before the tray menu opens.
  virtual void CancelMode() = 0;
  // The mouse cursor in screen coordinates.
  virtual QPoint CursorPos() = 0;
  virtual QIcon ApplicationIcon() = 0;
  // Reports an error that escaped an event handler; the caller goes on working.
  virtual void HandleException(std::exception_ptr error) = 0;
};

}  // namespace vestrel::desktop
