// Every fault at every request index of a download and of an upload over an existing file: no
// failure passes for success, no wait is longer than one time-out per failed request, and every
// host and phone file holds either its old or its new content.
#include <cstdio>
#include <optional>

#include "tests/phonefiles/files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

using phonefiles::Result;
using virtualphone::ReplyFault;

// One fault of the sweep: a reply fault of the phone, once or from then on, or its leaving.
struct Fault {
  const char* name;
  std::optional<ReplyFault> reply;  // none: the phone leaves the bus
  bool onwards = false;
};
const Fault kFaults[] = {{"vanish", std::nullopt},
                         {"silent once", ReplyFault::Silent},
                         {"silent from n", ReplyFault::Silent, true},
                         {"short", ReplyFault::Short},
                         {"garbled", ReplyFault::Garbled},
                         {"flag 0", ReplyFault::FlagZero},
                         {"late", ReplyFault::Late},
                         {"duplicated", ReplyFault::Duplicated},
                         {"stall", ReplyFault::Stall}};

const std::string kPhoneName = "/a/mobile/picture/Photo001.jpg";
const Bytes kNewContent = Pattern(4500, 11);

// One run on a fresh phone: the fault is armed after the item opened.
struct SweepRun : PhoneFilesTest {
  void TestBody() override {}
  void Arm(const Fault& fault, std::uint32_t at) {
    if (fault.reply) {
      phone->faultAt(at, *fault.reply, fault.onwards);
    } else {
      phone->vanishAfter(at);
    }
  }
  std::size_t Requests() const { return phone->sequenceNumbers().size(); }
  // Requests the item gave up on: each may cost one time-out.
  std::size_t FailedRequests() const {
    std::size_t failed = 0;
    for (const auto& line : lines) {
      if (line.text.find("Read Command is Error") != std::string::npos) ++failed;
    }
    return failed;
  }
  std::vector<fs::path> HostEntries() const {
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(host.path())) entries.push_back(e.path());
    return entries;
  }
};

struct Counts {
  int runs = 0, succeeded = 0, failed = 0, putBack = 0, kept = 0;
  std::uint32_t longestMs = 0;
};

template <class Operation, class Check>
Counts Sweep(const char* what, Operation operation, Check check) {
  std::size_t requests = 0;
  {
    SweepRun clean;
    clean.SetUp();
    const std::size_t before = clean.Requests();
    EXPECT_TRUE(operation(clean).ok());
    requests = clean.Requests() - before;
  }
  Counts counts;
  for (const Fault& fault : kFaults) {
    for (std::uint32_t at = 0; at <= requests; ++at) {
      SweepRun run;
      run.SetUp();
      run.Arm(fault, at);
      const std::uint32_t start = run.rig.clock.tickCount();
      const Result result = operation(run);
      const std::uint32_t waited = run.rig.clock.tickCount() - start;
      const std::string where = std::string(what) + ", " + fault.name + " at request " +
                                std::to_string(at) + ": " + result.message;
      ++counts.runs;
      (result.ok() ? counts.succeeded : counts.failed)++;
      if (result.message.find("put back") != std::string::npos) ++counts.putBack;
      if (!result.keptCopy.empty()) ++counts.kept;
      counts.longestMs = std::max(counts.longestMs, waited);
      EXPECT_LE(waited, (run.FailedRequests() + 1) * phonelink::TMotoP2KModemItem::kReplyDeadlineMs)
          << where;
      check(run, result, where);
    }
  }
  std::printf(
      "%s: %zu requests, %d runs, %d succeeded, %d failed (%d put back, %d kept on the "
      "host), longest %u ms\n",
      what, requests, counts.runs, counts.succeeded, counts.failed, counts.putBack, counts.kept,
      counts.longestMs);
  return counts;
}

TEST(FaultSweep, ADownloadLeavesTheDestinationOldOrWhole) {
  const Bytes old = Pattern(333, 5);
  const auto counts = Sweep(
      "download",
      [&](SweepRun& run) {
        WriteBytes(run.host / "p.jpg", old);
        return run.files->Download(kPhoneName, run.host / "p.jpg");
      },
      [&](SweepRun& run, const Result& result, const std::string& where) {
        const Bytes got = ReadBytes(run.host / "p.jpg");
        if (result.ok()) {
          EXPECT_EQ(got, *run.PhoneFile(kPhoneName)) << where;
        } else {
          EXPECT_EQ(got, old) << where;
        }
        EXPECT_EQ(run.HostEntries().size(), 1u) << where;
      });
  EXPECT_GT(counts.failed, 0);
}

TEST(FaultSweep, AnUploadOverAFileLeavesItOldOrNewAndKeepsWhatItCannotPutBack) {
  // Every bit the upload must carry over; the phone file is opened without them.
  constexpr std::uint16_t kOldAttributes =
      phonelink::faReadOnly | phonelink::faHidden | phonelink::faSystem;
  const std::string attributesNamed = phonelink::AttrToText(kOldAttributes);
  const auto counts = Sweep(
      "upload over an existing file",
      [&](SweepRun& run) {
        run.personality->MutableState().files.at(kPhoneName).attributes = kOldAttributes;
        WriteBytes(run.host / "new.jpg", kNewContent);
        fs::create_directory(run.host / "kept");
        phonefiles::TransferOptions options;
        options.force = true;
        options.keepFolder = run.host / "kept";
        return run.files->Upload(run.host / "new.jpg", kPhoneName, options);
      },
      [&](SweepRun& run, const Result& result, const std::string& where) {
        const Bytes old = virtualphone::SamplePhoneState().files.at(kPhoneName).contents;
        const Bytes* now = run.PhoneFile(kPhoneName);
        ASSERT_NE(now, nullptr) << where;
        if (result.ok()) {
          EXPECT_EQ(*now, kNewContent) << where;
        } else {
          EXPECT_TRUE(*now == old || *now == kNewContent) << where;
        }
        // Attributes the phone file lost are named, so the user can give them back.
        if (run.PhoneAttributes(kPhoneName) != kOldAttributes) {
          EXPECT_FALSE(result.ok()) << where;
          EXPECT_NE(result.message.find(attributesNamed), std::string::npos) << where;
        }
        std::size_t keptFiles = 0;
        for (const auto& e : fs::directory_iterator(run.host / "kept")) {
          ++keptFiles;
          EXPECT_EQ(e.path(), result.keptCopy) << where;
          EXPECT_EQ(ReadBytes(e.path()), old) << where;
        }
        EXPECT_EQ(keptFiles, result.keptCopy.empty() ? 0u : 1u) << where;
        if (!result.ok() && result.keptCopy.empty() && *now != old) {
          ADD_FAILURE() << "the old content is lost: " << where;
        }
      });
  EXPECT_GT(counts.putBack, 0);
  EXPECT_GT(counts.kept, 0);
}

}  // namespace
}  // namespace vestrel::phonefilestest
