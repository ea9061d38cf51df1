// A short tour of the phone link on the virtual phone: attach phones in each mode, list them,
// open the P2K phone and show which transport its probe chose. Set VESTREL_TRACE=FILE to get
// the wire trace of the tour.
#include <cstdio>
#include <exception>

#include "phonelink/PhoneLink.h"
#include "platform/WireTrace.h"
#include "platform/virtual/VirtualBus.h"

using namespace vestrel;
using namespace vestrel::virtualphone;

namespace {

template <class Mode>
void listPhones(const char* mode, Mode& watcher) {
  auto& list = watcher.DeviceList();
  std::printf("%s mode: %d phone(s)\n", mode, list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    const TUSBDevice& info = list.Items(i)->ModemInfo();
    std::printf("  %-22s %s\n", info.LocationInformation.c_str(), info.DeviceDesc.c_str());
  }
}

int tour() {
  VirtualClock clock;
  VirtualBus virtualBus(clock);
  virtualBus.plug({"Port_#0001.Hub_#0001", "VP0001", 8}, PhoneMode::P2K);
  virtualBus.plug({"Port_#0002.Hub_#0001", "VP0002", 8}, PhoneMode::Flash);
  virtualBus.plug({"Port_#0003.Hub_#0001", "VP0003", 8}, PhoneMode::AT);

  const auto traced = platform::traceFromEnvironment(virtualBus);
  platform::DeviceBus& bus = traced ? static_cast<platform::DeviceBus&>(*traced) : virtualBus;
  const PhoneLinkContext context{bus, clock};

  TMotoP2KMode p2k(context);
  TMotoFlashMode flash(context);
  TMotoATMode at(context);
  listPhones("P2K", p2k);
  listPhones("Flash", flash);
  listPhones("AT", at);

  auto phone = p2k.DeviceList().Items(0);
  if (!phone) return 1;
  phone->SetOnDebugEvent([](TMotoP2KModemItem&, const std::string& text, TDebugType type, bool) {
    std::printf("  [%s] %s\n", type == dtError ? "error" : "info", text.c_str());
  });
  std::printf("Opening %s\n", phone->ModemInfo().DevicePath.c_str());
  if (!phone->OpenPhone()) return 1;
  std::printf("Interface %u, transport chosen by the probe: %s\n", phone->InterfaceNumber(),
              phone->CMDFormatOptions() == cfoP2K ? "cfoP2K (control transfers)"
                                                  : "cfoP2K05 (block write/read)");
  phone->ClosePhone();
  phone->SetOnDebugEvent(nullptr);
  return 0;
}

}  // namespace

int main() {
  try {
    return tour();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vestrel-demo: %s\n", e.what());
    return 1;
  }
}
