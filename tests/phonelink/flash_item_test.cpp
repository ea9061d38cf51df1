#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <streambuf>

#include "phonelink/MotoFlashMode.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::phonelink {
namespace {

using testing::DebugLine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PhoneRig;
using testing::RecordInto;
using testing::Texts;
using virtualphone::FlashFault;
using virtualphone::PhoneMode;
using virtualphone::VirtualFlash;

using Bytes = std::vector<std::uint8_t>;

constexpr MemoryRange kPdsRange{0x10010000, 0x10020000};

Bytes memoryAt(std::uint32_t address, std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = VirtualFlash::MemoryByte(address + static_cast<std::uint32_t>(i));
  }
  return bytes;
}

Bytes loaderOf(std::size_t size) {
  Bytes loader(size);
  for (std::size_t i = 0; i < size; ++i) loader[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return loader;
}

std::istringstream streamOf(const Bytes& bytes) {
  return std::istringstream(std::string(bytes.begin(), bytes.end()));
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A seekable loader of `size` bytes whose reads fail from byte `breakAt` on.
class BreakingLoader final : public std::streambuf {
 public:
  BreakingLoader(std::size_t size, std::size_t breakAt) : data_(size, 'L'), breakAt_(breakAt) {
    setg(data_.data(), data_.data(), data_.data() + breakAt_);
  }

 protected:
  // Knows the end (for the size), the start, and where reading got to.
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
    if (dir == std::ios::end) atEnd_ = true;
    if (dir == std::ios::beg && off == 0) {
      atEnd_ = false;
      setg(data_.data(), data_.data(), data_.data() + breakAt_);
    }
    if (atEnd_) return static_cast<pos_type>(data_.size());
    return static_cast<pos_type>(gptr() - eback());
  }
  pos_type seekpos(pos_type pos, std::ios::openmode which) override {
    return seekoff(pos, std::ios::beg, which);
  }

 private:
  std::string data_;
  std::size_t breakAt_;
  bool atEnd_ = false;
};

// A phone in flash mode with its item open and its reports recorded.
class FlashItem : public ::testing::Test {
 protected:
  std::vector<DebugLine> lines;  // outlives the item, which reports as it closes
  PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone = rig.plug("F", PhoneMode::Flash);
  TMotoFlashMode mode{rig.context};
  std::shared_ptr<TMotoFlashModemItem> item = mode.DeviceList().Items(0);
  std::vector<std::pair<std::int32_t, std::int32_t>> progress;
  std::optional<testing::TempFolder> scratch;  // made at the first file asked for
  std::filesystem::path folder;

  void SetUp() override {
    ASSERT_TRUE(item);
    item->SetOnDebugEvent(RecordInto<TMotoFlashModemItem>(lines));
    ASSERT_TRUE(item->OpenPhone());
    lines.clear();
  }

  void TearDown() override {
    if (!folder.empty()) std::filesystem::remove_all(folder);
  }

  DebugLine lastLine() const {
    return lines.empty() ? DebugLine{"", dtInformation, false} : lines.back();
  }

  FlashProgressCallback recordProgress() {
    return [this](std::int32_t done, std::int32_t total) {
      progress.emplace_back(done, total);
      return true;
    };
  }

  std::filesystem::path fileIn(const std::string& name) {
    if (folder.empty()) {
      folder = scratch.emplace().path();
    }
    return folder / name;
  }

  void uploadLoader() {
    const Bytes loader = loaderOf(300);
    auto stream = streamOf(loader);
    ASSERT_TRUE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
    lines.clear();
  }

  static Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(FlashItem, StartsWithTheDocumentedProperties) {
  EXPECT_EQ(item->TimeOut(), 6000u);
  EXPECT_EQ(item->LoaderType(), ltUseDUMP);
  EXPECT_EQ(item->StartBinary(), 0x10000000u);
  EXPECT_EQ(item->BaseAddr(), 0x03FD0000u);
  EXPECT_EQ(item->EntryAddr(), 0x03FD0010u);
}

TEST_F(FlashItem, ALoaderOf8193BytesGoesAsTwoAddrBinPairsThenJump) {
  const Bytes loader = loaderOf(8193);
  auto stream = streamOf(loader);
  ASSERT_TRUE(item->SendLoaderStream(&stream, ltUseREAD, recordProgress()));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "ADDR", "BIN", "JUMP"));
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Send ADDR 03FD0000", dtInformation, true},
                                 DebugLine{"Send BIN", dtInformation, true},
                                 DebugLine{"Send ADDR 03FD2000", dtInformation, true},
                                 DebugLine{"Send BIN", dtInformation, true},
                                 DebugLine{"Send JUMP 03FD0010", dtInformation, true},
                                 DebugLine{"Send Loader", dtInformation, false}));
  EXPECT_THAT(progress, ElementsAre(std::pair(8192, 8193), std::pair(8193, 8193)));
  EXPECT_EQ(item->LoaderType(), ltUseREAD);
  EXPECT_TRUE(phone->flash().loaderRunning());
  EXPECT_EQ(phone->flash().entryAddress(), 0x03FD0010u);
  // Byte k of the loader sits at BaseAddr + k; the last block's padding follows it.
  Bytes stored(8200);
  phone->flash().readMemory(0x03FD0000, stored);
  EXPECT_TRUE(std::equal(loader.begin(), loader.end(), stored.begin()));
  EXPECT_EQ(stored[8193], 0xFF);
  EXPECT_EQ(item->LastError(), "Send Loader");
}

