// Renders Tonalyx's and Scorvane's main windows and the progress window as
// they first appear, without a display: screenshots OUTPUT_DIR writes
// tonalyx.png, scorvane.png and progress.png there.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "analyser/ui/analyser_dialog.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/progress_dialog.h"
#include "generator/ui/generator_dialog.h"

namespace {

// Nothing is converted or browsed while the pictures are taken.
class NoMessages final : public dialog_kit::MessagePresenter {
 public:
  void present(QWidget*, const QString&, const QString&, bool) override {}
};

class NoFiles final : public dialog_kit::FileChooser {
 public:
  std::optional<QString> chooseFile(QWidget*, const dialog_kit::OpenFileRequest&) override {
    return std::nullopt;
  }
};

bool save(QWidget& window, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name);
  if (window.grab().save(path, "PNG")) return true;
  std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: screenshots OUTPUT_DIR\n");
    return 2;
  }
  const QDir folder(args.at(1));
  NoMessages messages;
  NoFiles files;

  analyser::ui::AnalyserDialog tonalyx(messages, files);
  tonalyx.show();
  generator::ui::GeneratorDialog scorvane(messages, files);
  scorvane.show();
  auto* progress = new analyser::ui::ProgressDialog(tonalyx);
  progress->showRemaining(12.4);

  const bool saved = save(tonalyx, folder, QStringLiteral("tonalyx.png")) &&
                     save(scorvane, folder, QStringLiteral("scorvane.png")) &&
                     save(*progress, folder, QStringLiteral("progress.png"));
  return saved ? 0 : 1;
}
