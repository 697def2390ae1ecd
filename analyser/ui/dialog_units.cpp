#include "analyser/ui/dialog_units.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

namespace dialog_kit {
namespace {

// Japanese Gothic faces that Debian ships; the proportional one first, as
// MS UI Gothic is proportional too.
QStringList withJapaneseFallbacks(QStringList families) {
  families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic");
  return families;
}

// Rounds value / divisor to the nearest integer, halves away from zero.
int divideRounded(int value, int divisor) {
  const int half = divisor / 2;
  return value >= 0 ? (value + half) / divisor : -((-value + half) / divisor);
}

}  // namespace

QFont firstInstalledFont(const QStringList& families, int pointSize) {
  const QStringList installed = QFontDatabase::families();
  QFont font = QApplication::font();
  for (const QString& family : families) {
    if (installed.contains(family, Qt::CaseInsensitive)) {
      font = QFont(family);
      break;
    }
  }
  font.setPointSize(pointSize);
  return font;
}

QFont mainDialogFont() {
  return firstInstalledFont(withJapaneseFallbacks({QStringLiteral("MS UI Gothic")}), 9);
}

QFont progressDialogFont() {
  return firstInstalledFont(
      withJapaneseFallbacks({QStringLiteral("MS Shell Dlg"), QStringLiteral("MS UI Gothic")}), 8);
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The dialog manager averages the 52 Latin letters and rounds half up.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  charWidth_ = (letters / 26 + 1) / 2;
  charHeight_ = metrics.height();
}

int DialogUnits::x(int units) const {
  return divideRounded(units * charWidth_, 4);
}

int DialogUnits::y(int units) const {
  return divideRounded(units * charHeight_, 8);
}

QSize DialogUnits::size(int width, int height) const {
  return {x(width), y(height)};
}

QRect DialogUnits::rect(const QRect& units) const {
  return {x(units.x()), y(units.y()), x(units.width()), y(units.height())};
}

}  // namespace dialog_kit
