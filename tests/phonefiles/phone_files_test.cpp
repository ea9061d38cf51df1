// The unit on the sample phone: listings, copies both ways and the phone file's safety.
#include "tests/phonefiles/files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

using phonefiles::Failure;
using phonefiles::TransferOptions;
using ::testing::HasSubstr;
using virtualphone::ReplyFault;

TEST_F(PhoneFilesTest, AFolderListsTheSameWithOrWithoutItsSlashAndMissingPathsFail) {
  std::vector<phonelink::P2KFileRecord> plain, slashed;
  ASSERT_TRUE(files->List("/a/mobile/audio", plain).ok());
  ASSERT_TRUE(files->List("/a/mobile/audio/", slashed).ok());
  EXPECT_EQ(plain, slashed);
  EXPECT_EQ(plain.size(), 5u);

  std::vector<phonelink::P2KFileRecord> one;
  ASSERT_TRUE(files->List("/a/mobile/readme.txt", one).ok());
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].Size, 71u);
  EXPECT_EQ(one[0].Attr & phonelink::faReadOnly, phonelink::faReadOnly);

  for (const char* missing : {"/a/nothing", "/a/mobile/audio/Ring01", "/x", "/x/mobile"}) {
    const auto listed = files->List(missing, one);
    EXPECT_EQ(listed.failure, Failure::NotFound) << missing;
    EXPECT_TRUE(one.empty());
  }
  EXPECT_EQ(files->List("mobile", one).failure, Failure::BadName);
}

TEST_F(PhoneFilesTest, FindMatchesTheExactNameOnly) {
  phonelink::P2KFileRecord record;
  ASSERT_TRUE(files->Find("/a/mobile/audio/Ring01.mid", record).ok());
  EXPECT_EQ(record.Size, 3120u);
  // The search is case-blind and reaches below the folder; the name must still match exactly.
  EXPECT_EQ(files->Find("/a/mobile/audio/ring01.mid", record).failure, Failure::NotFound);
  EXPECT_EQ(files->Find("/a/mobile/Ring01.mid", record).failure, Failure::NotFound);
  EXPECT_EQ(files->Find("/a/mobile/audio/*.mid", record).failure, Failure::NotFound);
}

TEST_F(PhoneFilesTest, ADownloadArrivesByteForByteAndAMissingFileTouchesNoHostFile) {
  std::vector<std::int64_t> seen;
  TransferOptions options;
  options.progress = [&](std::int64_t done, std::int64_t total) {
    seen.push_back(done);
    EXPECT_EQ(total, 12000);
    return true;
  };
  ASSERT_TRUE(files->Download("/a/mobile/picture/Photo001.jpg", host / "p.jpg", options).ok());
  EXPECT_EQ(ReadBytes(host / "p.jpg"), *PhoneFile("/a/mobile/picture/Photo001.jpg"));
  EXPECT_THAT(seen, ::testing::ElementsAre(4000, 8000, 12000));

  WriteBytes(host / "keep.bin", Pattern(10, 9));
  const auto missing = files->Download("/a/mobile/none.jpg", host / "keep.bin");
  EXPECT_EQ(missing.failure, Failure::NotFound);
  EXPECT_EQ(ReadBytes(host / "keep.bin"), Pattern(10, 9));
}

// The phone answers a last block of one byte with a one-byte reply, which is otherwise an
// error code: files of every size around that case arrive whole, 0x08 and 0x01 included.
TEST_F(PhoneFilesTest, FilesOfNoneOneTwoAndBlockBoundaryBytesArriveWhole) {
  for (const std::size_t size : {0, 1, 2, 3999, 4000, 4001, 4002, 8001}) {
    for (const std::uint8_t first : {0x08, 0x01, 0x41}) {
      Bytes contents = Pattern(size, 3);
      if (size > 0) contents[size - 1] = first;
      if (size > 0) contents[0] = first;
      const std::string name = "/a/mobile/sized" + std::to_string(size);
      personality->MutableState().files[name] = {0, 0, contents};
      const fs::path out = host / ("sized" + std::to_string(size));
      const auto result = files->Download(name, out);
      EXPECT_TRUE(result.ok()) << size << ": " << result.message;
      EXPECT_EQ(ReadBytes(out), contents) << size << " bytes ending in " << int{first};
    }
  }
}

TEST_F(PhoneFilesTest, AStoppedOrFailedDownloadLeavesTheDestinationAsItWas) {
  WriteBytes(host / "p.jpg", Pattern(10, 9));
  TransferOptions stop;
  stop.progress = [](std::int64_t, std::int64_t) { return false; };
  EXPECT_EQ(files->Download("/a/mobile/picture/Photo001.jpg", host / "p.jpg", stop).failure,
            Failure::Stopped);
  phone->faultAt(4, ReplyFault::Garbled);  // search, list, open, first read, second read
  const auto failed = files->Download("/a/mobile/picture/Photo001.jpg", host / "p.jpg");
  EXPECT_EQ(failed.failure, Failure::Phone);
  EXPECT_THAT(failed.message, HasSubstr("4000 of 12000 bytes arrived"));
  EXPECT_EQ(ReadBytes(host / "p.jpg"), Pattern(10, 9));
  EXPECT_EQ(std::distance(fs::directory_iterator(host.path()), fs::directory_iterator()), 1);
}

