// Runs the windows' polling pass on the host's real bus, N times, with the watch on the notice
// descriptor that the program's event loop holds (or without, with --no-watch). For counting
// system calls: getppid() is called just before and just after the passes, as markers
// (e.g. strace -f -c polling_passes 1000). Exits 77 where udev cannot be reached.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mainwindow/PhonePolling.h"
#include "platform/Host.h"

using namespace vestrel;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: polling_passes PASSES [--no-watch]\n");
    return 2;
  }
  const long passes = std::strtol(argv[1], nullptr, 10);
  const bool watched = !(argc > 2 && std::strcmp(argv[2], "--no-watch") == 0);
  const auto host = platform::OpenHost({});
  if (host->noDeviceBackend()) {
    std::fprintf(stderr, "polling_passes: udev cannot be reached here\n");
    return 77;
  }
  const phonelink::PhoneLinkContext context{host->bus(), host->clock()};
  phonelink::TMotoP2KMode p2k(context);
  phonelink::TMotoFlashMode flash(context);
  phonelink::TMotoATMode at(context);
  mainwindow::PhonePolling polling(host->bus(), p2k, flash, at);
  const auto watch = watched ? host->bus().watchNotices() : nullptr;
  polling.Pass();  // the first pass lists what is there
  ::getppid();
  int images = 0;
  for (long i = 0; i < passes; ++i) images += polling.Pass().trayImage;
  ::getppid();
  std::printf("%ld passes, %s, backend %s, tray image sum %d\n", passes,
              watch ? "watched" : "unwatched", host->deviceBackend().c_str(), images);
  return 0;
}
