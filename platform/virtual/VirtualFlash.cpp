#include "platform/virtual/VirtualFlash.h"

#include <algorithm>
#include <cstdio>

namespace vestrel::virtualphone {

namespace {

constexpr std::uint8_t kSTX = 0x02;
constexpr std::uint8_t kETX = 0x03;
constexpr std::uint8_t kRS = 0x1E;
constexpr std::size_t kLongestWord = 16;
constexpr std::size_t kLongestArgument = 32;

using Bytes = std::vector<std::uint8_t>;

Bytes wordReply(std::string_view mark, const std::string& word) {
  // Sized up front: growing from one byte trips a false array-bounds warning of GCC 12 at -O2.
  Bytes reply;
  reply.reserve(mark.size() + word.size() + 3);
  reply.push_back(kSTX);
  reply.insert(reply.end(), mark.begin(), mark.end());
  reply.push_back(kRS);
  reply.insert(reply.end(), word.begin(), word.end());
  reply.push_back(kETX);
  return reply;
}

Bytes ack(const std::string& word) { return wordReply("ACK", word); }
Bytes err(const std::string& word) { return wordReply("ERR", word); }

// Upper-case hexadecimal digits only, as the frames carry them.
std::optional<std::uint32_t> parseHex(std::span<const std::uint8_t> digits) {
  std::uint32_t value = 0;
  for (std::uint8_t c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<std::uint32_t> parseDecimal(std::span<const std::uint8_t> digits) {
  std::uint32_t value = 0;
  for (std::uint8_t c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The two hex digits of `checksum` match the low byte of the sum of `covered`.
bool checksumMatches(std::span<const std::uint8_t> covered,
                     std::span<const std::uint8_t> checksum) {
  unsigned sum = 0;
  for (std::uint8_t b : covered) sum += b;
  const auto given = parseHex(checksum);
  return given && *given == (sum & 0xFFu);
}

}  // namespace

void VirtualFlash::readMemory(std::uint32_t address, std::span<std::uint8_t> into) const {
  for (std::size_t i = 0; i < into.size(); ++i) {
    into[i] = MemoryByte(address + static_cast<std::uint32_t>(i));
  }
  for (const auto& segment : segments_) {
    const std::uint32_t ahead = segment.start - address;   // segment starts inside `into`
    const std::uint32_t behind = address - segment.start;  // `into` starts inside the segment
    if (ahead < into.size()) {
      const std::size_t n = std::min(segment.bytes.size(), into.size() - ahead);
      std::copy_n(segment.bytes.begin(), n, into.begin() + ahead);
    } else if (behind < segment.bytes.size()) {
      const std::size_t n = std::min(segment.bytes.size() - behind, into.size());
      std::copy_n(segment.bytes.begin() + behind, n, into.begin());
    }
  }
}

void VirtualFlash::bootFor(std::uint32_t appearance) {
  if (appearance == appearance_) return;
  appearance_ = appearance;
  inbox_.clear();
  replies_.clear();
  held_.reset();
  address_.reset();
  segments_.clear();
  running_ = false;
  entry_ = 0;
}

void VirtualFlash::failFrame(FlashFault fault, std::string word, std::uint32_t skip, bool onwards) {
  fault_ = PlannedFault{fault, std::move(word), skip, onwards};
}

std::optional<FlashFault> VirtualFlash::faultFor(const std::string& word) {
  if (!fault_ || (!fault_->word.empty() && fault_->word != word)) return std::nullopt;
  if (fault_->skip > 0) {
    --fault_->skip;
    return std::nullopt;
  }
  const FlashFault fault = fault_->fault;
  if (!fault_->onwards) fault_.reset();
  return fault;
}

std::optional<std::vector<std::uint8_t>> VirtualFlash::takeReply() {
  if (replies_.empty()) {
    if (held_) replies_.push_back(std::move(*held_));
    held_.reset();
    return std::nullopt;
  }
  auto reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

std::optional<VirtualFlash::Frame> VirtualFlash::nextFrame() {
  if (inbox_.empty()) return std::nullopt;
  const auto malformed = [this] {
    inbox_.clear();
    return Frame{};
  };
  if (inbox_[0] != kSTX) return malformed();
  const auto sep = std::find_if(inbox_.begin() + 1, inbox_.end(),
                                [](std::uint8_t b) { return b == kRS || b == kETX; });
  if (sep == inbox_.end()) {
    if (inbox_.size() > kLongestWord) return malformed();
    return std::nullopt;
  }
  Frame frame{std::string(inbox_.begin() + 1, sep), {}};
  auto end = sep + 1;
  if (*sep == kRS && frame.word == "BIN") {
    if (inbox_.end() - end < 2) return std::nullopt;
    const std::size_t padded = static_cast<std::size_t>(end[0] << 8 | end[1]);
    if (static_cast<std::size_t>(inbox_.end() - end) < 2 + padded + 2) return std::nullopt;
    end += static_cast<std::ptrdiff_t>(2 + padded + 2);
    frame.body.assign(sep + 1, end);
  } else if (*sep == kRS) {
    const auto etx = std::find(end, inbox_.end(), kETX);
    if (etx == inbox_.end()) {
      if (static_cast<std::size_t>(inbox_.end() - end) > kLongestArgument) return malformed();
      return std::nullopt;
    }
    frame.body.assign(end, etx);
    end = etx + 1;
  }
  inbox_.erase(inbox_.begin(), end);
  return frame;
}

FlashIntake VirtualFlash::receive(std::span<const std::uint8_t> bytes) {
  inbox_.insert(inbox_.end(), bytes.begin(), bytes.end());
  FlashIntake intake = FlashIntake::Taken;
  while (auto frame = nextFrame()) {
    const auto fault = faultFor(frame->word);
    if (fault == FlashFault::Reject) {
      intake = FlashIntake::Refused;
      continue;
    }
    if (fault == FlashFault::Dropped) continue;
    if (fault == FlashFault::Vanish || frame->word == "POWER_DOWN") {
      inbox_.clear();
      replies_.clear();
      held_.reset();
      if (fault == FlashFault::Vanish) return FlashIntake::Vanished;
      framesTaken_.push_back(frame->word);
      return FlashIntake::PoweredDown;
    }
    framesTaken_.push_back(frame->word);
    if (frameListener_) frameListener_(frame->word);
    if (fault == FlashFault::Late) intake = FlashIntake::Late;
    // A reply held back goes out before any later one.
    if (held_) replies_.push_back(std::move(*held_));
    held_.reset();
    if (fault == FlashFault::Error) {
      replies_.push_back(err(frame->word));
      continue;
    }
    Bytes reply = answer(*frame);
    if (fault == FlashFault::Silent) continue;
    if (fault == FlashFault::Short) reply.resize(reply.size() / 2);
    if (fault == FlashFault::Garbled) {
      for (auto& b : reply) b = static_cast<std::uint8_t>(~b);
    }
    if (fault == FlashFault::LateReply) {
      held_ = std::move(reply);
      continue;
    }
    if (fault == FlashFault::Duplicated) replies_.push_back(reply);
    replies_.push_back(std::move(reply));
  }
  return intake;
}

std::vector<std::uint8_t> VirtualFlash::answer(const Frame& frame) {
  if (!running_) {
    if (frame.word == "ADDR" || frame.word == "JUMP") return answerAddress(frame);
    if (frame.word == "BIN") return answerBin(frame);
  } else {
    if (frame.word == "READ") return answerRead(frame);
    if (frame.word == "DUMP") return answerDump(frame);
  }
  return err(frame.word);
}

// "ADDR" and "JUMP": eight address digits and the checksum of their character codes.
std::vector<std::uint8_t> VirtualFlash::answerAddress(const Frame& frame) {
  if (frame.body.size() != 10) return err(frame.word);
  const std::span<const std::uint8_t> body(frame.body);
  const auto address = parseHex(body.first(8));
  if (!address || !checksumMatches(body.first(8), body.subspan(8))) return err(frame.word);
  if (frame.word == "ADDR") {
    address_ = *address;
  } else {
    if (!stored(*address)) return err(frame.word);
    running_ = true;
    entry_ = *address;
  }
  return ack(frame.word);
}

// "BIN": two length bytes, the padded data, two checksum digits over both. Needs its "ADDR".
std::vector<std::uint8_t> VirtualFlash::answerBin(const Frame& frame) {
  const std::span<const std::uint8_t> body(frame.body);
  const std::size_t padded = body.size() - 4;
  if (!address_ || padded == 0 || padded % 8 != 0) return err(frame.word);
  if (!checksumMatches(body.first(2 + padded), body.last(2))) return err(frame.word);
  segments_.push_back({*address_, Bytes(body.begin() + 2, body.end() - 2)});
  address_.reset();
  return ack(frame.word);
}

// "READ": address digits, a comma, four decimal digits of the count.
std::vector<std::uint8_t> VirtualFlash::answerRead(const Frame& frame) const {
  const std::span<const std::uint8_t> body(frame.body);
  if (body.size() != 13 || body[8] != ',') return err(frame.word);
  const auto address = parseHex(body.first(8));
  const auto count = parseDecimal(body.last(4));
  if (!address || !count) return err(frame.word);
  Bytes reply{kSTX,
              'R',
              'E',
              'A',
              'D',
              kRS,
              static_cast<std::uint8_t>(*count >> 8),
              static_cast<std::uint8_t>(*count)};
  reply.resize(reply.size() + *count);
  readMemory(*address, std::span(reply).last(*count));
  reply.push_back(kETX);
  return reply;
}

std::vector<std::uint8_t> VirtualFlash::answerDump(const Frame& frame) const {
  const auto address = frame.body.size() == 8 ? parseHex(frame.body) : std::nullopt;
  if (!address) return err(frame.word);
  Bytes reply(kDumpSize);
  readMemory(*address, reply);
  return reply;
}

bool VirtualFlash::stored(std::uint32_t address) const {
  return std::any_of(segments_.begin(), segments_.end(), [address](const Segment& segment) {
    return address - segment.start < segment.bytes.size();
  });
}

}  // namespace vestrel::virtualphone
