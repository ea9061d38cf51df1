// FSAC framing, volumes, free space, file count, file list, attributes and the text
// helpers.
#include "phonelink/MotoSysUtils.h"
#include "tests/phonelink/p2k_fixture.h"

namespace vestrel::phonelink::p2ktest {
namespace {

using ::testing::ElementsAre;

// One 268-byte listing entry.
Bytes Entry(const std::string& name, int phoneAttr, int kind, std::uint32_t size) {
  Bytes entry(fsac::kEntrySize, 0);
  std::copy_n(name.begin(), std::min(name.size(), fsac::kEntryNameSize), entry.begin());
  entry[260] = static_cast<std::uint8_t>(phoneAttr >> 8);
  entry[261] = static_cast<std::uint8_t>(phoneAttr);
  entry[262] = static_cast<std::uint8_t>(kind >> 8);
  entry[263] = static_cast<std::uint8_t>(kind);
  for (int i = 0; i < 4; ++i) entry[264 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  return entry;
}

Bytes ListReply(std::size_t declared, const std::vector<Bytes>& entries) {
  Bytes reply = B({static_cast<int>(declared >> 8), static_cast<int>(declared & 0xFF), 0, 0});
  for (const auto& e : entries) reply = Concat(reply, e);
  return reply;
}

using FileSystem = P2KPhoneTest;

TEST_F(FileSystem, GetDrivesSplitsTheVolumesReply) {
  script = [](std::uint16_t, const Bytes&) {
    return P2KAnswer{true, B({0x00, 0x2F, 0x00, 0x61, 0xFF, 0xFE, 0x00, 0x2F, 0x00, 0x63})};
  };
  std::string drives = "stale";
  ASSERT_TRUE(item->GetDrives(drives));
  EXPECT_EQ(drives, "/a\r\n/c");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].command, fsac::kCommand);
  EXPECT_EQ(sent[0].payload, B({0, 0, 0, 0x0A}));
  EXPECT_THAT(Texts(), ElementsAre("Get Drives"));
}

TEST_F(FileSystem, GetDrivesOfAnEmptyOrSingleReply) {
  EXPECT_EQ(DecodeDrivesReply({}), "");
  const Bytes one = B({0x00, 0x2F, 0x00, 0x61});
  EXPECT_EQ(DecodeDrivesReply(one), "/a");
  const Bytes loneFF = B({0x00, 0x2F, 0xFF, 0x00, 0x61});  // FF not followed by FE is a byte
  EXPECT_EQ(DecodeDrivesReply(loneFF),
            "/\xFF"
            "a");
}

TEST_F(FileSystem, EveryVolumeReplyByteKeepsItsOwnValue) {
  // "|" (0x7C) is a character like any other here, not the search pattern's separator.
  EXPECT_EQ(DecodeDrivesReply(B({0x00, 0x2F, 0x00, 0x7C, 0xFF, 0xFE, 0x00, 0x2F, 0x00, 0xE0})),
            "/|\r\n/\xE0");
}

TEST_F(FileSystem, GetDrivesFailureEmptiesTheOutput) {
  std::string drives = "stale";
  EXPECT_FALSE(item->GetDrives(drives));
  EXPECT_EQ(drives, "");
  EXPECT_THAT(Texts(), ElementsAre("Get Drives Failed - Read Command is Error"));
}

TEST_F(FileSystem, TheVariantByteFollowsFSACOptionExceptForVolumesAndFreeSpace) {
  item->SetFSACOption(fsacAP);
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{true, B({0, 0})}; };
  std::string drives;
  item->GetDrives(drives);
  item->GetFreeSpace('a');
  item->GetFileCount("/a/|*");
  item->GetFileList(1, nullptr, nullptr);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].payload[1], 0);
  EXPECT_EQ(sent[1].payload[1], 0);
  EXPECT_EQ(sent[2].payload[1], 1);
  EXPECT_EQ(sent[3].payload, B({0, 1, 0, 8, 3}));
}

