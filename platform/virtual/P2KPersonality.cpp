#include "platform/virtual/P2KPersonality.h"

#include <algorithm>
#include <cctype>

namespace vestrel::virtualphone {

namespace {

// Command codes the phone answers.
constexpr std::uint16_t kTransportProbe = 0x0FFF;  // also "switch to test mode"
constexpr std::uint16_t kFlashMode = 0x000D;
constexpr std::uint16_t kPowerOff = 0x001E;
constexpr std::uint16_t kReadElement = 0x0020;
constexpr std::uint16_t kRestart = 0x0022;
constexpr std::uint16_t kSleepState = 0x0036;
constexpr std::uint16_t kFsac = 0x004A;

// FSAC sub-commands (the fourth byte of the payload's first word).
constexpr std::uint8_t kOpen = 0x00;
constexpr std::uint8_t kRead = 0x01;
constexpr std::uint8_t kWrite = 0x02;
constexpr std::uint8_t kClose = 0x04;
constexpr std::uint8_t kDelete = 0x05;
constexpr std::uint8_t kSearch = 0x07;
constexpr std::uint8_t kNextEntries = 0x08;
constexpr std::uint8_t kVolumes = 0x0A;
constexpr std::uint8_t kFreeSpace = 0x0B;

constexpr std::uint8_t kErrorCode = 0x01;
constexpr std::uint8_t kEndOfFile = 0x08;
constexpr std::uint32_t kOpenForReading = 0xFF;

constexpr std::size_t kMaxName = 255;
constexpr std::size_t kEntrySize = 268;
constexpr std::size_t kEntryName = 260;
constexpr std::size_t kMaxBatch = 3;  // what fits the host's 808-byte reply buffer
constexpr std::size_t kMaxRead = 4096;
constexpr std::size_t kMaxWrite = 1024;

P2KAnswer Ok(std::vector<std::uint8_t> data = {}) { return {true, std::move(data)}; }
P2KAnswer Refused() { return {false, {}}; }
P2KAnswer ErrorCode(std::uint8_t code) { return {true, {code}}; }

std::uint32_t be16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>((b[at] << 8) | b[at + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
         (static_cast<std::uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

void putBe16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void putBe32(std::uint8_t* at, std::uint32_t value) {
  putBe16(at, value >> 16);
  putBe16(at + 2, value);
}

std::string NameOf(std::span<const std::uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A 16-bit character of a search pattern as the phone's 8-bit code.
char FromUcs2(std::uint32_t code) {
  if (code == 0xFFFE) return '|';
  if (code >= 0x410 && code <= 0x44F) return static_cast<char>(code - 0x350);
  if (code == 0x451) return static_cast<char>(0xB8);
  return static_cast<char>(code & 0xFF);
}

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// "*" and "?" wildcards; ASCII letters match either case.
bool MaskMatches(std::string_view mask, std::string_view name) {
  std::size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

P2KPersonality::P2KPersonality(P2KPhoneState state, std::unique_ptr<P2KStateStore> store)
    : state_(std::move(state)), store_(std::move(store)) {}

P2KPersonality::~P2KPersonality() = default;

std::shared_ptr<P2KPersonality> P2KPersonality::Sample() {
  return std::make_shared<P2KPersonality>(SamplePhoneState());
}

std::shared_ptr<P2KPersonality> P2KPersonality::FromFolder(const std::filesystem::path& folder) {
  auto store = std::make_unique<PhoneFolder>(folder);
  P2KPhoneState state = store->Load();
  return std::make_shared<P2KPersonality>(std::move(state), std::move(store));
}

void P2KPersonality::Install(VirtualPhone& phone, std::shared_ptr<P2KPersonality> personality) {
  // The phone owns its handler, so it outlives every call of it.
  VirtualPhone* owner = &phone;
  phone.setP2KHandler([owner, personality = std::move(personality)](
                          std::uint16_t command, std::span<const std::uint8_t> payload) {
    return personality->Answer(*owner, command, payload);
  });
}

std::optional<std::string> P2KPersonality::OpenFileName() const {
  if (!open_) return std::nullopt;
  return open_->name;
}

P2KAnswer P2KPersonality::Answer(VirtualPhone& phone, std::uint16_t command,
                                 std::span<const std::uint8_t> payload) {
  switch (command) {
    case kTransportProbe:
      return Ok();
    case kFsac:
      return Fsac(payload);
    case kReadElement:
      return ReadElement(payload);
    case kSleepState:
      return SleepState(payload);
    case kRestart:
    case kPowerOff:
      // Files still open lose what was written to them; the phone wakes up again on the way.
      open_.reset();
      if (state_.asleep) {
        state_.asleep = false;
        if (store_) store_->saveSettings(state_);
      }
      phone.leaveAfterReply(PhoneMode::Off);
      return Ok();
    case kFlashMode:
      open_.reset();
      phone.leaveAfterReply(PhoneMode::Flash);
      return Ok();
    default:
      return Refused();
  }
}

P2KAnswer P2KPersonality::SleepState(std::span<const std::uint8_t> data) {
  if (data.size() != 1) return Refused();
  switch (data[0]) {
    case 0x80:
      return Ok({static_cast<std::uint8_t>(state_.asleep ? 0x00 : 0x01)});
    case 0x00:
    case 0x01: {
      const bool asleep = data[0] == 0x00;
      if (asleep != state_.asleep) {
        state_.asleep = asleep;
        if (store_ && !store_->saveSettings(state_)) {
          state_.asleep = !asleep;
          return Refused();
        }
      }
      return Ok();
    }
    default:
      return Refused();
  }
}

// Payload: element, record, offset (1 is the first byte) and byte count, 16 bits each.
P2KAnswer P2KPersonality::ReadElement(std::span<const std::uint8_t> data) const {
  if (data.size() != 8) return Refused();
  const auto element = static_cast<std::uint16_t>(be16(data, 0));
  const auto record = static_cast<std::uint16_t>(be16(data, 2));
  const std::uint32_t offset = be16(data, 4);
  const std::uint32_t count = be16(data, 6);
  const auto it = state_.elements.find({element, record});
  if (it == state_.elements.end() || offset == 0) return Refused();
  const auto& bytes = it->second;
  if (offset - 1 + count > bytes.size()) return Refused();
  return Ok({bytes.begin() + (offset - 1), bytes.begin() + (offset - 1 + count)});
}

P2KAnswer P2KPersonality::Fsac(std::span<const std::uint8_t> payload) {
  if (payload.size() < 4 || payload[0] != 0 || payload[1] > 1 || payload[2] != 0) {
    return Refused();
  }
  const auto data = payload.subspan(4);
  switch (payload[3]) {
    case kOpen:
      return Open(data);
    case kRead:
      return Read(data);
    case kWrite:
      return Write(data);
    case kClose:
      return Close();
    case kDelete:
      return Delete(data);
    case kSearch:
      return Search(data);
    case kNextEntries:
      return NextEntries(data);
    case kVolumes:
      return Volumes();
    case kFreeSpace:
      return FreeSpaceReply(data);
    default:
      return Refused();
  }
}

const PhoneVolume* P2KPersonality::VolumeOf(const std::string& name) const {
  if (name.empty() || name.size() > kMaxName) return nullptr;
  const PhoneVolume* volume = nullptr;
  for (const auto& v : state_.volumes) {
    if (name.size() > v.name.size() + 1 && name.compare(0, v.name.size(), v.name) == 0 &&
        name[v.name.size()] == '/') {
      volume = &v;
    }
  }
  if (volume == nullptr) return nullptr;
  // Every part between slashes is a real name: no empty parts, no "." or "..", no control codes.
  std::size_t start = volume->name.size() + 1;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + start, end - start);
    if (part.empty() || part == "." || part == "..") return nullptr;
    for (char c : part) {
      if (static_cast<unsigned char>(c) < 0x20) return nullptr;
    }
    start = end + 1;
  }
  return volume;
}

std::uint64_t P2KPersonality::UsedOn(const PhoneVolume& volume, const std::string& except) const {
  std::uint64_t used = 0;
  for (const auto& [name, file] : state_.files) {
    if (name != except && VolumeOf(name) == &volume) used += file.contents.size();
  }
  return used;
}

std::optional<std::uint32_t> P2KPersonality::FreeSpace(const std::string& volume) const {
  for (const auto& v : state_.volumes) {
    if (v.name != volume) continue;
    const std::uint64_t used = UsedOn(v);
    return used >= v.capacity ? 0 : static_cast<std::uint32_t>(v.capacity - used);
  }
  return std::nullopt;
}

// Opening with the word 0xFF reads an existing file. Any other word creates the file when it is
// missing and gives it that word as its attributes; what is written after it replaces the
// contents when the file is closed, and a file opened and closed unwritten keeps them.
P2KAnswer P2KPersonality::Open(std::span<const std::uint8_t> data) {
  if (data.size() < 4) return Refused();
  if (open_ && !Commit()) {
    open_.reset();
    return ErrorCode(kErrorCode);
  }
  open_.reset();
  const std::uint32_t word = be32(data, 0);
  const std::string name = NameOf(data.subspan(4));
  const PhoneVolume* volume = VolumeOf(name);
  if (volume == nullptr) return ErrorCode(kErrorCode);
  auto it = state_.files.find(name);
  if (word == kOpenForReading) {
    if (it == state_.files.end()) return ErrorCode(kErrorCode);
    open_ = OpenFile{name, true, 0, false, {}, 0};
    return Ok();
  }
  const auto attributes = static_cast<std::uint16_t>(word & 0xFFFF);
  if (it == state_.files.end()) {
    PhoneFile created;
    created.attributes = attributes;
    created.kind = KindForName(name);
    it = state_.files.emplace(name, std::move(created)).first;
    if (store_ && !store_->saveFile(state_, name)) {
      state_.files.erase(it);
      return ErrorCode(kErrorCode);
    }
  } else if (it->second.attributes != attributes) {
    const std::uint16_t before = it->second.attributes;
    it->second.attributes = attributes;
    if (store_ && !store_->saveWords(state_)) {
      it->second.attributes = before;
      return ErrorCode(kErrorCode);
    }
  }
  open_ = OpenFile{name, false, 0, false, {}, UsedOn(*volume, name)};
  return Ok();
}

P2KAnswer P2KPersonality::Read(std::span<const std::uint8_t> data) {
  if (data.size() != 4 || !open_ || !open_->forReading) return ErrorCode(kErrorCode);
  const auto it = state_.files.find(open_->name);
  if (it == state_.files.end()) return ErrorCode(kErrorCode);
  const auto& contents = it->second.contents;
  const std::size_t wanted = std::min<std::size_t>(be32(data, 0), kMaxRead);
  if (open_->position >= contents.size()) return ErrorCode(kEndOfFile);
  const std::size_t n = std::min(wanted, contents.size() - open_->position);
  const auto from = contents.begin() + static_cast<std::ptrdiff_t>(open_->position);
  open_->position += n;
  return Ok({from, from + static_cast<std::ptrdiff_t>(n)});
}

P2KAnswer P2KPersonality::Write(std::span<const std::uint8_t> data) {
  if (data.size() < 4 || !open_ || open_->forReading) return ErrorCode(kErrorCode);
  const std::uint32_t count = be32(data, 0);
  const auto bytes = data.subspan(4);
  if (count != bytes.size() || count > kMaxWrite) return ErrorCode(kErrorCode);
  const PhoneVolume* volume = VolumeOf(open_->name);
  if (volume == nullptr ||
      open_->othersOnVolume + open_->written.size() + count > volume->capacity) {
    return ErrorCode(kErrorCode);
  }
  open_->written.insert(open_->written.end(), bytes.begin(), bytes.end());
  open_->wrote = true;
  return Ok();
}

bool P2KPersonality::Commit() {
  if (!open_ || open_->forReading || !open_->wrote) return true;
  auto it = state_.files.find(open_->name);
  if (it == state_.files.end()) return false;
  std::swap(it->second.contents, open_->written);
  if (store_ && !store_->saveFile(state_, open_->name)) {
    std::swap(it->second.contents, open_->written);
    return false;
  }
  return true;
}

P2KAnswer P2KPersonality::Close() {
  if (!open_) return ErrorCode(kErrorCode);
  const bool kept = Commit();
  open_.reset();
  return kept ? Ok() : ErrorCode(kErrorCode);
}

// Read-only files and unknown names are refused with the error code.
P2KAnswer P2KPersonality::Delete(std::span<const std::uint8_t> data) {
  const std::string name = NameOf(data);
  const auto it = state_.files.find(name);
  if (it == state_.files.end() || (it->second.attributes & 0x01) != 0) {
    return ErrorCode(kErrorCode);
  }
  if (open_ && open_->name == name) open_.reset();
  PhoneFile removed = std::move(it->second);
  state_.files.erase(it);
  if (store_ && !store_->removeFile(state_, name)) {
    state_.files.emplace(name, std::move(removed));
    return ErrorCode(kErrorCode);
  }
  return Ok();
}

// The pattern is "<folder>|<mask>" in 16-bit characters ending in 0000. Every file below the
// folder (at any depth) whose own name fits the mask is found, in name order; a pattern without
// "|" finds the file of exactly that name. The search also starts a new listing.
P2KAnswer P2KPersonality::Search(std::span<const std::uint8_t> data) {
  std::string pattern;
  for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
    const std::uint32_t code = be16(data, at);
    if (code == 0) break;
    pattern.push_back(FromUcs2(code));
  }
  listing_.clear();
  listed_ = 0;
  const auto bar = pattern.find('|');
  if (bar == std::string::npos) {
    if (state_.files.count(pattern) != 0) listing_.push_back(pattern);
  } else {
    std::string folder = pattern.substr(0, bar);
    const std::string mask = pattern.substr(bar + 1);
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    for (auto it = state_.files.lower_bound(folder);
         it != state_.files.end() && it->first.compare(0, folder.size(), folder) == 0; ++it) {
      const auto slash = it->first.rfind('/');
      if (MaskMatches(mask, std::string_view(it->first).substr(slash + 1))) {
        listing_.push_back(it->first);
      }
    }
  }
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(listing_.size(), 0xFFFF));
  return Ok({static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)});
}

// Up to three entries of the last search per request; bytes 2-3 of the reply tell how many
// entries remain after this batch. Files deleted since the search are skipped.
P2KAnswer P2KPersonality::NextEntries(std::span<const std::uint8_t> data) {
  if (data.size() != 1) return Refused();
  const std::size_t batch = std::min<std::size_t>(data[0], kMaxBatch);
  std::vector<std::uint8_t> reply(4);
  reply.reserve(4 + batch * kEntrySize);
  std::size_t entries = 0;
  while (entries < batch && listed_ < listing_.size()) {
    const std::string& name = listing_[listed_++];
    const auto it = state_.files.find(name);
    if (it == state_.files.end()) continue;
    const std::size_t at = reply.size();
    reply.resize(at + kEntrySize, 0);
    std::copy_n(name.begin(), std::min(name.size(), kEntryName), reply.begin() + at);
    putBe16(&reply[at + 260], it->second.attributes);
    putBe16(&reply[at + 262], it->second.kind);
    putBe32(&reply[at + 264], static_cast<std::uint32_t>(it->second.contents.size()));
    ++entries;
  }
  putBe16(&reply[0], static_cast<std::uint32_t>(entries));
  putBe16(&reply[2],
          static_cast<std::uint32_t>(std::min<std::size_t>(listing_.size() - listed_, 0xFFFF)));
  return Ok(std::move(reply));
}

// Each name as 16-bit characters, high byte first; FF FE between two names.
P2KAnswer P2KPersonality::Volumes() const {
  std::vector<std::uint8_t> reply;
  for (const auto& volume : state_.volumes) {
    if (!reply.empty()) {
      reply.push_back(0xFF);
      reply.push_back(0xFE);
    }
    for (char c : volume.name) {
      reply.push_back(0);
      reply.push_back(static_cast<std::uint8_t>(c));
    }
  }
  return Ok(std::move(reply));
}

// Data: 00 07 00 2F 00 v 00 2F 00 00 for the volume /v; the reply is 4 bytes, high byte first.
P2KAnswer P2KPersonality::FreeSpaceReply(std::span<const std::uint8_t> data) const {
  if (data.size() != 10) return Refused();
  const auto free = FreeSpace(std::string{'/', static_cast<char>(data[5])});
  if (!free) return Refused();
  std::vector<std::uint8_t> reply(4);
  putBe32(reply.data(), *free);
  return Ok(std::move(reply));
}

}  // namespace vestrel::virtualphone
