#include "backup/window/SaveDialog.h"

#include <QStringList>

namespace vestrel::backup {

bool TSaveDialog::Execute() {
  const std::optional<QString> chosen =
      dialogs_.SaveFileName(owner_, QString(), QString(), QtFilter(Filter));
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

QString TSaveDialog::QtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString& name = parts[i];
    QString patterns = i + 1 < parts.size() ? parts[i + 1] : name;
    filters << QStringLiteral("%1 (%2)").arg(name, patterns.replace(QLatin1Char(';'), u' '));
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace vestrel::backup