TEST_F(PhoneFilesTest, AnUploadThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
  const std::string name = "/a/mobile/picture/Wallpaper.jpg";
  const Bytes before = *PhoneFile(name);
  const auto free = personality->FreeSpace("/a");
  // Exactly what fits when the replaced file counts: accepted.
  WriteBytes(host / "fits", Pattern(*free + before.size(), 3));
  ASSERT_TRUE(files->Upload(host / "fits", name).ok());
  EXPECT_EQ(*PhoneFile(name), Pattern(*free + before.size(), 3));
  // One byte more: refused, the phone file untouched.
  WriteBytes(host / "big", Pattern(*free + before.size() + 1, 4));
  const auto refused = files->Upload(host / "big", name);
  EXPECT_EQ(refused.failure, Failure::NoSpace);
  EXPECT_THAT(refused.message, HasSubstr("counting the file it would replace"));
  EXPECT_EQ(*PhoneFile(name), Pattern(*free + before.size(), 3));
}

TEST_F(PhoneFilesTest, AReadOnlyPhoneFileIsReplacedOnlyWhenForcedAndStaysReadOnly) {
  const std::string name = "/a/mobile/readme.txt";
  const Bytes before = *PhoneFile(name);
  WriteBytes(host / "new.txt", Pattern(90, 5));
  EXPECT_EQ(files->Upload(host / "new.txt", name).failure, Failure::ReadOnly);
  EXPECT_EQ(*PhoneFile(name), before);
  TransferOptions force;
  force.force = true;
  ASSERT_TRUE(files->Upload(host / "new.txt", name, force).ok());
  EXPECT_EQ(*PhoneFile(name), Pattern(90, 5));
  EXPECT_EQ(PhoneAttributes(name), phonelink::faReadOnly);
}

TEST_F(PhoneFilesTest, ABlockThePhoneDropsPutsTheOldFileBack) {
  const std::string name = "/a/mobile/picture/Photo001.jpg";
  const Bytes before = *PhoneFile(name);
  WriteBytes(host / "new.jpg", Pattern(5000, 6));
  // Find (search, list), volumes, free space, keep (open, 3 reads, end, close), open, writes.
  phone->faultAt(14, ReplyFault::Silent);
  const std::uint32_t start = rig.clock.tickCount();
  const auto failed = files->Upload(host / "new.jpg", name);
  EXPECT_EQ(failed.failure, Failure::Phone);
  EXPECT_THAT(failed.message, HasSubstr("put back as it was"));
  EXPECT_EQ(*PhoneFile(name), before);
  EXPECT_TRUE(failed.keptCopy.empty());
  // One silent block costs one time-out, not one per remaining block.
  EXPECT_LE(rig.clock.tickCount() - start, phonelink::TMotoP2KModemItem::kReplyDeadlineMs + 1000);
}

// The host files an upload makes, as its caller hears of them.
struct HostFileEvents {
  std::vector<std::pair<fs::path, phonefiles::HostFileState>> seen;
  std::string where;
  void Into(TransferOptions& options) {
    options.hostFiles = [this](const fs::path& file, phonefiles::HostFileState state,
                               const std::string& note) {
      seen.emplace_back(file, state);
      if (state == phonefiles::HostFileState::KeptCopy) where = note;
    };
  }
};

// An upload of new bytes over a picture that has `attributes`; its host files are heard.
struct UploadOverAFile : PhoneFilesTest {
  const std::string name = "/a/mobile/picture/Photo001.jpg";
  Bytes before;
  TransferOptions options;
  HostFileEvents events;
  void Prepare(std::uint16_t attributes) {
    before = *PhoneFile(name);
    personality->MutableState().files.at(name).attributes = attributes;
    WriteBytes(host / "new.jpg", Pattern(5000, 6));
    options.keepFolder = host.path();
    events.Into(options);
  }
  phonefiles::Result Upload() { return files->Upload(host / "new.jpg", name, options); }
};

TEST_F(UploadOverAFile, APhoneThatLeavesMidUploadLeavesTheOldContentInANamedHostFile) {
  Prepare(phonelink::faHidden | phonelink::faSystem);
  phone->vanishAfter(14);
  const auto failed = Upload();
  EXPECT_EQ(failed.failure, Failure::Phone);
  ASSERT_FALSE(failed.keptCopy.empty());
  EXPECT_THAT(failed.message, HasSubstr(failed.keptCopy.string()));
  // The phone opened the file before it left, which cleared them.
  EXPECT_EQ(PhoneAttributes(name), 0);
  EXPECT_THAT(failed.message, HasSubstr("it had the attributes Hidden+System"));
  EXPECT_EQ(ReadBytes(failed.keptCopy), before);
  EXPECT_EQ(failed.keptCopy.parent_path(), host.path());
  // Made as scratch, whole before the phone was written, never said to be gone.
  using phonefiles::HostFileState;
  const decltype(events.seen) told{{failed.keptCopy, HostFileState::Scratch},
                                   {failed.keptCopy, HostFileState::KeptCopy}};
  EXPECT_EQ(events.seen, told);
  EXPECT_THAT(events.where, HasSubstr(failed.keptCopy.string()));
  EXPECT_THAT(events.where, HasSubstr("Hidden+System"));
}

