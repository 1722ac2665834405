#include "app/output_path.h"

#include <QDir>

QString dmOutputPathIn(const QString& directory) {
  const QString file = QStringLiteral("output.png");
  if (directory.isEmpty()) return file;
  return QDir::toNativeSeparators(directory) + QDir::separator() + file;
}
