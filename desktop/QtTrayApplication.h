#pragma once

#include "desktop/Dialogs.h"
#include "desktop/TrayApplication.h"

namespace vestrel::desktop {

// The running Qt application as the tray icon sees it. On this desktop a window's task-bar
// entry comes and goes with the window itself, so the application's entry is only recorded.
class QtTrayApplication final : public TrayApplication {
 public:
  explicit QtTrayApplication(Dialogs& dialogs) : dialogs_(dialogs) {}

  void ShowApplication(bool shown) override { applicationShown_ = shown; }
  void SetShowMainFormOnRun(bool show) override { showMainFormOnRun_ = show; }
  void CancelMode() override;
  QPoint CursorPos() override;
  QIcon ApplicationIcon() override;
  void HandleException(std::exception_ptr error) override;

  bool ApplicationShown() const { return applicationShown_; }
  // The program entry shows the main window at start only when this is on.
  bool ShowMainFormOnRun() const { return showMainFormOnRun_; }

 private:
  Dialogs& dialogs_;
  bool applicationShown_ = true;
  bool showMainFormOnRun_ = true;
};

}  // namespace vestrel::desktop