TEST_F(UploadOverAFile, AStoppedUploadPutsBackTheOldContentWithItsAttributes) {
  Prepare(phonelink::faReadOnly | phonelink::faHidden);
  options.force = true;
  options.progress = [](std::int64_t, std::int64_t) { return false; };
  const auto stopped = Upload();
  EXPECT_EQ(stopped.failure, Failure::Stopped);
  EXPECT_THAT(stopped.message, HasSubstr("put back as it was"));
  EXPECT_EQ(*PhoneFile(name), before);
  EXPECT_EQ(PhoneAttributes(name), phonelink::faReadOnly | phonelink::faHidden);
  EXPECT_TRUE(stopped.keptCopy.empty());
  ASSERT_EQ(events.seen.size(), 3u);
  EXPECT_EQ(events.seen.back().second, phonefiles::HostFileState::Gone);
  EXPECT_FALSE(fs::exists(events.seen.back().first));
  EXPECT_EQ(std::distance(fs::directory_iterator(host.path()), fs::directory_iterator()), 1);
}

TEST_F(PhoneFilesTest, ANewFileThatDidNotArriveWholeIsRemoved) {
  WriteBytes(host / "new.jpg", Pattern(2500, 7));
  phone->faultAt(7, ReplyFault::FlagZero);  // find 2, volumes, free space, open, write, write
  const auto failed = files->Upload(host / "new.jpg", "/a/mobile/new.jpg");
  EXPECT_EQ(failed.failure, Failure::Phone);
  EXPECT_THAT(failed.message, HasSubstr("nothing was left on the phone"));
  EXPECT_EQ(PhoneFile("/a/mobile/new.jpg"), nullptr);
}

TEST_F(PhoneFilesTest, RemoveAndAttributesTellMissingAndReadOnlyFilesApart) {
  phonelink::P2KFileRecord record;
  EXPECT_EQ(files->Remove("/a/mobile/none").failure, Failure::NotFound);
  EXPECT_EQ(files->Remove("/a/mobile/readme.txt").failure, Failure::ReadOnly);
  EXPECT_NE(PhoneFile("/a/mobile/readme.txt"), nullptr);
  EXPECT_EQ(files->SetAttributes("/a/mobile/none", phonelink::faHidden).failure, Failure::NotFound);
  EXPECT_EQ(PhoneFile("/a/mobile/none"), nullptr);
  ASSERT_TRUE(
      files->SetAttributes("/a/mobile/readme.txt", phonelink::faHidden | phonelink::faArchive)
          .ok());
  EXPECT_EQ(PhoneAttributes("/a/mobile/readme.txt"), phonelink::faHidden);
  ASSERT_TRUE(files->Remove("/a/mobile/readme.txt").ok());
  EXPECT_EQ(PhoneFile("/a/mobile/readme.txt"), nullptr);
}

TEST_F(PhoneFilesTest, ADeleteWhoseAnswerIsLostStillCountsAsDone) {
  phone->faultAt(2, ReplyFault::Silent);  // search, list, then the delete
  EXPECT_TRUE(files->Remove("/a/mobile/audio/Ring01.mid").ok());
  EXPECT_EQ(PhoneFile("/a/mobile/audio/Ring01.mid"), nullptr);
}

TEST_F(PhoneFilesTest, FailuresNameTheirOwnStepAndTheCallersHandlerIsBackAfterwards) {
  phone->setReplyFault(ReplyFault::FlagZero);
  std::vector<std::string> volumes;
  const auto failed = files->Volumes(volumes);
  EXPECT_EQ(failed.message,
            "the phone named no volumes (the phone link said \"Get Drives Failed - Read Command "
            "is Error\")");
  // The caller's handler still got the line, and gets the next ones too.
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().text, "Get Drives Failed - Read Command is Error");
  lines.clear();
  item->FileClose();
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(PhoneFilesTest, HostFileFailuresAreToldApartForTheErrorBox) {
  const auto unreadable = files->Upload(host / "missing", "/a/mobile/x");
  EXPECT_EQ(unreadable.failure, Failure::HostFile);
  EXPECT_EQ(unreadable.hostPath, host / "missing");
  EXPECT_EQ(unreadable.hostError, std::error_code(ENOENT, std::generic_category()));
  const auto unwritable = files->Download("/a/mobile/readme.txt", host / "no" / "x");
  EXPECT_EQ(unwritable.failure, Failure::HostFile);
  WriteBytes(host / "empty", {});
  EXPECT_EQ(files->Upload(host / "empty", "/a/mobile/x").failure, Failure::BadName);
}

}  // namespace
}  // namespace vestrel::phonefilestest
