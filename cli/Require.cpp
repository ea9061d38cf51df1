#include "cli/Require.h"

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

std::shared_ptr<TMotoP2KModemItem> RequireP2K(Session& session) {
  return Require(session, session.P2KPhone(), "P2K");
}

std::shared_ptr<TMotoFlashModemItem> RequireFlash(Session& session) {
  return Require(session, session.FlashPhone(), "flash");
}

std::shared_ptr<TMotoATModemItem> RequireAT(Session& session) {
  return Require(session, session.ATPhone(), "AT");
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw OperationFailed(what);
}

}  // namespace vestrel::cli
