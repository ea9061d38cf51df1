#pragma once

// A P2K phone on a traced virtual bus with its item opened and its debug lines recorded. The
// phone answers either through a script (each test says what the phone replies) or through the
// P2K personality of the virtual phone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "phonelink/PhoneLink.h"
#include "platform/WireTrace.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"

namespace vestrel::phonelink::p2ktest {

using virtualphone::P2KAnswer;
using Bytes = std::vector<std::uint8_t>;

struct Sent {
  std::uint16_t command;
  Bytes payload;
};

inline Bytes B(std::initializer_list<int> bytes) {
  Bytes out;
  for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class P2KPhoneTest : public ::testing::Test {
 protected:
  using Script = std::function<P2KAnswer(std::uint16_t, const Bytes&)>;

  // Declared first so that they outlive the item, which still reports as it closes.
  std::vector<testing::DebugLine> lines;
  std::vector<Sent> sent;  // commands after the open's probe, in order
  Script script;           // answers scripted commands; none: success flag 0
  testing::PhoneRig rig;
  std::unique_ptr<testing::MemoryTrace> trace;
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  std::unique_ptr<TMotoP2KMode> mode;
  std::shared_ptr<TMotoP2KModemItem> item;

  // A phone answering by script.
  void SetUp() override {
    phone = rig.plug("P1");
    phone->setP2KHandler([this](std::uint16_t command, std::span<const std::uint8_t> payload) {
      if (command == TMotoP2KModemItem::kProbeCommand && !probed_) {
        probed_ = true;
        return P2KAnswer{true, {}};
      }
      Bytes bytes(payload.begin(), payload.end());
      sent.push_back({command, bytes});
      return script ? script(command, bytes) : P2KAnswer{false, {}};
    });
    Attach();
  }

  // Puts the personality behind the phone instead of the script.
  std::shared_ptr<virtualphone::P2KPersonality> UsePersonality(
      std::shared_ptr<virtualphone::P2KPersonality> personality =
          virtualphone::P2KPersonality::Sample()) {
    virtualphone::P2KPersonality::Install(*phone, personality);
    return personality;
  }

  void Attach() {
    trace = std::make_unique<testing::MemoryTrace>(rig.bus);
    mode = std::make_unique<TMotoP2KMode>(PhoneLinkContext{trace->bus(), rig.clock});
    item = mode->DeviceList().Items(0);
    ASSERT_TRUE(item);
    ASSERT_TRUE(item->OpenPhone());
    item->SetOnDebugEvent(testing::RecordInto<TMotoP2KModemItem>(lines));
    trace->Clear();
  }

  // A closed item of the same phone, recording its lines.
  void CloseItem() {
    ASSERT_TRUE(item->ClosePhone());
    lines.clear();
    sent.clear();
    trace->Clear();
  }

  std::vector<std::string> Texts() const { return testing::Texts(lines); }

  std::vector<std::string> TraceLines() const { return trace->Lines(); }

  static Bytes Word(int sub, int variant = 0) { return B({0, variant, 0, sub}); }

 private:
  bool probed_ = false;
};

}  // namespace vestrel::phonelink::p2ktest
