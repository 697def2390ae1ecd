#pragma once
// Window layouts are laid out in dialog units, which scale with the dialog's
// font: a horizontal unit is a quarter of the font's average character width,
// a vertical unit an eighth of its character height.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace dialog_kit {

// The first of `families` that is installed, at `pointSize`. When none is,
// the application font's family at that size.
QFont firstInstalledFont(const QStringList& families, int pointSize);

// The main windows' font: "MS UI Gothic" 9 pt, or an installed Japanese
// Gothic of the same size where that font is missing.
QFont mainDialogFont();
// The progress window's font: "MS Shell Dlg" 8 pt, with the same fallbacks.
QFont progressDialogFont();

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int averageCharWidth, int charHeight)
      : charWidth_(averageCharWidth), charHeight_(charHeight) {}

  // Average width of the Latin letters, rounded as the dialog manager does.
  int averageCharWidth() const { return charWidth_; }
  int charHeight() const { return charHeight_; }

  // Pixels for horizontal and vertical dialog units, rounded to the nearest.
  int x(int units) const;
  int y(int units) const;
  QSize size(int width, int height) const;
  // A rectangle given as x, y, width, height in dialog units.
  QRect rect(const QRect& units) const;

 private:
  int charWidth_;
  int charHeight_;
};

}  // namespace dialog_kit
