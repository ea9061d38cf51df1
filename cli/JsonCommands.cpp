// The --json forms of devices, info, drives, ls and models: the same findings as their text
// forms, as one JSON document on standard output (the schema is in docs/cli-json.md). A
// document is printed only once everything is known, so a failure leaves standard output empty.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "backup/ModelMemoryMap.h"
#include "cli/PhoneReports.h"
#include "phonelink/PhoneText.h"

namespace vestrel::cli {

namespace {

using Json = nlohmann::ordered_json;

// Raised whenever a field changes meaning or goes away; new fields keep the number.
constexpr int kSchema = 1;

// Phone text (Windows-1251) is converted exactly: every byte has its character, so the name
// given back to the tool reaches the same phone file. Text from the OS is taken as UTF-8 and
// each byte that is not is written as U+FFFD (the replace handler below), so the document is
// always valid JSON.
std::string PhoneText(std::string_view phoneText) { return phonelink::PhoneTextToUtf8(phoneText); }

int Print(const char* command, Json fields) {
  Json document{{"schema", kSchema}, {"command", command}};
  document.update(fields);
  const std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace);
  std::printf("%s\n", text.c_str());
  return kDone;
}

int DevicesJson(Session& session, const CommandWords&) {
  Json phones = Json::array();
  for (const auto& phone : ListedPhones(session)) {
    phones.push_back({{"mode", phone.mode},
                      {"location", phone.device.LocationInformation},
                      {"interface", phone.usbInterface},
                      {"description", phone.device.DeviceDesc},
                      {"device_path", phone.device.DevicePath}});
  }
  return Print("devices", {{"devices", phones}});
}

int InfoJson(Session& session, const CommandWords&) {
  const p2kapi::PhoneInfo info = ReadInfo(session);
  return Print("info", {{"model", PhoneText(info.model)},
                        {"firmware", PhoneText(info.firmware)},
                        {"flex", PhoneText(info.flex)}});
}

int DrivesJson(Session& session, const CommandWords&) {
  Json volumes = Json::array();
  for (const auto& volume : ReadVolumes(session)) volumes.push_back(PhoneText(volume));
  return Print("drives", {{"volumes", volumes}});
}

// The seven attribute names a record's bits carry, in bit order.
Json AttributeNames(std::uint16_t attributes) {
  Json names = Json::array();
  for (std::uint16_t bit = phonelink::faReadOnly; bit <= phonelink::faNoDistribute;
       bit = static_cast<std::uint16_t>(bit << 1)) {
    if ((attributes & bit) != 0) names.push_back(phonelink::AttrToText(bit));
  }
  return names;
}

// What the kind bits of a listed file say it is; null for the rest.
Json KindOf(std::uint16_t attributes) {
  if ((attributes & 0x100) != 0) return "tone";
  if ((attributes & 0x200) != 0) return "picture";
  if ((attributes & 0x400) != 0) return "video";
  if ((attributes & 0x800) != 0) return "java";
  return nullptr;
}

int ListJson(Session& session, const CommandWords& words) {
  const Listing listing = ReadListing(session, words);
  Json files = Json::array();
  for (const auto& file : listing.files) {
    files.push_back({{"name", PhoneText(file.Name)},
                     {"size", file.Size},
                     {"attributes", AttributeNames(file.Attr)},
                     {"kind", KindOf(file.Attr)},
                     {"attribute_bits", file.Attr}});
  }
  Json freeBytes = nullptr;
  if (listing.freeBytes) freeBytes = *listing.freeBytes;
  return Print("ls", {{"path", PhoneText(listing.path)},
                      {"volume", PhoneText(listing.volume)},
                      {"count", listing.files.size()},
                      {"free_bytes", freeBytes},
                      {"files", files}});
}

int ModelsJson(Session&, const CommandWords&) {
  using namespace backup;
  Json models = Json::array();
  for (std::size_t i = 0; i < ModelMemoryMap.size(); ++i) {
    const ModelRow& row = ModelMemoryMap[i];
    Json elements = Json::array();
    for (std::size_t s = 0; s < kSlotCount; ++s) {
      if (!row.slots[s].used()) continue;
      elements.push_back({{"name", BackupSlots[s].codeGroup},
                          {"caption", BackupSlots[s].caption},
                          {"start", row.slots[s].start},
                          {"end", row.slots[s].end}});
    }
    models.push_back({{"index", i},
                      {"model", row.model},
                      {"loader", row.loader},
                      {"load_address", row.loadAddress},
                      {"jump_address", row.jumpAddress},
                      {"elements", elements}});
  }
  return Print("models", {{"models", models}});
}

}  // namespace

std::vector<JsonForm> JsonForms() {
  return {{"devices", DevicesJson},
          {"info", InfoJson},
          {"drives", DrivesJson},
          {"ls", ListJson},
          {"models", ModelsJson}};
}

}  // namespace vestrel::cli
