#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// The font both dialogs are laid out in: "MS Shell Dlg" at 9 points where
// that family exists, otherwise the desktop's UI font at 9 points.
QFont dmDialogFont();

// Turns dialog-template coordinates into pixels for one font. A horizontal
// unit is a quarter of the font's average character width and a vertical
// unit an eighth of its height, so a layout keeps its proportions whatever
// font and screen resolution it meets.
class CDialogUnits {
 public:
  explicit CDialogUnits(const QFont& font);

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QSize ToPixels(int width, int height) const;
  QRect ToPixels(int x, int y, int width, int height) const;

 private:
  int m_baseX;
  int m_baseY;
};
