#include "backup/PhoneCheck.h"

#include <ostream>
#include <streambuf>
#include <system_error>

#include "backup/Sha256.h"
#include "platform/HostFileSystem.h"

namespace vestrel::backup {

namespace fs = std::filesystem;
using Compared = ElementComparison::Result;

namespace {

// Hashes what the phone delivers instead of keeping it.
class HashingBuffer final : public std::streambuf {
 public:
  std::string Hex() {
    Sha256::Digest digest{};
    return hash_.Finish(digest) ? HexDigest(digest) : std::string();
  }

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    hash_.Add(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(count)));
    return count;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
  }

 private:
  Sha256 hash_;
};

// The digest the folder's copy of `element` stands for; empty with `why` when it has none.
std::string ExpectedDigest(const fs::path& folder, const ElementRecord& element, std::string& why) {
  switch (element.ending) {
    case ElementRecord::Ending::Packed:
      if (element.digest.empty()) why = "no digest recorded before packing";
      return element.digest;
    case ElementRecord::Ending::Saved: {
      const auto digest = FileSha256(folder / platform::PathFromUtf8(element.file), why);
      return digest.value_or(std::string());
    }
    case ElementRecord::Ending::Failed:
    case ElementRecord::Ending::Stopped:
      why = std::string("the backup ") + EndingWord(element.ending) + " it";
      return {};
  }
  return {};
}

}  // namespace

void SetLoaderAddresses(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model) {
  if (const auto base = ParseAddress(model.LoaderLoadAddress)) phone.SetBaseAddr(*base);
  if (const auto entry = ParseAddress(model.LoaderJumpAddress)) phone.SetEntryAddr(*entry);
}

bool PhoneCheck::Result::AllMatch() const {
  if (!loaderFailure.empty() || stopped) return false;
  for (const auto& element : elements) {
    if (element.result != Compared::Matches && element.result != Compared::Skipped) return false;
  }
  return true;
}

PhoneCheck::Result PhoneCheck::Run(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model,
                                   const fs::path& folder, const BackupDescription& description,
                                   const Progress& progress) {
  Result result;
  bool stop = false;
  const auto stepOf = [&](const std::string& name) -> phonelink::FlashProgressCallback {
    return [&, name](std::int32_t done, std::int32_t total) {
      stop = stop || !progress(name, done, total);
      return !stop;
    };
  };
  SetLoaderAddresses(phone, model);
  if (!phone.SendLoader(model.LoaderFile, phonelink::ltUseREAD, stepOf("loader"))) {
    result.stopped = stop;
    result.loaderFailure =
        !phone.LastFrameFailure().empty() ? phone.LastFrameFailure() : "the phone is closed";
    return result;
  }
  for (const ElementRecord& element : description.elements) {
    ElementComparison compared{element.name, Compared::Unread, {}};
    if (element.name == "PDS") {
      compared.result = Compared::Skipped;
      compared.detail = "the PDS area is read by its own loader";
      result.elements.push_back(compared);
      continue;
    }
    const std::string expected = ExpectedDigest(folder, element, compared.detail);
    if (expected.empty()) {
      compared.result = Compared::NoCopy;
      result.elements.push_back(compared);
      continue;
    }
    HashingBuffer hashing;
    std::ostream sink(&hashing);
    const bool read =
        phone.SaveMemoryStream({element.start, element.finish}, &sink, stepOf(element.name));
    if (stop) {
      result.stopped = true;
      break;
    }
    if (!read) {
      compared.detail = phone.LastFrameFailure().empty() ? "the phone delivered nothing"
                                                         : phone.LastFrameFailure();
    } else {
      compared.result = hashing.Hex() == expected ? Compared::Matches : Compared::Differs;
    }
    result.elements.push_back(compared);
  }
  return result;
}

}  // namespace vestrel::backup
