// Scorvane: the main window runs as a modal dialog, and the program ends when
// it closes, whichever way. Arguments other than Qt's own are ignored.

#include <QApplication>

#include "analyser/ui/dialog_units.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"
#include "generator/ui/generator_dialog.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Scorvane"));
  QApplication::setDesktopFileName(QStringLiteral("scorvane"));
  QApplication::setWindowIcon(dialog_kit::programIcon(QStringLiteral("scorvane")));
  // Message boxes and the file dialog show Japanese texts too.
  QApplication::setFont(dialog_kit::mainDialogFont());

  dialog_kit::MessageBoxPresenter messages;
  dialog_kit::FileDialogChooser files;
  generator::ui::GeneratorDialog dialog(messages, files);
  dialog.exec();
  return 0;
}
