// Open, read, write, close, delete, attributes, and whole-file copies.
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/phonelink/p2k_fixture.h"

namespace vestrel::phonelink::p2ktest {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) |
         b[at + 3];
}

Bytes Pattern(std::size_t size, unsigned seed = 1) {
  std::mt19937 rng(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

class Transfer : public P2KPhoneTest {
 protected:
  fs::path dir;
  // The scripted phone file: reads hand out `file` in the asked sizes, then 0x08.
  Bytes file;
  std::size_t position = 0;
  Bytes written;
  std::vector<std::size_t> writeSizes;

  void SetUp() override {
    P2KPhoneTest::SetUp();
    dir = fs::path(::testing::TempDir()) /
          ("p2k_transfer_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    script = [this](std::uint16_t command, const Bytes& p) -> P2KAnswer {
      if (command != fsac::kCommand || p.size() < 4) return {false, {}};
      switch (p[3]) {
        case fsac::kOpen:
          position = 0;
          return {true, {}};
        case fsac::kRead: {
          if (position >= file.size()) return {true, {fsac::kReplyEndOfFile}};
          const std::size_t n = std::min<std::size_t>(Be32(p, 4), file.size() - position);
          Bytes data(file.begin() + position, file.begin() + position + n);
          position += n;
          return {true, data};
        }
        case fsac::kWrite:
          writeSizes.push_back(Be32(p, 4));
          written.insert(written.end(), p.begin() + 8, p.end());
          return {true, {}};
        case fsac::kClose:
          return {true, {}};
        case fsac::kDelete:
          return {true, {}};
        default:
          return {false, {}};
      }
    };
  }

  void TearDown() override { fs::remove_all(dir); }

  std::vector<int> SubCommands() const {
    std::vector<int> subs;
    for (const auto& s : sent) subs.push_back(s.payload.size() >= 4 ? s.payload[3] : -1);
    return subs;
  }
};

TEST_F(Transfer, An8000ByteDownloadInBlocksOf4000EndsOnTheEndOfFileReply) {
  file = Pattern(8000);
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  ASSERT_TRUE(item->FileDownload("/a/mobile/x.bin", dir / "x.bin", 4000, 8000,
                                 [&](std::int64_t done, std::int64_t total) {
                                   progress.emplace_back(done, total);
                                   return true;
                                 }));
  EXPECT_EQ(ReadFile(dir / "x.bin"), file);
  EXPECT_THAT(progress, ElementsAre(std::pair<std::int64_t, std::int64_t>{4000, 8000},
                                    std::pair<std::int64_t, std::int64_t>{8000, 8000}));
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x01, 0x01, 0x01, 0x04));
  // Open for reading: word, 0xFF, the name's bytes.
  EXPECT_EQ(sent[0].payload,
            Concat(B({0, 0, 0, 0, 0, 0, 0, 0xFF}), Bytes{'/', 'a', '/', 'm', 'o', 'b', 'i', 'l',
                                                         'e', '/', 'x', '.', 'b', 'i', 'n'}));
  EXPECT_EQ(sent[1].payload, B({0, 0, 0, 1, 0, 0, 0x0F, 0xA0}));
  EXPECT_THAT(Texts(),
              ElementsAre("File Open", "File Read", "File Read",
                          "File Read is Failed - End of File", "File Close", "File Download"));
}

TEST_F(Transfer, AShortBlockDoesNotEndTheDownload) {
  file = Pattern(4500);
  ASSERT_TRUE(item->FileDownload("/a/x", dir / "x", 4000, 0, nullptr));
  EXPECT_EQ(ReadFile(dir / "x"), file);
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x01, 0x01, 0x01, 0x04));
}

