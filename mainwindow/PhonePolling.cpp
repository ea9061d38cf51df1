#include "mainwindow/PhonePolling.h"

namespace vestrel::mainwindow {

PhonePolling::PhonePolling(platform::DeviceBus& bus, phonelink::TMotoP2KMode& p2k,
                           phonelink::TMotoFlashMode& flash, phonelink::TMotoATMode& at)
    : bus_(bus), p2k_(p2k), flash_(flash), at_(at) {
  Watch(bus, p2k_, phonelink::P2KFamily::kInterfaceClass);
  Watch(bus, flash_, phonelink::FlashFamily::kInterfaceClass);
  Watch(bus, at_, phonelink::ATFamily::kInterfaceClass);
}

template <class Mode>
void PhonePolling::Watch(platform::DeviceBus& bus, Watched<Mode>& watched,
                         std::string_view interfaceClass) {
  watched.notices = phonelink::RegisterUSBNotification(bus, interfaceClass, [this, &watched] {
    watched.changed = true;
    if (onNotice_) onNotice_();
  });
}

// Without a notice the watcher would find the devices it already lists, so only the lines of
// a list some other caller refreshed are taken again. A refused registration never clears
// `changed`, and such a list refreshes on every pass.
template <class Mode>
void PhonePolling::UpdateList(Watched<Mode>& watched) {
  auto& list = watched.mode.DeviceList();
  const bool refreshed = watched.changed;
  if (refreshed) {
    if (watched.notices) watched.changed = false;
    list.Refresh();
  }
  if (refreshed || static_cast<int>(watched.lines.size()) != list.Count()) {
    watched.lines.clear();
    for (int i = 0; i < list.Count(); ++i) {
      if (auto item = list.Items(i)) watched.lines.push_back(item->ModemInfo().LocationInformation);
    }
  }
  watched.selected = CurrentLine(static_cast<int>(watched.lines.size()));
}

template <class Mode>
auto PhonePolling::Current(const Watched<Mode>& watched) {
  return watched.mode.DeviceList().Items(watched.selected);
}

void PhonePolling::UpdateATList() {
  UpdateList(at_);
  OpenCurrentAT();
}

void PhonePolling::UpdateP2KList() {
  UpdateList(p2k_);
  OpenCurrentP2K();
}

void PhonePolling::UpdateFlashList() {
  UpdateList(flash_);
  OpenCurrentFlash();
}

void PhonePolling::OpenCurrentP2K() {
  if (auto phone = CurrentP2K()) {
    phone->OpenPhone();
    phone->ParseInterfaceNumber();
  }
}

void PhonePolling::OpenCurrentFlash() {
  if (auto phone = CurrentFlash()) phone->OpenPhone();
}

void PhonePolling::OpenCurrentAT() {
  if (auto phone = CurrentAT()) phone->OpenPhone();
}

std::shared_ptr<phonelink::TMotoP2KModemItem> PhonePolling::CurrentP2K() const {
  return Current(p2k_);
}
std::shared_ptr<phonelink::TMotoFlashModemItem> PhonePolling::CurrentFlash() const {
  return Current(flash_);
}
std::shared_ptr<phonelink::TMotoATModemItem> PhonePolling::CurrentAT() const {
  return Current(at_);
}

PhonePolling::Outcome PhonePolling::Pass() {
  bus_.deliverNotices();
  UpdateATList();
  UpdateP2KList();
  UpdateFlashList();

  Outcome outcome;
  outcome.p2kListed = !p2k_.lines.empty();
  const auto at = CurrentAT();
  const auto flash = CurrentFlash();
  const auto p2k = CurrentP2K();
  // The last rule that applies sets the image.
  if (at) {
    outcome.atPortOpen = at->IsOpen();
    outcome.trayImage = *outcome.atPortOpen ? kImageATOpen : kImageNoPhone;
    outcome.tryAgain = !*outcome.atPortOpen;
  }
  if (flash) {
    const bool open = flash->IsOpen();
    outcome.trayImage = open ? kImageFlashOpen : kImageNoPhone;
    outcome.tryAgain = outcome.tryAgain || !open;
  }
  if (p2k) {
    const bool open = p2k->IsOpen();
    outcome.trayImage = open ? kImageP2KOpen : kImageNoPhone;
    outcome.tryAgain = outcome.tryAgain || !open;
  }
  // A list the bus tells nothing is looked at again about once a second.
  outcome.tryAgain = outcome.tryAgain || !p2k_.notices || !flash_.notices || !at_.notices;
  return outcome;
}

}  // namespace vestrel::mainwindow