TEST_F(FlashItem, AnEmptyLoaderSendsNothingButSetsTheLoaderType) {
  std::istringstream empty;
  EXPECT_FALSE(item->SendLoaderStream(&empty, ltUseREAD, recordProgress()));
  EXPECT_FALSE(item->SendLoaderStream(nullptr, ltUseREAD, recordProgress()));
  EXPECT_EQ(item->LoaderType(), ltUseREAD);
  EXPECT_THAT(phone->flash().framesTaken(), IsEmpty());
  EXPECT_THAT(lines, IsEmpty());
  EXPECT_THAT(progress, IsEmpty());
}

TEST_F(FlashItem, ALoaderThatBreaksMidWayIsNotSentInPart) {
  BreakingLoader broken(20000, 9000);
  std::istream stream(&broken);
  EXPECT_FALSE(item->SendLoaderStream(&stream, ltUseREAD, recordProgress()));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "ADDR"));
  EXPECT_EQ(lastLine(), (DebugLine{"Send Loader Failed", dtError, false}));
  EXPECT_THAT(progress, ElementsAre(std::pair(8192, 20000)));
  EXPECT_FALSE(phone->flash().loaderRunning());
}

TEST_F(FlashItem, ARejectedBinEndsTheUploadWithoutJump) {
  phone->flash().failFrame(FlashFault::Error, "BIN", 1);
  const Bytes loader = loaderOf(20000);
  auto stream = streamOf(loader);
  EXPECT_FALSE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "ADDR", "BIN"));
  EXPECT_THAT(Texts(lines), ElementsAre("Send ADDR 03FD0000", "Send BIN", "Send ADDR 03FD2000",
                                        "Send BIN Failed", "Send Loader Failed"));
  EXPECT_EQ(lines[3].type, dtError);
  EXPECT_TRUE(lines[3].subError);
  EXPECT_EQ(item->LastError(), "Send Loader Failed");
}

TEST_F(FlashItem, AJumpOutsideTheStoredLoaderIsRefused) {
  item->SetEntryAddr(0x03FE0000);
  const Bytes loader = loaderOf(16);
  auto stream = streamOf(loader);
  EXPECT_FALSE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
  EXPECT_THAT(Texts(lines), ElementsAre("Send ADDR 03FD0000", "Send BIN",
                                        "Send JUMP 03FE0000 Failed", "Send Loader Failed"));
}

TEST_F(FlashItem, AFrameWhoseWriteFailsIsNotAcceptedEvenWithoutReply) {
  phone->flash().failFrame(FlashFault::Reject, "ADDR");
  EXPECT_FALSE(item->SendAddr(0x03FD0000));
  EXPECT_EQ(lastLine(), (DebugLine{"Send ADDR 03FD0000 Failed", dtError, true}));
  EXPECT_THAT(phone->flash().framesTaken(), IsEmpty());
}

