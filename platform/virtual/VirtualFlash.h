#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vestrel::virtualphone {

// What the flash-mode phone can be told to do to one frame instead of answering it.
enum class FlashFault {
  Reject,      // the write request carrying the frame fails; the frame is not taken
  Error,       // the frame is taken and answered with STX "ERR" RS <word> ETX
  Short,       // the reply loses its second half
  Silent,      // the frame is taken and never answered
  Dropped,     // the write request completes, but the frame is lost: nothing acts, nothing answers
  Late,        // the write request times out, yet the frame is taken and answered
  Garbled,     // every reply byte is inverted
  Vanish,      // the phone leaves the bus instead of taking the frame
  LateReply,   // the frame is taken and answered, but the reply comes only after the host's
               // read of it gave up, queued before any later reply
  Duplicated,  // the reply is sent twice: the second copy waits for the next read
};

// What became of the bytes of one block write.
enum class FlashIntake {
  Taken,
  Refused,      // the request fails
  Late,         // the request times out (its bytes were taken all the same)
  PoweredDown,  // "POWER_DOWN" was taken: the phone turns off
  Vanished,     // a Vanish fault: the phone left the bus while the request was under way
};

// The phone side of flash mode. The boot loader takes "ADDR" (with its checksum), "BIN" (a
// padded length that is a multiple of 8, and its checksum), stores the data at the address and
// takes "JUMP" into stored bytes; the RAM loader then serves "READ" and "DUMP". "POWER_DOWN"
// turns the phone off. Frames may arrive split over several writes.
//
// Replies queue up in the order they are sent; each block read takes the oldest.
// Replies: STX "ACK" RS <word> ETX; STX "ERR" RS <word> ETX; for "READ", STX "READ" RS, the
// count high byte first, the data, ETX; for "DUMP", 1024 bytes of memory from the address.
class VirtualFlash {
 public:
  static constexpr std::size_t kDumpSize = 1024;

  // The phone's memory where no loader was stored: a documented function of the address.
  static std::uint8_t MemoryByte(std::uint32_t address) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(address * 2654435761u) >> 24);
  }
  // Memory as the RAM loader reads it: stored loader bytes over MemoryByte.
  void readMemory(std::uint32_t address, std::span<std::uint8_t> into) const;

  // Starts afresh in the boot loader when the phone came on the bus anew since the last call.
  void bootFor(std::uint32_t appearance);
  // Takes the bytes of one block write.
  FlashIntake receive(std::span<const std::uint8_t> bytes);
  // The oldest reply waiting to be read, taken away; nullopt when there is none. A reply held
  // back (LateReply) joins the queue as such a read gives up.
  std::optional<std::vector<std::uint8_t>> takeReply();

  // Applies `fault` to the frame of `word` (any word when empty) that arrives after `skip`
  // others of it; once, or with `onwards` to every such frame from then on (a Silent phone
  // that has hung).
  void failFrame(FlashFault fault, std::string word = {}, std::uint32_t skip = 0,
                 bool onwards = false);

  // Hears the word of each frame the phone is about to answer; it may block (a transfer hold).
  void setFrameListener(std::function<void(const std::string& word)> listener) {
    frameListener_ = std::move(listener);
  }

  bool loaderRunning() const { return running_; }
  std::uint32_t entryAddress() const { return entry_; }
  // The command words of the frames taken since the phone was made, in order.
  const std::vector<std::string>& framesTaken() const { return framesTaken_; }

 private:
  struct Segment {
    std::uint32_t start;
    std::vector<std::uint8_t> bytes;
  };
  struct PlannedFault {
    FlashFault fault;
    std::string word;
    std::uint32_t skip;
    bool onwards;
  };
  struct Frame {
    std::string word;
    std::vector<std::uint8_t> body;  // what follows the word's RS, without ETX
  };

  // The first whole frame of the inbox, taken out of it; nullopt while incomplete. A malformed
  // start yields a frame with an empty word.
  std::optional<Frame> nextFrame();
  std::optional<FlashFault> faultFor(const std::string& word);
  std::vector<std::uint8_t> answer(const Frame& frame);
  std::vector<std::uint8_t> answerAddress(const Frame& frame);
  std::vector<std::uint8_t> answerBin(const Frame& frame);
  std::vector<std::uint8_t> answerRead(const Frame& frame) const;
  std::vector<std::uint8_t> answerDump(const Frame& frame) const;
  bool stored(std::uint32_t address) const;

  std::uint32_t appearance_ = 0;
  std::vector<std::uint8_t> inbox_;
  std::deque<std::vector<std::uint8_t>> replies_;
  std::optional<std::vector<std::uint8_t>> held_;  // a late reply, not yet sent
  std::optional<std::uint32_t> address_;
  std::vector<Segment> segments_;
  bool running_ = false;
  std::uint32_t entry_ = 0;
  std::optional<PlannedFault> fault_;
  std::vector<std::string> framesTaken_;
  std::function<void(const std::string&)> frameListener_;
};

}  // namespace vestrel::virtualphone
