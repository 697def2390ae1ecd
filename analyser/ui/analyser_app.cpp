#include "analyser/ui/analyser_app.h"

#include "analyser/ui/analyser_dialog.h"
#include "analyser/ui/dialog_units.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"

namespace analyser::ui {

AnalyserApp::AnalyserApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Tonalyx"));
  setDesktopFileName(QStringLiteral("tonalyx"));
  setWindowIcon(dialog_kit::programIcon(QStringLiteral("tonalyx")));
  // Message boxes and the file dialog show Japanese texts too.
  setFont(dialog_kit::mainDialogFont());
}

int AnalyserApp::run() {
  dialog_kit::MessageBoxPresenter messages;
  dialog_kit::FileDialogChooser files;
  AnalyserDialog dialog(messages, files);
  dialog.exec();
  return 0;
}

}  // namespace analyser::ui
