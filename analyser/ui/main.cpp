// Tonalyx: the main window runs as a modal dialog, and the program ends when
// it closes. Arguments other than Qt's own are ignored.

#include <QApplication>

#include "analyser/ui/analyser_dialog.h"
#include "analyser/ui/dialog_units.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tonalyx"));
  QApplication::setDesktopFileName(QStringLiteral("tonalyx"));
  QApplication::setWindowIcon(dialog_kit::programIcon(QStringLiteral("tonalyx")));
  // Message boxes and the file dialog show Japanese texts too.
  QApplication::setFont(dialog_kit::mainDialogFont());

  dialog_kit::MessageBoxPresenter messages;
  dialog_kit::FileDialogChooser files;
  analyser::ui::AnalyserDialog dialog(messages, files);
  dialog.exec();
  return 0;
}
