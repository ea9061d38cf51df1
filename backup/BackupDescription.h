#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vestrel::backup {

// How one element of a backup ended, as BACKUP.txt keeps it.
struct ElementRecord {
  enum class Ending { Saved, Packed, Failed, Stopped };
  std::string name;  // "CG1", "PDS"
  std::uint32_t start = 0;
  std::uint32_t finish = 0;  // the range's end as the model map gives it
  std::uint64_t length = 0;  // bytes saved; for a failed element the bytes that arrived
  Ending ending = Ending::Failed;
  std::string file;    // the element's file, or the archive that holds it
  std::string digest;  // SHA-256 of the element's bytes (saved or packed)
  std::string detail;  // why it failed
};

// The folder's BACKUP.txt: the last run's model, firmware, date and program, and one line per
// element ever backed up into the folder, each as its latest run left it. BackupRun writes it
// after every element; `vestrel-cli verify --phone` reads it back. Plain UTF-8 text, one
// "key<TAB>value" line each, so a person can read it:
//
//   model     C380
//   firmware  not read in flash mode
//   date      2026-12-09T04:30:00Z
//   program   vestrel 0.1
//   element   CG1 10080000 1091FFFF 9043968 saved CG1_10080000.bin <sha256> <detail>
struct BackupDescription {
  std::string model;
  std::string firmware = "not read in flash mode";
  std::string date;     // UTC, ISO 8601
  std::string program;  // "vestrel <version>"
  std::vector<ElementRecord> elements;

  // Reads the folder's BACKUP.txt; a folder without one gives an empty description. Lines it
  // cannot read are skipped; `error` says why the file could not be read at all.
  static BackupDescription Read(const std::filesystem::path& folder, std::string& error);
  // Replaces the element of that name, else adds it.
  void Put(const ElementRecord& element);
  const ElementRecord* Find(const std::string& name) const;
  // Rewrites the folder's BACKUP.txt whole; returns empty, or why it failed.
  std::string Write(const std::filesystem::path& folder) const;

  // This run's date and program, as Write puts them.
  void Stamp();
};

const char* EndingWord(ElementRecord::Ending ending);

}  // namespace vestrel::backup