TEST_F(Transfer, AReadErrorMidwayFailsTheDownloadInsteadOfPassingForAWholeCopy) {
  file = Pattern(12000);
  auto inner = script;
  int reads = 0;
  script = [&, inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kRead && ++reads == 2) return {true, {fsac::kReplyError}};
    return inner(c, p);
  };
  EXPECT_FALSE(item->FileDownload("/a/x", dir / "x", 4000, 12000, nullptr));
  EXPECT_EQ(fs::file_size(dir / "x"), 4000u);  // the partial file is kept
  EXPECT_EQ(Texts().back(), "File Download is Failed - file isn`t read to its end");
}

TEST_F(Transfer, ADownloadWhoseFileCannotBeOpenedLeavesAnEmptyLocalFile) {
  auto inner = script;
  script = [inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p.size() >= 4 && p[3] == fsac::kOpen) return {true, {fsac::kReplyError}};
    return inner(c, p);
  };
  EXPECT_FALSE(item->FileDownload("/a/missing", dir / "m", 4000, 0, nullptr));
  ASSERT_TRUE(fs::exists(dir / "m"));
  EXPECT_EQ(fs::file_size(dir / "m"), 0u);
  EXPECT_THAT(SubCommands(), ElementsAre(0x00));
  EXPECT_THAT(Texts(), ElementsAre("File Open is Failed - Recv Data is Error",
                                   "File Download is Failed - file isn`t opened"));
}

TEST_F(Transfer, ACallbackStopAfterTheFirstBlockClosesTheFile) {
  file = Pattern(12000);
  int calls = 0;
  EXPECT_TRUE(item->FileDownload("/a/x", dir / "x", 4000, 12000, [&](std::int64_t, std::int64_t) {
    ++calls;
    return false;
  }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fs::file_size(dir / "x"), 4000u);
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x01, 0x04));

  sent.clear();
  lines.clear();
  WriteFile(dir / "up", Pattern(2500));
  EXPECT_FALSE(item->FileUpload(dir / "up", "/a/up", 1000,
                                [](std::int64_t, std::int64_t) { return false; }));
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x02, 0x04));
  EXPECT_EQ(Texts().back(), "File Upload is Failed");
}

TEST_F(Transfer, APhoneThatAnswersDataForeverStopsWhenTheCallbackSaysSo) {
  script = [](std::uint16_t, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kRead) return {true, Bytes(4000, 0x5A)};
    return {true, {}};
  };
  std::int64_t last = 0;
  EXPECT_TRUE(item->FileDownload("/a/x", dir / "x", 4000, 0, [&](std::int64_t done, std::int64_t) {
    last = done;
    return done < 40000;
  }));
  EXPECT_EQ(last, 40000);
  EXPECT_EQ(fs::file_size(dir / "x"), 40000u);
}

TEST_F(Transfer, AThrowingCallbackIsSwallowed) {
  file = Pattern(8000);
  EXPECT_TRUE(item->FileDownload(
      "/a/x", dir / "x", 4000, 0,
      [](std::int64_t, std::int64_t) -> bool { throw std::runtime_error("progress bar gone"); }));
  EXPECT_EQ(ReadFile(dir / "x"), file);
}

TEST_F(Transfer, AReadReplyLargerThanAskedIsNeverCopiedBeyondTheBuffer) {
  script = [](std::uint16_t, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kRead) return {true, Bytes(Be32(p, 4) + 100, 0x33)};
    return {true, {}};
  };
  Bytes buffer(10, 0);
  EXPECT_EQ(item->FileRead(std::span(buffer).first(8)), 108);
  EXPECT_EQ(buffer, Concat(Bytes(8, 0x33), Bytes(2, 0)));
  // The download takes an oversized block as the end: nothing written, nothing received.
  EXPECT_FALSE(item->FileDownload("/a/x", dir / "x", 4000, 0, nullptr));
  EXPECT_EQ(fs::file_size(dir / "x"), 0u);
  EXPECT_EQ(Texts().back(), "File Download is Failed");
}