TEST_F(FileSystem, GetFreeSpaceSendsTheVolumeAndReadsFourBytesHighFirst) {
  script = [](std::uint16_t, const Bytes&) {
    return P2KAnswer{true, B({0x00, 0x12, 0x34, 0x56, 0x99})};
  };
  EXPECT_EQ(item->GetFreeSpace('c'), 0x123456);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].payload,
            B({0, 0, 0, 0x0B, 0x00, 0x07, 0x00, 0x2F, 0x00, 'c', 0x00, 0x2F, 0x00, 0x00}));
  EXPECT_THAT(Texts(), ElementsAre("Get Free Spase"));
}

TEST_F(FileSystem, GetFreeSpaceFailure) {
  EXPECT_EQ(item->GetFreeSpace('a'), 0);
  EXPECT_THAT(Texts(), ElementsAre("Get Free Spase Failed - Read Command is Error"));
}

TEST_F(FileSystem, GetFileCountSendsThePatternAsUCS2) {
  script = [](std::uint16_t, const Bytes&) { return P2KAnswer{true, B({0x01, 0x02})}; };
  EXPECT_EQ(item->GetFileCount("/a/|*"), 0x0102);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].payload, B({0, 0, 0, 7, 0, '/', 0, 'a', 0, '/', 0xFF, 0xFE, 0, '*', 0, 0}));
  EXPECT_THAT(Texts(), ElementsAre("Get File Count Phone"));
}

TEST_F(FileSystem, GetFileCountRefusesRepliesNotTwoBytesLong) {
  Bytes reply = B({0x05});
  script = [&](std::uint16_t, const Bytes&) { return P2KAnswer{true, reply}; };
  EXPECT_EQ(item->GetFileCount("/a/|*"), 0);
  reply = B({0x00, 0x05, 0x00});
  EXPECT_EQ(item->GetFileCount("/a/|*"), 0);
  EXPECT_THAT(Texts(), ElementsAre("Get File Count is Failed - Recv Data is Error",
                                   "Get File Count is Failed - Recv Data is Error"));
  for (const auto& line : lines) EXPECT_EQ(line.type, dtError);
}

TEST_F(FileSystem, GetFileCountFailure) {
  EXPECT_EQ(item->GetFileCount("/a/|*"), 0);
  EXPECT_THAT(Texts(), ElementsAre("Get File Count is Failed - Read Command is Error"));
}

TEST_F(FileSystem, GetFileListWithCountZeroSendsNothing) {
  std::vector<P2KFileRecord> list;
  EXPECT_FALSE(item->GetFileList(0, &list, nullptr));
  EXPECT_FALSE(item->GetFileList(-3, &list, nullptr));
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(lines.empty());
}

TEST_F(FileSystem, GetFileListAsksCountTimesAndDeliversEveryEntry) {
  int round = 0;
  script = [&](std::uint16_t, const Bytes& payload) {
    EXPECT_EQ(payload, B({0, 0, 0, 8, 3}));
    ++round;
    if (round == 1) {
      return P2KAnswer{true, ListReply(3, {Entry("/a/x.txt", 0x01, 0, 10),
                                           Entry("/a/y.mid", 0x0A, 2, 0x01020304),
                                           Entry("/a/z.jpg", 0x14, 14, 7)})};
    }
    if (round == 2) return P2KAnswer{true, ListReply(1, {Entry("/a/w", 0x28, 17, 1)})};
    return P2KAnswer{true, ListReply(0, {})};
  };
  std::vector<P2KFileRecord> list;
  std::vector<std::string> seen;
  ASSERT_TRUE(item->GetFileList(4, &list, [&](const P2KFileRecord& r) {
    seen.push_back(r.Name);
    return true;
  }));
  EXPECT_EQ(sent.size(), 4u);  // the caller's count, not the entries received
  EXPECT_THAT(seen, ElementsAre("/a/x.txt", "/a/y.mid", "/a/z.jpg", "/a/w"));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], (P2KFileRecord{10, 0x01, "/a/x.txt"}));
  EXPECT_EQ(list[1], (P2KFileRecord{0x01020304, 0x1A | 0x100, "/a/y.mid"}));
  EXPECT_EQ(list[2], (P2KFileRecord{7, 0x24 | 0x200, "/a/z.jpg"}));
  EXPECT_EQ(list[3], (P2KFileRecord{1, 0x48 | 0x400, "/a/w"}));
  EXPECT_THAT(Texts(), ElementsAre("Get File List"));
}

