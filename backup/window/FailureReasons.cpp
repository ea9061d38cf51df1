#include "backup/window/FailureReasons.h"

#include <array>
#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/HostFileSystem.h"

namespace vestrel::backup {
namespace {

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// "команды READ (адрес 10B1FAF8, 248 байт)": the frame's facts as the frame carried them.
std::string FrameReason(const phonelink::FlashFrameFailure& frame) {
  std::string facts;
  if (frame.address) facts = "адрес " + Hex(*frame.address);
  if (frame.count) facts += (facts.empty() ? "" : ", ") + std::to_string(*frame.count) + " байт";
  const std::string command(frame.command);
  if (command == "BIN") return "телефон не принял блок загрузчика (" + facts + ")";
  return "телефон не выполнил команду " + command + (facts.empty() ? "" : " (" + facts + ")");
}

// The computer's reasons a user meets most, in Russian; any other keeps the system's text.
std::string OsReason(const std::error_code& code) {
  static const std::array<std::pair<std::errc, const char*>, 8> kReasons{{
      {std::errc::permission_denied, "нет доступа"},
      {std::errc::operation_not_permitted, "нет доступа"},
      {std::errc::no_space_on_device, "на диске нет места"},
      {std::errc::read_only_file_system, "диск только для чтения"},
      {std::errc::is_a_directory, "это папка"},
      {std::errc::no_such_file_or_directory, "папки нет"},
      {std::errc::file_too_large, "файл слишком велик"},
      {std::errc::io_error, "ошибка ввода-вывода"},
  }};
  for (const auto& [condition, reason] : kReasons) {
    if (code == condition) return reason;
  }
  return code.message();
}

std::string HostReason(const phonefiles::HostError& error) {
  const std::string path = platform::Utf8FromPath(error.path);
  if (error.kind == phonefiles::HostError::ReadOnly) return "файл " + path + " только для чтения";
  return "ошибка файла на компьютере " + path + ": " + OsReason(error.code);
}

}  // namespace

std::string RussianReason(const BackupFailure& failure) {
  using Kind = BackupFailure::Kind;
  switch (failure.kind) {
    case Kind::PhoneRefused:
      if (failure.frame) return FrameReason(*failure.frame);
      return "телефон не выполнил команду";
    case Kind::PhoneClosed:
      return "телефон отключён";
    case Kind::NothingDelivered:
      break;
    case Kind::LoaderUnreadable:
      return "не удалось прочитать загрузчик " + platform::Utf8FromPath(failure.loader);
    case Kind::HostFile:
      return HostReason(failure.host);
    case Kind::Stopped:
      return "прервано";
  }
  return "телефон ничего не передал";
}

}  // namespace vestrel::backup
