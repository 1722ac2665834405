#include "app/dialog_units.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

namespace {

// Rounds units x base / divisor to the nearest pixel, as the platform's
// dialog-unit conversion does.
int scale(int units, int base, int divisor) {
  return (units * base + divisor / 2) / divisor;
}

}  // namespace

QFont dmDialogFont() {
  const QString preferred = QStringLiteral("MS Shell Dlg");
  QFont font = QFontDatabase::hasFamily(preferred) ? QFont(preferred) : QApplication::font();
  font.setPointSize(9);
  return font;
}

CDialogUnits::CDialogUnits(const QFont& font) {
  // The average character width as dialog units define it: the width of the
  // 52 Latin letters over 52, rounded, rather than the font's own figure.
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_baseX = (alphabet / 26 + 1) / 2;
  m_baseY = metrics.height();
}

int CDialogUnits::ToPixelsX(int units) const { return scale(units, m_baseX, 4); }

int CDialogUnits::ToPixelsY(int units) const { return scale(units, m_baseY, 8); }

QSize CDialogUnits::ToPixels(int width, int height) const {
  return {ToPixelsX(width), ToPixelsY(height)};
}

QRect CDialogUnits::ToPixels(int x, int y, int width, int height) const {
  return {ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height)};
}
