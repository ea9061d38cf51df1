#include "desktop/ProgramLook.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vestrel::desktop {

void ApplyProgramLook(QApplication& application) {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/org.vestrel.Vestrel-%1.png").arg(size), QSize(size, size));
  application.setWindowIcon(icon);

  // The windows speak Russian whatever the desktop's language, so Qt's buttons do too.
  auto* translator = new QTranslator(&application);
  if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
}

}  // namespace vestrel::desktop
