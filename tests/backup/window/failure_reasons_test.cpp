#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup/window/FailureReasons.h"

namespace vestrel::backup {
namespace {

BackupFailure HostFailed(std::errc reason) {
  phonefiles::HostError error{phonefiles::HostError::Failed, "/home/u/out/CG1_10080000.bin",
                              std::make_error_code(reason), "cannot write"};
  return BackupFailure::OfHost(error);
}

TEST(RussianReason, TheComputersCommonReasonsAreRussianAndOthersKeepTheSystemsText) {
  EXPECT_EQ(RussianReason(HostFailed(std::errc::no_space_on_device)),
            "ошибка файла на компьютере /home/u/out/CG1_10080000.bin: на диске нет места");
  EXPECT_EQ(RussianReason(HostFailed(std::errc::permission_denied)),
            "ошибка файла на компьютере /home/u/out/CG1_10080000.bin: нет доступа");
  const std::string unusual = std::make_error_code(std::errc::broken_pipe).message();
  EXPECT_EQ(RussianReason(HostFailed(std::errc::broken_pipe)),
            "ошибка файла на компьютере /home/u/out/CG1_10080000.bin: " + unusual);
}

TEST(RussianReason, EachPhoneSideKindHasItsOwnWordsAndNoEnglish) {
  BackupFailure failure;
  failure.kind = BackupFailure::Kind::PhoneRefused;
  failure.phoneReport = "Send JUMP 03FD0010 Failed";
  failure.frame = phonelink::FlashFrameFailure{"JUMP", 0x03FD0010u, std::nullopt};
  EXPECT_EQ(RussianReason(failure), "телефон не выполнил команду JUMP (адрес 03FD0010)");
  failure = {};
  failure.kind = BackupFailure::Kind::PhoneClosed;
  EXPECT_EQ(RussianReason(failure), "телефон отключён");
  failure.kind = BackupFailure::Kind::NothingDelivered;
  EXPECT_EQ(RussianReason(failure), "телефон ничего не передал");
  failure.kind = BackupFailure::Kind::LoaderUnreadable;
  failure.loader = "/opt/vestrel/Profiles/0823.ldr";
  EXPECT_EQ(RussianReason(failure),
            "не удалось прочитать загрузчик /opt/vestrel/Profiles/0823.ldr");
  // vestrel-cli's words for the same failure stay as the phone layer's.
  EXPECT_EQ(failure.Describe(), "cannot read the loader /opt/vestrel/Profiles/0823.ldr");
}

}  // namespace
}  // namespace vestrel::backup
