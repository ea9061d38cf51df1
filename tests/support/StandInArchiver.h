#pragma once

// What the recording shell's runs do in the backup tests, standing in for the archiver:
// "a -df -ep -m5 ARCHIVE FILE" copies FILE into ARCHIVE behind a marker line and, unless told
// otherwise, removes FILE; "t ARCHIVE" ends with `testCode` when ARCHIVE is there, else 1.

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/fake/RecordingShell.h"

namespace vestrel::testing {

struct StandInArchiver {
  std::optional<int> testCode = 0;
  bool deletesPacked = true;

  std::optional<int> operator()(const platform::RecordingShell::StartedProgram& ran) const {
    const auto& words = ran.arguments;
    if (words.size() == 6 && words[0] == "a") {
      {
        std::ifstream in(ran.folder / words[5], std::ios::binary);
        std::ofstream(ran.folder / words[4], std::ios::binary) << "archive\n" << in.rdbuf();
      }
      if (deletesPacked) std::filesystem::remove(ran.folder / words[5]);
      return 0;
    }
    if (words.size() == 2 && words[0] == "t") {
      return std::filesystem::exists(ran.folder / words[1]) ? testCode : 1;
    }
    return 2;
  }
};

}  // namespace vestrel::testing
