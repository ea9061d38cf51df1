// The virtual phone's P2K personality on its own, and the folder that keeps it between runs.
#include <filesystem>
#include <fstream>

#include "platform/HostFileSystem.h"
#include "platform/virtual/FolderLock.h"
#include "tests/phonelink/p2k_fixture.h"
#include "tests/platform/HostLinks.h"

namespace vestrel::phonelink::p2ktest {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using virtualphone::P2KPersonality;
using virtualphone::PhoneFolder;
using virtualphone::PhoneMode;

Bytes Answer(P2KPersonality& p, virtualphone::VirtualPhone& phone, std::uint16_t command,
             const Bytes& payload, bool* success = nullptr) {
  const auto answer = p.Answer(phone, command, payload);
  if (success) *success = answer.success;
  return answer.data;
}

class Personality : public ::testing::Test {
 protected:
  virtualphone::VirtualPhone phone{{}};
  std::shared_ptr<P2KPersonality> p = P2KPersonality::Sample();
};

TEST_F(Personality, ListsInBatchesOfThreeAndSaysHowManyRemain) {
  const Bytes search =
      Concat(B({0, 0, 0, 7}), B({0, '/', 0, 'a', 0, '/', 0xFF, 0xFE, 0, '*', 0, 0}));
  const Bytes count = Answer(*p, phone, 0x4A, search);
  ASSERT_EQ(count.size(), 2u);
  const std::size_t total = (count[0] << 8) | count[1];
  ASSERT_GT(total, 6u);
  std::size_t seen = 0;
  for (;;) {
    const Bytes batch = Answer(*p, phone, 0x4A, B({0, 0, 0, 8, 3}));
    ASSERT_GE(batch.size(), 4u);
    const std::size_t n = (batch[0] << 8) | batch[1];
    const std::size_t remaining = (batch[2] << 8) | batch[3];
    EXPECT_LE(n, 3u);
    EXPECT_EQ(batch.size(), 4 + 268 * n);
    seen += n;
    EXPECT_EQ(remaining, total - seen);
    if (n == 0) break;
  }
  EXPECT_EQ(seen, total);
}

TEST_F(Personality, AnswersTheStoredDataElementsFromOffsetOne) {
  bool ok = false;
  const Bytes model = Answer(*p, phone, 0x20, B({0x01, 0x17, 0, 1, 0, 1, 0, 30}), &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(model.size(), 30u);
  EXPECT_EQ(Bytes(model.begin(), model.begin() + 8), B({'E', 0, '3', 0, '9', 0, '8', 0}));
  const Bytes firmware = Answer(*p, phone, 0x20, B({0x02, 0xD2, 0, 1, 0, 4, 0, 30}), &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(std::string(firmware.begin(), firmware.begin() + 16), "R373_G_0E.30.49R");
  Answer(*p, phone, 0x20, B({0x02, 0xD3, 0, 1, 0, 4, 0, 30}), &ok);
  EXPECT_TRUE(ok);
  Answer(*p, phone, 0x20, B({0x01, 0x17, 0, 2, 0, 1, 0, 30}), &ok);  // no record 2
  EXPECT_FALSE(ok);
  Answer(*p, phone, 0x20, B({0x01, 0x17, 0, 1, 0, 0, 0, 30}), &ok);  // offset 0
  EXPECT_FALSE(ok);
  Answer(*p, phone, 0x20, B({0x01, 0x17, 0, 1, 0, 40, 0, 30}), &ok);  // past the record
  EXPECT_FALSE(ok);
  Answer(*p, phone, 0x1234, {}, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(Personality, RestartDropsWhatWasWrittenToAFileStillOpen) {
  Answer(*p, phone, 0x4A, Concat(B({0, 0, 0, 0, 0, 0, 0, 0}), Bytes{'/', 'a', '/', 'n'}));
  Answer(*p, phone, 0x4A, Concat(B({0, 0, 0, 2, 0, 0, 0, 2}), B({1, 2})));
  Answer(*p, phone, 0x22, {});
  EXPECT_FALSE(p->OpenFileName());
  EXPECT_TRUE(p->State().files.at("/a/n").contents.empty());
}

// A store that cannot keep anything, as a full disk.
class RefusingStore final : public virtualphone::P2KStateStore {
 public:
  bool saveFile(const virtualphone::P2KPhoneState&, const std::string&) override { return false; }
  bool saveWords(const virtualphone::P2KPhoneState&) override { return false; }
  bool removeFile(const virtualphone::P2KPhoneState&, const std::string&) override { return false; }
  bool saveSettings(const virtualphone::P2KPhoneState&) override { return false; }
};

TEST(PersonalityStore, AChangeTheStoreCannotKeepIsAnsweredWithTheErrorAndUndone) {
  virtualphone::VirtualPhone phone{{}};
  P2KPersonality p(virtualphone::SamplePhoneState(), std::make_unique<RefusingStore>());
  const auto before = p.State().files;
  const Bytes openNew = Concat(B({0, 0, 0, 0, 0, 0, 0, 0}), Bytes{'/', 'a', '/', 'n'});
  EXPECT_EQ(Answer(p, phone, 0x4A, openNew), B({0x01}));
  const std::string db = "/a/mobile/audio/MyToneDB.db";
  const Bytes openDb = Concat(B({0, 0, 0, 0, 0, 0, 0, 2}), Bytes(db.begin(), db.end()));
  EXPECT_EQ(Answer(p, phone, 0x4A, openDb), B({0x01}));  // attribute change not kept
  EXPECT_EQ(Answer(p, phone, 0x4A, Concat(B({0, 0, 0, 5}), Bytes(db.begin(), db.end()))),
            B({0x01}));
  bool ok = true;
  Answer(p, phone, 0x36, B({0x00}), &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(p.State().asleep);
  EXPECT_TRUE(p.State().files == before);
}

class Folder : public ::testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("p2k_folder_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // One run of a program: a new bus with a phone on the folder, opened through the phone link.
  void OnFolderPhone(const std::function<void(phonelink::TMotoP2KModemItem&)>& body) {
    testing::PhoneRig rig;
    auto phone = rig.plug("F1");
    P2KPersonality::Install(*phone, P2KPersonality::FromFolder(dir));
    phonelink::TMotoP2KMode mode(rig.context);
    auto item = mode.DeviceList().Items(0);
    ASSERT_TRUE(item && item->OpenPhone());
    body(*item);
  }
};

TEST_F(Folder, ADirectoryLinkInsideTheFolderCarriesNoWriteOrDeleteOutside) {
  PhoneFolder folder(dir);
  auto state = folder.Load();
  const fs::path outside = dir.parent_path() / (dir.filename().string() + "_outside");
  fs::remove_all(outside);
  fs::create_directories(outside);
  std::ofstream(outside / "victim") << "not the phone's";
  const fs::path link = dir / "files" / "a" / "out";
  const auto made = testing::MakeHostLink(outside, link);
  // The Windows build's scenario plants the link from outside where Wine makes none.
  if (testing::NoLinksHere(made)) {
    fs::remove_all(outside);
    GTEST_SKIP() << "this host makes no link from a program";
  }
  ASSERT_FALSE(made) << made.message();
  state.files["/a/out/new.bin"] = {0, 0, {1, 2, 3}};
  state.files["/a/out/victim"] = {0, 0, {4}};
  EXPECT_FALSE(folder.saveFile(state, "/a/out/new.bin"));
  EXPECT_FALSE(folder.saveFile(state, "/a/out/victim"));
  EXPECT_FALSE(folder.removeFile(state, "/a/out/victim"));
  EXPECT_FALSE(fs::exists(outside / "new.bin"));
  EXPECT_EQ(fs::file_size(outside / "victim"), 15u);
  // Nor does the phone list what lies behind the link.
  EXPECT_EQ(PhoneFolder(dir).Load().files.count("/a/out/victim"), 0u);
  // Elsewhere the folder still takes changes, under temporary names of their own.
  state.files["/a/mobile/fine.bin"] = {0, 0, {5}};
  EXPECT_TRUE(folder.saveFile(state, "/a/mobile/fine.bin"));
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().rfind(".p2k-incoming", 0), std::string::npos);
  }
  testing::RemoveHostLink(link);
  fs::remove_all(outside);
}

TEST_F(Folder, NonsenseInItsFilesIsRefusedNamingTheLine) {
  P2KPersonality::FromFolder(dir);
  const auto refused = [&](const std::string& settings, const std::string& words) {
    std::ofstream(dir / PhoneFolder::kSettingsFile) << settings;
    std::ofstream(dir / PhoneFolder::kWordsFile) << words;
    try {
      PhoneFolder(dir).Load();
    } catch (const std::runtime_error& error) {
      return std::string(error.what());
    }
    return std::string("accepted");
  };
  EXPECT_THAT(refused("# size\nvolume /a -5\n", ""),
              ::testing::HasSubstr("p2k-phone.txt line 2: a volume's capacity is a byte count"));
  EXPECT_THAT(refused("volume /a 4294967296\n", ""), ::testing::HasSubstr("line 1"));
  EXPECT_THAT(refused("volume /a 5000 extra\n", ""), ::testing::HasSubstr("line 1"));
  EXPECT_THAT(refused("volume ../x 5000\n", ""), ::testing::HasSubstr("a volume is"));
  EXPECT_THAT(refused("element 0117 0001 4G\n", ""), ::testing::HasSubstr("an element is"));
  EXPECT_THAT(refused("asleep yes\n", ""), ::testing::HasSubstr("asleep is 0 or 1"));
  EXPECT_THAT(refused("volumes /a 5000\n", ""), ::testing::HasSubstr("unknown setting"));
  EXPECT_THAT(refused("volume /a 5000\n", "0001 0000 /a/mobile/readme.txt\nzz01 0000 /a/x\n"),
              ::testing::HasSubstr("p2k-attributes.txt line 2"));
  EXPECT_EQ(refused("volume /a 4294967295\n\nasleep 1\n", "0001 0000 /a/gone.txt\n"), "accepted");
}

TEST_F(Folder, ASecondHolderOfTheFolderWaitsABoundedTimeThenFails) {
  fs::create_directories(dir);
  auto first = virtualphone::FolderLock::Acquire(dir);
  try {
    virtualphone::FolderLock::Acquire(dir, std::chrono::milliseconds(120));
    ADD_FAILURE() << "a second holder got the folder";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), ::testing::HasSubstr("another run is using it"));
  }
  first.reset();
  EXPECT_NE(virtualphone::FolderLock::Acquire(dir, std::chrono::milliseconds(0)), nullptr);
}

TEST_F(Folder, ANewFolderGetsTheSamplePhoneAsRealFiles) {
  auto p = P2KPersonality::FromFolder(dir);
  const auto sample = virtualphone::SamplePhoneState();
  EXPECT_EQ(p->State().files.size(), sample.files.size());
  for (const auto& [name, file] : sample.files) {
    ASSERT_EQ(p->State().files.count(name), 1u) << name;
    EXPECT_EQ(p->State().files.at(name).contents, file.contents) << name;
    EXPECT_EQ(p->State().files.at(name).attributes, file.attributes) << name;
    EXPECT_EQ(p->State().files.at(name).kind, file.kind) << name;
  }
  EXPECT_TRUE(fs::exists(dir / "files/a/mobile/audio/MyToneDB.db"));
  EXPECT_TRUE(fs::exists(dir / "files/c/system/flexbit.bin"));
  // The Windows-1251 name is UTF-8 on the host.
  EXPECT_TRUE(fs::exists(dir / platform::PathFromUtf8("files/a/mobile/audio/\xD0\x97\xD0\xB2"
                                                      "\xD0\xBE\xD0\xBD\xD0\xBE\xD0\xBA.mid")));
  EXPECT_TRUE(fs::exists(dir / PhoneFolder::kSettingsFile));
  EXPECT_TRUE(fs::exists(dir / PhoneFolder::kWordsFile));
  EXPECT_EQ(p->State().elements, sample.elements);
  EXPECT_EQ(p->State().volumes.size(), 2u);
}

// The state survives between runs: each "run" is a new bus, phone and watcher on the folder.
TEST_F(Folder, ChangesMadeThroughThePhoneLinkSurviveTheNextRun) {
  const fs::path local = dir.string() + "-local";
  fs::create_directories(local);
  { std::ofstream(local / "new.txt") << "hello phone"; }
  OnFolderPhone([&](phonelink::TMotoP2KModemItem& item) {
    ASSERT_TRUE(item.FileUpload(local / "new.txt", "/a/mobile/new.txt", 1000, nullptr));
    ASSERT_TRUE(item.FileSetAttribute("/a/mobile/picture/Photo001.jpg", phonelink::faHidden));
    ASSERT_TRUE(item.FileDelete("/a/mobile/audio/TempToneDB.db"));
    ASSERT_TRUE(item.Suspend(true));
  });
  EXPECT_TRUE(fs::exists(dir / "files/a/mobile/new.txt"));
  EXPECT_FALSE(fs::exists(dir / "files/a/mobile/audio/TempToneDB.db"));
  OnFolderPhone([&](phonelink::TMotoP2KModemItem& item) {
    EXPECT_TRUE(item.IsSuspend());
    ASSERT_TRUE(item.FileDownload("/a/mobile/new.txt", local / "back.txt", 4000, 0, nullptr));
    std::vector<phonelink::P2KFileRecord> list;
    ASSERT_TRUE(item.GetFileList(item.GetFileCount("/a/|*"), &list, nullptr));
    std::map<std::string, std::uint16_t> attrs;
    for (const auto& r : list) attrs[r.Name] = r.Attr;
    EXPECT_EQ(attrs.count("/a/mobile/audio/TempToneDB.db"), 0u);
    EXPECT_EQ(attrs.at("/a/mobile/picture/Photo001.jpg"), phonelink::faHidden | 0x200);
    EXPECT_EQ(attrs.at("/a/mobile/picture/Logo.gif"), phonelink::faReadOnly | 0x200);
  });
  std::string text;
  {
    std::ifstream back(local / "back.txt");
    std::getline(back, text);
  }
  EXPECT_EQ(text, "hello phone");
  fs::remove_all(local);
}

TEST_F(Folder, FilesDroppedIntoTheFolderAppearOnThePhone) {
  P2KPersonality::FromFolder(dir);
  fs::create_directories(dir / "files/a/mobile/picture/new");
  std::ofstream(dir / platform::PathFromUtf8("files/a/mobile/picture/new/\xD0\xAF.gif"))
      << "GIF89a";
  std::ofstream(dir / "files/q.txt") << "outside every volume";
  auto p = P2KPersonality::FromFolder(dir);
  const std::string name = "/a/mobile/picture/new/\xDF.gif";
  ASSERT_EQ(p->State().files.count(name), 1u);
  EXPECT_EQ(p->State().files.at(name).kind, 14);
  EXPECT_EQ(p->State().files.at(name).attributes, 0);
}

TEST_F(Folder, DeletingTheLastFileOfAFolderRemovesTheEmptyFolder) {
  OnFolderPhone([](phonelink::TMotoP2KModemItem& item) {
    ASSERT_TRUE(item.FileDelete("/a/mobile/video/Clip01.3gp"));
  });
  EXPECT_FALSE(fs::exists(dir / "files/a/mobile/video"));
  EXPECT_TRUE(fs::exists(dir / "files/a/mobile"));
}

}  // namespace
}  // namespace vestrel::phonelink::p2ktest