TEST_F(FileSystem, AStopOnTheFirstOfThreeEntriesStillDeliversTheOtherTwo) {
  script = [](std::uint16_t, const Bytes&) {
    return P2KAnswer{true, ListReply(3, {Entry("/a/1", 0, 0, 1), Entry("/a/2", 0, 0, 2),
                                         Entry("/a/3", 0, 0, 3)})};
  };
  std::vector<std::string> seen;
  std::vector<P2KFileRecord> list;
  ASSERT_TRUE(item->GetFileList(5, &list, [&](const P2KFileRecord& r) {
    seen.push_back(r.Name);
    return false;
  }));
  EXPECT_EQ(sent.size(), 1u);
  EXPECT_THAT(seen, ElementsAre("/a/1", "/a/2", "/a/3"));
  EXPECT_EQ(list.size(), 3u);
}

TEST_F(FileSystem, AThrowingCallbackNeitherStopsNorBreaksTheListing) {
  script = [](std::uint16_t, const Bytes&) {
    return P2KAnswer{true, ListReply(1, {Entry("/a/1", 0, 0, 1)})};
  };
  int calls = 0;
  ASSERT_TRUE(item->GetFileList(2, nullptr, [&](const P2KFileRecord&) -> bool {
    ++calls;
    throw std::runtime_error("window gone");
  }));
  EXPECT_EQ(calls, 2);
}

TEST_F(FileSystem, AFailedRoundEndsTheListingButItStillSucceeds) {
  int round = 0;
  script = [&](std::uint16_t, const Bytes&) {
    if (++round == 1) return P2KAnswer{true, ListReply(1, {Entry("/a/1", 0, 0, 1)})};
    return P2KAnswer{false, {}};
  };
  std::vector<P2KFileRecord> list;
  EXPECT_TRUE(item->GetFileList(5, &list, nullptr));
  EXPECT_EQ(sent.size(), 2u);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_THAT(Texts(),
              ElementsAre("Get File List is Failed - Read Command is Error", "Get File List"));
}

TEST_F(FileSystem, BlankPaddedNamesAreTrimmed) {
  script = [](std::uint16_t, const Bytes&) {
    return P2KAnswer{true, ListReply(1, {Entry("  note.txt", 0, 0, 5)})};
  };
  std::vector<P2KFileRecord> list;
  ASSERT_TRUE(item->GetFileList(1, &list, nullptr));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "note.txt");

  P2KFileRecord record;
  Bytes entry = Entry("\t x.db \x01\x1F", 0, 0, 0);
  ParseFileEntry(std::span<const std::uint8_t, fsac::kEntrySize>(entry.data(), fsac::kEntrySize),
                 record);
  EXPECT_EQ(record.Name, "x.db");
}

TEST_F(FileSystem, ADeclaredCountBeyondWhatArrivedIsBoundedByTheBytesReceived) {
  // Declares 3 entries, sends one and a half.
  Bytes reply = ListReply(3, {Entry("/a/1", 0, 0, 1)});
  reply.resize(reply.size() + 100, 'x');
  script = [&](std::uint16_t, const Bytes&) { return P2KAnswer{true, reply}; };
  std::vector<P2KFileRecord> list;
  ASSERT_TRUE(item->GetFileList(1, &list, nullptr));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "/a/1");

  // Declares 0xFFFF entries and sends four whole ones: only the three the 808-byte buffer
  // holds are read.
  reply = ListReply(0xFFFF, {Entry("/a/1", 0, 0, 1), Entry("/a/2", 0, 0, 1), Entry("/a/3", 0, 0, 1),
                             Entry("/a/4", 0, 0, 1)});
  list.clear();
  ASSERT_TRUE(item->GetFileList(1, &list, nullptr));
  EXPECT_EQ(list.size(), 3u);

  // Shorter than its own header.
  reply = B({0x00, 0x03});
  list.clear();
  ASSERT_TRUE(item->GetFileList(1, &list, nullptr));
  EXPECT_TRUE(list.empty());
}