TEST_F(FlashItem, SilenceFailsAddrAfterOneTimeOutButPassesJump) {
  phone->flash().failFrame(FlashFault::Silent, "ADDR");
  std::uint32_t before = rig.clock.tickCount();
  EXPECT_FALSE(item->SendAddr(0x03FD0000));
  EXPECT_EQ(rig.clock.tickCount() - before, 6000u);
  EXPECT_EQ(lastLine(), (DebugLine{"Send ADDR 03FD0000 Failed", dtError, true}));
  // A changed TimeOut governs the waits: the read that finds the phone silent after the
  // failed "ADDR", then the jump's own.
  item->SetTimeOut(250);
  phone->flash().failFrame(FlashFault::Silent, "JUMP");
  before = rig.clock.tickCount();
  EXPECT_TRUE(item->SendJump(0x03FD0010));
  EXPECT_EQ(rig.clock.tickCount() - before, 500u);
}

TEST_F(FlashItem, ABinDroppedWithoutAnyReplyFailsTheUploadBeforeTheJump) {
  phone->flash().failFrame(FlashFault::Dropped, "BIN", 1);
  const Bytes loader = loaderOf(20000);
  auto stream = streamOf(loader);
  EXPECT_FALSE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "ADDR"));
  EXPECT_EQ(item->LastFrameFailure(), "Send BIN Failed");
  EXPECT_FALSE(phone->flash().loaderRunning());
}

TEST_F(FlashItem, AJumpDroppedWithoutAnyReplyPassesAndTheFirstReadShowsNoLoaderRuns) {
  phone->flash().failFrame(FlashFault::Dropped, "JUMP");
  const Bytes loader = loaderOf(100);
  auto stream = streamOf(loader);
  EXPECT_TRUE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
  std::ostringstream out;
  EXPECT_FALSE(item->SaveMemoryStream(kPdsRange, &out, nullptr));
  EXPECT_TRUE(out.str().empty());
  EXPECT_EQ(item->LastFrameFailure(), "Send READ (10010000,0100 b) Failed");
}

TEST_F(FlashItem, APieceWhoseWriteTimedOutCountsWhenThePhoneAnswered) {
  phone->flash().failFrame(FlashFault::Late, "BIN");
  const Bytes loader = loaderOf(8192);
  auto stream = streamOf(loader);
  const std::uint32_t before = rig.clock.tickCount();
  EXPECT_TRUE(item->SendLoaderStream(&stream, ltUseREAD, nullptr));
  EXPECT_EQ(rig.clock.tickCount() - before, 6000u) << "one wait for the late piece";
  EXPECT_TRUE(phone->flash().loaderRunning());
  Bytes stored(8192);
  phone->flash().readMemory(0x03FD0000, stored);
  EXPECT_EQ(stored, loader);
  EXPECT_TRUE(item->LastFrameFailure().empty());
}

TEST_F(FlashItem, ReadFillsTheDestinationFromTheRunningLoader) {
  uploadLoader();
  Bytes data(256);
  EXPECT_EQ(item->SendRead(0x10080000, data), 256);
  EXPECT_EQ(data, memoryAt(0x10080000, 256));
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Send READ (10080000,0100 b)", dtInformation, true}));
}

TEST_F(FlashItem, ShortOrErrorRepliesDeliverNothing) {
  uploadLoader();
  Bytes data(256, 0xEE);
  phone->flash().failFrame(FlashFault::Short, "READ");
  EXPECT_EQ(item->SendRead(0x10080000, data), 0);
  phone->flash().failFrame(FlashFault::Error, "READ");
  EXPECT_EQ(item->SendRead(0x10080000, data), 0);
  phone->flash().failFrame(FlashFault::Silent, "DUMP");
  EXPECT_EQ(item->SendDump(0x10080000, data), 0);
  phone->flash().failFrame(FlashFault::Error, "DUMP");
  EXPECT_EQ(item->SendDump(0x10080000, data), 0);
  EXPECT_EQ(data, Bytes(256, 0xEE));
  EXPECT_THAT(
      Texts(lines),
      ElementsAre("Send READ (10080000,0100 b) Failed", "Send READ (10080000,0100 b) Failed",
                  "Send DUMP (10080000) Failed", "Send DUMP (10080000) Failed"));
}

