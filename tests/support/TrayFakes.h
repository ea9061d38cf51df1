#pragma once

#include <map>
#include <string>
#include <vector>

#include "desktop/TrayApplication.h"
#include "desktop/TrayArea.h"

namespace vestrel::testing {

// A notification area that records every notify call and keeps the icons it holds the way
// the shell does: a second add or a missing icon's modify or delete is refused.
class RecordingTrayArea final : public desktop::TrayArea {
 public:
  struct Call {
    desktop::NotifyCode code;
    desktop::NotifyIconRecord record;
    bool accepted;
  };

  bool Available() override { return available; }
  void SetOnAvailabilityChanged(std::function<void()> changed) override {
    availabilityChanged = std::move(changed);
  }
  // A notification area appears or goes, as the desktop's panel starts or ends.
  void ChangeAvailability(bool now) {
    if (!now) icons.clear();
    available = now;
    if (availabilityChanged) availabilityChanged();
  }
  bool Notify(desktop::NotifyCode code, const desktop::NotifyIconRecord& record) override {
    bool present = icons.contains(record.uID);
    bool accepted = code == desktop::NotifyCode::Add ? !present : present;
    if (accepted && code == desktop::NotifyCode::Delete) icons.erase(record.uID);
    if (accepted && code != desktop::NotifyCode::Delete) icons[record.uID] = record;
    calls.push_back({code, record, accepted});
    return accepted;
  }

  // The mouse message `mouse` on every icon shown that asked for mouse messages.
  void Mouse(std::uintptr_t mouse) {
    auto shown = icons;
    for (auto& [id, record] : shown) {
      if (record.uFlags & desktop::kNifMessage)
        record.hWnd->TrayMessage(record.uCallbackMessage, id, mouse);
    }
  }

  std::vector<desktop::NotifyCode> Codes() const {
    std::vector<desktop::NotifyCode> codes;
    for (const auto& call : calls) codes.push_back(call.code);
    return codes;
  }

  bool available = true;
  std::vector<Call> calls;
  std::map<std::uintptr_t, desktop::NotifyIconRecord> icons;
  std::function<void()> availabilityChanged;
};

// The application around a tray icon, recording what the icon asked of it.
class FakeTrayApplication final : public desktop::TrayApplication {
 public:
  void ShowApplication(bool shown) override { applicationShown.push_back(shown); }
  void SetShowMainFormOnRun(bool show) override { showMainFormOnRun = show; }
  void CancelMode() override { ++cancelModes; }
  QPoint CursorPos() override { return cursor; }
  QIcon ApplicationIcon() override { return icon; }
  void HandleException(std::exception_ptr error) override {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      errors.emplace_back(e.what());
    }
  }

  std::vector<bool> applicationShown;
  bool showMainFormOnRun = true;
  int cancelModes = 0;
  QPoint cursor{640, 480};
  QIcon icon;
  std::vector<std::string> errors;
};

}  // namespace vestrel::testing
