#include "backup/AppliedModel.h"

namespace vestrel::backup {

void AppliedModel::Apply(std::size_t row, const std::filesystem::path& programHome) {
  if (row >= ModelMemoryMap.size()) return;
  const ModelRow& model = ModelMemoryMap[row];
  int shown = 0;
  for (std::size_t i = 0; i < kSlotCount; ++i) {
    SlotState& slot = slots[i];
    const SlotRange& range = model.slots[i];
    slot.visible = range.used();
    slot.top = kSlotPitch * static_cast<int>(i + 1);
    if (!range.used()) continue;
    slot.caption = BackupSlots[i].caption;
    slot.start = range.start;
    slot.end = range.end;
    slot.top = kSlotPitch * ++shown;
  }
  Model = std::string(model.model);
  LoaderLoadAddress = model.loadAddress;
  LoaderJumpAddress = model.jumpAddress;
  LoaderFile = programHome / "Profiles" / model.loader;
}

}  // namespace vestrel::backup