TEST_F(FlashItem, CountsBeyondTheReplyBufferAreRefusedWithoutARequest) {
  uploadLoader();
  Bytes tooMuch(1017);
  Bytes none;
  EXPECT_EQ(item->SendRead(0x10000000, tooMuch), 0);
  EXPECT_EQ(item->SendRead(0x10000000, none), 0);
  Bytes dumpTooMuch(1025);
  EXPECT_EQ(item->SendDump(0x10000000, dumpTooMuch), 0);
  EXPECT_FALSE(item->SendBin(Bytes(65529, 0)));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "JUMP"));
  EXPECT_THAT(Texts(lines), ElementsAre("Send READ (10000000,03F9 b) Failed",
                                        "Send READ (10000000,0000 b) Failed",
                                        "Send DUMP (10000000) Failed", "Send BIN Failed"));
}

TEST_F(FlashItem, SavingThePdsRangeWritesExactly65536BytesOfPhoneMemory) {
  uploadLoader();
  const auto file = fileIn("pds.bin");
  ASSERT_TRUE(item->SaveMemory(kPdsRange, file, recordProgress()));
  EXPECT_EQ(fileBytes(file), memoryAt(0x10010000, 65536));
  // Blocks of 256 and 248 bytes in turn: 130 pairs and 16 bytes.
  EXPECT_EQ(progress.size(), 261u);
  EXPECT_EQ(progress.back(), std::pair(65536, 65536));
  EXPECT_EQ(lastLine(), (DebugLine{"Save Memory", dtInformation, false}));
  EXPECT_EQ(lines.size(), 262u);
  EXPECT_EQ(Texts(lines)[1], "Send READ (10010100,00F8 b)");
}

TEST_F(FlashItem, SavingWithDumpReadsTheWholeRangeThatEndsOnABlock) {
  uploadLoader();
  item->SetLoaderType(ltUseDUMP);
  std::ostringstream out;
  ASSERT_TRUE(item->SaveMemoryStream({0x10B1F800, 0x10B1FFFF}, &out, recordProgress()));
  EXPECT_EQ(bytesOf(out.str()), memoryAt(0x10B1F800, 2048));
  EXPECT_EQ(progress.back(), std::pair(2048, 2047));
  EXPECT_EQ(Texts(lines)[0], "Send DUMP (10B1F800)");
}

TEST_F(FlashItem, ARangeEndingAtTheTopOfMemoryEnds) {
  uploadLoader();
  std::ostringstream out;
  ASSERT_TRUE(item->SaveMemoryStream({0xFFFFFE00, 0xFFFFFFFF}, &out, nullptr));
  EXPECT_EQ(bytesOf(out.str()), memoryAt(0xFFFFFE00, 512));
}

TEST_F(FlashItem, ARangeStartingAfterItsEndIsRefused) {
  uploadLoader();
  std::ostringstream out;
  EXPECT_FALSE(item->SaveMemoryStream({0x10000100, 0x10000000}, &out, nullptr));
  EXPECT_TRUE(out.str().empty());
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "JUMP"));
}

TEST_F(FlashItem, AReadThatFailsTwiceStopsTheSaveAndKeepsWhatWasWritten) {
  uploadLoader();
  phone->flash().failFrame(FlashFault::Silent, "READ", 2, true);
  const auto file = fileIn("part.bin");
  EXPECT_FALSE(item->SaveMemory(kPdsRange, file, nullptr));
  EXPECT_EQ(fileBytes(file), memoryAt(0x10010000, 504));
  EXPECT_THAT(Texts(lines), ::testing::Contains("Send READ (100101F8,0100 b) Failed").Times(2));
  EXPECT_EQ(lastLine(), (DebugLine{"Send READ (100101F8,0100 b) Failed", dtError, true}));
}

