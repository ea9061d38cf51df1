#include "cli/Report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/PhoneReports.h"
#include "generated/Version.h"
#include "p2kapi/P2KApi.h"
#include "p2kapi/PhoneInfo.h"
#include "phonelink/PhoneText.h"
#include "platform/HostFileSystem.h"
#include "platform/WireTrace.h"

namespace vestrel::cli {

namespace {

void ListPhones(Session& session, std::ostream& out) {
  out << "phones listed (mode, location, interface, description):\n";
  try {
    const auto phones = ListedPhones(session);
    if (phones.empty()) out << "  none\n";
    for (const auto& phone : phones) {
      out << "  " << phone.mode << '\t' << phone.device.LocationInformation << '\t'
          << phone.usbInterface << '\t' << phone.device.DeviceDesc << '\n';
    }
  } catch (const NoPhone& reason) {
    out << "  " << reason.what() << '\n';
  }
}

// One `info` on a watcher of its own over a traced bus, so the trace holds this attempt only.
void AttemptInfo(Session& session, std::ostream& out) {
  auto* traceText = new std::ostringstream;
  const auto sink = std::make_shared<platform::TraceSink>(std::unique_ptr<std::ostream>(traceText));
  platform::TracingBus traced(session.Host().bus(), sink);
  std::ostringstream debug;
  {
    phonelink::TMotoP2KMode phones({traced, session.Host().clock()});
    phones.SetOnDebug([&](phonelink::TMotoP2KModemItem&, const std::string& text,
                          phonelink::TDebugType, bool) { debug << "  " << text << '\n'; });
    out << "info attempt: ";
    auto phone = phones.DeviceList().Count() > 0 ? phones.DeviceList().Items(0) : nullptr;
    if (!phone) {
      out << "no P2K phone listed\n";
    } else if (!phone->OpenPhone()) {
      out << "the phone cannot be opened: " << phone->OpenError().describe() << '\n';
    } else {
      p2kapi::P2KApi library(phones);
      const auto info = p2kapi::ReadPhoneInfo(library);
      if (info) {
        out << "model \"" << phonelink::PhoneTextForDisplay(info->model) << "\", firmware \""
            << phonelink::PhoneTextForDisplay(info->firmware) << "\", flex \""
            << phonelink::PhoneTextForDisplay(info->flex) << "\"\n";
      } else {
        out << "the phone information cannot be read\n";
      }
    }
  }
  out << "phone link lines of the attempt:\n" << debug.str();
  const std::string trace = traceText->str();
  out << "wire trace of the attempt:\n" << (trace.empty() ? "(no driver call)" : trace);
  if (trace.empty() || trace.back() != '\n') out << '\n';
}

int Report(Session& session, const CommandWords& words) {
  const std::string& file = words.operands().at(0);
  const std::string text = ReportText(session);
  std::ofstream out(platform::PathFromUtf8(file), std::ios::binary | std::ios::trunc);
  if (out) out << text;
  out.close();
  if (!out) {
    throw OperationFailed("cannot write the report to " + file + ": " + std::strerror(errno));
  }
  if (!session.Quiet()) std::fprintf(stderr, "report written to %s\n", file.c_str());
  return kDone;
}

}  // namespace

std::string ReportText(Session& session) {
  std::ostringstream out;
  out << "vestrel-cli " << kVersion << " report\n";
  out << "device backend: " << session.Host().deviceBackend() << '\n';
  const std::string devices = session.Host().deviceReport();
  out << (devices.empty() ? "no device facts from this backend\n" : devices);
  ListPhones(session, out);
  AttemptInfo(session, out);
  return out.str();
}

Command ReportCommand() {
  return {"report",
          "report FILE",
          "write what a report about a phone needs (devices, drivers, rules, an info trace)",
          {},
          {},
          1,
          1,
          Report};
}

}  // namespace vestrel::cli