TEST_F(Transfer, APhoneThatVanishesMidDownloadGivesAClearFailureAndKeepsThePartialFile) {
  file = Pattern(20000);
  phone->vanishAfter(3);  // open and two reads are answered
  EXPECT_FALSE(item->FileDownload("/a/x", dir / "x", 4000, 20000, nullptr));
  EXPECT_EQ(fs::file_size(dir / "x"), 8000u);
  EXPECT_EQ(ReadFile(dir / "x"), Bytes(file.begin(), file.begin() + 8000));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            (testing::DebugLine{"File Download is Failed - file isn`t closed", dtError, true}));
  EXPECT_THAT(Texts(), IsSupersetOf({"File Read is Failed - Read Command is Error",
                                     "File Close is Failed - Read Command is Error"}));
}

TEST_F(Transfer, ADownloadBlockAboveTheReadLimitReceivesNothing) {
  file = Pattern(100);
  EXPECT_FALSE(item->FileDownload("/a/x", dir / "x", 5000, 0, nullptr));
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x04));
  EXPECT_THAT(Texts(),
              ElementsAre("File Open",
                          "File Read is Failed - BuffSize isn`t normal (0 > Buffer Size > 4096)",
                          "File Close", "File Download is Failed"));
}

TEST_F(Transfer, AnUploadOf2500BytesSends1000And1000And500) {
  const Bytes data = Pattern(2500, 7);
  WriteFile(dir / "up", data);
  std::vector<std::int64_t> progress;
  ASSERT_TRUE(item->FileUpload(dir / "up", "/a/mobile/up", 1000,
                               [&](std::int64_t done, std::int64_t total) {
                                 EXPECT_EQ(total, 2500);
                                 progress.push_back(done);
                                 return true;
                               }));
  EXPECT_THAT(writeSizes, ElementsAre(1000u, 1000u, 500u));
  EXPECT_EQ(written, data);
  EXPECT_THAT(progress, ElementsAre(1000, 2000, 2500));
  EXPECT_EQ(sent[0].payload,
            Concat(B({0, 0, 0, 0, 0, 0, 0, 0}),
                   Bytes{'/', 'a', '/', 'm', 'o', 'b', 'i', 'l', 'e', '/', 'u', 'p'}));
  EXPECT_EQ(sent[1].payload.size(), 4u + 4u + 1000u);
  EXPECT_EQ(Texts().back(), "File Upload");
}

TEST_F(Transfer, ABlockLargerThanTheFileIsCutToIt) {
  WriteFile(dir / "up", Pattern(300));
  ASSERT_TRUE(item->FileUpload(dir / "up", "/a/up", 1000, nullptr));
  EXPECT_THAT(writeSizes, ElementsAre(300u));
}

TEST_F(Transfer, AnUploadBlockAboveTheWriteLimitFailsUnsent) {
  WriteFile(dir / "up", Pattern(4000));
  EXPECT_FALSE(item->FileUpload(dir / "up", "/a/up", 2000, nullptr));
  EXPECT_TRUE(writeSizes.empty());
  EXPECT_EQ(Texts().back(), "File Upload is Failed");
}

TEST_F(Transfer, TheUploadStopsAtTheFirstBlockThePhoneDoesNotTake) {
  int writes = 0;
  auto inner = script;
  script = [&, inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kWrite && ++writes == 2) return {true, {fsac::kReplyError}};
    return inner(c, p);
  };
  WriteFile(dir / "up", Pattern(2500));
  EXPECT_FALSE(item->FileUpload(dir / "up", "/a/up", 1000, nullptr));
  // No block after the failed one: it would leave a hole and cost a time-out each.
  EXPECT_EQ(writes, 2);
  EXPECT_THAT(Texts(), IsSupersetOf({"File Write is Failed - Write Data is Error", "File Close",
                                     "File Upload is Failed"}));
}

TEST_F(Transfer, AFailedCloseFailsTheUpload) {
  auto inner = script;
  script = [inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kClose) return {false, {}};
    return inner(c, p);
  };
  WriteFile(dir / "up", Pattern(1500));
  EXPECT_FALSE(item->FileUpload(dir / "up", "/a/up", 1000, nullptr));
  EXPECT_EQ(written.size(), 1500u);
  EXPECT_THAT(Texts(),
              IsSupersetOf({"File Upload is Failed - file isn`t close", "File Upload is Failed"}));
}

