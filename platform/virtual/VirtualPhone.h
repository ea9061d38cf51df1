#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "platform/virtual/VirtualFlash.h"

namespace vestrel::virtualphone {

// The USB mode a phone shows itself in; Off means it is not on the bus.
enum class PhoneMode { P2K, Flash, AT, Off };

// How a phone in P2K mode takes commands: over vendor control transfers (it then answers the
// driver's block write and read too), or over block write and read only.
enum class P2KTransport { Control, BlockOnly };

// Faults the phone's P2K replies can be told to show.
enum class ReplyFault {
  None,
  Silent,      // nothing is ever answered: every request times out
  FlagZero,    // replies carry success flag 0
  Short,       // replies are cut short inside their header
  Garbled,     // every reply byte is inverted
  Stall,       // every request ends at once on a stalled endpoint; for one command: the read
               // of its reply does
  Late,        // for one command: the reply comes only after the host stopped waiting, queued
               // before the next command's reply
  Duplicated,  // for one command: the reply is sent twice, the copy queued before the next one
};

// One answered P2K command.
struct P2KAnswer {
  bool success = true;
  std::vector<std::uint8_t> data;
};

// A simulated phone. It keeps its state and answers commands; the virtual bus puts it on the
// bus in its current mode and hands out driver handles and ports that talk to it.
class VirtualPhone {
 public:
  struct Identity {
    std::string location = "Port_#0001.Hub_#0001";  // what device lists show
    std::string serial = "VP0001";                  // makes the device paths unique
    std::uint16_t p2kInterface = 8;                 // USB interface of the P2K commands
  };
  using P2KHandler =
      std::function<P2KAnswer(std::uint16_t command, std::span<const std::uint8_t> payload)>;
  using ModeListener = std::function<void(PhoneMode from, PhoneMode to)>;
  // Hears each command the phone is about to act on; it may block (a transfer hold).
  using CommandListener =
      std::function<void(std::uint16_t command, std::span<const std::uint8_t> payload)>;

  explicit VirtualPhone(Identity identity, PhoneMode mode = PhoneMode::P2K);

  const Identity& identity() const { return identity_; }
  PhoneMode mode() const { return mode_; }
  // Leaves the current mode and shows up in the new one, as a re-enumerating phone does.
  void setMode(PhoneMode mode);
  // Counts the phone's appearances on the bus: a handle opened before a mode change goes stale.
  std::uint32_t appearance() const { return appearance_; }
  void setModeListener(ModeListener listener) { modeListener_ = std::move(listener); }

  // The device path the phone has in its current mode (empty while off).
  std::string devicePath() const;

  // P2K mode. Without a handler the phone answers the transport probe 0x0FFF with success and
  // every other command with success flag 0.
  void setP2KTransport(P2KTransport transport) { transport_ = transport; }
  P2KTransport p2kTransport() const { return transport_; }
  void setP2KHandler(P2KHandler handler) { handler_ = std::move(handler); }
  void setCommandListener(CommandListener listener) { commandListener_ = std::move(listener); }
  void setReplyFault(ReplyFault fault) { fault_ = fault; }
  ReplyFault replyFault() const { return fault_; }
  // The command `index` commands from now (0: the next one) shows `fault`; with `onwards`, so
  // does every command after it. A Silent command is acted on but its reply is lost, so the
  // host waits out its time-out and the next command is answered again; with `onwards` the
  // phone has hung: the commands after it are neither acted on nor answered.
  void faultAt(std::uint32_t index, ReplyFault fault, bool onwards = false);
  // The fault the reply of the command taken last shows.
  ReplyFault lastCommandFault() const { return lastFault_; }
  // The phone answers `commands` more commands and leaves the bus when the next one comes.
  void vanishAfter(std::uint32_t commands) { vanishAfter_ = commands; }
  // Sequence numbers of every command received, in order.
  const std::vector<std::uint16_t>& sequenceNumbers() const { return sequenceNumbers_; }

  // A mode change that waits until the reply of the command being answered has been read, as a
  // phone that acknowledges a restart or mode switch before it re-enumerates.
  void leaveAfterReply(PhoneMode mode) { modeAfterReply_ = mode; }
  // Applies the change left by leaveAfterReply, if any.
  void replyDelivered();

  // Takes one P2K command; nullopt when the phone vanished instead of answering.
  std::optional<P2KAnswer> takeCommand(std::uint16_t sequence, std::uint16_t command,
                                       std::span<const std::uint8_t> payload);

  // AT mode: the modem port's settings as its driver keeps them. A baud rate of 0 models a
  // broken driver.
  std::uint32_t modemBaudRate() const { return modemBaudRate_; }
  void setModemBaudRate(std::uint32_t baud) { modemBaudRate_ = baud; }
  platform::CommTimeouts& modemTimeouts() { return modemTimeouts_; }
  // Every byte written to the modem port.
  std::vector<std::uint8_t>& modemInput() { return modemInput_; }

  // Flash mode: the boot loader and the RAM loader it starts.
  VirtualFlash& flash() { return flash_; }

 private:
  Identity identity_;
  PhoneMode mode_;
  std::uint32_t appearance_ = 1;
  ModeListener modeListener_;
  P2KTransport transport_ = P2KTransport::Control;
  P2KHandler handler_;
  CommandListener commandListener_;
  ReplyFault fault_ = ReplyFault::None;
  struct ScheduledFault {
    std::uint32_t at = 0;  // in commands taken
    ReplyFault fault = ReplyFault::None;
    bool onwards = false;
  };
  std::optional<ScheduledFault> scheduled_;
  std::uint32_t commandsTaken_ = 0;
  ReplyFault lastFault_ = ReplyFault::None;
  std::optional<std::uint32_t> vanishAfter_;
  std::optional<PhoneMode> modeAfterReply_;
  std::vector<std::uint16_t> sequenceNumbers_;
  std::uint32_t modemBaudRate_ = 115200;
  platform::CommTimeouts modemTimeouts_;
  std::vector<std::uint8_t> modemInput_;
  VirtualFlash flash_;
};

}  // namespace vestrel::virtualphone
