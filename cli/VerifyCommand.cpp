#include "cli/VerifyCommand.h"

#include <cstdio>

#include "backup/BackupDescription.h"
#include "backup/Manifest.h"
#include "backup/PhoneCheck.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
#include "platform/HostFileSystem.h"
#include "platform/ProgramFiles.h"

namespace vestrel::cli {

namespace {

namespace fs = std::filesystem;
using namespace backup;

// The folder's files against SHA256SUMS, printed; true when all match.
bool CheckFiles(const fs::path& folder, std::string& summary) {
  const FolderCheck check = CheckFolder(folder);
  if (!check.unreadable.empty()) throw OperationFailed(check.unreadable);
  for (const auto& name : check.missing) std::printf("missing\t%s\n", name.c_str());
  for (const auto& name : check.damaged) std::printf("damaged\t%s\n", name.c_str());
  for (const auto& name : check.extra) std::printf("extra\t%s\n", name.c_str());
  std::printf("%zu file(s) match\n", check.matching.size());
  summary = std::to_string(check.missing.size()) + " missing, " +
            std::to_string(check.damaged.size()) + " damaged, " +
            std::to_string(check.extra.size()) + " extra";
  return check.AllMatch();
}

const char* ResultWord(ElementComparison::Result result) {
  switch (result) {
    case ElementComparison::Result::Matches:
      return "same";
    case ElementComparison::Result::Differs:
      return "differs";
    case ElementComparison::Result::Unread:
      return "unread";
    case ElementComparison::Result::NoCopy:
      return "no copy";
    case ElementComparison::Result::Skipped:
      return "skipped";
  }
  return "unread";
}

// The elements of BACKUP.txt against the phone, printed; true when all match.
bool CheckPhone(Session& session, const fs::path& folder, std::string& summary) {
  std::string unreadable;
  const BackupDescription description = BackupDescription::Read(folder, unreadable);
  if (!unreadable.empty()) throw OperationFailed(unreadable);
  const auto row = FindModel(description.model);
  if (!row) {
    throw OperationFailed("--phone: " + std::string(kDescriptionName) + " in " +
                          platform::Utf8FromPath(folder) + " names no known model");
  }
  AppliedModel model;
  model.Apply(*row,
              platform::FindProgramFolder(session.Host().shell(),
                                          fs::path("Profiles") / ModelMemoryMap[*row].loader));
  auto phone = RequireFlash(session);
  StopOnSignal stop;
  ProgressBar bar(stderr, "", session.ShowsProgress());
  std::string shown;
  const auto result =
      PhoneCheck::Run(*phone, model, folder, description,
                      [&](const std::string& name, std::int32_t done, std::int32_t total) {
                        if (name != shown) bar.SetLabel(shown = name);
                        bar.Show(done, total);
                        return !stop.Requested();
                      });
  bar.Clear();
  phone->PowerOff();
  if (result.stopped) throw OperationFailed("--phone: stopped before every element was compared");
  if (!result.loaderFailure.empty()) {
    throw OperationFailed("--phone: the loader did not reach the phone: " + result.loaderFailure);
  }
  int differing = 0;
  for (const auto& element : result.elements) {
    const bool same = element.result == ElementComparison::Result::Matches ||
                      element.result == ElementComparison::Result::Skipped;
    differing += same ? 0 : 1;
    std::printf("phone %s\t%s%s%s\n", ResultWord(element.result), element.name.c_str(),
                element.detail.empty() ? "" : "\t", element.detail.c_str());
  }
  summary = std::to_string(differing) + " element(s) not the same on the phone";
  return result.AllMatch();
}

}  // namespace

int Verify(Session& session, const CommandWords& words) {
  const fs::path folder = platform::PathFromUtf8(words.operands()[0]);
  std::string files;
  const bool filesMatch = CheckFiles(folder, files);
  std::string phone;
  const bool phoneMatches = !words.flag("--phone") || CheckPhone(session, folder, phone);
  if (filesMatch && phoneMatches) return kDone;
  throw OperationFailed(filesMatch ? phone : phone.empty() ? files : files + "; " + phone);
}

}  // namespace vestrel::cli
