#pragma once

#include <string>

#include "platform/Registry.h"
#include "platform/Shell.h"

namespace vestrel::desktop {

enum TRegLocation { CurrentUser, LocalMachine };
enum TAutoRunWhere { Run, RunOnce, RunServices, RunServicesOnce };

// Keeps the program's start-with-the-desktop value in one of the run keys and finds out at
// load whether it is already there. The value is named AppName; its data is the running
// executable's full path. Registry failures are swallowed: the step concerned does nothing.
class TAutoRunner {
 public:
  TAutoRunner(platform::Registry& registry, platform::Shell& shell);

  // The owning window sets the designed values between these two calls; nothing is written
  // meanwhile, and AppName, set last, probes the registry.
  void BeginLoading() { loading_ = true; }
  void EndLoading() { loading_ = false; }

  TRegLocation RegLocation() const { return regLocation_; }
  void SetRegLocation(TRegLocation location);
  TAutoRunWhere AutoRunWhere() const { return autoRunWhere_; }
  void SetAutoRunWhere(TAutoRunWhere where);
  bool AutoRun() const { return autoRun_; }
  void SetAutoRun(bool autoRun);
  const std::string& AppName() const { return appName_; }
  // Takes effect only while loading; a running program keeps the name it was loaded with.
  void SetAppName(const std::string& name);

  // The run key's path under its root, with a leading separator.
  const std::string& KeyPath() const { return keyPath_; }

 private:
  bool Live() const { return !loading_; }
  void Normalise();
  void Apply(TRegLocation location, const std::string& name);
  void Probe();
  std::string ReadValue(platform::RegistryRoot root);

  platform::Registry& registry_;
  platform::Shell& shell_;
  bool loading_ = false;
  TRegLocation regLocation_ = CurrentUser;
  TAutoRunWhere autoRunWhere_ = Run;
  bool autoRun_ = false;
  std::string appName_;
  std::string keyPath_;
};

}  // namespace vestrel::desktop