// Replies that answer an earlier request: one that came after the host gave up on it, one sent
// twice, a garbled or short one. Each is refused or drained, the block asked for again, and
// the saved bytes are the phone's own.
TEST_F(FlashItem, NoReplyOfAnEarlierRequestIsTakenForData) {
  uploadLoader();
  for (const FlashFault fault : {FlashFault::LateReply, FlashFault::Duplicated, FlashFault::Garbled,
                                 FlashFault::Short, FlashFault::Silent}) {
    for (std::uint32_t skip : {0u, 1u, 5u}) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(fault) << " at READ " << skip);
      phone->flash().failFrame(fault, "READ", skip);
      std::ostringstream out;
      ASSERT_TRUE(item->SaveMemoryStream({0x10040000, 0x10040FFF}, &out, nullptr));
      EXPECT_EQ(bytesOf(out.str()), memoryAt(0x10040000, 4096));
      // Nothing still waiting after the save passes for the next request's reply.
      for (int i = 0; i < 2; ++i) {
        Bytes next(16);
        if (item->SendRead(0x10B1F800, next) == 16) {
          EXPECT_EQ(next, memoryAt(0x10B1F800, 16));
        }
      }
    }
  }
}

TEST_F(FlashItem, AFileThatCannotBeCreatedFailsWithoutARequest) {
  uploadLoader();
  EXPECT_FALSE(item->SaveMemory(kPdsRange, fileIn("missing") / "pds.bin", nullptr));
  EXPECT_FALSE(item->SendLoader(fileIn("absent.ldr"), ltUseREAD, nullptr));
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("ADDR", "BIN", "JUMP"));
  EXPECT_THAT(lines, IsEmpty());
}

TEST_F(FlashItem, ALoaderFileIsWrittenByteForByteAtBaseAddr) {
  const Bytes loader = loaderOf(100);
  const auto file = fileIn("e398.ldr");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(loader.data()), 100);
  ASSERT_TRUE(item->SendLoader(file, ltUseREAD, nullptr));
  Bytes stored(100);
  phone->flash().readMemory(0x03FD0000, stored);
  EXPECT_EQ(stored, loader);
}

TEST_F(FlashItem, PowerOffTurnsThePhoneOffAndItLeavesTheList) {
  EXPECT_TRUE(item->PowerOff());
  EXPECT_THAT(lines, ElementsAre(DebugLine{"Power Off", dtInformation, false}));
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  rig.bus.deliverNotices();
  EXPECT_EQ(mode.DeviceList().Count(), 0);
}

TEST_F(FlashItem, EveryOperationOnAClosedItemSendsNothing) {
  ASSERT_TRUE(item->ClosePhone());
  lines.clear();
  Bytes data(16);
  std::istringstream loader("loader");
  std::ostringstream out;
  EXPECT_FALSE(item->PowerOff());
  EXPECT_FALSE(item->SendAddr(0x03FD0000));
  EXPECT_FALSE(item->SendJump(0x03FD0010));
  EXPECT_FALSE(item->SendBin(data));
  EXPECT_EQ(item->SendDump(0x10000000, data), 0);
  EXPECT_EQ(item->SendRead(0x10000000, data), 0);
  EXPECT_FALSE(item->SendLoaderStream(&loader, ltUseREAD, nullptr));
  EXPECT_FALSE(item->SendLoader(fileIn("any.ldr"), ltUseREAD, nullptr));
  EXPECT_FALSE(item->SaveMemoryStream(kPdsRange, &out, nullptr));
  EXPECT_FALSE(item->SaveMemory(kPdsRange, fileIn("never.bin"), nullptr));
  EXPECT_THAT(phone->flash().framesTaken(), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(fileIn("never.bin")));
  // Only the close that IsOpen attempts is reported, once per call.
  EXPECT_EQ(lines.size(), 10u);
  for (const auto& line : lines) EXPECT_EQ(line, (DebugLine{"Close Phone Failed", dtError, false}));
  EXPECT_EQ(phone->mode(), PhoneMode::Flash);
}

}  // namespace
}  // namespace vestrel::phonelink
