// poll_latency virtual|umockdev: how long the main window takes, in the real Qt event loop, from
// a phone's arrival, departure and mode change to the new control state and tray image; 20 of
// each, median and worst in milliseconds. On the virtual phone the change is made and its
// notice delivered, as the notice watcher does when the OS reports one; under umockdev
// (LD_PRELOAD=libumockdev-preload.so.0) the real Linux bus hears the testbed's uevents through
// the notice watcher, as the program does.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "desktop/DeviceNoticeWatcher.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "mainwindow/Main.h"
#include "mainwindow/MobInfo.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingShell.h"
#include "platform/linux/LinuxBus.h"
#include "tests/platform/linux/UsbdevfsPhone.h"

using namespace vestrel;
using virtualphone::PhoneMode;

namespace {

constexpr int kRounds = 20;
constexpr qint64 kGiveUpMs = 5000;

// The phone's side of one round: what changes, and how the program hears of it.
struct PhoneSide {
  std::function<void()> arrive, changeMode, leave;
};

struct Figures {
  std::vector<double> arrival, modeChange, departure;
};

// Milliseconds from the end of the change (the phone is on the bus, or off it, and the OS has
// said so) until the window shows `image` and the P2K controls `enabled`; the loop runs
// meanwhile, as the program's does. The change itself (the testbed's files) is not counted.
double TimeTo(mainwindow::TForm1& form, const std::function<void()>& change, int image,
              bool enabled) {
  change();
  QElapsedTimer clock;
  clock.start();
  while (form.TrayImageIndex() != image || form.BitBtn2.isEnabled() != enabled) {
    if (clock.elapsed() > kGiveUpMs) return -1;
    QCoreApplication::processEvents();
  }
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Lets the window fall quiet, so that every round starts from no timer running.
void Settle(mainwindow::TForm1& form) {
  QElapsedTimer clock;
  clock.start();
  while ((form.Timer1.isActive() || clock.elapsed() < 20) && clock.elapsed() < kGiveUpMs)
    QCoreApplication::processEvents();
}

Figures Measure(platform::DeviceBus& bus, platform::Clock& clock, PhoneSide& side) {
  platform::MemoryRegistry registry;
  platform::RecordingShell shell("/opt/vestrel/vestrel");
  desktop::QtDialogs dialogs;
  desktop::QtTrayArea trayArea;
  desktop::QtTrayApplication trayApplication(dialogs);
  mainwindow::TForm1 form(
      {{bus, clock}, registry, shell, dialogs, trayArea, trayApplication, [](QDialog&) {}, [] {}});
  backup::TForm4 backup({bus, clock}, shell, dialogs);
  mainwindow::TForm2 info(form.PhoneLibrary());
  desktop::TForm3 about(shell);
  form.SetWindows(info, about, backup);
  desktop::DeviceNoticeWatcher notices(bus);
  Figures figures;
  for (int round = 0; round < kRounds; ++round) {
    Settle(form);
    figures.arrival.push_back(TimeTo(form, side.arrive, mainwindow::kImageP2KOpen, true));
    Settle(form);
    figures.modeChange.push_back(TimeTo(form, side.changeMode, mainwindow::kImageFlashOpen, false));
    Settle(form);
    figures.departure.push_back(TimeTo(form, side.leave, mainwindow::kImageNoPhone, false));
  }
  return figures;
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const bool lost = times.front() < 0;
  std::printf("%-12s median %6.2f ms   worst %6.2f ms%s\n", what, times[times.size() / 2],
              times.back(), lost ? "   (some never showed)" : "");
}

}  // namespace

int main(int argc, char** argv) {
  const bool umockdev = argc > 1 && std::strcmp(argv[1], "umockdev") == 0;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  Figures figures;
  if (umockdev) {
    testing::UsbdevfsPhones rig;
    platform::PhoneTable table;
    table.add(platform::BuiltinPhoneTableText(), "built-in");
    platform::OsError error;
    auto bus = platform::LinuxBus::Open(std::move(table), error);
    if (!bus) {
      std::fprintf(stderr, "poll_latency: %s\n", error.describe().c_str());
      return 1;
    }
    platform::SteadyClock clock;
    testing::UsbdevfsPhones::Plugged plugged;
    int devnum = 5;  // a node once used keeps its handler on the testbed
    PhoneSide side{[&] {
                     devnum += 2;
                     plugged = rig.plug(PhoneMode::P2K, 0x4901, 2, devnum);
                   },
                   [&] {
                     plugged.phone->setMode(PhoneMode::Flash);
                     plugged = rig.followModeChange(plugged);
                   },
                   [&] { rig.unplug(plugged); }};
    figures = Measure(*bus, clock, side);
  } else {
    virtualphone::VirtualClock clock;
    virtualphone::VirtualBus bus(clock);
    std::shared_ptr<virtualphone::VirtualPhone> phone;
    PhoneSide side{[&] {
                     phone = bus.plug({"Port_#0001.Hub_#0001", "VP0001", 8});
                     bus.deliverNotices();
                   },
                   [&] {
                     phone->setMode(PhoneMode::Flash);
                     bus.deliverNotices();
                   },
                   [&] {
                     bus.unplug(*phone);
                     bus.deliverNotices();
                   }};
    figures = Measure(bus, clock, side);
  }
  std::printf("%s, %d rounds each\n", umockdev ? "umockdev (Linux bus)" : "virtual phone", kRounds);
  Report("arrival", figures.arrival);
  Report("mode change", figures.modeChange);
  Report("departure", figures.departure);
  return 0;
}
