// Phone to host: the copy lands whole at its destination or not at all.
#include "phonefiles/HostFile.h"
#include "phonefiles/PhoneCall.h"
#include "phonefiles/PhoneFiles.h"
#include "phonelink/PhoneText.h"

namespace vestrel::phonefiles {

Result HostFailure(const HostError& error) {
  Result result = error.kind == HostError::ReadOnly
                      ? Failed(Failure::ReadOnly, error.Describe() + "; it was not replaced")
                      : Failed(Failure::HostFile, error.Describe());
  result.hostPath = error.path;
  result.hostError = error.code;
  return result;
}

Result PhoneFiles::Download(std::string_view phoneName, const std::filesystem::path& hostPath,
                            const TransferOptions& options) {
  phonelink::P2KFileRecord record;
  if (Result found = Find(phoneName, record); !found.ok()) return found;

  HostError opened;
  auto target = HostTarget::Open(hostPath, options.force, opened);
  if (!target) return HostFailure(opened);
  // Once the copy ends the temporary file has gone, into the destination's place or away.
  struct Announced {
    const TransferOptions& options;
    const std::filesystem::path file;
    ~Announced() {
      if (!file.empty()) Tell(options, file, HostFileState::Gone);
    }
  } announced{options, target->Temporary()};
  if (!announced.file.empty()) Tell(options, announced.file, HostFileState::Scratch);

  PhoneCall call(*phone_);
  const phonelink::BlockSink sink = [&target](std::span<const std::uint8_t> block) {
    return target->Write(block);
  };
  std::int64_t done = 0;
  const phonelink::CopyEnd end =
      phone_->CopyFromPhone(phoneName, sink, kDownloadBlock, record.Size, options.progress, done);
  switch (end) {
    case phonelink::CopyEnd::Whole:
      if (!target->Commit()) return HostFailure(target->Error());
      return {};
    case phonelink::CopyEnd::HostFailed:
      target->Discard();
      return HostFailure(target->Error());
    case phonelink::CopyEnd::StoppedByCaller:
      target->Discard();
      return Failed(Failure::Stopped, "the copy of " + phonelink::PhoneTextForDisplay(phoneName) +
                                          " was stopped; nothing was written");
    case phonelink::CopyEnd::PhoneFailed:
      break;
  }
  target->Discard();
  return call.Fail(Failure::Phone, "the phone did not hand over " +
                                       phonelink::PhoneTextForDisplay(phoneName) + " whole (" +
                                       std::to_string(done) + " of " + std::to_string(record.Size) +
                                       " bytes arrived)");
}

}  // namespace vestrel::phonefiles
