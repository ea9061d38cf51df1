#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// What a phone in P2K mode knows: its volumes, its files, its stored data elements and whether
// it sleeps. File names are full phone paths ("/a/mobile/audio/MyToneDB.db") in 8-bit
// Windows-1251 characters.
struct PhoneFile {
  std::uint16_t attributes = 0;  // phone attribute word (0x01 ReadOnly, 0x02 Hidden, 0x04 System)
  std::uint16_t kind = 0;        // kind word of the listing
  std::vector<std::uint8_t> contents;
  bool operator==(const PhoneFile&) const = default;
};

struct PhoneVolume {
  std::string name;  // "/a"
  std::uint32_t capacity = 0;
};

struct P2KPhoneState {
  std::vector<PhoneVolume> volumes;
  std::map<std::string, PhoneFile> files;
  // Stored data elements by (element, record); read with command 0x0020.
  std::map<std::pair<std::uint16_t, std::uint16_t>, std::vector<std::uint8_t>> elements;
  bool asleep = false;
};

// The built-in sample phone: an E398 with /a and /c, a small tree under /a/mobile/ (ringtone
// databases, tones, pictures, a few ReadOnly, Hidden and System files) and its model, firmware
// and flex elements.
P2KPhoneState SamplePhoneState();

// The kind word the phone gives a file of this name (by its extension; 0 for the rest).
std::uint16_t KindForName(const std::string& name);

// Where the personality keeps what changes, besides memory. Every call returns false when the
// change could not be kept; the phone then answers the command with its error code.
class P2KStateStore {
 public:
  virtual ~P2KStateStore() = default;
  // A file's contents and words changed (it was written, created or given attributes).
  virtual bool saveFile(const P2KPhoneState& state, const std::string& name) = 0;
  // Only a file's words changed.
  virtual bool saveWords(const P2KPhoneState& state) = 0;
  virtual bool removeFile(const P2KPhoneState& state, const std::string& name) = 0;
  // The sleep state changed.
  virtual bool saveSettings(const P2KPhoneState& state) = 0;
};

// The P2K side of a virtual phone: answers the control commands (restart, power off, sleep
// state, flash and test mode), the stored-data read 0x0020 and the file-system command FSAC
// with its sub-commands, the way the phone link expects a real phone to (docs/virtual-phone.md).
// Restart and power off make the phone leave the bus, the flash-mode switch makes it reappear
// in flash mode; each after its reply has been read.
class P2KPersonality {
 public:
  explicit P2KPersonality(P2KPhoneState state, std::unique_ptr<P2KStateStore> store = nullptr);
  ~P2KPersonality();

  // The sample phone, in memory only.
  static std::shared_ptr<P2KPersonality> Sample();
  // The phone kept in `folder` (created with the sample phone's contents when it holds no phone
  // yet). Host file errors while loading throw std::filesystem::filesystem_error, a line of its
  // files that makes no sense std::runtime_error naming the file and line.
  static std::shared_ptr<P2KPersonality> FromFolder(const std::filesystem::path& folder);

  // Makes `phone` answer its P2K commands with this personality. The phone keeps it alive.
  static void Install(VirtualPhone& phone, std::shared_ptr<P2KPersonality> personality);

  P2KAnswer Answer(VirtualPhone& phone, std::uint16_t command,
                   std::span<const std::uint8_t> payload);

  const P2KPhoneState& State() const { return state_; }
  // For tests and tools that shape the phone; changes made here are not stored.
  P2KPhoneState& MutableState() { return state_; }
  // Free bytes of a volume ("/a"); nullopt for an unknown volume.
  std::optional<std::uint32_t> FreeSpace(const std::string& volume) const;
  // The name of the file open for reading or writing, if any.
  std::optional<std::string> OpenFileName() const;

 private:
  struct OpenFile {
    std::string name;
    bool forReading = false;
    std::size_t position = 0;
    bool wrote = false;
    std::vector<std::uint8_t> written;
    std::uint64_t othersOnVolume = 0;  // bytes the volume's other files take
  };

  P2KAnswer Fsac(std::span<const std::uint8_t> payload);
  P2KAnswer Open(std::span<const std::uint8_t> data);
  P2KAnswer Read(std::span<const std::uint8_t> data);
  P2KAnswer Write(std::span<const std::uint8_t> data);
  P2KAnswer Close();
  P2KAnswer Delete(std::span<const std::uint8_t> data);
  P2KAnswer Search(std::span<const std::uint8_t> data);
  P2KAnswer NextEntries(std::span<const std::uint8_t> data);
  P2KAnswer Volumes() const;
  P2KAnswer FreeSpaceReply(std::span<const std::uint8_t> data) const;
  P2KAnswer SleepState(std::span<const std::uint8_t> data);
  P2KAnswer ReadElement(std::span<const std::uint8_t> data) const;
  // Commits what was written to the open file; false when it could not be kept.
  bool Commit();
  // The volume a valid file name lies on; null for names the phone refuses.
  const PhoneVolume* VolumeOf(const std::string& name) const;
  std::uint64_t UsedOn(const PhoneVolume& volume, const std::string& except = {}) const;

  P2KPhoneState state_;
  std::unique_ptr<P2KStateStore> store_;
  std::optional<OpenFile> open_;
  std::vector<std::string> listing_;  // the names the last search found
  std::size_t listed_ = 0;            // how many of them were handed out
};

// The folder that keeps a phone between runs (layout in docs/virtual-phone.md).
class PhoneFolder final : public P2KStateStore {
 public:
  explicit PhoneFolder(std::filesystem::path folder);

  // Reads the phone from the folder; a folder without one gets the sample phone written into it
  // first (files already there are kept). Throws std::filesystem::filesystem_error for a host
  // file error, std::runtime_error naming the file and line for a line that makes no sense.
  P2KPhoneState Load();

  bool saveFile(const P2KPhoneState& state, const std::string& name) override;
  bool saveWords(const P2KPhoneState& state) override;
  bool removeFile(const P2KPhoneState& state, const std::string& name) override;
  bool saveSettings(const P2KPhoneState& state) override;

  // The host path of a phone file; nullopt when the name has no host form.
  std::optional<std::filesystem::path> HostPath(const std::string& name) const;

  static constexpr const char* kSettingsFile = "p2k-phone.txt";
  static constexpr const char* kWordsFile = "p2k-attributes.txt";
  static constexpr const char* kFilesFolder = "files";

 private:
  void WriteSettings(const P2KPhoneState& state);
  void WriteWords(const P2KPhoneState& state);
  // Written to a temporary file of a unique name made exclusively beside the settings, then
  // renamed over `target`; refused when `target` would lie outside the folder.
  void WriteAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
  // No folder between the folder itself and `path`, nor `path`, is a link: a directory link
  // inside the folder must not carry a write or a delete outside it.
  bool StaysInside(const std::filesystem::path& path) const;
  void ReadSettings(P2KPhoneState& state) const;
  void ReadWords(P2KPhoneState& state) const;

  std::filesystem::path folder_;
};

}  // namespace vestrel::virtualphone
