#include "backup/BackupFailure.h"

#include "platform/HostFileSystem.h"

namespace vestrel::backup {

BackupFailure BackupFailure::OfPhone(phonelink::TMotoFlashModemItem& phone,
                                     const std::filesystem::path& loader) {
  BackupFailure failure;
  if (!phone.LastFrameFailure().empty()) {
    failure.kind = Kind::PhoneRefused;
    failure.frame = phone.LastFailedFrame();
    failure.phoneReport = phone.LastFrameFailure();
  } else if (!phone.IsOpen()) {
    failure.kind = Kind::PhoneClosed;
  } else if (!loader.empty()) {
    failure.kind = Kind::LoaderUnreadable;
    failure.loader = loader;
  }
  return failure;
}

BackupFailure BackupFailure::OfHost(const phonefiles::HostError& error) {
  BackupFailure failure;
  failure.kind = Kind::HostFile;
  failure.host = error;
  return failure;
}

BackupFailure BackupFailure::OfStop() {
  BackupFailure failure;
  failure.kind = Kind::Stopped;
  return failure;
}

std::string BackupFailure::Describe() const {
  switch (kind) {
    case Kind::PhoneRefused:
      return phoneReport;
    case Kind::PhoneClosed:
      return "the phone is closed";
    case Kind::NothingDelivered:
      break;
    case Kind::LoaderUnreadable:
      return "cannot read the loader " + platform::Utf8FromPath(loader);
    case Kind::HostFile:
      return host.Describe();
    case Kind::Stopped:
      return "прервано";
  }
  return "the phone delivered nothing";
}

std::string KeptApartText(const BackupFailure& failure) {
  if (failure.keptApart.empty()) return {};
  return "; прочитанные " + std::to_string(failure.bytesRead) + " байт оставлены в " +
         platform::Utf8FromPath(failure.keptApart);
}

}  // namespace vestrel::backup