TEST_F(FileSystem, ANameFieldWithoutAZeroByteIsBoundedAndCut) {
  Bytes entry(fsac::kEntrySize, 'n');  // name, words and size all 'n'
  P2KFileRecord record;
  ParseFileEntry(std::span<const std::uint8_t, fsac::kEntrySize>(entry.data(), fsac::kEntrySize),
                 record);
  EXPECT_EQ(record.Name, std::string(255, 'n'));
  EXPECT_EQ(record.Size, 0x6E6E6E6Eu);
}

TEST_F(FileSystem, EveryLayoutOperationOnAClosedItemReportsAndSendsNothing) {
  CloseItem();
  std::string drives;
  EXPECT_FALSE(item->GetDrives(drives));
  EXPECT_EQ(item->GetFreeSpace('a'), 0);
  EXPECT_EQ(item->GetFileCount("/a/|*"), 0);
  EXPECT_FALSE(item->GetFileList(3, nullptr, nullptr));
  EXPECT_TRUE(sent.empty());
  EXPECT_THAT(Texts(),
              ElementsAre("Close Phone is Failed", "Get Drives is Failed - Phone isn`t open",
                          "Close Phone is Failed", "Get Free Spase is Failed - Phone isn`t open",
                          "Close Phone is Failed", "Get File Count is Failed - Phone isn`t open",
                          "Close Phone is Failed", "Get File List is Failed - Phone isn`t open"));
}

TEST(Attributes, ConversionsOfThePartsExamples) {
  EXPECT_EQ(AttrToText(0x23), "ReadOnly+Hidden+Archive");
  EXPECT_EQ(AttrToText(0x10), "Directory");
  EXPECT_EQ(AttrToText(0x40), "NDIS(No Distribute)");
  EXPECT_EQ(AttrToText(0x80 | 0x100), "");
  EXPECT_EQ(AttrToText(0), "");
  EXPECT_EQ(TextToAttr("Hidden+System"), 0x06);
  EXPECT_EQ(TextToAttr("System, ReadOnly;Volume"), 0x0D);
  EXPECT_EQ(TextToAttr("hidden"), 0);
  EXPECT_EQ(TextToAttr(AttrToText(0x7F)), 0x7F);
  EXPECT_EQ(PhoneAttrToAttr(0x0A, 0), 0x1A);
  EXPECT_EQ(PhoneAttrToAttr(0x14, 0), 0x24);
  EXPECT_EQ(PhoneAttrToAttr(0x28, 0), 0x48);
  EXPECT_EQ(PhoneAttrToAttr(0x01, 2), 0x101);
  EXPECT_EQ(PhoneAttrToAttr(0, 14), 0x200);
  EXPECT_EQ(PhoneAttrToAttr(0, 17), 0x400);
  EXPECT_EQ(PhoneAttrToAttr(0, 12), 0x800);
  EXPECT_EQ(PhoneAttrToAttr(0, 3), 0);
  EXPECT_EQ(AttrToPhoneAttr(0x10), 0x0Au);
  EXPECT_EQ(AttrToPhoneAttr(0x80), 0xFFu);
  EXPECT_EQ(AttrToPhoneAttr(0x07), 0x07u);
  EXPECT_EQ(AttrToPhoneAttr(0x20), 0x14u);
  EXPECT_EQ(AttrToPhoneAttr(0x40), 0x28u);
  EXPECT_EQ(AttrToPhoneAttr(0x100 | 0x01), 0x01u);  // only the low byte counts
}

