#pragma once

// What the host file tests share: two contents, a fresh folder, a listing of it.

#include "phonefiles/HostFile.h"
#include "platform/HostFileSystem.h"
#include "tests/phonefiles/files_fixture.h"

namespace vestrel::phonefilestest {

using phonefiles::HostError;
using phonefiles::HostSource;
using phonefiles::HostTarget;

inline const Bytes kNew = Pattern(700, 1);
inline const Bytes kOld = Pattern(300, 2);

inline std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(platform::Utf8FromPath(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline bool WriteAndCommit(const fs::path& destination, bool force, HostError& error) {
  auto target = HostTarget::Open(destination, force, error);
  if (!target) return false;
  const bool ok = target->Write(kNew) && target->Commit();
  if (!ok) error = target->Error();
  return ok;
}

class HostFiles : public ::testing::Test {
 protected:
  testing::TempFolder dir;
};

}  // namespace vestrel::phonefilestest
