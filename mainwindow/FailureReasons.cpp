#include "mainwindow/FailureReasons.h"

#include "platform/HostFileSystem.h"

namespace vestrel::mainwindow {
namespace {

QString HostPath(const std::filesystem::path& path) {
  return QString::fromStdString(platform::Utf8FromPath(path));
}

QString KindReason(const phonefiles::Result& result) {
  using phonefiles::Failure;
  switch (result.failure) {
    case Failure::None:
      return {};
    case Failure::NoPhone:
      return QStringLiteral("телефон не подключён");
    case Failure::BadName:
      return QStringLiteral("недопустимое имя файла или пустой файл");
    case Failure::NotFound:
      return QStringLiteral("файла нет в телефоне");
    case Failure::ReadOnly:
      // A save meets a read-only file on the computer, a delete or upload one on the phone.
      if (!result.hostPath.empty())
        return QStringLiteral("файл на компьютере только для чтения: %1")
            .arg(HostPath(result.hostPath));
      return QStringLiteral("файл только для чтения; сначала снимите его атрибуты");
    case Failure::NoSpace:
      return QStringLiteral("в телефоне не хватает места");
    case Failure::Phone:
      return QStringLiteral("телефон не выполнил запрос");
    case Failure::HostFile:
      return QStringLiteral("ошибка файла на компьютере: %1").arg(HostPath(result.hostPath));
    case Failure::Stopped:
      return QStringLiteral("копирование прервано");
    case Failure::NoHostName:
      return QStringLiteral("под таким именем файл нельзя сохранить на компьютере");
    case Failure::NotPhoneText:
      return QStringLiteral("в имени есть знаки, которых нет в кодировке телефона");
  }
  return {};
}

}  // namespace

QString FailureReason(const phonefiles::Result& result) {
  QString reason = KindReason(result);
  // The old content of a file an upload replaced could not be put back: the user must know
  // where it is.
  if (!result.keptCopy.empty()) {
    reason +=
        QStringLiteral("; прежнее содержимое файла сохранено в %1").arg(HostPath(result.keptCopy));
  }
  return reason;
}

}  // namespace vestrel::mainwindow
