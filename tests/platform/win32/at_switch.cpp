// Sends a phone in AT mode back to P2K mode through the modem port at the given path, as the
// program does, and prints what the item said. Exit 0 when the switch was reported sent.
#include <cstdio>
#include <string>

#include "phonelink/MotoATMode.h"
#include "platform/Clock.h"
#include "platform/win32/Win32Bus.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: at_switch PORT\n");
    return 2;
  }
  vestrel::platform::Win32Bus bus{vestrel::platform::PhoneTable()};
  vestrel::platform::SteadyClock clock;
  vestrel::phonelink::TUSBDevice device;
  device.DevicePath = argv[1];
  vestrel::phonelink::TMotoATModemItem item({bus, clock}, device);
  bool switched = false;
  item.SetOnDebugEvent([&](vestrel::phonelink::TMotoATModemItem&, const std::string& text,
                           vestrel::phonelink::TDebugType, bool) {
    std::printf("%s\n", text.c_str());
    switched = switched || text == "Phone Switch";
  });
  if (!item.OpenPhone()) {
    std::fprintf(stderr, "at_switch: %s\n", item.OpenError().describe().c_str());
    return 1;
  }
  item.SwitchMode(0);
  return switched ? 0 : 1;
}
