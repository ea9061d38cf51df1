#include "cli/PhoneReports.h"

#include <cctype>
#include <initializer_list>

#include "cli/Require.h"
#include "phonefiles/Browser.h"

namespace vestrel::cli {

namespace {

// The two characters after "&MI_" in the first of `texts` that has one.
std::string InterfaceOf(std::initializer_list<const std::string*> texts) {
  for (const std::string* text : texts) {
    std::string upper = *text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto marker = upper.find("&MI_");
    if (marker != std::string::npos && marker + 6 <= upper.size()) {
      return upper.substr(marker + 4, 2);
    }
  }
  return "-";
}

template <class Mode>
void AddListed(Mode& mode, const char* word, std::vector<ListedPhone>& phones) {
  auto& list = mode.DeviceList();
  for (int i = 0; i < list.Count(); ++i) {
    const phonelink::TUSBDevice& device = list.Items(i)->ModemInfo();
    phones.push_back({word, device, InterfaceOf({&device.DevicePath, &device.HardwareID})});
  }
}

}  // namespace

std::vector<ListedPhone> ListedPhones(Session& session) {
  if (session.Host().noDeviceBackend()) {
    throw NoPhone("no phones can be listed" + NoBackendHint(session));
  }
  std::vector<ListedPhone> phones;
  AddListed(session.P2K(), "p2k", phones);
  AddListed(session.Flash(), "flash", phones);
  AddListed(session.AT(), "at", phones);
  return phones;
}

p2kapi::PhoneInfo ReadInfo(Session& session) {
  RequireP2K(session);  // opened, so the library finds it ready
  p2kapi::P2KApi library(session.P2K());
  auto info = p2kapi::ReadPhoneInfo(library);
  Check(info.has_value(), "cannot read the phone information");
  return *info;
}

std::vector<std::string> ReadVolumes(Session& session) {
  std::vector<std::string> volumes;
  Require(phonefiles::Browser().Volumes(RequireP2K(session), volumes));
  return volumes;
}

Listing ReadListing(Session& session, const CommandWords& words) {
  Listing listing;
  const bool asked = !words.operands().empty();
  if (asked) listing.path = PhoneName(words.operands()[0]);
  if (!asked) {
    const auto volumes = ReadVolumes(session);
    Check(!volumes.empty(), "the phone named no volume");
    listing.path = volumes.front();
  }
  auto read = phonefiles::Browser().Read(RequireP2K(session), listing.path);
  Require(read.result);
  listing.files = std::move(read.files);
  listing.volume = listing.path.substr(0, listing.path.find('/', 1));
  listing.freeBytes = read.freeBytes;
  return listing;
}

}  // namespace vestrel::cli
