#include "cli/Require.h"

#include "phonelink/PhoneText.h"

namespace vestrel::cli {

namespace {

template <class Item>
std::shared_ptr<Item> Require(Session& session, std::shared_ptr<Item> item, const char* mode) {
  if (!item) throw NoPhone(std::string("no phone in ") + mode + " mode" + NoBackendHint(session));
  return item;
}

}  // namespace

std::string NoBackendHint(Session& session) {
  if (!session.Host().noDeviceBackend()) return "";
  return " (this build reaches no real phones on this host; try --virtual-phone)";
}

std::shared_ptr<phonelink::TMotoP2KModemItem> RequireP2K(Session& session) {
  return Require(session, session.P2KPhone(), "P2K");
}

std::shared_ptr<phonelink::TMotoFlashModemItem> RequireFlash(Session& session) {
  return Require(session, session.FlashPhone(), "flash");
}

std::shared_ptr<phonelink::TMotoATModemItem> RequireAT(Session& session) {
  return Require(session, session.ATPhone(), "AT");
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw OperationFailed(what);
}

void CheckReported(Session& session, bool ok, const std::string& what) {
  const std::string& said = session.LastDebugLine();
  Check(ok, said.empty() ? what : what + " (" + said + ")");
}

void Require(const phonefiles::Result& result) {
  if (result.ok()) return;
  if (result.failure == phonefiles::Failure::NoPhone) throw NoPhone(result.message);
  throw OperationFailed(result.message);
}

std::string PhoneName(const std::string& utf8) {
  auto name = phonelink::Utf8ToPhoneText(utf8);
  if (!name) {
    throw UsageError("not a phone file name (not UTF-8 text the phone can hold): " +
                     phonelink::PhoneTextForDisplay(utf8));
  }
  if (name->empty()) throw UsageError("an empty phone file name");
  return *name;
}

}  // namespace vestrel::cli
