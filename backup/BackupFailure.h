#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "phonefiles/HostFile.h"
#include "phonelink/MotoFlashMode.h"

namespace vestrel::backup {

// Why the loader did not reach the phone or an element was not saved, with the facts each front
// end needs to word it in its own language. Made by BackupRun; the name of the element is
// never part of it, so a message that starts with the name does not repeat it.
struct BackupFailure {
  enum class Kind {
    PhoneRefused,      // the phone did not accept `frame`; `phoneReport` is its English line
    PhoneClosed,       // the phone went away before a frame could go
    NothingDelivered,  // no frame failed, yet the phone gave nothing
    LoaderUnreadable,  // the loader `loader` could not be read
    HostFile,          // the computer's file could not be made or written: `host`
    Stopped,           // the user asked the run to stop
  };

  Kind kind = Kind::NothingDelivered;
  std::optional<phonelink::FlashFrameFailure> frame;
  std::string phoneReport;  // "Send READ (10B1FAF8,00F8 b) Failed"
  std::filesystem::path loader;
  phonefiles::HostError host;
  std::uint64_t bytesRead = 0;      // what the element's file had received when it failed
  std::filesystem::path keptApart;  // where those bytes were kept; empty when they went

  // The phone's side of a failed loader upload or memory read, as the item left it; `loader`
  // is the loader's file (empty for a memory read).
  static BackupFailure OfPhone(phonelink::TMotoFlashModemItem& phone,
                               const std::filesystem::path& loader);
  static BackupFailure OfHost(const phonefiles::HostError& error);
  static BackupFailure OfStop();

  // The reason in the phone layer's English, as vestrel-cli prints it and BACKUP.txt keeps it.
  std::string Describe() const;
};

// What follows any front end's reason when part of an element was kept: "; прочитанные N байт
// оставлены в PATH"; empty when nothing was kept.
std::string KeptApartText(const BackupFailure& failure);

}  // namespace vestrel::backup
