#include "app/app_icon.h"

QIcon dmLoadAppIcon() {
  QIcon icon;
  for (const int side : {16, 32, 48}) {
    icon.addFile(QStringLiteral(":/icons/dexmora-%1.png").arg(side), QSize(side, side));
  }
  return icon;
}
