#include "analyser/ui/program_icon.h"

namespace dialog_kit {

QIcon programIcon(const QString& name) {
  QIcon icon;
  for (int side : {16, 32, 48}) {
    icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(side).arg(name), QSize(side, side));
  }
  return icon;
}

}  // namespace dialog_kit