TEST_F(Transfer, AnEmptyLocalFileIsRefusedForUpload) {
  WriteFile(dir / "empty", {});
  EXPECT_FALSE(item->FileUpload(dir / "empty", "/a/empty", 1000, nullptr));
  EXPECT_TRUE(sent.empty());
  EXPECT_THAT(Texts(), ElementsAre("File Upload is Failed - FileName isn`t normal"));
}

TEST_F(Transfer, HostFileErrorsAreRaised) {
  EXPECT_THROW(item->FileUpload(dir / "no-such-file", "/a/x", 1000, nullptr), fs::filesystem_error);
  EXPECT_THROW(item->FileDownload("/a/x", dir / "no-such-dir" / "x", 4000, 0, nullptr),
               fs::filesystem_error);
  EXPECT_TRUE(sent.empty());
}

TEST_F(Transfer, NamesOf256CharactersAndMoreAreRefusedWhereThePartSays) {
  const std::string n255 = "/a/" + std::string(252, 'n');
  const std::string n256 = n255 + "n";
  const std::string n257 = n256 + "n";
  WriteFile(dir / "up", Pattern(10));

  EXPECT_TRUE(item->FileSetAttribute(n255, faReadOnly));
  EXPECT_FALSE(item->FileSetAttribute(n256, faReadOnly));
  EXPECT_FALSE(item->FileSetAttribute("", faReadOnly));
  EXPECT_FALSE(item->FileDelete(n256));
  EXPECT_FALSE(item->FileDelete(""));
  EXPECT_FALSE(item->FileDownload(n256, dir / "d", 4000, 0, nullptr));
  EXPECT_FALSE(item->FileUpload(dir / "up", n256, 1000, nullptr));
  EXPECT_TRUE(item->FileOpen(n256, 0));  // FileOpen itself takes one more
  EXPECT_FALSE(item->FileOpen(n257, 0));
  EXPECT_THAT(SubCommands(), ElementsAre(0x00, 0x04, 0x00));
  EXPECT_THAT(Texts(), ElementsAre("File Open", "File Close", "File Set Attribute",
                                   "File Set Attribute is Failed - FileName isn`t normal",
                                   "File Set Attribute is Failed - FileName isn`t normal",
                                   "File Delete Phone is Failed - FileName isn`t normal",
                                   "File Delete Phone is Failed - FileName isn`t normal",
                                   "File Download is Failed - FileName isn`t normal",
                                   "File Upload is Failed - FileName isn`t normal", "File Open",
                                   "File Open is Failed - FileName isn`t normal"));
  // The attribute word of ReadOnly travels as 00000001.
  EXPECT_EQ(Bytes(sent[0].payload.begin() + 4, sent[0].payload.begin() + 8), B({0, 0, 0, 1}));
}

TEST_F(Transfer, FileSetAttributeReportsAFailedOpenOrClose) {
  auto inner = script;
  int failing = fsac::kOpen;
  script = [&, inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p[3] == failing) return {false, {}};
    return inner(c, p);
  };
  EXPECT_FALSE(item->FileSetAttribute("/a/x", faHidden));
  failing = fsac::kClose;
  EXPECT_FALSE(item->FileSetAttribute("/a/x", faHidden));
  EXPECT_THAT(
      Texts(),
      ElementsAre("File Open is Failed - Read Command is Error",
                  "File Set Attribute is Fail - file isn`t opened", "File Set Attribute is Fail",
                  "File Open", "File Close is Failed - Read Command is Error",
                  "File Set Attribute is Fail - file isn`t closed", "File Set Attribute is Fail"));
}

