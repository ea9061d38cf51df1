#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>

#include "backup/ModelMemoryMap.h"

namespace vestrel::backup {

// One element check box of the backup dialog as a model row leaves it. Ticks belong to the
// user: applying a row never changes them.
struct SlotState {
  bool visible = true;
  bool ticked = true;
  int top = 0;  // place in the element group, 24 pixels a box
  std::string caption;
  std::string start;  // range texts; kept from an earlier row while the slot is hidden
  std::string end;

  // A run takes an element only when its box is both visible and ticked.
  bool taken() const { return visible && ticked; }
};

// The values the backup dialog keeps between runs: the element boxes and the loader of the
// model applied last.
struct AppliedModel {
  std::array<SlotState, kSlotCount> slots;
  std::string Model;  // the row's model name; empty before a row is applied
  std::filesystem::path LoaderFile;
  std::string LoaderLoadAddress;
  std::string LoaderJumpAddress;

  static constexpr int kSlotLeft = 8;
  static constexpr int kSlotPitch = 24;

  // Applies row `row` (nothing happens outside the table): shows exactly the model's boxes,
  // stacked in slot order without gaps, with their captions and ranges, and sets the loader,
  // looked for in the "Profiles" folder of `programHome`.
  void Apply(std::size_t row, const std::filesystem::path& programHome);
};

}  // namespace vestrel::backup
