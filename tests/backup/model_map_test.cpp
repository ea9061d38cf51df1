#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "backup/AppliedModel.h"
#include "backup/ModelMemoryMap.h"

namespace vestrel::backup {
namespace {

using ::testing::ElementsAre;

// The model table and range tables as published, one text line per row, parsed here on their
// own: a second transcription to hold the constant data against.
constexpr const char* kModelTable[] = {
    "C380|0823.ldr|03FD0000 / 03FD0010|A",
    "C381p|0823.ldr|03FD0000 / 03FD0010|B",
    "C390|0823.ldr|03FD0000 / 03FD0010|C",
    "C650|0823.ldr|03FD0000 / 03FD0010|A",
    "E1 ROKR (Оригинал)|0A02.ldr|03FD0000 / 03FD0010|D",
    "E1000|E1000_0631.ldr|08000000 / 08000010|R",
    "E1070|V3x.ldr|08000000 / 08000010|S",
    "E375|2526.ldr|03FD0000 / 03FD0010|E",
    "E398 (Оригинал)|2526.ldr|03FD0000 / 03FD0010|F",
    "E398 (E1 ROKR)|2526.ldr|03FD0000 / 03FD0010|G",
    "E770v|V3x.ldr|08000000 / 08000010|S",
    "K1 KRZR|K1.ldr|03FD0000 / 03FD0010|H",
    "L6|L6.ldr|03FD0000 / 03FD0010|I",
    "L7 SLVR|L7.ldr|03FC8000 / 03FC8010|J",
    "U6 PEBL|0A02.ldr|03FD0000 / 03FD0010|K",
    "V180|0823.ldr|03FD0000 / 03FD0010|A",
    "V186|0823.ldr|03FD0000 / 03FD0010|A",
    "V188|0823.ldr|03FD0000 / 03FD0010|A",
    "V220|0823.ldr|03FD0000 / 03FD0010|A",
    "V3|2526.ldr|03FD0000 / 03FD0010|F",
    "V300|2526.ldr|03FD0000 / 03FD0010|L",
    "V360|L7.ldr|03FC8000 / 03FC8010|J",
    "V360 (Boot 08A0)|V360.ldr|03FC8000 / 03FC8010|M",
    "V3i|V3i.ldr|03FC8000 / 03FC8010|N",
    "V3x|V3x.ldr|08000000 / 08000010|S",
    "V3r|R4515.ldr|03FC8000 / 03FC8010|O",
    "V400|2526.ldr|03FD0000 / 03FD0010|L",
    "V500|2526.ldr|03FD0000 / 03FD0010|L",
    "V547|2526.ldr|03FD0000 / 03FD0010|P",
    "V600|2526.ldr|03FD0000 / 03FD0010|L",
    "V620|2526.ldr|03FD0000 / 03FD0010|Q",
    "V635|2526.ldr|03FD0000 / 03FD0010|Q",
    "V980 (32 Mb)|E1000_0631.ldr|08000000 / 08000010|T",
    "V980 (64 Mb)|E1000_0631.ldr|08000000 / 08000010|R",
};

// Columns CG1 CG2 CG3 CG4 CG7 CG15 CG18.
constexpr const char* kNarrowRanges[] = {
    "A|10080000-1091FFFF|10B20000-10FFFFFF|10040000-1007FFFF|109E0000-10B1F7FF|—|10920000-109DFFFF|"
    "10B1F800-10B1FFFF",
    "B|10080000-1097FFFF|10B80000-10FFFFFF|10040000-1007FFFF|10A40000-10B7F7FF|—|10980000-10A3FFFF|"
    "10B7F800-10B7FFFF",
    "C|10080000-1095FFFF|10B60000-10FFFFFF|10040000-1007FFFF|10A20000-10B5F7FF|—|10960000-10A1FFFF|"
    "10B5F800-10B5FFFF",
    "D|10080000-10CFFFFF|11100000-11F5FFFF|10040000-1007FFFF|10F40000-110FFFFF|11F80000-11F9FFFF|"
    "10D00000-10F3FFFF|11FE0000-11FFFFFF",
    "E|10080000-10CDFFFF|110C0000-11F5FFFF|10040000-1007FFFF|10F20000-110BFFFF|—|10CE0000-10F1FFFF|"
    "11FE0000-11FFFFFF",
    "F|10080000-10CFFFFF|11140000-11FDFFFF|10040000-1007FFFF|10F40000-1113FFFF|—|10D00000-10F3FFFF|"
    "11FE0000-11FFFFFF",
    "G|10080000-10CFFFFF|11100000-11F5FFFF|10040000-1007FFFF|10F40000-110FFFFF|—|10D00000-10F3FFFF|"
    "11FE0000-11FFFFFF",
    "H|10092000-115DFFFF|11AC0000-13F5FFFF|10040000-10091FFF|11860000-11ABFFFF|13F80000-13F9FFFF|"
    "115E0000-1185FFFF|13FE0000-13FE07FF",
    "I|10080000-10D1FFFF|10F60000-11F5FFFF|10040000-1007FFFF|10E60000-10F5FFFF|11F80000-11F9FFFF|"
    "10D20000-10E5FFFF|11FE0000-11FE07FF",
    "J|10092000-10E5FFFF|11240000-11F5FFFF|10040000-10091FFF|110A0000-1123FFFF|11F80000-11F9FFFF|"
    "10E60000-1109FFFF|11FE0000-11FE07FF",
    "K|10080000-10D5FFFF|11160000-11F5FFFF|10040000-1007FFFF|10FA0000-1115FFFF|11F80000-11F9FFFF|"
    "10D60000-10F9FFFF|11FE0000-11FFFFFF",
    "L|10080000-1117FFFF|11380000-11FDFFFF|10040000-1007FFFF|11180000-1137FFFF|—|—|11FE0000-"
    "11FFFFFF",
    "M|10092000-10D1FFFF|11240000-11F5FFFF|10040000-1008FFFF|110A0000-1123FFFF|11F80000-11F9FFFF|"
    "10E60000-1109FFFF|11FE0000-11FEFFFF",
    "N|100A0000-1135FFFF|117C0000-12F5FFFF|10040000-1009FFFF|115E0000-117BFFFF|12F80000-12F9FFFF|"
    "11360000-115DFFFF|12FE0000-12FE07FF",
    "O|10092000-10DFFFFF|111C0000-11F5FFFF|10040000-10091FFF|11040000-111BFFFF|11F80000-11F9FFFF|"
    "10E00000-1103FFFF|11FE0000-11FE07FF",
    "P|10080000-10CFFFFF|11140000-11FDFFFF|10040000-1007FFFF|10F40000-1113FFFF|11F80000-11F9FFFF|"
    "10D00000-10F3FFFF|11FE0000-11FFFFFF",
    "Q|10080000-10CDFFFF|110C0000-11FDFFFF|10040000-1007FFFF|10F20000-110BFFFF|11F80000-11F9FFFF|"
    "10CE0000-10F1FFFF|11FE0000-11FFFFFF",
};

// Columns CG1 CG2 CG4 CG5 CG8 CG15 CG17 CG18.
constexpr const char* kWideRanges[] = {
    "R|10040000-1101A4C7|11580000-1337FFFF|11380000-1157FFFF|1104C4C8-111FF7FF|13F40000-13F7FFFF|"
    "11200000-1137FFFF|1101A4C8-1104C4C7|111FF800-111FFFFF",
    "S|—|11DC0000-138BFFFF|13BC0000-13F3FFFF|1190C4C8-11DBF7FF|13F40000-13F7FFFF|139C0000-13BBFFFF|"
    "118DA4C8-1190C4C7|11DBF800-11DBFFFF",
    "T|10040000-1101A4C7|11580000-11F7FFFF|11380000-1157FFFF|1104C4C8-111FF7FF|10028000-1003FFFF|"
    "11200000-1137FFFF|1101A4C8-1104C4C7|111FF800-111FFFFF",
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
  return cells;
}

// Slot index (0-based) of each code group.
std::size_t SlotOf(const std::string& group) {
  static const std::map<std::string, std::size_t> slots = {
      {"CG1", 0}, {"CG2", 1}, {"CG3", 2},  {"CG4", 3},  {"CG5", 4},
      {"CG8", 5}, {"CG7", 6}, {"CG15", 7}, {"CG17", 8}, {"CG18", 9}};
  return slots.at(group);
}

std::map<std::string, std::array<std::string, kSlotCount>> PublishedRanges() {
  std::map<std::string, std::array<std::string, kSlotCount>> ranges;
  auto read = [&](const char* line, std::vector<std::string> groups) {
    const auto cells = Cells(line);
    auto& row = ranges[cells[0]];
    for (std::size_t c = 0; c < groups.size(); ++c) {
      row[SlotOf(groups[c])] = cells[c + 1] == "—" ? "" : cells[c + 1];
    }
  };
  for (const char* line : kNarrowRanges) {
    read(line, {"CG1", "CG2", "CG3", "CG4", "CG7", "CG15", "CG18"});
  }
  for (const char* line : kWideRanges) {
    read(line, {"CG1", "CG2", "CG4", "CG5", "CG8", "CG15", "CG17", "CG18"});
  }
  return ranges;
}

TEST(ModelMemoryMap, EveryCellMatchesThePublishedTables) {
  const auto ranges = PublishedRanges();
  ASSERT_EQ(std::size(kModelTable), ModelMemoryMap.size());
  for (std::size_t i = 0; i < ModelMemoryMap.size(); ++i) {
    const auto cells = Cells(kModelTable[i]);
    const ModelRow& row = ModelMemoryMap[i];
    SCOPED_TRACE(cells[0]);
    EXPECT_EQ(row.model, cells[0]);
    EXPECT_EQ(row.loader, cells[1]);
    EXPECT_EQ(std::string(row.loadAddress) + " / " + std::string(row.jumpAddress), cells[2]);
    for (std::size_t s = 0; s < kSlotCount; ++s) {
      const std::string published = ranges.at(cells[3])[s];
      const std::string ours = row.slots[s].used() ? std::string(row.slots[s].start) + "-" +
                                                         std::string(row.slots[s].end)
                                                   : "";
      EXPECT_EQ(ours, published) << BackupSlots[s].codeGroup;
    }
  }
}

TEST(ModelMemoryMap, SlotsAndSaveOrder) {
  std::vector<std::string> groups;
  for (auto index : kSaveOrder) groups.emplace_back(BackupSlots[index].codeGroup);
  EXPECT_THAT(groups,
              ElementsAre("CG1", "CG2", "CG3", "CG4", "CG5", "CG7", "CG8", "CG15", "CG17", "CG18"));
  EXPECT_EQ(BackupSlots[5].checkBox, "cb6");
  EXPECT_EQ(BackupSlots[5].codeGroup, "CG8");
  EXPECT_EQ(BackupSlots[7].caption, "CG15 (DRM-графика)");
  EXPECT_EQ(BackupSlots[1].caption, "CG2 (Пользовательская память)");
}

TEST(ModelMemoryMap, OnlyTheWideLoadersEndOnAPartBlock) {
  for (const ModelRow& row : ModelMemoryMap) {
    for (std::size_t s = 0; s < kSlotCount; ++s) {
      if (!row.slots[s].used()) continue;
      const auto size = *ParseAddress(row.slots[s].end) - *ParseAddress(row.slots[s].start) + 1;
      const std::string group(BackupSlots[s].codeGroup);
      const bool wide = row.loadAddress == "08000000";
      const std::uint32_t expected = wide && group == "CG1" ? 200 : wide && group == "CG5" ? 56 : 0;
      EXPECT_EQ(size % 256, expected) << row.model << " " << group;
    }
  }
}

TEST(ModelMemoryMap, ModelsAreFoundByTextOrIndex) {
  EXPECT_EQ(FindModel("C380"), 0u);
  EXPECT_EQ(FindModel("E398 (Оригинал)"), 8u);
  EXPECT_EQ(FindModel("33"), 33u);
  EXPECT_EQ(FindModel("34"), std::nullopt);
  EXPECT_EQ(FindModel("c380"), 0u);  // typed without regard to case
  EXPECT_EQ(FindModel("v3X"), FindModel("V3x"));
  EXPECT_EQ(FindModel("1x"), std::nullopt);
  EXPECT_EQ(FindModel(""), std::nullopt);
  EXPECT_EQ(ParseAddress("10B1F800"), 0x10B1F800u);
  EXPECT_EQ(ParseAddress("10B1F8000"), std::nullopt);
  EXPECT_EQ(ParseAddress("XYZ"), std::nullopt);
  EXPECT_EQ(ParseAddress(""), std::nullopt);
}

// Visible code groups with their Top, in slot order.
std::vector<std::string> Shown(const AppliedModel& applied) {
  std::vector<std::string> shown;
  for (std::size_t s = 0; s < kSlotCount; ++s) {
    if (applied.slots[s].visible) {
      shown.push_back(std::string(BackupSlots[s].codeGroup) + "@" +
                      std::to_string(applied.slots[s].top));
    }
  }
  return shown;
}

TEST(AppliedModel, ShowsExactlyTheModelsBoxesStackedWithoutGaps) {
  AppliedModel applied;
  applied.Apply(*FindModel("V300"), "/opt/v");
  EXPECT_THAT(Shown(applied), ElementsAre("CG1@24", "CG2@48", "CG3@72", "CG4@96", "CG18@120"));
  applied.Apply(*FindModel("V3x"), "/opt/v");
  EXPECT_THAT(Shown(applied), ElementsAre("CG2@24", "CG4@48", "CG5@72", "CG8@96", "CG15@120",
                                          "CG17@144", "CG18@168"));
  applied.Apply(*FindModel("E1000"), "/opt/v");
  EXPECT_THAT(Shown(applied), ElementsAre("CG1@24", "CG2@48", "CG4@72", "CG5@96", "CG8@120",
                                          "CG15@144", "CG17@168", "CG18@192"));
  EXPECT_EQ(applied.slots[2].top, 72);  // a hidden box goes back to its home place
  EXPECT_EQ(applied.slots[5].caption, "CG8");
}

TEST(AppliedModel, TicksStayTheUsersAndHiddenSlotsAreNotTaken) {
  AppliedModel applied;
  applied.Apply(*FindModel("L6"), "/opt/v");
  EXPECT_TRUE(applied.slots[6].taken());
  EXPECT_EQ(applied.slots[6].top, 120);
  applied.slots[1].ticked = false;

  applied.Apply(0, "/opt/v");
  EXPECT_FALSE(applied.slots[6].visible);
  EXPECT_TRUE(applied.slots[6].ticked);
  EXPECT_FALSE(applied.slots[6].taken());
  EXPECT_EQ(applied.slots[6].start, "11F80000");  // left from L6, never read
  EXPECT_FALSE(applied.slots[1].ticked);

  applied.Apply(99, "/elsewhere");  // outside the table: nothing changes
  EXPECT_EQ(applied.LoaderFile, std::filesystem::path("/opt/v/Profiles/0823.ldr"));
}

TEST(AppliedModel, LoaderFollowsTheProgramHomeAndTheRow) {
  AppliedModel applied;
  applied.Apply(*FindModel("L7 SLVR"), "/home/u/vestrel");
  EXPECT_EQ(applied.LoaderFile, std::filesystem::path("/home/u/vestrel/Profiles/L7.ldr"));
  EXPECT_EQ(applied.LoaderLoadAddress, "03FC8000");
  EXPECT_EQ(applied.LoaderJumpAddress, "03FC8010");
}

TEST(AppliedModel, V980VariantsDifferOnlyWhereTheyShould) {
  AppliedModel e1000, v980big, v980small;
  e1000.Apply(*FindModel("E1000"), "/h");
  v980big.Apply(*FindModel("V980 (64 Mb)"), "/h");
  v980small.Apply(*FindModel("V980 (32 Mb)"), "/h");
  for (std::size_t s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(e1000.slots[s].start, v980big.slots[s].start);
    EXPECT_EQ(e1000.slots[s].end, v980big.slots[s].end);
    const bool differs = s == 1 || s == 5;  // CG2's end, CG8's range
    EXPECT_EQ(v980small.slots[s].end != v980big.slots[s].end, differs) << s;
  }
  EXPECT_EQ(v980small.slots[1].end, "11F7FFFF");
  EXPECT_EQ(v980small.slots[5].start, "10028000");
}

}  // namespace
}  // namespace vestrel::backup