TEST_F(Transfer, SingleOperationsAndTheirErrorCodes) {
  auto inner = script;
  script = [inner](std::uint16_t c, const Bytes& p) -> P2KAnswer {
    if (p[3] == fsac::kDelete) return {true, {fsac::kReplyError}};
    if (p[3] == fsac::kRead) return {true, {fsac::kReplyError}};
    if (p[3] == fsac::kClose) return {true, {0x00, 0x00}};
    return inner(c, p);
  };
  Bytes buffer(16);
  EXPECT_EQ(item->FileRead(buffer), 0);
  EXPECT_FALSE(item->FileDelete("/a/x"));
  EXPECT_FALSE(item->FileClose());
  Bytes big(1025);
  EXPECT_FALSE(item->FileWrite(big));
  Bytes huge(4097);
  EXPECT_EQ(item->FileRead(huge), 0);
  EXPECT_THAT(Texts(),
              ElementsAre("File Read is Failed - Read Data is Error",
                          "File Delete is Failed - file isn`t deleted",
                          "File Close is Failed - Recv Data is Error",
                          "File Write is Failed - BuffSize isn`t normal (0 > Buffer Size > 1024)",
                          "File Read is Failed - BuffSize isn`t normal (0 > Buffer Size > 4096)"));
  EXPECT_THAT(SubCommands(), ElementsAre(0x01, 0x05, 0x04));
}

TEST_F(Transfer, OtherOneByteReadRepliesFailSilently) {
  script = [](std::uint16_t, const Bytes&) -> P2KAnswer { return {true, {0x05}}; };
  Bytes buffer(16);
  EXPECT_EQ(item->FileRead(buffer), 0);
  EXPECT_TRUE(lines.empty());
}

TEST_F(Transfer, EveryFileOperationOnAClosedItemSendsNothing) {
  WriteFile(dir / "up", Pattern(10));
  CloseItem();
  Bytes buffer(16);
  EXPECT_FALSE(item->FileOpen("/a/x", 0));
  EXPECT_EQ(item->FileRead(buffer), 0);
  EXPECT_FALSE(item->FileWrite(buffer));
  EXPECT_FALSE(item->FileClose());
  EXPECT_FALSE(item->FileDelete("/a/x"));
  EXPECT_FALSE(item->FileSetAttribute("/a/x", 0));
  EXPECT_FALSE(item->FileDownload("/a/x", dir / "d", 4000, 0, nullptr));
  EXPECT_FALSE(item->FileUpload(dir / "up", "/a/x", 1000, nullptr));
  EXPECT_TRUE(sent.empty());
  std::vector<std::string> notOpen;
  for (const auto& t : Texts()) {
    if (t != "Close Phone is Failed") notOpen.push_back(t);
  }
  EXPECT_THAT(notOpen, ElementsAre("File Open is Failed - Phone isn`t open",
                                   "File Read is Failed - Phone isn`t open",
                                   "File Write is Failed - Phone isn`t open",
                                   "File Close is Failed - Phone isn`t open",
                                   "File Delete is Failed - Phone isn`t open",
                                   "File Set Attribute is Failed - Phone isn`t open",
                                   "File Download is Failed - Phone isn`t open",
                                   "File Upload is Failed - Phone isn`t open"));
  // The download still created its local file first.
  EXPECT_TRUE(fs::exists(dir / "d"));
}

// Whole copies against the virtual phone's own file system.
class TransferOnVirtualPhone : public Transfer {
 protected:
  std::shared_ptr<virtualphone::P2KPersonality> personality;
  void SetUp() override {
    Transfer::SetUp();
    personality = UsePersonality();
  }
};

