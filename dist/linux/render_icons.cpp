// Renders each program's SVG icon at the fixed sizes that the windows and
// the desktop use: render-icons ICONS_DIR writes ICONS_DIR/NxN/<name>.png.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

bool render(const QString& svgPath, int side, const QString& pngPath) {
  QSvgRenderer renderer(svgPath);
  if (!renderer.isValid()) return false;
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return QDir().mkpath(QFileInfo(pngPath).path()) && image.save(pngPath, "PNG");
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: render-icons ICONS_DIR\n");
    return 2;
  }
  const QDir icons(args.at(1));
  for (const QString& name : {QStringLiteral("tonalyx"), QStringLiteral("scorvane")}) {
    for (int side : {16, 32, 48}) {
      const QString png = icons.filePath(QStringLiteral("%1x%1/%2.png").arg(side).arg(name));
      if (!render(icons.filePath(name + QStringLiteral(".svg")), side, png)) {
        std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(png));
        return 1;
      }
    }
  }
  return 0;
}
