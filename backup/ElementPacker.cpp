#include "backup/ElementPacker.h"

#include <system_error>

#include "backup/Manifest.h"
#include "backup/Sha256.h"
#include "platform/HostFileSystem.h"

namespace vestrel::backup {

namespace fs = std::filesystem;

namespace {

std::string CodeText(const std::optional<int>& code) {
  return code ? "код " + std::to_string(*code) : std::string("не завершился сам");
}

// A second name for `file`'s bytes: a hard link where the volume has them, else a copy.
std::error_code KeepSecondName(const fs::path& file, const fs::path& kept) {
  std::error_code error;
  fs::create_hard_link(file, kept, error);
  if (!error) return error;
  if (fs::exists(kept)) return std::make_error_code(std::errc::file_exists);
  fs::copy_file(file, kept, error);
  return error;
}

}  // namespace

ElementPacker::ElementPacker(platform::Shell& shell, std::function<void(const std::string&)> log)
    : shell_(shell), log_(std::move(log)) {}

bool ElementPacker::Restore(const fs::path& file, const fs::path& kept) {
  std::error_code error;
  if (fs::exists(file, error)) {
    fs::remove(kept, error);
    return true;
  }
  fs::rename(kept, file, error);
  return !error;
}

ElementPacker::Result ElementPacker::Pack(const fs::path& archiver, const fs::path& file) {
  Result result;
  std::error_code error;
  if (!fs::is_regular_file(archiver, error)) {
    log_("Архиватор не найден");
    result.failure = "no archiver at " + platform::Utf8FromPath(archiver);
    return result;
  }
  const fs::path folder = file.parent_path();
  const std::string name = platform::Utf8FromPath(file.filename());
  std::string readFailure;
  const auto listed = ListedDigest(folder, name);
  const auto digest = FileSha256(file, readFailure);
  if (!listed || !digest || *listed != *digest) {
    log_(name + " не упакован: файл не совпадает со своей строкой в " + kManifestName);
    result.failure = name + " does not match its line in " + kManifestName;
    return result;
  }

  fs::path kept = file;
  kept += kPackingSuffix;
  if (const std::error_code keepError = KeepSecondName(file, kept)) {
    log_(name + " не упакован: нет второй копии " + platform::Utf8FromPath(kept) + ": " +
         keepError.message());
    result.failure =
        "cannot keep a second copy at " + platform::Utf8FromPath(kept) + ": " + keepError.message();
    return result;
  }

  // The archiver gets the short name where there is one, so no name needs quoting.
  const fs::path shortFile = shell_.shortPathName(file);
  const std::string shortName = shortFile.filename().string();
  const std::string archive = fs::path(shortName).replace_extension(".rar").string();
  const auto packed = shell_.runProgram(archiver, {"a", "-df", "-ep", "-m5", archive, shortName},
                                        shortFile.parent_path());
  const auto tested = packed == 0
                          ? shell_.runProgram(archiver, {"t", archive}, shortFile.parent_path())
                          : std::nullopt;
  // The archive is listed before the second name goes: an archive that cannot be listed is no
  // checked copy either.
  std::string failed;  // the log's words for what went wrong
  if (packed != 0) {
    failed = "Архиватор не упаковал " + name + " (" + CodeText(packed) + ")";
    result.failure = "the archiver did not pack " + name;
  } else if (tested != 0) {
    failed = "Архив " + archive + " не прошёл проверку архиватора (" + CodeText(tested) + ")";
    result.failure = "the archive " + archive + " failed the archiver's test";
  } else if (const std::string unrecorded = RecordInManifest(folder, archive);
             !unrecorded.empty()) {
    failed = std::string(kManifestName) + " не дополнен: " + unrecorded;
    result.failure = "cannot list " + archive + " in " + kManifestName + ": " + unrecorded;
  }
  if (!failed.empty()) {
    const bool restored = Restore(file, kept);
    log_(failed + "; " +
         (restored ? name + " оставлен" : "его байты остались в " + platform::Utf8FromPath(kept)));
    result.failure +=
        restored ? "; " + name + " is kept" : "; its bytes are in " + platform::Utf8FromPath(kept);
    return result;
  }
  fs::remove(kept, error);
  if (!fs::exists(file, error)) {
    const std::string undropped = DropFromManifest(folder, name);
    if (!undropped.empty()) log_(std::string(kManifestName) + " не исправлен: " + undropped);
  }
  log_("Файл успешно упакован");
  result.packed = true;
  result.archive = archive;
  return result;
}

}  // namespace vestrel::backup
