#include "phonelink/MotoFlashMode.h"

namespace vestrel {

namespace {
constexpr OpenCloseTexts kTexts{"Open Phone", "Open Phone Failed", "Close Phone",
                                "Close Phone Failed"};
}

TMotoFlashModemItem::TMotoFlashModemItem(const PhoneLinkContext& context, TUSBDevice info)
    : TDriverModemItem(context.bus, std::move(info), kTexts) {}

TMotoFlashModemItem::~TMotoFlashModemItem() { CloseOnDestroy(); }

bool TMotoFlashModemItem::OpenPhone() {
  if (IsOpen()) return true;
  return OpenDevice();
}

void TMotoFlashModemItem::DoDebug(const std::string& text, TDebugType type, bool subError) {
  lastError_ = text;
  TDriverModemItem::DoDebug(text, type, subError);
}

}  // namespace vestrel
