#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vestrel::backup {

// Where one element of a model lies: start and end address (the last byte, inclusive) as eight
// upper-case hex digits. Both empty when the model has no such element.
struct SlotRange {
  std::string_view start;
  std::string_view end;

  constexpr SlotRange() = default;
  // From "SSSSSSSS-EEEEEEEE", or "" for an element the model lacks.
  constexpr SlotRange(std::string_view range)  // NOLINT: written as table cells
      : start(range.empty() ? range : range.substr(0, 8)),
        end(range.empty() ? range : range.substr(9, 8)) {}
  constexpr bool used() const { return !start.empty(); }
};

inline constexpr std::size_t kSlotCount = 10;

// One supported phone model: what the model list shows, its RAM loader (a bare file name in the
// "Profiles" folder), where the loader goes and is started, and its ten slots in slot order.
struct ModelRow {
  std::string_view model;
  std::string_view loader;
  std::string_view loadAddress;
  std::string_view jumpAddress;
  std::array<SlotRange, kSlotCount> slots;
};

// Each slot is bound for good to one check box, one code group and one caption.
struct BackupSlot {
  std::string_view checkBox;
  std::string_view codeGroup;
  std::string_view caption;
};

inline constexpr std::size_t kModelCount = 34;

// The supported models in list order.
extern const std::array<ModelRow, kModelCount> ModelMemoryMap;
// The slots in slot order (slot 1 first): slot 6 is CG8 and slot 7 is CG7.
extern const std::array<BackupSlot, kSlotCount> BackupSlots;
// Slot indexes (0-based) in the order a backup saves them: CG7 before CG8.
inline constexpr std::array<std::size_t, kSlotCount> kSaveOrder = {0, 1, 2, 3, 4, 6, 5, 7, 8, 9};

// The row of the model text as listed (letters in either case), or of its index as decimal text.
std::optional<std::size_t> FindModel(std::string_view modelOrIndex);

// Reads eight-digit hex address text; nullopt when it is not valid hex of at most 32 bits.
std::optional<std::uint32_t> ParseAddress(std::string_view text);

}  // namespace vestrel::backup
