#include "cli/Session.h"

#include <fstream>

#include "platform/virtual/P2KPersonality.h"

namespace vestrel::cli {

namespace {

namespace fs = std::filesystem;
using virtualphone::PhoneMode;

constexpr const char* kModeFile = "mode";

const char* ModeWord(PhoneMode mode) {
  switch (mode) {
    case PhoneMode::P2K:
      return "p2k";
    case PhoneMode::Flash:
      return "flash";
    case PhoneMode::AT:
      return "at";
    case PhoneMode::Off:
      break;
  }
  return "off";
}

// The mode a kept phone starts in. A phone that was powered off is switched on again, in P2K
// mode, as its owner would press its power key before the next run.
PhoneMode StartingMode(const fs::path& folder) {
  std::ifstream in(folder / kModeFile);
  std::string word;
  in >> word;
  if (word == "flash") return PhoneMode::Flash;
  if (word == "at") return PhoneMode::AT;
  return PhoneMode::P2K;
}

}  // namespace

Session::Session(const GlobalOptions& options) : verbose_(options.verbose) {
  if (options.virtualPhone) {
    virtualClock_ = std::make_unique<virtualphone::VirtualClock>();
    virtualBus_ = std::make_unique<virtualphone::VirtualBus>(*virtualClock_);
    LoadVirtualPhone(options);
    bus_ = virtualBus_.get();
    clock_ = virtualClock_.get();
  }
  if (!bus_) return;
  traced_ = options.trace ? std::make_unique<platform::TracingBus>(
                                *bus_, platform::TraceSink::toFile(options.trace->string()))
                          : platform::traceFromEnvironment(*bus_);
  if (traced_) bus_ = traced_.get();

  const PhoneLinkContext context{*bus_, *clock_};
  p2k_ = std::make_unique<TMotoP2KMode>(context);
  flash_ = std::make_unique<TMotoFlashMode>(context);
  at_ = std::make_unique<TMotoATMode>(context);
  p2k_->SetOnDebug(Reporter<TMotoP2KModemItem>());
  flash_->SetOnDebug(Reporter<TMotoFlashModemItem>());
  at_->SetOnDebug(Reporter<TMotoATModemItem>());
}

Session::~Session() {
  // Items close as their watchers go; what they say then is of no interest any more.
  verbose_ = false;
  at_.reset();
  flash_.reset();
  p2k_.reset();
  SaveVirtualPhone();
}

template <class Item>
TModemDebugEvent<Item> Session::Reporter() {
  return [this](Item&, const std::string& text, TDebugType type, bool) {
    lastDebugLine_ = text;
    if (verbose_)
      std::fprintf(stderr, "%s: %s\n", type == dtError ? "error" : "info", text.c_str());
  };
}

void Session::LoadVirtualPhone(const GlobalOptions& options) {
  virtualphone::VirtualPhone::Identity identity{"Port_#0001.Hub_#0001", "VP0001", 8};
  PhoneMode mode = PhoneMode::P2K;
  if (options.phoneFolder) {
    phoneFolder_ = *options.phoneFolder;
    fs::create_directories(*phoneFolder_);
    mode = StartingMode(*phoneFolder_);
  }
  virtualPhone_ = virtualBus_->plug(identity, mode);
  virtualphone::P2KPersonality::Install(
      *virtualPhone_, phoneFolder_ ? virtualphone::P2KPersonality::FromFolder(*phoneFolder_)
                                   : virtualphone::P2KPersonality::Sample());
}

void Session::SaveVirtualPhone() {
  if (!phoneFolder_ || !virtualPhone_) return;
  std::ofstream(*phoneFolder_ / kModeFile) << ModeWord(virtualPhone_->mode()) << '\n';
}

void Session::Pump() {
  if (!bus_) return;
  bus_->deliverNotices();
}

std::shared_ptr<TMotoP2KModemItem> Session::P2KPhone() {
  if (!p2k_) return nullptr;
  auto item = p2k_->DeviceList().Items(0);
  return item && item->OpenPhone() ? item : nullptr;
}

std::shared_ptr<TMotoFlashModemItem> Session::FlashPhone() {
  if (!flash_) return nullptr;
  auto item = flash_->DeviceList().Items(0);
  return item && item->OpenPhone() ? item : nullptr;
}

std::shared_ptr<TMotoATModemItem> Session::ATPhone() {
  if (!at_) return nullptr;
  auto item = at_->DeviceList().Items(0);
  return item && item->OpenPhone() ? item : nullptr;
}

}  // namespace vestrel::cli
