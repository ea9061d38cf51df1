#pragma once

// One call of the unit on its phone item: it hears the item's failure lines for the length of
// the call (and passes every line on to the handler that was set), so a failure message names
// the phone operation that failed, never a line left over from an earlier one.

#include <string>

#include "phonefiles/HostFile.h"
#include "phonefiles/PhoneFiles.h"

namespace vestrel::phonefiles {

class PhoneCall {
 public:
  explicit PhoneCall(phonelink::TMotoP2KModemItem& phone);
  ~PhoneCall();
  PhoneCall(const PhoneCall&) = delete;
  PhoneCall& operator=(const PhoneCall&) = delete;

  phonelink::TMotoP2KModemItem& phone() { return phone_; }
  // True when the item reported a failure since the call began (or since the last Forget).
  bool Failed() const { return !lastFailure_.empty(); }
  void Forget() { lastFailure_.clear(); }

  // A Result of `failure` saying `what`, followed by the item's own line when it gave one.
  Result Fail(Failure failure, const std::string& what) const;

 private:
  phonelink::TMotoP2KModemItem& phone_;
  phonelink::TMotoP2KModemItem::DebugEvent saved_;
  std::string lastFailure_;
};

// A failed Result saying `message`.
Result Failed(Failure failure, std::string message);

// The Result of a host file that could not be opened, written or read.
Result HostFailure(const HostError& error);

// Tells the caller what became of a host file of the copy (TransferOptions::hostFiles), when
// it asked.
void Tell(const TransferOptions& options, const std::filesystem::path& file, HostFileState state,
          const std::string& where = {});

// True for a name the operations take: 1 to 255 characters, "/<volume>/<rest>".
bool IsPhoneName(std::string_view name);
// The volume part of a phone path: "/a" of "/a/mobile/x".
std::string VolumeOf(std::string_view path);

}  // namespace vestrel::phonefiles