TEST(PhoneNames, UCS2Conversions) {
  EXPECT_EQ(UCS2HexToText("04100451"), "\xC0\xB8");
  EXPECT_EQ(UCS2HexToText("0041004"), "A");  // an incomplete group is ignored
  EXPECT_EQ(UCS2HexToText("004"), "");
  EXPECT_EQ(UCS2HexToText("zzzz0042"), std::string("\0B", 2));
  EXPECT_EQ(UCS2HexToText("044F"), "\xFF");
  EXPECT_EQ(TextToUCS2Hex("\xC0"), "00C0");
  EXPECT_EQ(TextToUCS2Hex("\xB8"), "0451");
  EXPECT_EQ(TextToUCS2Hex("/a/|*"), "002F0061002FFFFE002A");
  EXPECT_EQ(TextToUCS2Hex(""), "");
  EXPECT_EQ(ExtractPhoneFileName("/a/mobile/audio/MyToneDB.db"), "MyToneDB.db");
  EXPECT_EQ(ExtractPhoneFileName("MyToneDB.db"), "MyToneDB.db");
  EXPECT_EQ(ExtractPhoneFileName("/a/mobile/"), "");
}

// The layout operations against the virtual phone's own file system.
TEST_F(FileSystem, TheSamplePhoneListsItsTree) {
  auto personality = UsePersonality();
  std::string drives;
  ASSERT_TRUE(item->GetDrives(drives));
  EXPECT_EQ(drives, "/a\r\n/c");
  EXPECT_EQ(item->GetFreeSpace('a'), static_cast<std::int32_t>(*personality->FreeSpace("/a")));
  EXPECT_EQ(item->GetFreeSpace('q'), 0);

  const std::int32_t count = item->GetFileCount("/a/|*");
  std::size_t onA = 0;
  for (const auto& [name, file] : personality->State().files) onA += name.rfind("/a/", 0) == 0;
  ASSERT_EQ(count, static_cast<std::int32_t>(onA));
  std::vector<P2KFileRecord> list;
  ASSERT_TRUE(item->GetFileList(count, &list, nullptr));
  ASSERT_EQ(list.size(), onA);
  std::map<std::string, P2KFileRecord> byName;
  for (const auto& r : list) byName[r.Name] = r;
  EXPECT_EQ(byName.count("/a/mobile/audio/MyToneDB.db"), 1u);
  EXPECT_EQ(byName.count("/a/mobile/audio/TempToneDB.db"), 1u);
  EXPECT_EQ(byName["/a/mobile/picture/Logo.gif"].Attr, faReadOnly | 0x200);
  EXPECT_EQ(byName["/a/mobile/system/config.bin"].Attr, faHidden | faSystem);
  EXPECT_EQ(byName["/a/mobile/audio/Ring01.mid"].Attr, 0x100);
  EXPECT_EQ(byName["/a/mobile/audio/Ring01.mid"].Size, 3120u);

  EXPECT_EQ(item->GetFileCount("/a/mobile/audio/|*.db"), 2);
  EXPECT_EQ(item->GetFileCount("/a/mobile/audio/|MYTONE??.DB"), 1);
  EXPECT_EQ(item->GetFileCount("/c/|*"), 1);
  EXPECT_EQ(item->GetFileCount("/a/mobile/readme.txt"), 1);
  EXPECT_EQ(item->GetFileCount("/q/|*"), 0);
}

TEST_F(FileSystem, TheVirtualPhoneFindsCyrillicNames) {
  UsePersonality();
  // "Звонок" in Windows-1251: the search travels as the 8-bit codes (00C7...), the phone's
  // decoding maps them back.
  EXPECT_EQ(item->GetFileCount("/a/mobile/audio/|\xC7\xE2*"), 1);
  std::vector<P2KFileRecord> list;
  ASSERT_TRUE(item->GetFileList(1, &list, nullptr));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "/a/mobile/audio/\xC7\xE2\xEE\xED\xEE\xEA.mid");
}

}  // namespace
}  // namespace vestrel::phonelink::p2ktest