TEST_F(TransferOnVirtualPhone, AnUploadComesBackByteForByte) {
  const Bytes data = Pattern(123457, 3);
  WriteFile(dir / "song.mp3", data);
  const std::uint32_t freeBefore = *personality->FreeSpace("/a");
  ASSERT_TRUE(item->FileUpload(dir / "song.mp3", "/a/mobile/audio/song.mp3", 1000, nullptr));
  EXPECT_EQ(*personality->FreeSpace("/a"), freeBefore - data.size());
  EXPECT_EQ(item->GetFreeSpace('a'), static_cast<std::int32_t>(freeBefore - data.size()));
  ASSERT_TRUE(item->FileDownload("/a/mobile/audio/song.mp3", dir / "back.mp3", 4000,
                                 static_cast<std::int64_t>(data.size()), nullptr));
  EXPECT_EQ(ReadFile(dir / "back.mp3"), data);
  // Uploading again replaces the contents.
  WriteFile(dir / "short", Pattern(10, 9));
  ASSERT_TRUE(item->FileUpload(dir / "short", "/a/mobile/audio/song.mp3", 1000, nullptr));
  EXPECT_EQ(personality->State().files.at("/a/mobile/audio/song.mp3").contents, Pattern(10, 9));
}

// A one-byte read reply is an error code by the protocol: with the size known, the download
// never leaves a single byte for its last read, so no byte is lost.
TEST_F(TransferOnVirtualPhone, AFileOneByteLongerThanItsBlocksArrivesWhole) {
  const Bytes data = Pattern(8001);
  WriteFile(dir / "odd", data);
  ASSERT_TRUE(item->FileUpload(dir / "odd", "/a/odd", 1000, nullptr));
  ASSERT_TRUE(item->FileDownload("/a/odd", dir / "odd.back", 4000, 8001, nullptr));
  EXPECT_EQ(ReadFile(dir / "odd.back"), data);
  // Without the size, the lost byte is at least not reported as a whole copy.
  EXPECT_FALSE(item->FileDownload("/a/odd", dir / "odd.blind", 4000, 0, nullptr));
  EXPECT_EQ(Texts().back(), "File Download is Failed - file isn`t read to its end");
}

TEST_F(TransferOnVirtualPhone, AttributesDeleteAndTheRingtoneDatabase) {
  const std::string db = "/a/mobile/audio/MyToneDB.db";
  const Bytes contents = personality->State().files.at(db).contents;
  ASSERT_TRUE(item->FileSetAttribute(db, faReadOnly | faHidden));
  EXPECT_EQ(personality->State().files.at(db).attributes, 0x03);
  EXPECT_EQ(personality->State().files.at(db).contents, contents);  // untouched
  EXPECT_FALSE(item->FileDelete(db));                               // read-only files are refused
  EXPECT_EQ(Texts().back(), "File Delete is Failed - file isn`t deleted");
  ASSERT_TRUE(item->FileSetAttribute(db, 0));
  ASSERT_TRUE(item->FileDelete(db));
  EXPECT_EQ(personality->State().files.count(db), 0u);
  EXPECT_FALSE(item->FileDelete(db));
  EXPECT_FALSE(item->FileDownload(db, dir / "db", 4000, 0, nullptr));
}

TEST_F(TransferOnVirtualPhone, ThePhoneRefusesNamesOutsideItsVolumesAndReadsWithoutAnOpenFile) {
  Bytes buffer(100);
  EXPECT_FALSE(item->FileOpen("/q/x", 0));
  EXPECT_FALSE(item->FileOpen("/a/../etc/passwd", 0));
  EXPECT_FALSE(item->FileOpen("/a//x", 0));
  EXPECT_FALSE(item->FileOpen("/a/", 0));
  EXPECT_EQ(item->FileRead(buffer), 0);
  EXPECT_FALSE(item->FileClose());
  EXPECT_EQ(personality->State().files.count("/a/../etc/passwd"), 0u);
}

TEST_F(TransferOnVirtualPhone, AFullVolumeRefusesTheWrite) {
  personality->MutableState().volumes[1].capacity = 1024 + 1500;  // /c holds 1024 bytes already
  WriteFile(dir / "big", Pattern(2000));
  EXPECT_FALSE(item->FileUpload(dir / "big", "/c/big", 1000, nullptr));
  EXPECT_THAT(Texts(), IsSupersetOf({"File Write is Failed - Write Data is Error"}));
  EXPECT_EQ(personality->State().files.at("/c/big").contents.size(), 1000u);
}

}  // namespace
}  // namespace vestrel::phonelink::p2ktest
