#include "backup/ModelMemoryMap.h"

#include <algorithm>
#include <charconv>

namespace vestrel::backup {

namespace {

using Slots = std::array<SlotRange, kSlotCount>;

// Models whose loader goes below 08000000 use CG1, CG2, CG3, CG4, CG7, CG15 and CG18.
constexpr Slots Narrow(std::string_view cg1, std::string_view cg2, std::string_view cg3,
                       std::string_view cg4, std::string_view cg7, std::string_view cg15,
                       std::string_view cg18) {
  return {{SlotRange(cg1), SlotRange(cg2), SlotRange(cg3), SlotRange(cg4), SlotRange(), SlotRange(),
           SlotRange(cg7), SlotRange(cg15), SlotRange(), SlotRange(cg18)}};
}

// Models whose loader goes to 08000000 use CG5, CG8 and CG17 instead of CG3 and CG7.
constexpr Slots Wide(std::string_view cg1, std::string_view cg2, std::string_view cg4,
                     std::string_view cg5, std::string_view cg8, std::string_view cg15,
                     std::string_view cg17, std::string_view cg18) {
  return {{SlotRange(cg1), SlotRange(cg2), SlotRange(), SlotRange(cg4), SlotRange(cg5),
           SlotRange(cg8), SlotRange(), SlotRange(cg15), SlotRange(cg17), SlotRange(cg18)}};
}

constexpr Slots A = Narrow("10080000-1091FFFF", "10B20000-10FFFFFF", "10040000-1007FFFF",
                           "109E0000-10B1F7FF", "", "10920000-109DFFFF", "10B1F800-10B1FFFF");
constexpr Slots B = Narrow("10080000-1097FFFF", "10B80000-10FFFFFF", "10040000-1007FFFF",
                           "10A40000-10B7F7FF", "", "10980000-10A3FFFF", "10B7F800-10B7FFFF");
constexpr Slots C = Narrow("10080000-1095FFFF", "10B60000-10FFFFFF", "10040000-1007FFFF",
                           "10A20000-10B5F7FF", "", "10960000-10A1FFFF", "10B5F800-10B5FFFF");
constexpr Slots D =
    Narrow("10080000-10CFFFFF", "11100000-11F5FFFF", "10040000-1007FFFF", "10F40000-110FFFFF",
           "11F80000-11F9FFFF", "10D00000-10F3FFFF", "11FE0000-11FFFFFF");
constexpr Slots E = Narrow("10080000-10CDFFFF", "110C0000-11F5FFFF", "10040000-1007FFFF",
                           "10F20000-110BFFFF", "", "10CE0000-10F1FFFF", "11FE0000-11FFFFFF");
constexpr Slots F = Narrow("10080000-10CFFFFF", "11140000-11FDFFFF", "10040000-1007FFFF",
                           "10F40000-1113FFFF", "", "10D00000-10F3FFFF", "11FE0000-11FFFFFF");
constexpr Slots G = Narrow("10080000-10CFFFFF", "11100000-11F5FFFF", "10040000-1007FFFF",
                           "10F40000-110FFFFF", "", "10D00000-10F3FFFF", "11FE0000-11FFFFFF");
constexpr Slots H =
    Narrow("10092000-115DFFFF", "11AC0000-13F5FFFF", "10040000-10091FFF", "11860000-11ABFFFF",
           "13F80000-13F9FFFF", "115E0000-1185FFFF", "13FE0000-13FE07FF");
constexpr Slots I =
    Narrow("10080000-10D1FFFF", "10F60000-11F5FFFF", "10040000-1007FFFF", "10E60000-10F5FFFF",
           "11F80000-11F9FFFF", "10D20000-10E5FFFF", "11FE0000-11FE07FF");
constexpr Slots J =
    Narrow("10092000-10E5FFFF", "11240000-11F5FFFF", "10040000-10091FFF", "110A0000-1123FFFF",
           "11F80000-11F9FFFF", "10E60000-1109FFFF", "11FE0000-11FE07FF");
constexpr Slots K =
    Narrow("10080000-10D5FFFF", "11160000-11F5FFFF", "10040000-1007FFFF", "10FA0000-1115FFFF",
           "11F80000-11F9FFFF", "10D60000-10F9FFFF", "11FE0000-11FFFFFF");
constexpr Slots L = Narrow("10080000-1117FFFF", "11380000-11FDFFFF", "10040000-1007FFFF",
                           "11180000-1137FFFF", "", "", "11FE0000-11FFFFFF");
constexpr Slots M =
    Narrow("10092000-10D1FFFF", "11240000-11F5FFFF", "10040000-1008FFFF", "110A0000-1123FFFF",
           "11F80000-11F9FFFF", "10E60000-1109FFFF", "11FE0000-11FEFFFF");
constexpr Slots N =
    Narrow("100A0000-1135FFFF", "117C0000-12F5FFFF", "10040000-1009FFFF", "115E0000-117BFFFF",
           "12F80000-12F9FFFF", "11360000-115DFFFF", "12FE0000-12FE07FF");
constexpr Slots O =
    Narrow("10092000-10DFFFFF", "111C0000-11F5FFFF", "10040000-10091FFF", "11040000-111BFFFF",
           "11F80000-11F9FFFF", "10E00000-1103FFFF", "11FE0000-11FE07FF");
constexpr Slots P =
    Narrow("10080000-10CFFFFF", "11140000-11FDFFFF", "10040000-1007FFFF", "10F40000-1113FFFF",
           "11F80000-11F9FFFF", "10D00000-10F3FFFF", "11FE0000-11FFFFFF");
constexpr Slots Q =
    Narrow("10080000-10CDFFFF", "110C0000-11FDFFFF", "10040000-1007FFFF", "10F20000-110BFFFF",
           "11F80000-11F9FFFF", "10CE0000-10F1FFFF", "11FE0000-11FFFFFF");
constexpr Slots R =
    Wide("10040000-1101A4C7", "11580000-1337FFFF", "11380000-1157FFFF", "1104C4C8-111FF7FF",
         "13F40000-13F7FFFF", "11200000-1137FFFF", "1101A4C8-1104C4C7", "111FF800-111FFFFF");
constexpr Slots S =
    Wide("", "11DC0000-138BFFFF", "13BC0000-13F3FFFF", "1190C4C8-11DBF7FF", "13F40000-13F7FFFF",
         "139C0000-13BBFFFF", "118DA4C8-1190C4C7", "11DBF800-11DBFFFF");
constexpr Slots T =
    Wide("10040000-1101A4C7", "11580000-11F7FFFF", "11380000-1157FFFF", "1104C4C8-111FF7FF",
         "10028000-1003FFFF", "11200000-1137FFFF", "1101A4C8-1104C4C7", "111FF800-111FFFFF");

// Each loader always comes with the same pair of addresses.
constexpr ModelRow Low(std::string_view model, std::string_view loader, const Slots& slots) {
  return {model, loader, "03FD0000", "03FD0010", slots};
}
constexpr ModelRow Mid(std::string_view model, std::string_view loader, const Slots& slots) {
  return {model, loader, "03FC8000", "03FC8010", slots};
}
constexpr ModelRow High(std::string_view model, std::string_view loader, const Slots& slots) {
  return {model, loader, "08000000", "08000010", slots};
}

}  // namespace

const std::array<ModelRow, kModelCount> ModelMemoryMap = {
    Low("C380", "0823.ldr", A),
    Low("C381p", "0823.ldr", B),
    Low("C390", "0823.ldr", C),
    Low("C650", "0823.ldr", A),
    Low("E1 ROKR (Оригинал)", "0A02.ldr", D),
    High("E1000", "E1000_0631.ldr", R),
    High("E1070", "V3x.ldr", S),
    Low("E375", "2526.ldr", E),
    Low("E398 (Оригинал)", "2526.ldr", F),
    Low("E398 (E1 ROKR)", "2526.ldr", G),
    High("E770v", "V3x.ldr", S),
    Low("K1 KRZR", "K1.ldr", H),
    Low("L6", "L6.ldr", I),
    Mid("L7 SLVR", "L7.ldr", J),
    Low("U6 PEBL", "0A02.ldr", K),
    Low("V180", "0823.ldr", A),
    Low("V186", "0823.ldr", A),
    Low("V188", "0823.ldr", A),
    Low("V220", "0823.ldr", A),
    Low("V3", "2526.ldr", F),
    Low("V300", "2526.ldr", L),
    Mid("V360", "L7.ldr", J),
    Mid("V360 (Boot 08A0)", "V360.ldr", M),
    Mid("V3i", "V3i.ldr", N),
    High("V3x", "V3x.ldr", S),
    Mid("V3r", "R4515.ldr", O),
    Low("V400", "2526.ldr", L),
    Low("V500", "2526.ldr", L),
    Low("V547", "2526.ldr", P),
    Low("V600", "2526.ldr", L),
    Low("V620", "2526.ldr", Q),
    Low("V635", "2526.ldr", Q),
    High("V980 (32 Mb)", "E1000_0631.ldr", T),
    High("V980 (64 Mb)", "E1000_0631.ldr", R),
};

const std::array<BackupSlot, kSlotCount> BackupSlots = {{
    {"cb1", "CG1", "CG1 (Программное обеспечение)"},
    {"cb2", "CG2", "CG2 (Пользовательская память)"},
    {"cb3", "CG3", "CG3 (Программное обеспечение)"},
    {"cb4", "CG4", "CG4 (Языковой пакет)"},
    {"cb5", "CG5", "CG5"},
    {"cb6", "CG8", "CG8"},
    {"cb7", "CG7", "CG7 (Цифровая подпись)"},
    {"cb8", "CG15", "CG15 (DRM-графика)"},
    {"cb9", "CG17", "CG17"},
    {"cb10", "CG18", "CG18 (Цифровая подпись)"},
}};

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::optional<std::size_t> FindModel(std::string_view modelOrIndex) {
  for (std::size_t i = 0; i < ModelMemoryMap.size(); ++i) {
    if (SameLetters(ModelMemoryMap[i].model, modelOrIndex)) return i;
  }
  std::size_t index = 0;
  const char* end = modelOrIndex.data() + modelOrIndex.size();
  const auto [ptr, ec] = std::from_chars(modelOrIndex.data(), end, index);
  if (modelOrIndex.empty() || ec != std::errc() || ptr != end || index >= kModelCount) {
    return std::nullopt;
  }
  return index;
}

std::optional<std::uint32_t> ParseAddress(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace vestrel::backup
