#include "generator/ui/generator_app.h"

#include "analyser/ui/dialog_units.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"
#include "generator/ui/generator_dialog.h"

namespace generator::ui {

GeneratorApp::GeneratorApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Scorvane"));
  setDesktopFileName(QStringLiteral("scorvane"));
  setWindowIcon(dialog_kit::programIcon(QStringLiteral("scorvane")));
  // Message boxes and the file dialog show Japanese texts too.
  setFont(dialog_kit::mainDialogFont());
}

int GeneratorApp::run() {
  dialog_kit::MessageBoxPresenter messages;
  dialog_kit::FileDialogChooser files;
  GeneratorDialog dialog(messages, files);
  dialog.exec();
  return 0;
}

}  // namespace generator::ui
