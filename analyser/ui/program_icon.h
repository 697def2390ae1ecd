#pragma once
// The programs' icons, compiled in from dist/linux/icons at 16, 32 and 48
// pixels.

#include <QIcon>
#include <QString>

namespace dialog_kit {

// `name` is the program's file name: "tonalyx" or "scorvane".
QIcon programIcon(const QString& name);

}  // namespace dialog_kit
