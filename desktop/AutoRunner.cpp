#include "desktop/AutoRunner.h"

#include <array>

namespace vestrel::desktop {
namespace {

constexpr const char* kKeyBase = "\\Software\\Microsoft\\Windows\\CurrentVersion\\";
constexpr std::array<const char*, 4> kKeyNames = {"Run", "RunOnce", "RunServices",
                                                  "RunServicesOnce"};

platform::RegistryRoot rootOf(TRegLocation location) {
  return location == LocalMachine ? platform::RegistryRoot::LocalMachine
                                  : platform::RegistryRoot::CurrentUser;
}

}  // namespace

TAutoRunner::TAutoRunner(platform::Registry& registry, platform::Shell& shell)
    : registry_(registry), shell_(shell), keyPath_(std::string(kKeyBase) + kKeyNames[Run]) {}

void TAutoRunner::SetRegLocation(TRegLocation location) {
  if (location == regLocation_) return;
  Apply(location, appName_);
  regLocation_ = location;
  Normalise();
}

void TAutoRunner::SetAutoRunWhere(TAutoRunWhere where) {
  if (where == autoRunWhere_) return;
  autoRunWhere_ = where;
  Normalise();
}

void TAutoRunner::SetAutoRun(bool autoRun) {
  if (autoRun == autoRun_ || !Live()) return;
  autoRun_ = autoRun;
  Normalise();
  Apply(regLocation_, appName_);
}

void TAutoRunner::SetAppName(const std::string& name) {
  if (!loading_) return;
  appName_ = name;
  Probe();
}

// The current user has no service keys. The key path always follows the normalised value,
// so a later write lands in the key that AutoRunWhere names.
void TAutoRunner::Normalise() {
  if (regLocation_ == CurrentUser &&
      (autoRunWhere_ == RunServices || autoRunWhere_ == RunServicesOnce)) {
    autoRunWhere_ = Run;
  }
  keyPath_ = std::string(kKeyBase) + kKeyNames[autoRunWhere_];
}

// Removes the value from both roots, then writes it under `location` when AutoRun is on, so
// it is never found in more than one root. A key that cannot be opened makes only its own step
// do nothing: a root without the run key still lets the other root be written.
void TAutoRunner::Apply(TRegLocation location, const std::string& name) {
  if (!Live()) return;
  for (auto root : {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine}) {
    if (auto key = registry_.openKey(root, keyPath_)) key->deleteValue(appName_);
  }
  auto key = registry_.openKey(rootOf(location), keyPath_);
  if (!key || !autoRun_) return;
  key->writeString(name, shell_.executablePath().string());
}

// The current user's value is looked for first; the designed location stands when neither
// root holds one.
void TAutoRunner::Probe() {
  if (!ReadValue(platform::RegistryRoot::CurrentUser).empty()) {
    regLocation_ = CurrentUser;
    autoRun_ = true;
  } else if (!ReadValue(platform::RegistryRoot::LocalMachine).empty()) {
    regLocation_ = LocalMachine;
    autoRun_ = true;
  } else {
    autoRun_ = false;
  }
}

std::string TAutoRunner::ReadValue(platform::RegistryRoot root) {
  auto key = registry_.openKey(root, keyPath_);
  if (!key) return {};
  return key->readString(appName_).value_or(std::string());
}

}  // namespace vestrel::desktop
