#include "cli/Session.h"

#include <cstdio>

#include "cli/Commands.h"
#include "mainwindow/PhonePolling.h"
#include "platform/Console.h"

namespace vestrel::cli {

namespace {

template <class List>
auto FirstOpened(List& list) -> decltype(list.Items(0)) {
  auto item = list.Items(mainwindow::CurrentLine(list.Count()));
  if (!item) return nullptr;
  if (item->OpenPhone()) return item;
  throw NoPhone("cannot open the phone at " + item->ModemInfo().DevicePath + ": " +
                (item->OpenError().failed() ? item->OpenError().describe() : "no reason given"));
}

}  // namespace

Session::Session(platform::Host& host, const GlobalOptions& options)
    : host_(host), verbose_(options.verbose), quiet_(options.quiet) {
  const phonelink::PhoneLinkContext context{host.bus(), host.clock()};
  p2k_ = std::make_unique<phonelink::TMotoP2KMode>(context);
  flash_ = std::make_unique<phonelink::TMotoFlashMode>(context);
  at_ = std::make_unique<phonelink::TMotoATMode>(context);
  p2k_->SetOnDebug(Reporter<phonelink::TMotoP2KModemItem>());
  flash_->SetOnDebug(Reporter<phonelink::TMotoFlashModemItem>());
  at_->SetOnDebug(Reporter<phonelink::TMotoATModemItem>());
}

Session::~Session() {
  // Items close as their watchers go; what they say then is of no interest any more.
  verbose_ = false;
  at_.reset();
  flash_.reset();
  p2k_.reset();
  host_.save();
}

template <class Item>
phonelink::TModemDebugEvent<Item> Session::Reporter() {
  return [this](Item&, const std::string& text, phonelink::TDebugType type, bool) {
    lastDebugLine_ = text;
    // Labelled as the items' own lines: "Close Phone is Failed" on every start is their normal
    // report of closing a phone that was not open, not an error of the run.
    if (verbose_) {
      std::fprintf(stderr, "phone %s: %s\n", type == phonelink::dtError ? "debug (error)" : "debug",
                   text.c_str());
    }
  };
}

bool Session::ShowsProgress() const { return !quiet_ && platform::IsTerminal(stderr); }

void Session::Pump() { host_.bus().deliverNotices(); }

std::shared_ptr<phonelink::TMotoP2KModemItem> Session::P2KPhone() {
  return FirstOpened(p2k_->DeviceList());
}

std::shared_ptr<phonelink::TMotoFlashModemItem> Session::FlashPhone() {
  return FirstOpened(flash_->DeviceList());
}

std::shared_ptr<phonelink::TMotoATModemItem> Session::ATPhone() {
  return FirstOpened(at_->DeviceList());
}

}  // namespace vestrel::cli
