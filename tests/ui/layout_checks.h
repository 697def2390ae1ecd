#pragma once
// Checks that hold for every window: each text fits its control and is fully
// covered by the window's font, and no two controls overlap or leave their
// parent. Each returns the offenders, empty when all is well.

#include <QStringList>

#include "qt_printers.h"

class QWidget;

namespace testing_support {

QStringList clippedTexts(const QWidget& window);
QStringList glyphsMissingFromFont(const QWidget& window);
QStringList overlappingControls(const QWidget& window);

}  // namespace testing_support
